#include "logfile/partial_log.h"

#include "logfile/log_date.h"
#include "logfile/log_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qlm {

std::string PartialLog::pathFor(const std::string& target) {
    constexpr std::string_view kExtension = ".qln";
    const bool hasExtension = target.size() > kExtension.size() && target.ends_with(kExtension);
    const std::string stem =
        hasExtension ? target.substr(0, target.size() - kExtension.size()) : target;
    return stem + ".partial.qln";
}

FileResult PartialLog::start(const std::string& target, const ChannelTable& channels) {
    ignoreFileSizeSignal();
    path_ = pathFor(target);
    framesWritten_ = 0;
    file_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file_.valid())
        return FileResult::failure(errno);
    // The folder's entry for the new file reaches the disk too.
    FileDescriptor folder(::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
    FileResult result = writeHeader(channels);
    if (!result)
        remove();  // a log that could not start is no log
    return result;
}

FileResult PartialLog::restart(const ChannelTable& channels) {
    if (!file_.valid())
        return FileResult::failure(EBADF);
    framesWritten_ = 0;
    if (::ftruncate(file_.get(), 0) != 0 || ::lseek(file_.get(), 0, SEEK_SET) != 0)
        return FileResult::failure(errno);
    return writeHeader(channels);
}

FileResult PartialLog::writeHeader(const ChannelTable& channels) {
    DescriptorSink sink(file_.get());
    LogWriter writer(sink);
    writer.writeHeader(channels, currentLogDate());
    return sync(writer, sink);
}

FileResult PartialLog::append(const FrameStore& frames) {
    if (!file_.valid())
        return FileResult::failure(EBADF);
    const int32_t end = frames.frameCount();
    if (end <= framesWritten_)
        return FileResult::success();
    DescriptorSink sink(file_.get());
    LogWriter writer(sink);
    writer.writeFrames(frames, framesWritten_, end);
    FileResult result = sync(writer, sink);
    if (result)
        framesWritten_ = end;
    return result;
}

FileResult PartialLog::sync(LogWriter& writer, const DescriptorSink& sink) {
    if (!writer.flush())
        return FileResult::failure(sink.error());
    if (::fdatasync(file_.get()) != 0)
        return FileResult::failure(errno);
    return FileResult::success();
}

void PartialLog::remove() {
    if (!file_.valid())
        return;
    file_.close();
    ::unlink(path_.c_str());
}

} // namespace qlm
