#pragma once

// A fake capture device for tests of the link and the device dialogues. A test
// attaches a ScriptedDevice under a port name, queues what the device sends (or
// lets commands trigger replies), and afterwards inspects what was written. The
// link opens ScriptedPorts through the ScriptedOpener; the device outlives them, so
// a test can also see how the link used and closed its ports.

#include "link/serial_port.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qlm::test {

class ScriptedDevice {
public:
    enum class WriteMode {
        kComplete,  // every write succeeds at once
        kRefuse,    // every write is refused at once
        kStall,     // every write hangs for its whole budget, then times out
    };

    // Bytes the device sends to the program, after anything queued before.
    void send(std::string_view bytes) {
        std::lock_guard lock(mutex_);
        input_.append(bytes);
        changed_.notify_all();
    }
    void sendLine(std::string_view text) { send(std::string(text) + "\r\n"); }

    // Whenever `command` is written (exactly this text, its CR included), the device
    // sends `reply`. Replies registered with onCommandOnce are used once; the first
    // registered reaction that matches wins, so a reply once followed by one always
    // answers differently the first time.
    void onCommand(std::string command, std::string reply) {
        addReaction(std::move(command), std::move(reply), false);
    }
    void onCommandOnce(std::string command, std::string reply) {
        addReaction(std::move(command), std::move(reply), true);
    }

    // Once the queued bytes have been read, every read fails (the device is gone).
    void fail() {
        std::lock_guard lock(mutex_);
        failed_ = true;
        changed_.notify_all();
    }
    void setWriteMode(WriteMode mode) {
        std::lock_guard lock(mutex_);
        writeMode_ = mode;
    }
    // Hands out at most `bytes` per read (default: whatever is queued).
    void setReadChunk(size_t bytes) {
        std::lock_guard lock(mutex_);
        readChunk_ = bytes;
    }

    // Every text passed to a port's write, whether it was accepted or not.
    std::vector<std::string> commands() const {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    std::vector<std::chrono::milliseconds> writeBudgets() const {
        std::lock_guard lock(mutex_);
        return budgets_;
    }
    // Waits until the program has read everything queued; false after `limit`.
    bool waitUntilRead(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return input_.empty(); });
    }

    // How the ports were used: ports alive now, most reads in progress at one time,
    // ports destroyed while a read of theirs was still in progress, and reads made
    // through a port after a newer one had been opened.
    int openPorts() const { return locked(openPorts_); }
    int mostConcurrentReads() const { return locked(mostConcurrentReads_); }
    int closedDuringRead() const { return locked(closedDuringRead_); }
    int readsThroughStalePorts() const { return locked(staleReads_); }
    int portsOpened() const { return locked(portsOpened_); }

private:
    friend class ScriptedPort;

    struct Reaction {
        std::string command;
        std::string reply;
        bool once;
    };

    int locked(const int& counter) const {
        std::lock_guard lock(mutex_);
        return counter;
    }

    void addReaction(std::string command, std::string reply, bool once) {
        std::lock_guard lock(mutex_);
        reactions_.push_back({std::move(command), std::move(reply), once});
    }

    // Called with the lock held.
    void react(const std::string& command) {
        auto match = std::find_if(reactions_.begin(), reactions_.end(),
                                  [&](const Reaction& r) { return r.command == command; });
        if (match == reactions_.end())
            return;
        input_.append(match->reply);
        if (match->once)
            reactions_.erase(match);
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string input_;
    std::vector<Reaction> reactions_;
    std::vector<std::string> commands_;
    std::vector<std::chrono::milliseconds> budgets_;
    WriteMode writeMode_ = WriteMode::kComplete;
    size_t readChunk_ = 0;
    bool failed_ = false;
    int openPorts_ = 0;
    int portsOpened_ = 0;
    int readsInProgress_ = 0;
    int mostConcurrentReads_ = 0;
    int closedDuringRead_ = 0;
    int staleReads_ = 0;
};

class ScriptedPort : public SerialPort {
public:
    explicit ScriptedPort(std::shared_ptr<ScriptedDevice> device) : device_(std::move(device)) {
        std::lock_guard lock(device_->mutex_);
        generation_ = ++device_->portsOpened_;
        ++device_->openPorts_;
    }
    ~ScriptedPort() override {
        std::lock_guard lock(device_->mutex_);
        --device_->openPorts_;
        if (readsInProgress_ > 0)
            ++device_->closedDuringRead_;
    }

    ReadResult read(uint8_t* buffer, size_t capacity, size_t& received) override {
        ScriptedDevice& d = *device_;
        std::unique_lock lock(d.mutex_);
        received = 0;
        if (generation_ != d.portsOpened_)
            ++d.staleReads_;
        ++readsInProgress_;
        d.mostConcurrentReads_ = std::max(d.mostConcurrentReads_, ++d.readsInProgress_);
        d.changed_.wait(lock, [&] { return woken_ || !d.input_.empty() || d.failed_; });
        --readsInProgress_;
        --d.readsInProgress_;
        if (woken_) {
            woken_ = false;
            return ReadResult::kWoken;
        }
        if (d.input_.empty())
            return ReadResult::kFailed;
        size_t count = std::min(capacity, d.input_.size());
        if (d.readChunk_ > 0)
            count = std::min(count, d.readChunk_);
        std::memcpy(buffer, d.input_.data(), count);
        d.input_.erase(0, count);
        received = count;
        d.changed_.notify_all();
        return ReadResult::kData;
    }

    void wake() override {
        std::lock_guard lock(device_->mutex_);
        woken_ = true;
        device_->changed_.notify_all();
    }

    WriteResult write(std::string_view text, std::chrono::milliseconds budget) override {
        ScriptedDevice& d = *device_;
        std::unique_lock lock(d.mutex_);
        d.commands_.emplace_back(text);
        d.budgets_.push_back(budget);
        switch (d.writeMode_) {
        case ScriptedDevice::WriteMode::kComplete:
            d.react(d.commands_.back());
            return WriteResult::kWritten;
        case ScriptedDevice::WriteMode::kRefuse:
            return WriteResult::kRefused;
        case ScriptedDevice::WriteMode::kStall:
            break;
        }
        lock.unlock();
        std::this_thread::sleep_for(budget);
        return WriteResult::kTimedOut;
    }

private:
    std::shared_ptr<ScriptedDevice> device_;
    int generation_ = 0;
    int readsInProgress_ = 0;  // guarded by the device's mutex
    bool woken_ = false;       // guarded by the device's mutex
};

// Opens the devices attached under their names; any other name fails as a missing
// device node would.
class ScriptedOpener : public PortOpener {
public:
    ScriptedDevice& attach(const std::string& name) {
        std::shared_ptr<ScriptedDevice>& device = devices_[name];
        if (!device)
            device = std::make_shared<ScriptedDevice>();
        return *device;
    }

    std::unique_ptr<SerialPort> open(const std::string& name, PortOpenFailure& failure) override {
        auto found = devices_.find(name);
        if (found == devices_.end()) {
            failure = {PortOpenFailure::Kind::kSystem, "No such file or directory"};
            return nullptr;
        }
        return std::make_unique<ScriptedPort>(found->second);
    }

private:
    std::map<std::string, std::shared_ptr<ScriptedDevice>> devices_;
};

} // namespace qlm::test
