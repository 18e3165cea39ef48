#include "security/key_learning.h"

#include "security/opened_frame.h"

namespace qlm {
namespace {

constexpr uint8_t kTransportKeyCommand = 0x05;

enum TransportedKeyType : uint8_t {
    kNetworkKeyType = 0x01,
    kApplicationLinkKeyType = 0x03,
    kTrustCentreLinkKeyType = 0x04,
};

// The key of a transport-key command at `command` (its identifier), when the
// command holds one of the kinds we use and ends before `end`.
std::optional<RingKey> transportedKey(const FrameBytes& bytes, int command, int end,
                                      int32_t index) {
    constexpr int kKeyAt = 2;  // after the command identifier and the key type
    if (command < 0 || !bytes.holds(command, kKeyAt + 16) || command + kKeyAt + 16 > end ||
        bytes.at(command) != kTransportKeyCommand)
        return std::nullopt;
    RingKey key;
    switch (bytes.at(command + 1)) {
    case kNetworkKeyType:
        key.kind = KeyKind::kNetwork;
        if (command + kKeyAt + 17 <= end && bytes.holds(command + kKeyAt + 16, 1))
            key.sequence = bytes.at(command + kKeyAt + 16);
        break;
    case kApplicationLinkKeyType:
        key.kind = KeyKind::kApplicationLink;
        break;
    case kTrustCentreLinkKeyType:
        key.kind = KeyKind::kTrustCentreLink;
        break;
    default:
        return std::nullopt;
    }
    const auto stored = bytes.span(command + kKeyAt, 16);
    std::copy(stored.begin(), stored.end(), key.key.begin());
    key.origin = "frame " + std::to_string(int64_t{index} + 1);
    key.label = std::string(keyKindName(key.kind)) + " of " + key.origin;
    key.learntAtFrame = index;
    return key;
}

} // namespace

bool KeyLearning::learnFrom(Decryption& decryption, const CapturedFrame& frame, int32_t index) {
    OpenedFrame opened;
    if (!openFrame(decryption, frame, index, opened) || !opened.apsRead ||
        opened.aps.frameType() != kApsCommand)
        return false;
    if (opened.aps.secured() && opened.keys[static_cast<size_t>(SecuredLevel::kAps)] < 0)
        return false;
    const auto key = transportedKey(opened.view, opened.aps.payloadAt, opened.end, index);
    if (!key)
        return false;
    note(*key);
    const bool known = decryption.ring().find(key->key) >= 0;
    decryption.ring().add(*key);  // a known key may learn its sequence number
    return !known;
}

std::vector<KeyUse> keysUsed(Decryption& decryption, const FrameStore& frames) {
    std::vector<KeyUse> uses;
    auto note = [&](int key, SecuredLevel level) {
        if (key < 0)
            return;
        for (KeyUse& use : uses)
            if (use.key == key) {
                use.levels |= 1u << static_cast<unsigned>(level);
                return;
            }
        uses.push_back({key, 1u << static_cast<unsigned>(level)});
    };
    for (int32_t index = 0; index < frames.frameCount(); ++index) {
        OpenedFrame opened;
        if (!openFrame(decryption, frames[index], index, opened))
            continue;
        note(opened.keys[0], SecuredLevel::kNwk);
        note(opened.keys[1], SecuredLevel::kAps);
    }
    return uses;
}

void KeyLearning::note(const RingKey& key) {
    for (const RingKey& known : transported_)
        if (known.learntAtFrame == key.learntAtFrame && known.key == key.key)
            return;  // read again after a later key
    transported_.push_back(key);
}

void KeyLearning::catchUp(Decryption& decryption, const FrameStore& frames) {
    if (clears_ != frames.clears()) {
        clears_ = frames.clears();
        read_ = 0;
        transported_.clear();
        decryption.forgetFrames();
        decryption.ring().forgetLearnt();
    }
    if (read_ > frames.frameCount())
        read_ = 0;
    bool learnt = false;
    for (; read_ < frames.frameCount(); ++read_)
        learnt = learnFrom(decryption, frames[read_], read_) || learnt;
    // A key learnt late may open a frame read earlier that carried another key.
    while (learnt) {
        learnt = false;
        for (int32_t index = 0; index < frames.frameCount(); ++index)
            learnt = learnFrom(decryption, frames[index], index) || learnt;
    }
}

} // namespace qlm
