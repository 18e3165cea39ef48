#pragma once

#include "security/key128.h"

#include <cstdint>
#include <memory>
#include <span>

namespace qlm {

// AES-128 in CCM* mode under one key, as ZigBee secures frames: a 13-byte nonce,
// authenticated data in the clear and an encrypted payload, followed by a MIC of
// 4, 8 or 16 bytes. The key is set up once; each frame costs a reset.
class CcmCipher {
public:
    static constexpr int kNonceLength = 13;
    using Nonce = std::array<uint8_t, kNonceLength>;

    explicit CcmCipher(const Key128& key);
    ~CcmCipher();
    CcmCipher(CcmCipher&&) noexcept;
    CcmCipher& operator=(CcmCipher&&) noexcept;

    // Decrypts `ciphertext` into `plaintext` (as long) and checks the MIC. False
    // when the MIC does not verify; `plaintext` then holds nothing to show.
    bool decrypt(const Nonce& nonce, std::span<const uint8_t> authenticated,
                 std::span<const uint8_t> ciphertext, std::span<const uint8_t> mic,
                 uint8_t* plaintext) const;
    // Encrypts `plaintext` into `ciphertext` (as long) and writes the MIC.
    void encrypt(const Nonce& nonce, std::span<const uint8_t> authenticated,
                 std::span<const uint8_t> plaintext, uint8_t* ciphertext,
                 std::span<uint8_t> mic) const;

private:
    bool begin(const Nonce& nonce, std::span<const uint8_t> authenticated, size_t length,
               size_t micLength) const;

    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace qlm
