# The simulated capture device and its pseudo-terminal server.
find_package(Threads REQUIRED)

add_library(qlm_sim STATIC
    sim/sim_random.cpp
    sim/mac_frames.cpp
    sim/mac_commands.cpp
    sim/frame_security.cpp
    sim/nwk_frames.cpp
    sim/pro_frames.cpp
    sim/aps_frames.cpp
    sim/mailbox_messages.cpp
    sim/stored_frame.cpp
    sim/frame_queue.cpp
    sim/nwk_delivery.cpp
    sim/node_factory.cpp
    sim/pan_beacons.cpp
    sim/pan_episodes.cpp
    sim/home_pan.cpp
    sim/office_pan.cpp
    sim/lab_pan.cpp
    sim/pro_pan.cpp
    sim/pan_traffic.cpp
    sim/neighbourhood.cpp
    sim/reply_text.cpp
    sim/frame_schedule.cpp
    sim/sim_radio.cpp
    sim/sniffer_commands.cpp
    sim/brindle_commands.cpp
    sim/simulated_device.cpp
    sim/pty_server.cpp
)
target_include_directories(qlm_sim PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qlm_sim PUBLIC qlm_capture qlm_security Threads::Threads)
