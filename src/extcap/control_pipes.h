#pragma once

#include "extcap/control_message.h"

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// Wireshark's two control pipes: its toolbar's commands come in on one, our
// messages go out on the other. Neither may hold the capture up: tshark passes
// the pipes without ever opening their other ends, and Wireshark opens them when
// its toolbar is ready. So both are used without blocking, and what is sent
// waits (up to a limit) until the out pipe has a reader.
class ControlPipes {
public:
    static constexpr size_t kWaitingLimit = 64;
    // Longer payloads are cut, so that a message goes out in one atomic write
    // (a pipe takes up to PIPE_BUF bytes whole or not at all).
    static constexpr size_t kLongestPayload = 1024;
    // What one receive() reads at most, so that the capture looks at its stop
    // between reads however much the in pipe holds.
    static constexpr size_t kReadPerCall = 64 * 1024;

    // Either path may be empty: no such pipe.
    ControlPipes(const std::string& inPath, const std::string& outPath);
    ~ControlPipes();
    ControlPipes(const ControlPipes&) = delete;
    ControlPipes& operator=(const ControlPipes&) = delete;

    // The messages that have arrived complete, from at most kReadPerCall bytes.
    std::vector<ControlMessage> receive();
    // Sends the message, or keeps it for when the pipe has a reader.
    void send(ControlMessage message);
    void sendText(ControlCommand command, std::string_view text);
    // Sends what was kept, as far as the pipe takes it.
    void flush();

    // Why the in pipe cannot be used, empty when it can.
    const std::string& inError() const { return inError_; }
    bool inGarbled() const { return reader_.garbled(); }

private:
    bool connectOut();

    int in_ = -1;
    int out_ = -1;
    std::string outPath_;
    std::string inError_;
    ControlMessageReader reader_;
    std::deque<std::string> waiting_;
};

} // namespace qlm
