#include "session/key_secrets.h"

namespace qlm {

std::vector<ZigbeeSecret> secretsOf(const KeyRing& ring, const std::vector<KeyUse>& uses) {
    std::vector<ZigbeeSecret> secrets;
    for (const KeyUse& use : uses) {
        const Key128& key = ring.key(use.key).key;
        if (use.levels & 1u << static_cast<unsigned>(SecuredLevel::kNwk))
            secrets.push_back({ZigbeeSecret::Layer::kNetwork, key});
        if (use.levels & 1u << static_cast<unsigned>(SecuredLevel::kAps))
            secrets.push_back({ZigbeeSecret::Layer::kLink, key});
    }
    return secrets;
}

std::vector<RingKey> keysOf(const std::vector<ZigbeeSecret>& secrets, const std::string& origin) {
    std::vector<RingKey> keys;
    for (const ZigbeeSecret& secret : secrets) {
        RingKey key;
        key.key = secret.key;
        key.kind = secret.layer == ZigbeeSecret::Layer::kNetwork ? KeyKind::kNetwork
                                                                  : KeyKind::kLink;
        key.origin = origin;
        key.label = std::string(keyKindName(key.kind)) + " " + keyHex(key.key).substr(0, 8);
        keys.push_back(key);
    }
    return keys;
}

} // namespace qlm
