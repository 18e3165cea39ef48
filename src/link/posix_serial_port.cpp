#include "link/posix_serial_port.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace qlm {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr short kBroken = POLLHUP | POLLERR | POLLNVAL;

std::string devicePath(const std::string& name) {
    return name.starts_with('/') ? name : "/dev/" + name;
}

constexpr const char* kNotASerialPort = "not a serial port";
constexpr const char* kInUse = "the port is in use";

std::string errorText(int error) { return std::system_category().message(error); }

std::unique_ptr<SerialPort> refuse(PortOpenFailure& failure, PortOpenFailure::Kind kind,
                                   std::string reason) {
    failure = {kind, std::move(reason)};
    return nullptr;
}

// The descriptor is the character device that was looked at before the open (not
// something swapped in meanwhile) and a terminal: /dev/null and the like are not.
bool isTerminal(int device, const struct stat& named) {
    struct stat opened {};
    return ::fstat(device, &opened) == 0 && S_ISCHR(opened.st_mode) &&
           opened.st_rdev == named.st_rdev && ::isatty(device) == 1;
}

// Whether another program holds the port exclusively (TIOCEXCL), which keeps
// other users off it but not root.
bool heldExclusively(int device) {
#ifdef TIOCGEXCL
    int exclusive = 0;
    return ::ioctl(device, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
#else
    (void)device;
    return false;
#endif
}

// The port is also locked, so that a second capture, even one run by root, backs
// off before it sends a byte. Only a lock held elsewhere refuses the port: a
// device without lock support is used as it is.
bool lockedForUs(int device) {
    if (heldExclusively(device))
        return false;
    while (::flock(device, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        return errno != EWOULDBLOCK;
    }
    return true;
}

// The results are ignored on purpose: a pseudo-terminal, for one, refuses the
// modem-line calls, and the port works without them.
void configure(int device) {
    ::ioctl(device, TIOCEXCL);
    termios settings{};
    if (::tcgetattr(device, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B38400);
        ::cfsetospeed(&settings, B38400);
        settings.c_cflag |= CLOCAL | CREAD;
        settings.c_cflag &= ~(CRTSCTS | CSTOPB);
        settings.c_iflag &= ~(IXON | IXOFF | IXANY);
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
        ::tcsetattr(device, TCSANOW, &settings);
    }
    int modemLines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(device, TIOCMBIC, &modemLines);
    ::tcflush(device, TCIFLUSH);  // nothing from before the port was set up
}

// Whole milliseconds left until `deadline`, rounded up so that a wait never ends
// just before it; 0 once it has passed.
int millisecondsUntil(steady_clock::time_point deadline) {
    const auto left = deadline - steady_clock::now();
    if (left <= steady_clock::duration::zero())
        return 0;
    return static_cast<int>(std::chrono::ceil<milliseconds>(left).count());
}

} // namespace

PosixSerialPort::PosixSerialPort(int device, int wakeSignal)
    : device_(device), wakeSignal_(wakeSignal) {}

PosixSerialPort::~PosixSerialPort() {
    // A pseudo-terminal keeps its exclusive mode while its other end is open: it
    // is given up, so that the port can be opened again.
    ::ioctl(device_, TIOCNXCL);
    ::close(device_);
    ::close(wakeSignal_);
}

SerialPort::ReadResult PosixSerialPort::read(uint8_t* buffer, size_t capacity, size_t& received) {
    received = 0;
    pollfd watched[2] = {{device_, POLLIN, 0}, {wakeSignal_, POLLIN, 0}};
    while (true) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return ReadResult::kFailed;
        }
        if (watched[1].revents & POLLIN) {
            clearWake();
            return ReadResult::kWoken;
        }
        const short events = watched[0].revents;
        if (events & POLLIN) {
            // Bytes still buffered are delivered before a hang-up is reported.
            const ssize_t count = ::read(device_, buffer, capacity);
            if (count > 0) {
                received = static_cast<size_t>(count);
                return ReadResult::kData;
            }
            const bool retry = count < 0 && (errno == EAGAIN || errno == EINTR);
            if (retry && !(events & kBroken))
                continue;
            return ReadResult::kFailed;  // end of file, hang-up or a device error
        }
        if (events & kBroken)
            return ReadResult::kFailed;
    }
}

void PosixSerialPort::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeSignal_, &one, sizeof one);
}

void PosixSerialPort::clearWake() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t taken = ::read(wakeSignal_, &count, sizeof count);
}

SerialPort::WriteResult PosixSerialPort::write(std::string_view text, milliseconds budget) {
    const Deadline deadline = steady_clock::now() + budget;
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t count = ::write(device_, text.data() + sent, text.size() - sent);
        if (count > 0) {
            sent += static_cast<size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN)
            return WriteResult::kRefused;
        if (!waitWritable(deadline))
            return WriteResult::kTimedOut;
    }
    return waitUntilSent(deadline) ? WriteResult::kWritten : WriteResult::kTimedOut;
}

// Waits for room in the output queue, until `deadline` at the latest.
bool PosixSerialPort::waitWritable(Deadline deadline) const {
    pollfd watched{device_, POLLOUT, 0};
    while (true) {
        const int left = millisecondsUntil(deadline);
        if (left == 0)
            return false;
        const int ready = ::poll(&watched, 1, left);
        if (ready > 0)
            return true;  // writable, or broken: the next write says which
        if (ready < 0 && errno != EINTR)
            return true;
    }
}

// tcdrain() cannot be bounded, so the output queue is watched instead until it is
// empty. A device that cannot report its queue (a pseudo-terminal has none) counts
// as drained.
bool PosixSerialPort::waitUntilSent(Deadline deadline) const {
    int queued = 0;
    while (::ioctl(device_, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

std::unique_ptr<SerialPort> PosixPortOpener::open(const std::string& name,
                                                  PortOpenFailure& failure) {
    const std::string path = devicePath(name);
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0)
        return refuse(failure, PortOpenFailure::Kind::kSystem, errorText(errno));
    // Opening some devices has effects of its own (a tape rewinds), so only
    // character devices are opened at all.
    if (!S_ISCHR(named.st_mode))
        return refuse(failure, PortOpenFailure::Kind::kNotASerialPort, kNotASerialPort);
    const int device = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device < 0) {
        if (errno == EBUSY)  // held exclusively by another program
            return refuse(failure, PortOpenFailure::Kind::kInUse, kInUse);
        return refuse(failure, PortOpenFailure::Kind::kSystem, errorText(errno));
    }
    if (!isTerminal(device, named)) {
        ::close(device);
        return refuse(failure, PortOpenFailure::Kind::kNotASerialPort, kNotASerialPort);
    }
    if (!lockedForUs(device)) {
        ::close(device);
        return refuse(failure, PortOpenFailure::Kind::kInUse, kInUse);
    }
    configure(device);
    const int wakeSignal = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeSignal < 0) {
        const int error = errno;
        ::close(device);
        return refuse(failure, PortOpenFailure::Kind::kSystem, errorText(error));
    }
    return std::make_unique<PosixSerialPort>(device, wakeSignal);
}

} // namespace qlm
