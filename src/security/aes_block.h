#pragma once

#include "security/key128.h"

#include <memory>

namespace qlm {

// AES-128 in the raw, one block at a time, for the hash built on it. The key
// can change between blocks, as the hash needs.
class AesBlockCipher {
public:
    AesBlockCipher();
    ~AesBlockCipher();
    AesBlockCipher(const AesBlockCipher&) = delete;
    AesBlockCipher& operator=(const AesBlockCipher&) = delete;

    void setKey(const Key128& key);
    Block128 encrypt(const Block128& block) const;

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace qlm
