#pragma once

#include <cstddef>
#include <string_view>

namespace qlm {

// A growable block of raw memory for the big arrays of a capture (the frame
// store, a log file being read). On Linux it is mapped directly: growth moves
// page tables instead of copying the contents, and the pages are mapped in when
// reserved rather than one fault at a time as they are first written.
class LargeBuffer {
public:
    LargeBuffer() = default;
    ~LargeBuffer();
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    // Makes room for at least `bytes`, keeping the contents; never shrinks. On
    // failure returns false and leaves the buffer as it was.
    bool reserve(size_t bytes);
    void release();

    char* data() const { return data_; }
    size_t capacity() const { return capacity_; }

    // The bytes in use, as the owner records them.
    size_t size() const { return size_; }
    void setSize(size_t bytes) { size_ = bytes; }
    std::string_view view() const { return {data_, size_}; }

private:
    char* data_ = nullptr;
    size_t capacity_ = 0;  // bytes usable
    size_t mapped_ = 0;    // bytes mapped (capacity rounded up to whole pages)
    size_t size_ = 0;
};

} // namespace qlm
