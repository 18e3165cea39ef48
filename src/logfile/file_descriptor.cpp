#include "logfile/file_descriptor.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace qlm {

bool FileDescriptor::close() {
    if (fd_ < 0)
        return true;
    const int saved = errno;
    const bool closed = ::close(fd_) == 0;
    if (closed)
        errno = saved;
    fd_ = -1;
    return closed;
}

bool DescriptorSink::write(std::string_view chunk) {
    while (!chunk.empty()) {
        const ssize_t written = ::write(fd_, chunk.data(), chunk.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            return false;
        }
        chunk.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void ignoreFileSizeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
        (current.sa_flags & SA_SIGINFO) == 0)
        ::signal(SIGXFSZ, SIG_IGN);
}

} // namespace qlm
