qlm_add_test(logfile_tests
    log_writer_test.cpp
    log_reader_test.cpp
    log_file_test.cpp
)

# The command-line tool, run as a program over the bundled example.
find_program(TSHARK_EXECUTABLE tshark)
qlm_add_test(qlntool_tests qlntool_test.cpp qlntool_device_test.cpp extcap_live_test.cpp)
add_dependencies(qlntool_tests qlntool)
target_link_libraries(qlntool_tests PRIVATE qlm_extcap qlm_sim qlm_dissect)
target_compile_definitions(qlntool_tests PRIVATE
    QLNTOOL_PATH="$<TARGET_FILE:qlntool>"
    EXAMPLE_PATH="${PROJECT_SOURCE_DIR}/examples/example.qln"
    ZIGBEE2004_CAPTURE_PATH="${PROJECT_SOURCE_DIR}/tests/data/zigbee2004_capture.qln"
    TSHARK_PATH="${TSHARK_EXECUTABLE}"
    SECURED_EXAMPLE_PATH="${PROJECT_SOURCE_DIR}/examples/secured_pro.qln")

# pcap and pcapng export, read back by tshark.
find_program(TSHARK_EXECUTABLE tshark)
qlm_add_test(pcap_tests
    pcap_export_test.cpp
    pcap_integrity_test.cpp
    zigbee_pro_tshark_test.cpp
    zigbee_decryption_tshark_test.cpp
    simulator_tshark_test.cpp
    zcl_tshark_test.cpp
    zdp_tshark_test.cpp
)
target_link_libraries(pcap_tests PRIVATE qlm_pcap qlm_dissect qlm_sim)
target_compile_definitions(pcap_tests PRIVATE TSHARK_PATH="${TSHARK_EXECUTABLE}"
    EXAMPLE_PATH="${PROJECT_SOURCE_DIR}/examples/example.qln")
