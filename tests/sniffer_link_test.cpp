#include "link/posix_serial_port.h"
#include "link/sniffer_link.h"
#include "scripted_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qlm::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct StatusLog {
    std::vector<std::string> texts;
    StatusSink sink() {
        return [this](std::string_view text) { texts.emplace_back(text); };
    }
    std::string last() const { return texts.empty() ? "" : texts.back(); }
};

struct Stopwatch {
    Clock::time_point start = Clock::now();
    Clock::duration elapsed() const { return Clock::now() - start; }
};

// Ends the test program when a test hangs (none takes more than a few seconds), so
// that a lost wake-up fails the run instead of stalling it.
class Watchdog {
public:
    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    void watch() {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, 20s, [this] { return finished_; })) {
            std::fputs("link test hung\n", stderr);
            std::abort();
        }
    }
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// The next line with its terminator, released; "<none>" when no line arrived.
std::string nextLine(SnifferLink& link) {
    if (!link.waitForLine(SnifferLink::kReplyTimeoutMs))
        return "<none>";
    std::string line(link.line());
    link.releaseLine();
    return line;
}

Clock::duration processCpuTime() {
    timespec used{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

class LinkOverScriptedPort : public ::testing::Test {
protected:
    Watchdog watchdog;  // destroyed last: covers the link's close at the end
    ScriptedOpener opener;
    ScriptedDevice& device = opener.attach("ttyUSB0");
    StatusLog status;
    SnifferLink link{opener, status.sink()};
};

TEST_F(LinkOverScriptedPort, CutsTheStreamIntoLines) {
    device.setReadChunk(7);  // lines straddle reads
    ASSERT_TRUE(link.open("ttyUSB0"));
    EXPECT_EQ(status.last(), "Searching for sniffer on ttyUSB0:");
    device.send("\r\n\n\x01+hidden\r\n\x1b[0m\r\n");  // empty or starting below 32
    device.send("+INIT:1\r\n");
    device.send("\xC3 high\n");
    device.send(std::string(600, 'x') + "tail\r\n");

    ASSERT_TRUE(link.waitForLine(1500));
    EXPECT_EQ(link.state(), SnifferLink::kReady);
    EXPECT_EQ(link.line().data()[link.line().size()], '\0');
    EXPECT_EQ(nextLine(link), "+INIT:1\r\n");
    EXPECT_EQ(nextLine(link), "\xC3 high\n");
    EXPECT_EQ(nextLine(link), std::string(511, 'x'));
    EXPECT_EQ(nextLine(link), std::string(89, 'x') + "tail\r\n");
    EXPECT_FALSE(link.waitForLine(1));
    EXPECT_EQ(link.line(), "");
}

TEST_F(LinkOverScriptedPort, WaitsForLinesWithinItsTimeOut) {
    EXPECT_FALSE(link.waitForLine(1500));  // nothing open
    ASSERT_TRUE(link.open("ttyUSB0"));
    Stopwatch full;
    EXPECT_FALSE(link.waitForLine(1500));
    EXPECT_GE(full.elapsed(), 1500ms);
    Stopwatch onePoll;
    EXPECT_FALSE(link.waitForLine(1));
    EXPECT_GE(onePoll.elapsed(), 100ms);

    std::thread later([&] {
        std::this_thread::sleep_for(300ms);
        device.sendLine("+DONE");
    });
    EXPECT_TRUE(link.waitForLine(1500));
    later.join();
    EXPECT_TRUE(link.waitForLine(1));  // still Ready until released
    EXPECT_EQ(link.line(), "+DONE\r\n");
}

TEST_F(LinkOverScriptedPort, ReadFailureEndsTheReader) {
    ASSERT_TRUE(link.open("ttyUSB0"));
    device.sendLine("+MACF:01");
    device.fail();
    ASSERT_TRUE(link.waitForLine(1500));
    EXPECT_FALSE(link.readFailed());  // the port is not read while a line is Ready
    link.releaseLine();

    EXPECT_FALSE(link.waitForLine(1500));
    EXPECT_TRUE(link.readFailed());
    EXPECT_TRUE(link.isOpen());
    link.releaseLine();
    EXPECT_EQ(link.state(), SnifferLink::kEnded);
    link.close();
    EXPECT_FALSE(link.readFailed());
    EXPECT_EQ(device.openPorts(), 0);
}

TEST_F(LinkOverScriptedPort, WriteTimeOutClosesThePortButARefusalDoesNot) {
    EXPECT_FALSE(link.writeLine("AT+INIT\r"));  // nothing open
    ASSERT_TRUE(link.open("ttyUSB0"));
    device.onCommandOnce("AT+INIT\r", "+INIT:SNIFFER\r\n");
    EXPECT_TRUE(link.writeLine("AT+INIT\r"));
    EXPECT_EQ(nextLine(link), "+INIT:SNIFFER\r\n");

    device.setWriteMode(ScriptedDevice::WriteMode::kRefuse);
    EXPECT_FALSE(link.writeLine("AT+STOP\r"));
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(status.last(), "Searching for sniffer on ttyUSB0:");

    device.setWriteMode(ScriptedDevice::WriteMode::kStall);
    Stopwatch watch;
    EXPECT_FALSE(link.writeLine("AT+SCAN11\r"));
    EXPECT_GE(watch.elapsed(), 150ms);
    EXPECT_EQ(device.writeBudgets().back(), 150ms);
    EXPECT_EQ(status.last(), "Write failure to ttyUSB0:");
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.state(), SnifferLink::kEnded);
    EXPECT_EQ(device.openPorts(), 0);
    EXPECT_EQ(device.commands(),
              (std::vector<std::string>{"AT+INIT\r", "AT+STOP\r", "AT+SCAN11\r"}));
}

TEST_F(LinkOverScriptedPort, ReopeningEndsTheOldReaderFirst) {
    ScriptedDevice& other = opener.attach("ttyACM0");
    ASSERT_TRUE(link.open("ttyUSB0"));
    device.sendLine("+OLD:1");
    ASSERT_TRUE(link.waitForLine(1500));  // the reader waits for the release
    ASSERT_TRUE(link.open("ttyUSB0"));
    EXPECT_EQ(device.openPorts(), 1);
    device.sendLine("+SAME:2");
    EXPECT_EQ(nextLine(link), "+SAME:2\r\n");

    ASSERT_TRUE(link.open("ttyACM0"));
    device.sendLine("+OLD:3");
    other.sendLine("+NEW:1");
    EXPECT_EQ(nextLine(link), "+NEW:1\r\n");
    EXPECT_FALSE(link.waitForLine(1));
    EXPECT_EQ(device.mostConcurrentReads(), 1);
    EXPECT_EQ(device.readsThroughStalePorts(), 0);
    EXPECT_EQ(device.closedDuringRead(), 0);
    EXPECT_EQ(device.openPorts(), 0);

    EXPECT_FALSE(link.open("ttyS9"));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(other.openPorts(), 0);
    EXPECT_EQ(status.texts, (std::vector<std::string>{
                                "Searching for sniffer on ttyUSB0:",
                                "Searching for sniffer on ttyUSB0:",
                                "Searching for sniffer on ttyACM0:",
                                "Couldn't open ttyS9:",
                            }));
}

TEST_F(LinkOverScriptedPort, CloseEndsTheReaderWhereverItWaits) {
    ASSERT_TRUE(link.open("ttyUSB0"));
    device.sendLine("+MACF:00");
    ASSERT_TRUE(link.waitForLine(1500));
    link.close();  // the reader waits for the release
    EXPECT_EQ(link.state(), SnifferLink::kEnded);
    EXPECT_EQ(link.line(), "");
    EXPECT_EQ(device.openPorts(), 0);

    ASSERT_TRUE(link.open("ttyUSB0"));
    std::this_thread::sleep_for(50ms);
    link.close();  // the reader is blocked in read
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(device.closedDuringRead(), 0);
}

TEST_F(LinkOverScriptedPort, DrainThrowsAwayWhatArrivesUntilAQuietPoll) {
    ASSERT_TRUE(link.open("ttyUSB0"));
    for (int frame = 0; frame < 12; ++frame)
        device.sendLine("+MACF:0" + std::to_string(frame));
    ASSERT_TRUE(link.waitForLine(1500));
    Stopwatch watch;
    link.drain();
    EXPECT_GE(watch.elapsed(), 100ms);
    EXPECT_FALSE(link.waitForLine(1));
    device.sendLine("+DONE");
    EXPECT_EQ(nextLine(link), "+DONE\r\n");

    // A device that never stops talking cannot hold the window for long.
    std::atomic<bool> drained{false};
    std::thread chatter([&] {
        for (int line = 0; line < 400 && !drained; ++line) {
            device.sendLine("+MACF:00");
            std::this_thread::sleep_for(20ms);
        }
    });
    Stopwatch chattering;
    link.drain();
    const auto took = chattering.elapsed();
    drained = true;
    chatter.join();
    EXPECT_GE(took, 1500ms);
    EXPECT_LT(took, 5s);
}

// A pseudo-terminal whose slave side is the program's port; the test plays the
// device on the master side.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        char name[128];
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0 &&
            ::ptsname_r(master_, name, sizeof name) == 0)
            slavePath_ = name;
    }
    ~PseudoTerminal() { closeMaster(); }

    const std::string& slavePath() const { return slavePath_; }

    void send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t count = ::write(master_, bytes.data(), bytes.size());
            ASSERT_GT(count, 0);
            bytes.remove_prefix(static_cast<size_t>(count));
        }
    }
    // Up to `count` bytes the program wrote, waiting at most `timeoutMs` for each.
    std::string receive(size_t count, int timeoutMs = 5000) {
        std::string received;
        pollfd watched{master_, POLLIN, 0};
        while (received.size() < count && ::poll(&watched, 1, timeoutMs) > 0) {
            char bytes[64];
            const ssize_t got = ::read(master_, bytes, sizeof bytes);
            if (got <= 0)
                break;
            received.append(bytes, static_cast<size_t>(got));
        }
        return received;
    }
    void closeMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

class LinkOverPseudoTerminal : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(terminal.slavePath().empty()); }

    Watchdog watchdog;
    PseudoTerminal terminal;
    PosixPortOpener opener;
    StatusLog status;
    SnifferLink link{opener, status.sink()};
};

TEST_F(LinkOverPseudoTerminal, ExchangesLinesWithTheDevice) {
    ASSERT_TRUE(link.open(terminal.slavePath()));
    EXPECT_EQ(status.last(), "Searching for sniffer on " + terminal.slavePath() + ":");
    terminal.send("\r\n\x05noise\r\n+INIT:1\r\n" + std::string(600, 'y') + "z\r\n");
    EXPECT_EQ(nextLine(link), "+INIT:1\r\n");
    EXPECT_EQ(nextLine(link), std::string(511, 'y'));
    EXPECT_EQ(nextLine(link), std::string(89, 'y') + "z\r\n");
    EXPECT_FALSE(link.waitForLine(1));
    EXPECT_TRUE(link.writeLine("AT+INIT\r"));
    EXPECT_EQ(terminal.receive(8), "AT+INIT\r");
}

TEST_F(LinkOverPseudoTerminal, OpensNamesUnderDev) {
    const std::string path = terminal.slavePath();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u);
    ASSERT_TRUE(link.open(path.substr(5)));  // "pts/N"
    terminal.send("+MACF:00\r\n");
    EXPECT_EQ(nextLine(link), "+MACF:00\r\n");

    EXPECT_FALSE(link.open("/nonexistent/ttyQLM"));
    EXPECT_EQ(status.last(), "Couldn't open /nonexistent/ttyQLM:");
    PortOpenFailure failure;
    EXPECT_EQ(opener.open("qlm-no-such-port", failure), nullptr);
    EXPECT_EQ(failure.kind, PortOpenFailure::Kind::kSystem);
    EXPECT_EQ(failure.reason, "No such file or directory");
}

// Whatever is not a terminal is refused before a byte goes to it, and is left as
// it was.
TEST_F(LinkOverPseudoTerminal, RefusesWhatIsNotASerialPortAndLeavesItUntouched) {
    char folderTemplate[] = "/tmp/qlm-ports-XXXXXX";
    ASSERT_NE(::mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    const std::string notes = folder + "/notes.txt";
    const std::string contents = "first line\nsecond line\n";
    {
        std::FILE* file = std::fopen(notes.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
    }
    const std::string pipe = folder + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string symlinkPath = folder + "/link";
    ASSERT_EQ(::symlink(notes.c_str(), symlinkPath.c_str()), 0);
    // Whoever would open the pipe for reading would see what is written to it.
    const int pipeReader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(pipeReader, 0);

    for (const std::string& path : {notes, folder, pipe, std::string("/dev/null"), symlinkPath}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(link.open(path));
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(status.last(), "Couldn't open " + path + ": not a serial port");
        EXPECT_EQ(link.openError(), "not a serial port");
        EXPECT_FALSE(link.writeLine("AT+INIT\r"));
    }
    std::string read(64, '\0');
    read.resize(static_cast<size_t>(std::max<ssize_t>(0, ::read(pipeReader, read.data(), 64))));
    EXPECT_EQ(read, "");
    ::close(pipeReader);
    std::FILE* file = std::fopen(notes.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string after(256, '\0');
    after.resize(std::fread(after.data(), 1, after.size(), file));
    std::fclose(file);
    EXPECT_EQ(after, contents);
    std::remove(symlinkPath.c_str());
    std::remove(pipe.c_str());
    std::remove(notes.c_str());
    ::rmdir(folder.c_str());
}

// A second link on a port in use backs off before it writes, and the first
// goes on receiving and sending; once the first closes, the port is free again.
TEST_F(LinkOverPseudoTerminal, APortInUseIsRefusedAndTheFirstUserGoesOn) {
    ASSERT_TRUE(link.open(terminal.slavePath()));
    StatusLog secondStatus;
    SnifferLink second{opener, secondStatus.sink()};
    EXPECT_FALSE(second.open(terminal.slavePath()));
    EXPECT_EQ(secondStatus.last(), "Port " + terminal.slavePath() + " is in use");
    EXPECT_EQ(second.openError(), "the port is in use");
    EXPECT_EQ(terminal.receive(1, 300), "");  // nothing reached the device

    terminal.send("+MACF:01\r\n");
    EXPECT_EQ(nextLine(link), "+MACF:01\r\n");
    EXPECT_TRUE(link.writeLine("AT+SNIF=0\r"));
    EXPECT_EQ(terminal.receive(10), "AT+SNIF=0\r");

    link.close();
    EXPECT_TRUE(second.open(terminal.slavePath()));
    second.close();

    // Another program holding the port exclusively, without a lock.
    const int other = ::open(terminal.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::ioctl(other, TIOCEXCL), 0);
    EXPECT_FALSE(second.open(terminal.slavePath()));
    EXPECT_EQ(secondStatus.last(), "Port " + terminal.slavePath() + " is in use");
    ::ioctl(other, TIOCNXCL);
    ::close(other);
    EXPECT_TRUE(second.open(terminal.slavePath()));
}

TEST_F(LinkOverPseudoTerminal, HangUpEndsTheReader) {
    ASSERT_TRUE(link.open(terminal.slavePath()));
    terminal.send("+MACF:00\r\n");
    EXPECT_EQ(nextLine(link), "+MACF:00\r\n");
    terminal.closeMaster();
    EXPECT_FALSE(link.waitForLine(1500));
    EXPECT_TRUE(link.readFailed());
    EXPECT_FALSE(link.writeLine("AT+STOP\r"));  // refused at once: the port stays
    EXPECT_TRUE(link.isOpen());
}

TEST_F(LinkOverPseudoTerminal, BlocksWhileIdleAndClosesPromptly) {
    ASSERT_TRUE(link.open(terminal.slavePath()));
    const auto cpuBefore = processCpuTime();
    std::this_thread::sleep_for(500ms);  // the reader waits for bytes
    terminal.send("+MACF:00\r\n");
    ASSERT_TRUE(link.waitForLine(1500));
    std::this_thread::sleep_for(500ms);  // the reader waits for the release
    EXPECT_LT(processCpuTime() - cpuBefore, 250ms);
    link.close();
    EXPECT_EQ(link.state(), SnifferLink::kEnded);

    PseudoTerminal second;
    ASSERT_TRUE(link.open(second.slavePath()));
    std::this_thread::sleep_for(50ms);
    link.close();  // the reader is blocked in poll()
    EXPECT_FALSE(link.isOpen());
}

TEST(PosixSerialPort, WakesReadsAndBoundsWrites) {
    Watchdog watchdog;
    PseudoTerminal terminal;
    PosixPortOpener opener;
    PortOpenFailure failure;
    std::unique_ptr<SerialPort> port = opener.open(terminal.slavePath(), failure);
    ASSERT_NE(port, nullptr) << failure.reason;
    uint8_t bytes[16];
    size_t received = 0;
    port->wake();  // a wake before the read ends the next read
    EXPECT_EQ(port->read(bytes, sizeof bytes, received), SerialPort::ReadResult::kWoken);
    std::thread waker([&] {
        std::this_thread::sleep_for(100ms);
        port->wake();
    });
    EXPECT_EQ(port->read(bytes, sizeof bytes, received), SerialPort::ReadResult::kWoken);
    waker.join();

    // Nobody reads the master side: the queue fills and the write cannot finish.
    Stopwatch watch;
    EXPECT_EQ(port->write(std::string(1 << 20, 'x'), 300ms), SerialPort::WriteResult::kTimedOut);
    EXPECT_GE(watch.elapsed(), 300ms);

    terminal.closeMaster();
    EXPECT_EQ(port->write("AT\r", 100ms), SerialPort::WriteResult::kRefused);
    EXPECT_EQ(port->read(bytes, sizeof bytes, received), SerialPort::ReadResult::kFailed);
}

} // namespace
} // namespace qlm::test
