#pragma once

#include "sim/simulated_device.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace qlm {

// Serves a SimulatedDevice on a pseudo-terminal, so the program (or anything
// that opens a serial port) can talk to it by the slave's path. One thread reads
// command lines from the master (cut at CR), writes the replies at once, and
// every few milliseconds moves the device on by the real time that passed and
// writes its frame reports.
//
// The terminal is raw (no echo, no CR/LF translation). The server holds a slave
// descriptor of its own, so the slave stays usable before the program opens it
// and after it closes it; and it keeps the terminal shareable, because an
// exclusive mode set by the program would otherwise outlive the program's close
// and make its next open fail for users without CAP_SYS_ADMIN.
//
// The device must not be used by anyone else while it is being served.
class PtyServer {
public:
    explicit PtyServer(SimulatedDevice& device);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the terminal and starts serving; false with the reason in `error`.
    bool start(std::string& error);
    // The path the program opens, such as /dev/pts/3; empty before start().
    std::string slavePath() const { return slavePath_; }
    // Ends serving and closes the terminal. Returns once the thread has ended.
    void stop();
    // The device disappears: serving ends and the terminal closes now, so the
    // program's next read of the port fails. Nothing more is written.
    void hangUp();
    bool isServing() const { return thread_.joinable(); }

    // What went out on the terminal.
    uint64_t framesSent() const { return framesSent_.load(); }
    uint64_t overflowsSent() const { return overflowsSent_.load(); }
    uint64_t commandsAnswered() const { return commandsAnswered_.load(); }
    // Reports dropped because nobody read the terminal and the backlog was full.
    uint64_t reportsDropped() const { return reportsDropped_.load(); }

private:
    static constexpr int kTickMs = 5;
    static constexpr size_t kMaxBacklog = 64 * 1024;
    static constexpr size_t kMaxCommand = 512;

    bool openTerminal(std::string& error);
    void closeTerminal();
    void serve();
    bool waitForWork(bool& stopRequested);
    void readCommands();
    void answer(const std::string& command);
    void advanceDevice();
    void queueReport(const std::string& line);
    void flushOutput();
    void waitOneTick();

    SimulatedDevice& device_;
    std::string slavePath_;
    int master_ = -1;
    int heldSlave_ = -1;
    int wake_ = -1;
    std::thread thread_;

    // Owned by the serving thread.
    std::string command_;
    std::string output_;
    int64_t lastAdvanceUs_ = 0;
    int64_t carriedUs_ = 0;

    std::atomic<uint64_t> framesSent_{0};
    std::atomic<uint64_t> overflowsSent_{0};
    std::atomic<uint64_t> commandsAnswered_{0};
    std::atomic<uint64_t> reportsDropped_{0};
};

} // namespace qlm
