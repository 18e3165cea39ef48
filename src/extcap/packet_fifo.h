#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qlm {

// The fifo Wireshark reads a capture from. Written without a buffer of our own,
// so each packet reaches Wireshark when it is stored.
class PacketFifo {
public:
    using StopCheck = std::function<bool()>;

    explicit PacketFifo(StopCheck stopRequested) : stopRequested_(std::move(stopRequested)) {}
    ~PacketFifo();
    PacketFifo(const PacketFifo&) = delete;
    PacketFifo& operator=(const PacketFifo&) = delete;

    // Opens the fifo, waiting for its reader as opening a fifo does, unless a stop
    // is asked for meanwhile. False with the reason in `error` (empty when stopped).
    bool open(const std::string& path, std::string& error);
    // False once the reader has gone (or a stop interrupted a full pipe).
    bool write(std::string_view bytes);
    // Whether the reader has closed its end, without writing.
    bool readerGone() const;

private:
    StopCheck stopRequested_;
    int fd_ = -1;
    bool gone_ = false;
};

} // namespace qlm
