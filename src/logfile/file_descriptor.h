#pragma once

#include "logfile/log_writer.h"

#include <string>

namespace qlm {

// Owns a descriptor and closes it when it goes out of scope, keeping errno as
// it was.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    // Closes now and reports the result: a failing close can mean lost data.
    bool close();

private:
    int fd_;
};

// Log text written to a descriptor. A log writer fails only when a write here
// failed, so error() then holds that write's errno.
class DescriptorSink : public LogTextSink {
public:
    explicit DescriptorSink(int fd) : fd_(fd) {}
    bool write(std::string_view chunk) override;
    int error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
};

// The folder a path names a file in ("." for a bare name).
std::string folderOf(const std::string& path);

// A file-size limit (ulimit -f) must end a write with EFBIG, which is reported,
// rather than kill the program with SIGXFSZ and the capture in memory with it.
// Ignores the signal unless the program handles it itself.
void ignoreFileSizeSignal();

} // namespace qlm
