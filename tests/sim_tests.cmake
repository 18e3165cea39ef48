# The simulated capture device.
qlm_add_test(sim_tests
    simulated_device_test.cpp
    simulated_traffic_test.cpp
    pty_server_test.cpp
)
target_link_libraries(sim_tests PRIVATE qlm_sim)
