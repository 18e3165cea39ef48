#pragma once

#include <cstddef>
#include <string_view>

namespace qlm {

// A growable block of raw memory for the big arrays of a capture (the frame
// store, a log file being read). On Linux it is mapped directly: growth moves
// page tables instead of copying the contents (or, within address space set
// aside beforehand, moves nothing), and the pages of new room are mapped in when
// reserved rather than one fault at a time as they are first written.
class LargeBuffer {
public:
    LargeBuffer() = default;
    ~LargeBuffer();
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    // Makes room for at least `bytes`, keeping the contents; never shrinks. On
    // failure returns false with the contents and capacity kept; data() may
    // have moved all the same, so callers take it afresh.
    bool reserve(size_t bytes);
    // Sets address space aside for `bytes` without using memory, so that growing
    // up to it later needs no move. A hint: nothing happens where it cannot be had.
    void reserveAddressSpace(size_t bytes);
    void release();

    char* data() const { return data_; }
    size_t capacity() const { return capacity_; }

    // The bytes in use, as the owner records them.
    size_t size() const { return size_; }
    void setSize(size_t bytes) { size_ = bytes; }
    std::string_view view() const { return {data_, size_}; }

private:
    bool mapTo(size_t bytes);

    char* data_ = nullptr;
    size_t capacity_ = 0;  // bytes usable
    size_t mapped_ = 0;    // bytes of address space, at least the capacity
    size_t size_ = 0;
};

} // namespace qlm
