#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qlm {

// A byte stream to the capture device. The reader thread blocks in read(); the
// window thread writes, and closes the port through the link, which first wakes
// and joins the reader.
class SerialPort {
public:
    enum class ReadResult { kData, kWoken, kFailed };
    enum class WriteResult { kWritten, kTimedOut, kRefused };

    virtual ~SerialPort() = default;

    // Blocks until bytes arrive (stores up to `capacity` of them in `buffer` and
    // their count in `received`), until wake() is called, or until the port fails
    // (device gone, hang-up, error). Never spins.
    virtual ReadResult read(uint8_t* buffer, size_t capacity, size_t& received) = 0;
    // Makes a read that is blocked, or the next one, return kWoken. Callable from
    // any thread.
    virtual void wake() = 0;
    // Sends all of `text` and waits until it has left, for at most `budget`.
    // kTimedOut when the budget ran out; kRefused when the system refused the write
    // at once.
    virtual WriteResult write(std::string_view text, std::chrono::milliseconds budget) = 0;
};

// Why a port could not be opened.
struct PortOpenFailure {
    enum class Kind {
        kSystem,          // the system refused the open
        kNotASerialPort,  // a file, a folder, a pipe or a device that is no terminal
        kInUse,           // another program holds the port
    };
    Kind kind = Kind::kSystem;
    std::string reason;  // the system's description, or the refusal's
};

// Opens ports by name: "ttyUSB0" (under /dev), an absolute path such as a
// pseudo-terminal, or "COM3" on Windows. Nothing is written to what is not a
// serial port, nor to a port another program holds.
class PortOpener {
public:
    virtual ~PortOpener() = default;
    // The open port, or null with the reason in `failure`.
    virtual std::unique_ptr<SerialPort> open(const std::string& name,
                                             PortOpenFailure& failure) = 0;
};

} // namespace qlm
