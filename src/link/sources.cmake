# The serial port, its reader thread and the line mailbox, and the device
# dialogues over them (included from src/).
find_package(Threads REQUIRED)

add_library(qlm_link STATIC
    link/posix_serial_port.cpp
    link/sniffer_link.cpp
    link/device_conversation.cpp
    link/device_search.cpp
    link/sniffing.cpp
    link/channel_scan.cpp
    link/port_list.cpp
    link/system_ports.cpp
)
target_include_directories(qlm_link PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qlm_link PUBLIC qlm_capture Threads::Threads)
