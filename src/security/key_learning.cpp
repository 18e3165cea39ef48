#include "security/key_learning.h"

#include "capture/aps_header_fields.h"
#include "capture/mac_header_fields.h"
#include "capture/nwk_header_fields.h"

namespace qlm {
namespace {

constexpr uint8_t kTransportKeyCommand = 0x05;

enum TransportedKeyType : uint8_t {
    kNetworkKeyType = 0x01,
    kApplicationLinkKeyType = 0x03,
    kTrustCentreLinkKeyType = 0x04,
};

void learnAddresses(IeeeDirectory& directory, const FrameBytes& bytes, const MacHeaderFields& mac,
                    const NwkHeaderFields& nwk) {
    auto learnPair = [&](int shortAt, int ieeeAt) {
        if (shortAt >= 0 && ieeeAt >= 0 && bytes.holds(shortAt, 2) && bytes.holds(ieeeAt, 8))
            directory.learn(bytes.le16(shortAt), bytes.le64(ieeeAt));
    };
    learnPair(nwk.sourceAt, nwk.extendedSourceAt);
    learnPair(nwk.destinationAt, nwk.extendedDestinationAt);
    if (nwk.secured() && mac.source.present() && !mac.source.extended())
        learnPair(mac.source.at, nwk.security.sourceAt);
}

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
    const FrameBytes bytes = FrameBytes::of(frame);
    if (frame.isOverflow() || !bytes.holds(0, 4))
        return false;
    const MacHeaderFields mac = readMacHeader(bytes);
    const int statusAt = statusPosition(bytes);
    if (mac.frameType() != kMacData || mac.secured() || statusAt <= mac.payloadAt)
        return false;
    const NwkHeaderFields nwk = readNwkHeader(bytes, mac.payloadAt, NwkLayout::kByVersion);
    if (!nwk.pro)
        return false;
    learnAddresses(decryption.directory(), bytes, mac, nwk);

    PlainFrame nwkPlain;
    FrameBytes view = bytes;
    int end = statusAt;
    if (nwk.secured()) {
        const SecuredLayer layer = nwkSecuredLayer(bytes, mac, nwk, decryption.directory());
        if (decryption.open(index, bytes, layer, nwkPlain) == Decryption::kNoKey)
            return false;
        view = nwkPlain.view();
        end = layer.micAt;
    }
    if (nwk.frameType() != kNwkData || nwk.payloadAt < 0 || nwk.payloadAt >= end)
        return false;
    const ApsHeaderFields aps = readApsHeader(view, nwk.payloadAt);
    if (aps.frameType() != kApsCommand)
        return false;
    PlainFrame apsPlain;
    if (aps.secured()) {
        const SecuredLayer layer = apsSecuredLayer(view, nwk, aps, end, decryption.directory());
        if (decryption.open(index, view, layer, apsPlain) == Decryption::kNoKey)
            return false;
        view = apsPlain.view();
        end = layer.micAt;
    }
    const auto key = transportedKey(view, aps.payloadAt, end, index);
    if (!key || decryption.ring().find(key->key) >= 0) {
        if (key)
            decryption.ring().add(*key);  // may teach a sequence number
        return false;
    }
    decryption.ring().add(*key);
    return true;
}

void KeyLearning::catchUp(Decryption& decryption, const FrameStore& frames) {
    if (clears_ != frames.clears()) {
        clears_ = frames.clears();
        read_ = 0;
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
