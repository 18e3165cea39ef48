// The simulated device served on a pseudo-terminal, spoken to the way a serial
// port is: the slave opened with open() and set raw with termios.

#include "sim/pty_server.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace qlm {
namespace {

using Clock = std::chrono::steady_clock;

// Waits are bounded only so that a broken server fails the test instead of
// hanging it; nothing here depends on how fast an answer comes.
constexpr auto kPatience = std::chrono::seconds(10);

class Port {
public:
    explicit Port(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios settings{};
        if (fd_ >= 0 && tcgetattr(fd_, &settings) == 0) {
            cfmakeraw(&settings);
            cfsetispeed(&settings, B38400);
            cfsetospeed(&settings, B38400);
            tcsetattr(fd_, TCSANOW, &settings);
        }
    }
    ~Port() { close(); }

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    bool send(const std::string& text) {
        return ::write(fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    // The next line with its CR LF; nothing when the terminal fails or stays silent.
    std::optional<std::string> readLine() {
        const auto deadline = Clock::now() + kPatience;
        while (Clock::now() < deadline) {
            const size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end + 1);
                pending_.erase(0, end + 1);
                return line;
            }
            if (!receive())
                return std::nullopt;
        }
        return std::nullopt;
    }

    // The first line that begins with `tag`, skipping frame reports on the way.
    std::optional<std::string> readLineStartingWith(const std::string& tag) {
        for (std::optional<std::string> line = readLine(); line; line = readLine())
            if (line->rfind(tag, 0) == 0)
                return line;
        return std::nullopt;
    }

    // False once the terminal has failed (hang-up, error, end of file).
    bool receive() {
        pollfd descriptor = {fd_, POLLIN, 0};
        if (poll(&descriptor, 1, 100) <= 0)
            return true;
        char buffer[512];
        const ssize_t count = ::read(fd_, buffer, sizeof buffer);
        if (count > 0) {
            pending_.append(buffer, static_cast<size_t>(count));
            return true;
        }
        return count < 0 && errno == EAGAIN;
    }

private:
    int fd_ = -1;
    std::string pending_;
};

class Served {
public:
    explicit Served(const SimulatedDeviceOptions& options) : device(options), server(device) {
        std::string error;
        started = server.start(error);
        EXPECT_TRUE(started) << error;
    }

    SimulatedDevice device;
    PtyServer server;
    bool started = false;
};

SimulatedDeviceOptions sniffer(double framesPerSecond = 20) {
    SimulatedDeviceOptions options;
    options.seed = 31;
    options.framesPerSecond = framesPerSecond;
    return options;
}

TEST(PtyServer, AnswersTheIdentificationOverTheTerminal) {
    Served served(sniffer());
    ASSERT_TRUE(served.started);
    EXPECT_TRUE(served.server.isServing());
    EXPECT_EQ(served.server.slavePath().rfind("/dev/pts/", 0), 0u) << served.server.slavePath();
    Port port(served.server.slavePath());
    ASSERT_TRUE(port.isOpen());

    ASSERT_TRUE(port.send("AT+INIT\r"));
    const std::optional<std::string> reply = port.readLine();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->substr(0, 27), "+INIT:IEEE 802.Quorlanmirex");
    EXPECT_EQ(reply->substr(reply->size() - 2), "\r\n");
    EXPECT_EQ(served.server.commandsAnswered(), 1u);
}

TEST(PtyServer, CutsCommandsAtCarriageReturns) {
    Served served(sniffer());
    Port port(served.server.slavePath());
    ASSERT_TRUE(port.isOpen());
    ASSERT_TRUE(port.send("AT+IN"));
    ASSERT_TRUE(port.send("IT\r\r"));
    const std::optional<std::string> identity = port.readLine();
    const std::optional<std::string> idle = port.readLine();
    ASSERT_TRUE(identity && idle);
    EXPECT_EQ(identity->rfind("+INIT:", 0), 0u) << *identity;
    EXPECT_EQ(*idle, "OK\r\n");
}

TEST(PtyServer, SendsFrameReportsWhileSniffing) {
    Served served(sniffer(200));
    Port port(served.server.slavePath());
    ASSERT_TRUE(port.isOpen());
    ASSERT_TRUE(port.send("AT+SNIF=4\r"));
    const std::optional<std::string> started = port.readLine();
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(started->rfind("+SNIF", 0), 0u) << *started;
    for (int frame = 0; frame < 20; ++frame) {
        const std::optional<std::string> report = port.readLineStartingWith("+MACF:");
        ASSERT_TRUE(report.has_value()) << "frame " << frame;
    }
    EXPECT_GE(served.server.framesSent(), 20u);

    // The reply to the stop command comes after the frames already on their way.
    ASSERT_TRUE(port.send("\r"));
    EXPECT_TRUE(port.readLineStartingWith("OK\r\n").has_value());
}

TEST(PtyServer, ServesTheBrindle) {
    SimulatedDeviceOptions options = sniffer();
    options.kind = DeviceKind::kBrindle;
    Served served(options);
    Port port(served.server.slavePath());
    ASSERT_TRUE(port.isOpen());
    ASSERT_TRUE(port.send("+DVRR\r"));
    EXPECT_EQ(port.readLine(), "+DVRC=0B400111\r\n");
}

// A program sets exclusive use on its port. The server holds the pseudo-terminal
// open, so the mode would outlive the program's close and refuse its next open;
// the server lifts it.
TEST(PtyServer, ExclusiveUseEndsSoThePortOpensAgain) {
    Served served(sniffer());
    {
        Port port(served.server.slavePath());
        ASSERT_TRUE(port.isOpen());
        ASSERT_EQ(ioctl(port.fd(), TIOCEXCL), 0);
    }
    int exclusive = 1;
    const auto deadline = Clock::now() + kPatience;
    while (exclusive != 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        Port again(served.server.slavePath());
        if (again.isOpen()) {
            ASSERT_EQ(ioctl(again.fd(), TIOCGEXCL, &exclusive), 0);
        }
    }
    EXPECT_EQ(exclusive, 0);
}

TEST(PtyServer, HangUpTakesTheTerminalAwayMidCapture) {
    Served served(sniffer(100));
    Port port(served.server.slavePath());
    ASSERT_TRUE(port.isOpen());
    ASSERT_TRUE(port.send("AT+SNIF=9\r"));
    ASSERT_TRUE(port.readLineStartingWith("+MACF:").has_value());

    served.server.hangUp();
    EXPECT_FALSE(served.server.isServing());
    bool failed = false;
    const auto deadline = Clock::now() + kPatience;
    while (!failed && Clock::now() < deadline)
        failed = !port.receive();
    EXPECT_TRUE(failed) << "the slave still reads after the hang-up";
    served.server.stop(); // and once more does no harm
}

TEST(PtyServer, ServesOneTerminalAtATime) {
    Served served(sniffer());
    std::string error;
    EXPECT_FALSE(served.server.start(error));
    EXPECT_FALSE(error.empty());
    served.server.stop();
    EXPECT_FALSE(served.server.isServing());
    ASSERT_TRUE(served.server.start(error)) << error;
    Port port(served.server.slavePath());
    ASSERT_TRUE(port.send("\r"));
    EXPECT_EQ(port.readLine(), "OK\r\n");
}

} // namespace
} // namespace qlm
