#include "extcap/packet_fifo.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace qlm {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kLook = std::chrono::milliseconds(10);
// How long the last packets may wait for a reader after a stop.
constexpr auto kGraceAfterStop = std::chrono::seconds(1);

} // namespace

PacketFifo::~PacketFifo() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool PacketFifo::open(const std::string& path, std::string& error) {
    error.clear();
    // A non-blocking open for writing fails with ENXIO until the fifo has a reader;
    // a plain file opens at once.
    while ((fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0) {
        if (errno != ENXIO && errno != EINTR) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        if (stopRequested_())
            return false;
        std::this_thread::sleep_for(kLook);
    }
    return true;
}

bool PacketFifo::write(std::string_view bytes) {
    Clock::time_point giveUpAt = Clock::time_point::max();
    while (!gone_ && !bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written >= 0) {
            bytes.remove_prefix(static_cast<size_t>(written));
            continue;
        }
        if (errno != EAGAIN && errno != EINTR) {
            gone_ = true;  // EPIPE: the reader has closed its end
            break;
        }
        // The pipe is full: wait for the reader to take some.
        if (giveUpAt == Clock::time_point::max() && stopRequested_())
            giveUpAt = Clock::now() + kGraceAfterStop;
        if (Clock::now() >= giveUpAt)
            gone_ = true;
        pollfd room{fd_, POLLOUT, 0};
        ::poll(&room, 1, static_cast<int>(kLook.count()));
    }
    return !gone_;
}

bool PacketFifo::readerGone() const {
    if (gone_ || fd_ < 0)
        return true;
    pollfd end{fd_, POLLOUT, 0};
    // The writing end of a pipe whose reader has gone polls POLLERR.
    return ::poll(&end, 1, 0) > 0 && (end.revents & (POLLERR | POLLHUP)) != 0;
}

} // namespace qlm
