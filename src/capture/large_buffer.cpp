#include "capture/large_buffer.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace qlm {

LargeBuffer::~LargeBuffer() { release(); }

#ifdef __linux__

namespace {

size_t roundToPages(size_t bytes) {
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

} // namespace

bool LargeBuffer::reserve(size_t bytes) {
    if (bytes <= mapped_) {
        capacity_ = bytes > capacity_ ? bytes : capacity_;
        return true;
    }
    const size_t mapped = roundToPages(bytes);
    // Memory is reserved to be filled: mapping it in at once costs far less than
    // a page fault per page (half as much on a virtual machine).
    void* memory = data_ == nullptr ? ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0)
                                    : ::mremap(data_, mapped_, mapped, MREMAP_MAYMOVE);
    if (memory == MAP_FAILED)
        return false;
    ::madvise(memory, mapped, MADV_HUGEPAGE);  // hints, refused where not supported
#ifdef MADV_POPULATE_WRITE
    if (data_ != nullptr)
        ::madvise(static_cast<char*>(memory) + mapped_, mapped - mapped_, MADV_POPULATE_WRITE);
#endif
    data_ = static_cast<char*>(memory);
    mapped_ = mapped;
    capacity_ = bytes;
    return true;
}

void LargeBuffer::release() {
    if (data_ != nullptr)
        ::munmap(data_, mapped_);
    data_ = nullptr;
    capacity_ = mapped_ = size_ = 0;
}

#else

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
