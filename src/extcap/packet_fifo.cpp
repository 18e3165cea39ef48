#include "extcap/packet_fifo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qlm {

PacketFifo::~PacketFifo() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool PacketFifo::open(const std::string& path, std::string& error) {
    error.clear();
    while ((fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC)) < 0) {
        if (errno != EINTR) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        if (stopRequested_())
            return false;
    }
    return true;
}

bool PacketFifo::write(std::string_view bytes) {
    while (!gone_ && !bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written >= 0)
            bytes.remove_prefix(static_cast<size_t>(written));
        else if (errno != EINTR || stopRequested_())
            gone_ = true;  // EPIPE: the reader has closed its end
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
