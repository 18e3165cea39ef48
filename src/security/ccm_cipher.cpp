#include "security/ccm_cipher.h"

#include "security/crypto_library.h"

#include <gcrypt.h>

#include <stdexcept>

namespace qlm {

struct CcmCipher::Handle {
    gcry_cipher_hd_t cipher = nullptr;
    ~Handle() { gcry_cipher_close(cipher); }
};

CcmCipher::CcmCipher(const Key128& key) : handle_(std::make_unique<Handle>()) {
    initialiseCryptoLibrary();
    if (gcry_cipher_open(&handle_->cipher, GCRY_CIPHER_AES128, GCRY_CIPHER_MODE_CCM, 0) != 0)
        throw std::runtime_error("libgcrypt offers no AES-128 in CCM mode");
    gcry_cipher_setkey(handle_->cipher, key.data(), key.size());
}

CcmCipher::~CcmCipher() = default;
CcmCipher::CcmCipher(CcmCipher&&) noexcept = default;
CcmCipher& CcmCipher::operator=(CcmCipher&&) noexcept = default;

bool CcmCipher::begin(const Nonce& nonce, std::span<const uint8_t> authenticated,
                      size_t length, size_t micLength) const {
    gcry_cipher_hd_t cipher = handle_->cipher;
    gcry_cipher_reset(cipher);
    uint64_t lengths[3] = {length, authenticated.size(), micLength};
    return gcry_cipher_setiv(cipher, nonce.data(), nonce.size()) == 0 &&
           gcry_cipher_ctl(cipher, GCRYCTL_SET_CCM_LENGTHS, lengths, sizeof lengths) == 0 &&
           gcry_cipher_authenticate(cipher, authenticated.data(), authenticated.size()) == 0;
}

bool CcmCipher::decrypt(const Nonce& nonce, std::span<const uint8_t> authenticated,
                        std::span<const uint8_t> ciphertext, std::span<const uint8_t> mic,
                        uint8_t* plaintext) const {
    if (!begin(nonce, authenticated, ciphertext.size(), mic.size()))
        return false;
    // The library wants a buffer even for an empty payload.
    uint8_t none = 0;
    uint8_t* out = ciphertext.empty() ? &none : plaintext;
    const void* in = ciphertext.empty() ? &none : ciphertext.data();
    return gcry_cipher_decrypt(handle_->cipher, out, ciphertext.size(), in, ciphertext.size()) ==
               0 &&
           gcry_cipher_checktag(handle_->cipher, mic.data(), mic.size()) == 0;
}

void CcmCipher::encrypt(const Nonce& nonce, std::span<const uint8_t> authenticated,
                        std::span<const uint8_t> plaintext, uint8_t* ciphertext,
                        std::span<uint8_t> mic) const {
    if (!begin(nonce, authenticated, plaintext.size(), mic.size()))
        throw std::runtime_error("CCM lengths refused");
    uint8_t none = 0;
    uint8_t* out = plaintext.empty() ? &none : ciphertext;
    const void* in = plaintext.empty() ? &none : plaintext.data();
    gcry_cipher_encrypt(handle_->cipher, out, plaintext.size(), in, plaintext.size());
    gcry_cipher_gettag(handle_->cipher, mic.data(), mic.size());
}

} // namespace qlm
