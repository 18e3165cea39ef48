#pragma once

#include "pcap/zigbee_secret.h"
#include "security/key_learning.h"
#include "security/key_ring.h"

#include <string>
#include <vector>

namespace qlm {

// The keys that opened frames, as a pcapng file carries them: a key that opened
// NWK frames as a network key, one that opened APS frames as a link key (a key
// that did both, twice).
std::vector<ZigbeeSecret> secretsOf(const KeyRing& ring, const std::vector<KeyUse>& uses);

// The keys a packet file carried, as keys of the ring from `origin` (the file).
std::vector<RingKey> keysOf(const std::vector<ZigbeeSecret>& secrets, const std::string& origin);

} // namespace qlm
