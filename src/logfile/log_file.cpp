#include "logfile/log_file.h"

#include "logfile/file_descriptor.h"
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

FileResult writeAndReplace(const std::string& path, const ExportContents& contents) {
    std::string temporaryPath;
    FileDescriptor file(createTemporaryBeside(path, temporaryPath));
    if (!file.valid())
        return FileResult::failure(errno);

    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0)
        ::fchmod(file.get(), existing.st_mode & 07777);  // keep the replaced file's permissions

    DescriptorSink sink(file.get());
    int error = 0;
    if (!contents(sink))
        error = sink.error();
    else if (::fsync(file.get()) != 0 || !file.close() ||
             ::rename(temporaryPath.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        file.close();
        ::unlink(temporaryPath.c_str());
        return FileResult::failure(error);
    }
    syncFolder(path);
    return FileResult::success();
}

// A device, FIFO or socket is written into as cp would, never replaced. A FIFO
// that no program reads is refused rather than waited for.
FileResult writeInPlace(const std::string& path, const ExportContents& contents) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid())
        return FileResult::failure(errno);
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
    DescriptorSink sink(file.get());
    if (!contents(sink))
        return FileResult::failure(sink.error());
    if (!file.close())
        return FileResult::failure(errno);
    return FileResult::success();
}

// Replacing a symbolic link would leave its target as it was: the file it points
// to is written instead.
std::string followSymbolicLink(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    char* target = ::realpath(path.c_str(), nullptr);
    if (target == nullptr)
        return path;
    const std::string resolved(target);
    std::free(target);
    return resolved;
}

// Whether the file may be written, asked as overwriting it would ask: by opening
// it for writing (which changes nothing without O_TRUNC).
bool opensForWriting(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    return file.valid();
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

FileResult importLogFile(Capture& capture, const std::string& path,
                         const std::function<void(double share)>& progress) {
    LargeBuffer text;
    if (!readWholeFile(path, text))
        return FileResult::failure(errno);
    const LogReadResult read = readLog(capture, text.view(), progress);
    FileResult result = FileResult::success();
    if (!read.complete) {
        result.partial = true;
        result.warning = outOfMemoryMessage(capture.frames.frameCount());
    } else if (read.logLines == 0) {
        result.warning = kNoLogLinesWarning;
    }
    return result;
}

FileResult inspectExportTarget(const std::string& path, ExportTarget& target) {
    target.path = followSymbolicLink(path);
    struct stat existing {};
    if (::stat(target.path.c_str(), &existing) != 0) {
        if (errno != ENOENT)
            return FileResult::failure(errno);
        target.kind = ExportTarget::Kind::kNewFile;  // a missing folder shows when writing
        return FileResult::success();
    }
    if (S_ISDIR(existing.st_mode))
        return FileResult::failure(EISDIR);
    if (!S_ISREG(existing.st_mode)) {
        target.kind = ExportTarget::Kind::kInPlace;
        return FileResult::success();
    }
    // Replacing needs only the folder's permission; overwriting a file the user
    // may not write (read-only, or someone else's) is refused as opening it would be.
    if (!opensForWriting(target.path))
        return FileResult::failure(errno);
    target.kind = ExportTarget::Kind::kRegularFile;
    return FileResult::success();
}

FileResult writeExportFile(const std::string& path, const ExportContents& contents) {
    ignoreFileSizeSignal();
    ExportTarget target;
    if (FileResult inspected = inspectExportTarget(path, target); !inspected)
        return inspected;
    if (target.kind == ExportTarget::Kind::kInPlace)
        return writeInPlace(target.path, contents);
    return writeAndReplace(target.path, contents);
}

FileResult exportLogFile(Capture& capture, const std::string& path) {
    replaceQuotesInNodeNames(capture.nodes);
    return writeExportFile(path, [&capture](LogTextSink& sink) {
        return writeLog(capture, currentLogDate(), sink);
    });
}

} // namespace qlm
