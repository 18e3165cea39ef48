#include "link/sniffer_link.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#ifdef __linux__
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace qlm {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) &&
                  std::atomic<uint32_t>::is_always_lock_free,
              "the state word is waited on as a plain 32-bit futex word");

#ifdef __linux__
uint32_t* futexWord(std::atomic<uint32_t>& word) { return reinterpret_cast<uint32_t*>(&word); }
#endif

// The system's own refusal keeps the plain text; a port refused for what it is
// says why.
std::string openFailureText(const std::string& portName, const PortOpenFailure& failure) {
    switch (failure.kind) {
    case PortOpenFailure::Kind::kInUse:
        return "Port " + portName + " is in use";
    case PortOpenFailure::Kind::kNotASerialPort:
        return "Couldn't open " + portName + ": " + failure.reason;
    case PortOpenFailure::Kind::kSystem:
        break;
    }
    return "Couldn't open " + portName + ":";
}

} // namespace

SnifferLink::SnifferLink(PortOpener& opener, StatusSink status)
    : opener_(opener), status_(std::move(status)) {}

SnifferLink::~SnifferLink() { close(); }

bool SnifferLink::open(const std::string& portName) {
    close();
    portName_ = portName;
    PortOpenFailure failure;
    std::unique_ptr<SerialPort> port = opener_.open(portName, failure);
    if (!port) {
        openError_ = failure.reason;
        status_(openFailureText(portName, failure));
        return false;
    }
    openError_.clear();
    port_ = std::move(port);
    std::memset(line_, 0, sizeof line_);
    lineLength_ = 0;
    stopping_.store(false, std::memory_order_relaxed);
    // Waiting is stored before the reader exists, so a reader can never overwrite
    // an Ended that close() stored.
    state_.store(kWaiting, std::memory_order_release);
    reader_ = std::thread(&SnifferLink::readerLoop, this, std::ref(*port_));
    status_("Searching for sniffer on " + portName + ":");
    return true;
}

void SnifferLink::close() {
    stopReader();
    port_.reset();
    state_.store(kEnded, std::memory_order_release);
}

// Ends the reader wherever it blocks: in the port's read (woken through the port)
// or in its wait for the release of a line (woken by the store of Ended).
void SnifferLink::stopReader() {
    if (!reader_.joinable())
        return;
    stopping_.store(true, std::memory_order_release);
    port_->wake();
    state_.store(kEnded, std::memory_order_release);
    state_.notify_all();
    reader_.join();
}

bool SnifferLink::writeLine(std::string_view text) {
    if (!port_)
        return false;
    const milliseconds budget(5 * static_cast<int64_t>(text.size()) + 100);
    switch (port_->write(text, budget)) {
    case SerialPort::WriteResult::kWritten:
        return true;
    case SerialPort::WriteResult::kTimedOut:
        status_("Write failure to " + portName_ + ":");
        close();
        return false;
    case SerialPort::WriteResult::kRefused:
        return false;
    }
    return false;
}

bool SnifferLink::waitForLine(int timeoutMs) {
    const int polls = std::clamp(timeoutMs / kPollMs + 1, 0, kMaxPolls);
    const auto deadline = steady_clock::now() + milliseconds(polls * kPollMs);
    while (true) {
        const uint32_t current = state_.load(std::memory_order_acquire);
        if (current == kReady)
            return true;
        if (current == kEnded)
            return false;
        const auto left = deadline - steady_clock::now();
        if (left <= steady_clock::duration::zero())
            return false;
        waitWhileWaiting(std::min<steady_clock::duration>(left, milliseconds(kPollMs)));
    }
}

void SnifferLink::releaseLine() {
    uint32_t expected = kReady;
    if (state_.compare_exchange_strong(expected, kWaiting, std::memory_order_release,
                                       std::memory_order_relaxed))
        state_.notify_one();
}

void SnifferLink::drain() {
    releaseLine();
    for (int poll = 0; poll < kMaxDrainPolls; ++poll) {
        if (!releaseLinesDuring(kPollMs))
            return;
    }
}

// Releases every line that is Ready within `periodMs`; true when there was one.
bool SnifferLink::releaseLinesDuring(int periodMs) {
    const auto deadline = steady_clock::now() + milliseconds(periodMs);
    bool released = false;
    while (true) {
        const uint32_t current = state_.load(std::memory_order_acquire);
        if (current == kReady) {
            releaseLine();
            released = true;
            continue;
        }
        if (current == kEnded)
            return false;
        const auto left = deadline - steady_clock::now();
        if (left <= steady_clock::duration::zero())
            return released;
        waitWhileWaiting(left);
    }
}

std::string_view SnifferLink::line() const {
    if (state() != kReady)
        return {};
    return {line_, static_cast<size_t>(lineLength_)};
}

// Blocks while the state is Waiting, for at most `timeout`; may return early.
void SnifferLink::waitWhileWaiting(steady_clock::duration timeout) {
#ifdef __linux__
    const auto seconds = std::chrono::floor<std::chrono::seconds>(timeout);
    const timespec limit{static_cast<time_t>(seconds.count()),
                         static_cast<long>(std::chrono::nanoseconds(timeout - seconds).count())};
    ::syscall(SYS_futex, futexWord(state_), FUTEX_WAIT_PRIVATE, kWaiting, &limit, nullptr, 0);
#else
    if (state_.load(std::memory_order_acquire) == kWaiting)
        std::this_thread::sleep_for(timeout);
#endif
}

// Wakes a window thread blocked in waitWhileWaiting() after the state changed.
void SnifferLink::wakeLineWaiter() {
#ifdef __linux__
    ::syscall(SYS_futex, futexWord(state_), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
#endif
}

void SnifferLink::readerLoop(SerialPort& port) {
    Chunk chunk;
    while (!stopping_.load(std::memory_order_acquire)) {
        if (chunk.empty()) {
            if (!refill(port, chunk))
                return;
            continue;
        }
        if (appendByte(chunk.bytes[chunk.next++]) && !handOverLine())
            return;
    }
}

// Reads what the port has; false when the port failed and the reader has ended.
bool SnifferLink::refill(SerialPort& port, Chunk& chunk) {
    size_t received = 0;
    switch (port.read(chunk.bytes, sizeof chunk.bytes, received)) {
    case SerialPort::ReadResult::kData:
        chunk.next = 0;
        chunk.end = received;
        return true;
    case SerialPort::ReadResult::kWoken:
        return true;
    case SerialPort::ReadResult::kFailed:
        break;
    }
    state_.store(kEnded, std::memory_order_release);
    wakeLineWaiter();
    return false;
}

// Adds a byte to the line; true when the line is complete: after a line feed, or
// when it holds 511 bytes, the rest then following as a line of its own.
bool SnifferLink::appendByte(uint8_t byte) {
    line_[lineLength_++] = static_cast<char>(byte);
    if (byte != '\n' && lineLength_ < kLineCapacity - 1)
        return false;
    line_[lineLength_] = '\0';
    return true;
}

// Publishes the complete line and waits until the window thread has released it.
// Lines that begin with a control character (empty lines among them) are dropped.
// False when the link is being closed.
bool SnifferLink::handOverLine() {
    const bool isText = static_cast<uint8_t>(line_[0]) >= 32;
    if (isText) {
        uint32_t expected = kWaiting;
        if (!state_.compare_exchange_strong(expected, kReady, std::memory_order_release,
                                            std::memory_order_relaxed))
            return false;
        wakeLineWaiter();
        state_.wait(kReady, std::memory_order_acquire);
    }
    lineLength_ = 0;
    return state_.load(std::memory_order_acquire) == kWaiting;
}

} // namespace qlm
