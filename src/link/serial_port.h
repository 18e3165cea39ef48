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

// Opens ports by name: "ttyUSB0" (under /dev), an absolute path such as a
// pseudo-terminal, or "COM3" on Windows.
class PortOpener {
public:
    virtual ~PortOpener() = default;
    // The open port, or null with the system's description of the failure in `error`.
    virtual std::unique_ptr<SerialPort> open(const std::string& name, std::string& error) = 0;
};

} // namespace qlm
