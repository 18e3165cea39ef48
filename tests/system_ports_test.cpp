// The system's serial ports as the kernel's tty class lists them.

#include "link/system_ports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class FakeTtyClass : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tty-class-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // A terminal; with a device behind it when `device`, and a UART type when >= 0.
    void add(const std::string& name, bool device, int uartType = -1) {
        fs::create_directories(folder_ / name);
        if (device)
            fs::create_directories(folder_ / name / "device");
        if (uartType >= 0)
            std::ofstream(folder_ / name / "type") << uartType << "\n";
    }

    fs::path folder_;
};

TEST_F(FakeTtyClass, ListsTerminalsOnADeviceSortedLessUartsWithoutHardware) {
    add("ttyUSB1", true);
    add("ttyACM0", true);
    add("ttyUSB0", true);
    add("ttyS0", true, 4);   // a 16550A found
    add("ttyS1", true, 0);   // a name reserved, no UART behind it
    add("tty3", false);      // a virtual console
    add("ptmx", false);
    EXPECT_EQ(qlm::listSystemSerialPorts(folder_.string()),
              (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyUSB0", "ttyUSB1"}));
}

TEST(SystemPorts, AFolderThatCannotBeReadListsNothing) {
    EXPECT_TRUE(qlm::listSystemSerialPorts("/nonexistent/tty/class").empty());
}

} // namespace
