#include "security/crypto_library.h"

#include <gcrypt.h>

#include <mutex>
#include <stdexcept>

namespace qlm {

void initialiseCryptoLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gcry_check_version(GCRYPT_VERSION))
            throw std::runtime_error("libgcrypt is older than the version built against");
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

} // namespace qlm
