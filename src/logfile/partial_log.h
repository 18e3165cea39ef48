#pragma once

#include "capture/capture.h"
#include "logfile/file_descriptor.h"
#include "logfile/log_file.h"

#include <string>

namespace qlm {

// The frames of a capture under way, on disk as they arrive: a log beside the
// export's target holding the header lines and the frame lines taken so far, but
// no node lines. The final export replaces it; a capture that never gets there (a
// crash, a kill, a power loss) leaves it behind, and it imports like any other log.
class PartialLog {
public:
    // "capture.qln" gives "capture.partial.qln"; a name without ".qln" gets
    // ".partial.qln" added.
    static std::string pathFor(const std::string& target);

    PartialLog() = default;
    PartialLog(const PartialLog&) = delete;
    PartialLog& operator=(const PartialLog&) = delete;

    // Creates the partial log beside `target` and writes the header lines with the
    // channel table as it stands, synced to disk. A partial log already there is
    // what an earlier capture left: it is never overwritten (EEXIST).
    FileResult start(const std::string& target, const ChannelTable& channels);
    // Empties the open log and writes its header again, with the channels as they
    // are now.
    FileResult restart(const ChannelTable& channels);
    // Appends the frame lines of the records stored since the last call and syncs
    // them to disk. Records are only appended while the log is open.
    FileResult append(const FrameStore& frames);
    // Closes the log and removes its file: the export has taken its place.
    void remove();

    bool isOpen() const { return file_.valid(); }
    const std::string& path() const { return path_; }
    int32_t framesWritten() const { return framesWritten_; }

private:
    FileResult writeHeader(const ChannelTable& channels);
    // Flushes what the writer collected and syncs it to disk.
    FileResult sync(LogWriter& writer, const DescriptorSink& sink);

    FileDescriptor file_;
    std::string path_;
    int32_t framesWritten_ = 0;
};

} // namespace qlm
