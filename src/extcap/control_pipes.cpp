#include "extcap/control_pipes.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qlm {

static_assert(ControlPipes::kLongestPayload + 6 <= PIPE_BUF,
              "a message must go into a pipe in one atomic write");

ControlPipes::ControlPipes(const std::string& inPath, const std::string& outPath)
    : outPath_(outPath) {
    if (inPath.empty())
        return;
    // Opening a fifo to read without O_NONBLOCK waits for a writer.
    in_ = ::open(inPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in_ < 0)
        inError_ = inPath + ": " + std::strerror(errno);
}

ControlPipes::~ControlPipes() {
    flush();
    if (in_ >= 0)
        ::close(in_);
    if (out_ >= 0)
        ::close(out_);
}

std::vector<ControlMessage> ControlPipes::receive() {
    std::vector<ControlMessage> messages;
    if (in_ < 0)
        return messages;
    char buffer[4096];
    // 0 is no writer yet, or none any more; -1 with EAGAIN is nothing now. A pipe
    // that never runs dry (/dev/zero, say) is read only so far per call, and the
    // messages are taken out after every read, so the reader keeps at most one.
    size_t taken = 0;
    for (ssize_t got; taken < kReadPerCall && (got = ::read(in_, buffer, sizeof buffer)) > 0;) {
        taken += static_cast<size_t>(got);
        reader_.feed({buffer, static_cast<size_t>(got)});
        while (std::optional<ControlMessage> message = reader_.next())
            messages.push_back(std::move(*message));
    }
    return messages;
}

void ControlPipes::send(ControlMessage message) {
    if (outPath_.empty())
        return;
    if (message.payload.size() > kLongestPayload)
        message.payload.resize(kLongestPayload);
    if (waiting_.size() == kWaitingLimit)
        waiting_.pop_front();  // the oldest news matters least
    waiting_.push_back(encodeControlMessage(message));
    flush();
}

void ControlPipes::sendText(ControlCommand command, std::string_view text) {
    send({0, command, std::string(text)});
}

bool ControlPipes::connectOut() {
    if (out_ >= 0)
        return true;
    // Without a reader, a non-blocking open for writing fails with ENXIO.
    out_ = ::open(outPath_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    return out_ >= 0;
}

void ControlPipes::flush() {
    if (waiting_.empty() || outPath_.empty() || !connectOut())
        return;
    while (!waiting_.empty()) {
        const std::string& message = waiting_.front();
        const ssize_t written = ::write(out_, message.data(), message.size());
        if (written == static_cast<ssize_t>(message.size())) {
            waiting_.pop_front();
        } else if (written < 0 && errno == EPIPE) {
            // The reader has gone: what waits is for nobody.
            ::close(out_);
            out_ = -1;
            outPath_.clear();
            waiting_.clear();
        } else {
            return;  // the pipe is full (or interrupted): try again later
        }
    }
}

} // namespace qlm
