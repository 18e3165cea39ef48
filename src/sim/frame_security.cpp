#include "sim/frame_security.h"

#include "security/ccm_cipher.h"

namespace qlm::sim {
namespace {

constexpr uint8_t kLevelEncMic32 = 0x05;
constexpr int kMicLength = 4;

uint8_t securityControl(const Securing& securing) {
    return static_cast<uint8_t>(securing.keyId << 3 | (securing.extendedNonce ? 0x20 : 0x00));
}

// Source address, frame counter and security control, multi-byte fields least
// significant byte first as they travel.
CcmCipher::Nonce nonceOf(const Securing& securing) {
    Bytes nonce;
    putU64(nonce, securing.sender);
    putU32(nonce, securing.counter);
    putU8(nonce, securityControl(securing) | kLevelEncMic32);
    CcmCipher::Nonce out{};
    std::copy(nonce.begin(), nonce.end(), out.begin());
    return out;
}

} // namespace

Bytes securedLayer(const Bytes& header, const Bytes& payload, const Securing& securing) {
    Bytes out = header;
    putU8(out, securityControl(securing));
    putU32(out, securing.counter);
    if (securing.extendedNonce)
        putU64(out, securing.sender);
    if (securing.keySequence)
        putU8(out, *securing.keySequence);

    Bytes authenticated = out;
    authenticated[header.size()] |= kLevelEncMic32;
    Bytes sealed(payload.size() + kMicLength);
    CcmCipher(securing.key)
        .encrypt(nonceOf(securing), authenticated, payload, sealed.data(),
                 {sealed.data() + payload.size(), kMicLength});
    append(out, sealed);
    return out;
}

} // namespace qlm::sim
