#pragma once

#include "link/serial_port.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace qlm {

// A serial device through termios, set to 38400 baud 8N1, raw, without flow control
// and with DTR and RTS low. The descriptor is non-blocking: read() blocks in poll()
// on it and on an eventfd that wake() signals, so a blocked reader can be ended
// from another thread.
class PosixSerialPort : public SerialPort {
public:
    // Takes ownership of both descriptors.
    PosixSerialPort(int device, int wakeSignal);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    ReadResult read(uint8_t* buffer, size_t capacity, size_t& received) override;
    void wake() override;
    WriteResult write(std::string_view text, std::chrono::milliseconds budget) override;

private:
    using Deadline = std::chrono::steady_clock::time_point;

    bool waitWritable(Deadline deadline) const;
    bool waitUntilSent(Deadline deadline) const;
    void clearWake();

    int device_;
    int wakeSignal_;
};

// Opens "ttyUSB0" as /dev/ttyUSB0 and an absolute path (a pseudo-terminal, say)
// as it is. Only a character device that is a terminal is opened for use, and
// only when no other program holds it (an advisory lock, kept while it is open).
// A device that refuses part of the configuration (a pseudo-terminal has no modem
// lines) is used as it is.
class PosixPortOpener : public PortOpener {
public:
    std::unique_ptr<SerialPort> open(const std::string& name, PortOpenFailure& failure) override;
};

} // namespace qlm
