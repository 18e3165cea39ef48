#include "sim/pty_server.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qlm {

namespace {

int64_t steadyMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void makeRaw(int descriptor) {
    termios settings{};
    if (tcgetattr(descriptor, &settings) != 0)
        return;
    cfmakeraw(&settings);
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    tcsetattr(descriptor, TCSANOW, &settings);
}

void closeDescriptor(int& descriptor) {
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

bool isReport(std::string_view line, std::string_view tag) {
    return line.substr(0, 5) == tag;
}

} // namespace

PtyServer::PtyServer(SimulatedDevice& device) : device_(device) {}

PtyServer::~PtyServer() {
    stop();
}

bool PtyServer::start(std::string& error) {
    if (isServing()) {
        error = "already serving " + slavePath_;
        return false;
    }
    if (!openTerminal(error)) {
        closeTerminal();
        return false;
    }
    command_.clear();
    output_.clear();
    lastAdvanceUs_ = steadyMicroseconds();
    carriedUs_ = 0;
    thread_ = std::thread([this] { serve(); });
    return true;
}

bool PtyServer::openTerminal(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = systemError("pseudo-terminal");
        return false;
    }
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0) {
        error = systemError("ptsname");
        return false;
    }
    slavePath_ = name;
    makeRaw(master_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    heldSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (heldSlave_ < 0 || wake_ < 0) {
        error = systemError(heldSlave_ < 0 ? name : "eventfd");
        return false;
    }
    makeRaw(heldSlave_);
    return true;
}

void PtyServer::closeTerminal() {
    closeDescriptor(heldSlave_);
    closeDescriptor(master_);
    closeDescriptor(wake_);
}

void PtyServer::stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
        thread_.join();
    }
    closeTerminal();
}

void PtyServer::hangUp() {
    stop();
}

void PtyServer::serve() {
    bool stopRequested = false;
    while (!stopRequested) {
        if (waitForWork(stopRequested))
            readCommands();
        if (stopRequested)
            break;
        advanceDevice();
        flushOutput();
        ioctl(heldSlave_, TIOCNXCL);
    }
}

// Waits up to one tick for commands, for room to write the backlog, or for stop().
// True when the master has bytes to read.
bool PtyServer::waitForWork(bool& stopRequested) {
    pollfd descriptors[2] = {{wake_, POLLIN, 0}, {master_, POLLIN, 0}};
    if (!output_.empty())
        descriptors[1].events |= POLLOUT;
    if (poll(descriptors, 2, kTickMs) < 0)
        return false;
    stopRequested = (descriptors[0].revents & POLLIN) != 0;
    if ((descriptors[1].revents & (POLLHUP | POLLERR)) != 0 &&
        (descriptors[1].revents & POLLIN) == 0)
        waitOneTick(); // nobody has the slave open: nothing to read until someone does
    return (descriptors[1].revents & POLLIN) != 0;
}

void PtyServer::waitOneTick() {
    pollfd wake = {wake_, POLLIN, 0};
    poll(&wake, 1, kTickMs);
}

void PtyServer::readCommands() {
    char buffer[256];
    const ssize_t count = ::read(master_, buffer, sizeof buffer);
    if (count <= 0)
        return; // EAGAIN, or EIO while no slave is open: try again later
    for (ssize_t i = 0; i < count; ++i) {
        const char c = buffer[i];
        if (c == '\r') {
            answer(command_);
            command_.clear();
        } else if (c != '\n' && command_.size() < kMaxCommand) {
            command_.push_back(c);
        }
    }
}

void PtyServer::answer(const std::string& command) {
    advanceDevice(); // frames heard before the command go out before its reply
    for (const std::string& reply : device_.command(command + "\r"))
        output_ += reply;
    ++commandsAnswered_;
    flushOutput();
}

void PtyServer::advanceDevice() {
    const int64_t now = steadyMicroseconds();
    carriedUs_ += now - lastAdvanceUs_;
    lastAdvanceUs_ = now;
    const int64_t elapsedMs = carriedUs_ / 1000;
    carriedUs_ %= 1000;
    if (elapsedMs <= 0)
        return;
    for (const std::string& report : device_.advance(std::chrono::milliseconds(elapsedMs)))
        queueReport(report);
}

void PtyServer::queueReport(const std::string& line) {
    if (output_.size() > kMaxBacklog) {
        ++reportsDropped_;
        return;
    }
    output_ += line;
    ++(isReport(line, "+OVRF") ? overflowsSent_ : framesSent_);
}

void PtyServer::flushOutput() {
    while (!output_.empty()) {
        const ssize_t written = ::write(master_, output_.data(), output_.size());
        if (written <= 0)
            return; // full: the rest waits for POLLOUT
        output_.erase(0, static_cast<size_t>(written));
    }
}

} // namespace qlm
