#pragma once

#include "link/serial_port.h"
#include "link/status_sink.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace qlm {

// The one connection to the capture device: an open port, a reader thread that
// cuts the incoming bytes into lines, and a single-line mailbox through which each
// line is handed to the window thread. The state word is the only synchronisation:
// the reader owns the buffer while the state is Waiting and publishes a line by
// storing Ready (release); the window thread reads the line after loading Ready
// (acquire) and hands the buffer back by storing Waiting (release). When the port
// fails, the reader stores Ended and stops; the state stays Ended until the next open.
//
// Everything but the reader runs on the window thread.
class SnifferLink {
public:
    enum LineState : uint32_t { kWaiting = 1, kReady = 2, kEnded = 4 };

    static constexpr int kLineCapacity = 512;  // a line holds at most 511 bytes and a NUL
    static constexpr int kReplyTimeoutMs = 1500;
    static constexpr int kPollMs = 100;

    SnifferLink(PortOpener& opener, StatusSink status);
    ~SnifferLink();  // closes the port
    SnifferLink(const SnifferLink&) = delete;
    SnifferLink& operator=(const SnifferLink&) = delete;

    // Closes an open port (ending and joining its reader), opens `portName`, and
    // starts a new reader. Shows "Couldn't open <name>:" when the system refused
    // the open, "Couldn't open <name>: not a serial port" for anything but a
    // terminal, "Port <name> is in use" when another program holds it, and
    // "Searching for sniffer on <name>:" on success.
    bool open(const std::string& portName);
    // Ends and joins the reader and closes the port. The state is Ended afterwards.
    void close();
    bool isOpen() const { return port_ != nullptr; }
    const std::string& portName() const { return portName_; }
    // Why the last open failed (the system's description, "not a serial port" or
    // "the port is in use"); empty after a success.
    const std::string& openError() const { return openError_; }

    // Sends a command. A write that does not complete within 5 ms per character plus
    // 100 ms shows "Write failure to <name>:" and closes the port; a write the system
    // refuses at once returns false and leaves the port open.
    bool writeLine(std::string_view text);
    // True as soon as a line is Ready; false when the reader has ended (the port
    // failed; see readFailed()) or after timeout / 100 + 1 polls of 100 ms without a
    // line. Waits for all polls together at most 15 s.
    bool waitForLine(int timeoutMs);
    // Hands a Ready line back to the reader; does nothing in any other state.
    void releaseLine();
    // Releases the current line, then every line that arrives until one poll of
    // 100 ms passes without a line (and for at most 16 polls in all).
    void drain();

    // The reader ended on a read failure while the port was open: the device is
    // gone. The dialogue or the intake that sees it closes the port and reports
    // "Read failure on <name>:".
    bool readFailed() const { return isOpen() && state() == kEnded; }

    LineState state() const { return static_cast<LineState>(state_.load(std::memory_order_acquire)); }
    // The Ready line with its terminator (CR LF as received); empty unless Ready.
    std::string_view line() const;

private:
    // The reader's bytes taken from the port but not yet added to a line.
    struct Chunk {
        uint8_t bytes[256];
        size_t next = 0;
        size_t end = 0;
        bool empty() const { return next == end; }
    };

    static constexpr int kMaxPolls = 150;  // 15 s for one wait
    static constexpr int kMaxDrainPolls = 16;

    void readerLoop(SerialPort& port);
    bool refill(SerialPort& port, Chunk& chunk);
    bool appendByte(uint8_t byte);
    bool handOverLine();
    void stopReader();
    bool releaseLinesDuring(int periodMs);
    void waitWhileWaiting(std::chrono::steady_clock::duration timeout);
    void wakeLineWaiter();

    PortOpener& opener_;
    StatusSink status_;
    std::unique_ptr<SerialPort> port_;
    std::string portName_;
    std::string openError_;
    std::thread reader_;
    std::atomic<uint32_t> state_{kEnded};
    std::atomic<bool> stopping_{false};
    char line_[kLineCapacity] = {};
    int lineLength_ = 0;
};

} // namespace qlm
