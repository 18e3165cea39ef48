#include "sim/node_factory.h"

namespace qlm::sim {

SimNode makeNode(const NodeSpec& spec, uint16_t pan, int nwkVersion, SimRandom& random) {
    SimNode node;
    node.name = spec.name;
    node.pan = pan;
    node.shortAddress = spec.shortAddress;
    node.extAddress = static_cast<uint64_t>(spec.oui) << 40 | (random.raw() & 0xFFFFFFu);
    node.dbm = spec.dbm + random.between(-4, 4);
    node.correlation = spec.correlation;
    node.parent = spec.parent;
    node.sleepy = spec.sleepy;
    node.beacons = spec.beacons;
    node.nwkVersion = nwkVersion;
    node.dsn = random.byte();
    node.bsn = random.byte();
    node.nwkSeq = random.byte();
    node.afSeq = random.byte();
    return node;
}

} // namespace qlm::sim
