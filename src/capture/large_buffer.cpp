#include "capture/large_buffer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace qlm {

LargeBuffer::~LargeBuffer() { release(); }

#ifdef __linux__

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

size_t roundUp(size_t bytes, size_t unit) { return (bytes + unit - 1) / unit * unit; }

size_t roundToPages(size_t bytes) {
    return roundUp(bytes, static_cast<size_t>(::sysconf(_SC_PAGESIZE)));
}

// Address space starting on a huge-page boundary, so that whole huge pages fit.
void* mapAligned(size_t bytes) {
    const size_t slack = kHugePage;
    void* memory = ::mmap(nullptr, bytes + slack, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED)
        return memory;
    char* start = static_cast<char*>(memory);
    char* aligned = reinterpret_cast<char*>(roundUp(reinterpret_cast<uintptr_t>(start), kHugePage));
    if (aligned > start)
        ::munmap(start, static_cast<size_t>(aligned - start));
    const size_t tail = slack - static_cast<size_t>(aligned - start);
    if (tail > 0)
        ::munmap(aligned + bytes, tail);
    return aligned;
}

} // namespace

// Grows the address space to at least `bytes`; the pages cost nothing until used.
bool LargeBuffer::mapTo(size_t bytes) {
    if (bytes <= mapped_)
        return true;
    const size_t mapped = roundToPages(bytes);
    void* memory = data_ == nullptr ? mapAligned(mapped)
                                    : ::mremap(data_, mapped_, mapped, MREMAP_MAYMOVE);
    if (memory == MAP_FAILED)
        return false;
    ::madvise(memory, mapped, MADV_HUGEPAGE);  // a hint, refused where not supported
    data_ = static_cast<char*>(memory);
    mapped_ = mapped;
    return true;
}

bool LargeBuffer::reserve(size_t bytes) {
    if (bytes <= capacity_)
        return true;
    if (!mapTo(bytes))
        return false;
#ifdef MADV_POPULATE_WRITE
    // The room is about to be filled: mapping its pages in at once costs far less
    // than a page fault per page. Whole huge pages are mapped in where the address
    // space allows, so the kernel can use them. Kernels without this just fault
    // the pages in.
    const size_t from = capacity_ / kHugePage * kHugePage;
    const size_t to = std::min(mapped_, roundUp(bytes, kHugePage));
    if (::madvise(data_ + from, to - from, MADV_POPULATE_WRITE) != 0 && errno == ENOMEM)
        return false;
#endif
    capacity_ = bytes;
    return true;
}

void LargeBuffer::reserveAddressSpace(size_t bytes) { mapTo(bytes); }

void LargeBuffer::release() {
    if (data_ != nullptr)
        ::munmap(data_, mapped_);
    data_ = nullptr;
    capacity_ = mapped_ = size_ = 0;
}

#else

void LargeBuffer::reserveAddressSpace(size_t) {}

bool LargeBuffer::reserve(size_t bytes) {
    if (bytes <= capacity_)
        return true;
    void* memory = std::realloc(data_, bytes);
    if (memory == nullptr)
        return false;
    data_ = static_cast<char*>(memory);
    capacity_ = mapped_ = bytes;
    return true;
}

void LargeBuffer::release() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = mapped_ = size_ = 0;
}

#endif

} // namespace qlm
