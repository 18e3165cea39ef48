#include "security/decryption.h"

#include <algorithm>

namespace qlm {
namespace {

constexpr int16_t kUntried = -2;

CcmCipher::Nonce nonceOf(const FrameBytes& bytes, const SecuredLayer& layer) {
    CcmCipher::Nonce nonce{};
    const uint64_t sender = *layer.sender;
    for (int i = 0; i < 8; ++i)
        nonce[static_cast<size_t>(i)] = static_cast<uint8_t>(sender >> (8 * i));
    for (int i = 0; i < 4; ++i)
        nonce[static_cast<size_t>(8 + i)] = bytes.at(layer.security.frameCounterAt + i);
    nonce[12] = static_cast<uint8_t>((layer.security.control & ~kSecurityLevelMask) |
                                     layer.security.level());
    return nonce;
}

} // namespace

bool Decryption::tryKey(int key, const FrameBytes& bytes, const SecuredLayer& layer,
                        PlainFrame& plain) const {
    const SecurityHeaderFields& security = layer.security;
    // The header travels with the level sent as 0; it is authenticated with the
    // level the frame is secured at.
    std::array<uint8_t, CapturedFrame::kMaxBytes> header{};
    const int headerLength = security.endAt - layer.headerStart;
    std::copy_n(bytes.span(layer.headerStart, headerLength).begin(), headerLength, header.begin());
    header[static_cast<size_t>(security.at - layer.headerStart)] =
        static_cast<uint8_t>((security.control & ~kSecurityLevelMask) | security.level());

    return ring_.cipher(key, security.keyId())
        .decrypt(nonceOf(bytes, layer), {header.data(), static_cast<size_t>(headerLength)},
                 bytes.span(security.endAt, layer.payloadLength()),
                 bytes.span(layer.micAt, security.micLength()),
                 plain.bytes.data() + security.endAt);
}

uint64_t Decryption::senderKey(const SecuredLayer& layer) {
    return *layer.sender ^ (static_cast<uint64_t>(layer.security.keyId()) << 62 |
                            static_cast<uint64_t>(layer.level) << 61);
}

int Decryption::findKey(const FrameBytes& bytes, const SecuredLayer& layer, PlainFrame& plain) {
    std::vector<bool> tried(static_cast<size_t>(ring_.size()), false);
    auto attempt = [&](int key) {
        if (key < 0 || key >= ring_.size() || tried[static_cast<size_t>(key)])
            return false;
        tried[static_cast<size_t>(key)] = true;
        return tryKey(key, bytes, layer, plain);
    };

    const uint64_t sender = senderKey(layer);
    const auto remembered = lastKeyBySender_.find(sender);
    if (remembered != lastKeyBySender_.end() && attempt(remembered->second))
        return remembered->second;

    const SecurityHeaderFields& security = layer.security;
    const int sequence = security.keySequenceAt >= 0 ? bytes.at(security.keySequenceAt) : -1;
    for (int key = 0; key < ring_.size(); ++key)
        if (sequence >= 0 && ring_.key(key).sequence == sequence && attempt(key))
            return lastKeyBySender_[sender] = static_cast<int16_t>(key);
    for (int key = 0; key < ring_.size(); ++key)
        if (attempt(key))
            return lastKeyBySender_[sender] = static_cast<int16_t>(key);
    return kNoKey;
}

Decryption::Opened& Decryption::cached(int32_t frame, SecuredLevel level) {
    if (cacheRevision_ != ring_.revision() || cacheDirectoryRevision_ != directory_.revision()) {
        // Keys came or went, or a sender's address became known: indices moved,
        // and a frame no key opened may open now.
        for (auto& opened : opened_)
            opened.clear();
        lastKeyBySender_.clear();
        cacheRevision_ = ring_.revision();
        cacheDirectoryRevision_ = directory_.revision();
    }
    if (frame < 0) {
        unused_ = {kUntried, 0};
        return unused_;
    }
    std::vector<Opened>& opened = opened_[static_cast<size_t>(level)];
    if (static_cast<size_t>(frame) >= opened.size())
        opened.resize(static_cast<size_t>(frame) + 1, {kUntried, 0});
    return opened[static_cast<size_t>(frame)];
}

int Decryption::open(int32_t frame, const FrameBytes& bytes, const SecuredLayer& layer,
                     PlainFrame& plain) {
    if (!layer.openable(bytes))
        return kNoKey;
    plain.copy(bytes);
    const uint16_t mic = bytes.le16(layer.micAt);
    Opened& known = cached(frame, layer.level);
    if (known.mic != mic)
        known = {kUntried, mic};
    if (known.key == kNoKey)
        return kNoKey;
    if (known.key >= 0 && tryKey(known.key, bytes, layer, plain))
        return known.key;
    known.key = static_cast<int16_t>(findKey(bytes, layer, plain));
    return known.key;
}

void Decryption::forgetFrames() {
    for (auto& opened : opened_)
        opened.clear();
    lastKeyBySender_.clear();
    directory_.clear();
}

} // namespace qlm
