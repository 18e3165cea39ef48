# The frame dissector and its sinks.
qlm_add_test(dissect_tests
    prologue_test.cpp
    mac_header_test.cpp
    mac_beacon_test.cpp
    mac_command_test.cpp
    truncated_frame_test.cpp
    row_layout_test.cpp
    field_selection_test.cpp
    view_geometry_test.cpp
    mac_traffic_test.cpp
    nwk_layer_test.cpp
    nwk_pro_test.cpp
    aps_pro_test.cpp
    apl_layer_test.cpp
    af_transaction_test.cpp
    mailbox_test.cpp
    zigbee_capture_test.cpp
    zigbee_traffic_test.cpp
)
target_link_libraries(dissect_tests PRIVATE qlm_dissect qlm_layout)
