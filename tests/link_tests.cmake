# The serial port, the reader thread and the line mailbox, over a scripted device
# and over pseudo-terminals, and the device dialogues over them and against the simulated devices.
qlm_add_test(link_tests
    sniffer_link_test.cpp
    device_dialogue_test.cpp
    device_simulator_test.cpp
    system_ports_test.cpp
)
target_link_libraries(link_tests PRIVATE qlm_link qlm_sim)

# The session that holds a capture at the desk together, with the built-in simulator.
qlm_add_test(session_tests
    capture_session_test.cpp
)
target_link_libraries(session_tests PRIVATE qlm_session)

# Wireshark's extcap interface: its command line, answers and control pipes.
qlm_add_test(extcap_tests
    extcap_test.cpp
)
target_link_libraries(extcap_tests PRIVATE qlm_extcap)
