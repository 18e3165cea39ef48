#include "security/aes_block.h"

#include "security/crypto_library.h"

#include <gcrypt.h>

#include <stdexcept>

namespace qlm {

struct AesBlockCipher::Handle {
    gcry_cipher_hd_t cipher = nullptr;
};

AesBlockCipher::AesBlockCipher() : handle_(std::make_unique<Handle>()) {
    initialiseCryptoLibrary();
    if (gcry_cipher_open(&handle_->cipher, GCRY_CIPHER_AES128, GCRY_CIPHER_MODE_ECB, 0) != 0)
        throw std::runtime_error("libgcrypt offers no AES-128");
}

AesBlockCipher::~AesBlockCipher() { gcry_cipher_close(handle_->cipher); }

void AesBlockCipher::setKey(const Key128& key) {
    gcry_cipher_setkey(handle_->cipher, key.data(), key.size());
}

Block128 AesBlockCipher::encrypt(const Block128& block) const {
    Block128 out{};
    gcry_cipher_encrypt(handle_->cipher, out.data(), out.size(), block.data(), block.size());
    return out;
}

} // namespace qlm
