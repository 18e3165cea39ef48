#pragma once

#include "capture/capture.h"
#include "capture/large_buffer.h"
#include "logfile/log_writer.h"

#include <functional>
#include <string>

namespace qlm {

// Outcome of a file operation: on failure, the system's description of the error
// (as strerror gives it), which the window shows in a message box. A success may
// carry a one-line warning; an import that kept what it read but stopped before
// the file's end (a damaged block, no memory left) is partial, and its warning
// says where and why.
struct FileResult {
    bool ok = true;
    std::string error;
    std::string warning;
    bool partial = false;

    explicit operator bool() const { return ok; }
    static FileResult success() { return {}; }
    static FileResult failure(int errorNumber);
};

// Replaces the capture by a log file's contents. The file is read whole first:
// when it cannot be opened or read, the capture is left as it was. When the
// store cannot grow, the reading stops: the capture holds the frames read so far
// and the result is partial. A file without a single log line gives an empty
// capture and a warning.
FileResult importLogFile(Capture& capture, const std::string& path,
                         const std::function<void(double share)>& progress = nullptr);
inline constexpr const char* kNoLogLinesWarning =
    "No log lines were found in the file; the capture is empty";

// How an export would write its target.
struct ExportTarget {
    enum class Kind {
        kNewFile,      // nothing there yet: written beside it, then renamed into place
        kRegularFile,  // an existing file: replaced the same way, keeping its permissions
        kInPlace,      // a device, FIFO or socket: written into, as cp would, never replaced
    };
    Kind kind = Kind::kNewFile;
    std::string path;  // the file written: a symbolic link's target, not the link
};

// Looks at an export's target before anything is written: a folder, an existing
// file that the user may not open for writing, or a path that cannot be looked
// up is refused with the system's text.
FileResult inspectExportTarget(const std::string& path, ExportTarget& target);

// Writes a file as an export does: a regular file to a temporary file in the
// same folder, flushed to disk, and only then renamed over the target; a device,
// FIFO or socket in place. `contents` writes the whole file to the sink and
// returns false when a write failed.
using ExportContents = std::function<bool(LogTextSink& sink)>;
FileResult writeExportFile(const std::string& path, const ExportContents& contents);

// Writes the capture to a log file, dated now. A regular file is written to a
// temporary file in the same folder, flushed to disk, and only then renamed over
// the target, so a failed export never damages an existing file; a device, FIFO
// or socket is written in place. Double quotes in node names become single
// quotes in the table first.
FileResult exportLogFile(Capture& capture, const std::string& path);

// The whole contents of a file (size() bytes of the buffer); false with errno set
// when it cannot be read.
bool readWholeFile(const std::string& path, LargeBuffer& contents);

} // namespace qlm
