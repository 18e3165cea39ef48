#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qlm {

// The fifo Wireshark reads a capture from. Written without a buffer of our own,
// so each packet reaches Wireshark when it is stored. Nothing here blocks for
// long: a stop asked for (by a signal that may reach any thread) is seen within
// a few milliseconds, and once it is, a reader that takes nothing more is given
// up on after a short grace, so the capture can still end.
class PacketFifo {
public:
    using StopCheck = std::function<bool()>;

    explicit PacketFifo(StopCheck stopRequested) : stopRequested_(std::move(stopRequested)) {}
    ~PacketFifo();
    PacketFifo(const PacketFifo&) = delete;
    PacketFifo& operator=(const PacketFifo&) = delete;

    // Opens the fifo once it has a reader, unless a stop is asked for first.
    // False with the reason in `error` (empty when stopped).
    bool open(const std::string& path, std::string& error);
    // Writes all the bytes; false once the reader has gone (or, after a stop,
    // stopped reading).
    bool write(std::string_view bytes);
    // Whether the reader has closed its end, without writing.
    bool readerGone() const;

private:
    StopCheck stopRequested_;
    int fd_ = -1;
    bool gone_ = false;
};

} // namespace qlm
