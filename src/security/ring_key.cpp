#include "security/ring_key.h"

namespace qlm {

const char* keyKindName(KeyKind kind) {
    switch (kind) {
    case KeyKind::kWellKnownLink:
        return "Well-known link key";
    case KeyKind::kUser:
        return "Key";
    case KeyKind::kInstallCode:
        return "Install-code link key";
    case KeyKind::kNetwork:
        return "Network key";
    case KeyKind::kTrustCentreLink:
        return "Trust-centre link key";
    case KeyKind::kApplicationLink:
        return "Application link key";
    case KeyKind::kLink:
        return "Link key";
    }
    return "Key";
}

RingKey wellKnownLinkKey() {
    RingKey key;
    const char text[] = "ZigBeeAlliance09";
    for (size_t i = 0; i < key.key.size(); ++i)
        key.key[i] = static_cast<uint8_t>(text[i]);
    key.label = "ZigBeeAlliance09";
    key.kind = KeyKind::kWellKnownLink;
    key.origin = "built in";
    return key;
}

std::string keyHex(const Key128& key) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : key) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

} // namespace qlm
