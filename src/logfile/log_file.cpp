#include "logfile/log_file.h"

#include "logfile/log_date.h"
#include "logfile/log_reader.h"
#include "logfile/log_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qlm {
namespace {

// Closes a descriptor when it goes out of scope, keeping errno as it was.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports the result: a failing close can mean lost data.
    bool close() {
        if (fd_ < 0)
            return true;
        const int saved = errno;
        const bool closed = ::close(fd_) == 0;
        if (closed)
            errno = saved;
        fd_ = -1;
        return closed;
    }

private:
    int fd_;
};

class DescriptorSink : public LogTextSink {
public:
    explicit DescriptorSink(int fd) : fd_(fd) {}

    bool write(std::string_view chunk) override {
        while (!chunk.empty()) {
            const ssize_t written = ::write(fd_, chunk.data(), chunk.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            chunk.remove_prefix(static_cast<size_t>(written));
        }
        return true;
    }

private:
    int fd_;
};

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside the target, created with the permissions a new file gets.
int createTemporaryBeside(const std::string& path, std::string& temporaryPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolder(const std::string& path) {
    FileDescriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());  // best effort: the rename itself has succeeded
}

FileResult writeAndReplace(const Capture& capture, const std::string& path) {
    std::string temporaryPath;
    FileDescriptor file(createTemporaryBeside(path, temporaryPath));
    if (!file.valid())
        return FileResult::failure(errno);

    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0)
        ::fchmod(file.get(), existing.st_mode & 07777);  // keep the replaced file's permissions

    DescriptorSink sink(file.get());
    const bool written = writeLog(capture, currentLogDate(), sink) && ::fsync(file.get()) == 0 &&
                         file.close() && ::rename(temporaryPath.c_str(), path.c_str()) == 0;
    if (!written) {
        const int error = errno;
        file.close();
        ::unlink(temporaryPath.c_str());
        return FileResult::failure(error);
    }
    syncFolder(path);
    return FileResult::success();
}

} // namespace

FileResult FileResult::failure(int errorNumber) {
    return FileResult{false, std::strerror(errorNumber), {}};
}

bool readWholeFile(const std::string& path, LargeBuffer& contents) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        return false;
    struct stat info {};
    size_t expected = 0;
    if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode))
        expected = static_cast<size_t>(info.st_size);
    // One byte more than the file's size, so that reaching the end is seen
    // without growing; files that grow while read, and pipes, are read on.
    if (!contents.reserve(expected + 1)) {
        errno = ENOMEM;
        return false;
    }
    size_t used = 0;
    for (;;) {
        if (used == contents.capacity() && !contents.reserve(contents.capacity() * 2 + 65536)) {
            errno = ENOMEM;
            return false;
        }
        const ssize_t got = ::read(file.get(), contents.data() + used, contents.capacity() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        used += static_cast<size_t>(got);
    }
    contents.setSize(used);
    return true;
}

FileResult importLogFile(Capture& capture, const std::string& path) {
    LargeBuffer text;
    if (!readWholeFile(path, text))
        return FileResult::failure(errno);
    const LogReadResult read = readLog(capture, text.view());
    if (!read.complete)
        return FileResult::failure(ENOMEM);
    FileResult result = FileResult::success();
    if (read.logLines == 0)
        result.warning = kNoLogLinesWarning;
    return result;
}

FileResult exportLogFile(Capture& capture, const std::string& path) {
    replaceQuotesInNodeNames(capture.nodes);
    // Replacing a symbolic link would leave its target as it was: write the file
    // it points to instead.
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* target = ::realpath(path.c_str(), nullptr);
        if (target != nullptr) {
            const std::string resolved(target);
            std::free(target);
            return writeAndReplace(capture, resolved);
        }
    }
    return writeAndReplace(capture, path);
}

} // namespace qlm
