#pragma once

// A memory that runs out, on demand: the process's address space is limited to
// what it uses now and some room more, until the limit is lifted or goes out of
// scope. A store that cannot grow meets it as it would meet a full memory.

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace qlm::test {

class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(long room) {
        ::getrlimit(RLIMIT_AS, &previous_);
        limited_ = previous_;
        limited_.rlim_cur = static_cast<rlim_t>(bytesInUse() + room);
        set_ = ::setrlimit(RLIMIT_AS, &limited_) == 0;
    }
    ~AddressSpaceLimit() { lift(); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

    bool set() const { return set_; }
    void widen(long bytes) {
        limited_.rlim_cur += static_cast<rlim_t>(bytes);
        ::setrlimit(RLIMIT_AS, &limited_);
    }
    void lift() {
        if (set_)
            ::setrlimit(RLIMIT_AS, &previous_);
        set_ = false;
    }

private:
    static long bytesInUse() {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        return pages * ::sysconf(_SC_PAGESIZE);
    }

    rlimit previous_{};
    rlimit limited_{};
    bool set_ = false;
};

} // namespace qlm::test
