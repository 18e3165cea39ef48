#include "sim/pro_pan.h"

#include "security/mmo_hash.h"
#include "sim/mac_commands.h"
#include "sim/node_factory.h"
#include "sim/nwk_delivery.h"
#include "sim/pan_episodes.h"
#include "sim/pro_frames.h"

#include <array>

namespace qlm::sim {

namespace {

enum : int { kTrustCentre, kPlug, kBulb, kMotion, kClimate };
enum : uint8_t { kHomeEndpoint = 0x01, kZclBoolean = 0x10 };
enum : uint8_t { kToggle = 0x02 };
constexpr uint16_t kProfileHome = 0x0104;
constexpr uint16_t kRoutersAndCoordinator = 0xFFFC;
constexpr uint16_t kAwakeDevices = 0xFFFD;
constexpr uint16_t kMotionAddress = 0x3F0E;

// The default trust-centre link key every ZigBee 3.0 device knows.
constexpr Key128 kDefaultLinkKey = {'Z', 'i', 'g', 'B', 'e', 'e', 'A', 'l',
                                    'l', 'i', 'a', 'n', 'c', 'e', '0', '9'};

uint16_t shortOf(FrameQueue& air, int node) {
    return air.node(node).shortAddress;
}

// A frame of the network: secured with its network key at every hop.
NwkFrame networkFrame(NwkFrame frame, const SimPan& pan) {
    frame.networkKey = &*pan.networkKey;
    return frame;
}

NwkFrame dataTo(FrameQueue& air, const SimPan& pan, int from, uint16_t to, const Bytes& aps) {
    return networkFrame(nwkData(air.node(from), to, aps), pan);
}

Bytes int16Value(int value) {
    Bytes out;
    putU16(out, static_cast<unsigned>(value) & 0xFFFF);
    return out;
}

// The trust centre hands the network key to the device that just joined it:
// the NWK frame goes unsecured (the device has no network key yet), the APS
// command under the key-transport key of the default link key.
void transportKey(FrameQueue& air, SimPan& pan, int device) {
    SimNode& centre = air.node(kTrustCentre);
    Securing securing;
    securing.keyId = 2;
    securing.counter = centre.apsFrameCounter++;
    securing.sender = centre.extAddress;
    securing.key = keyTransportKey(kDefaultLinkKey);
    const Bytes command = securedLayer(
        proApsCommandHeader(centre, true),
        transportNetworkKey(*pan.networkKey, air.node(device).extAddress, centre.extAddress),
        securing);
    unicast(air, {kTrustCentre, device}, nwkData(centre, shortOf(air, device), command));
}

void announce(FrameQueue& air, SimPan& pan, int device) {
    SimNode& node = air.node(device);
    Bytes body;
    putU16(body, node.shortAddress);
    putU64(body, node.extAddress);
    putU8(body, 0x80);  // allocate address
    const Bytes zdo = proZdo(node, kZdpDeviceAnnounce, body, true);
    broadcast(air, dataTo(air, pan, device, kAwakeDevices, zdo), device,
              {{kPlug, 1}, {kBulb, 1}}, true);
}

void motionJoins(FrameQueue& air, SimPan& pan) {
    activeScan(air, pan, kMotion);
    associate(air, pan, {kMotion, kTrustCentre, 0x80, kMotionAddress, 0x00});
    transportKey(air, pan, kMotion);
    announce(air, pan, kMotion);
}

void motionLeaves(FrameQueue& air, SimPan& pan) {
    SimNode& motion = air.node(kMotion);
    broadcast(air, networkFrame(nwkCommand(motion, kAwakeDevices, proLeave(false, false), 1), pan),
              kMotion, {});
    motion.joined = false;
}

void motionSensor(FrameQueue& air, SimPan& pan) {
    if (!air.node(kMotion).joined) {
        motionJoins(air, pan);
        return;
    }
    if (air.random().percent(12)) {
        motionLeaves(air, pan);
        return;
    }
    SimNode& motion = air.node(kMotion);
    const Bytes aps = joined(
        proApsData(motion, kHomeEndpoint, kClusterOccupancy, kProfileHome, kHomeEndpoint),
        zclReport(motion.nextAfSeq(), 0x0000, kZclBitmap8, {static_cast<uint8_t>(air.random().below(2))}));
    unicast(air, {kMotion, kTrustCentre}, dataTo(air, pan, kMotion, 0x0000, aps));
}

// Temperature in hundredths of a degree, through the plug.
void reportTemperature(FrameQueue& air, SimPan& pan) {
    SimNode& climate = air.node(kClimate);
    const Bytes aps = joined(
        proApsData(climate, kHomeEndpoint, kClusterTemperature, kProfileHome, kHomeEndpoint),
        zclReport(climate.nextAfSeq(), 0x0000, kZclInt16,
                  int16Value(1900 + static_cast<int>(air.random().below(400)))));
    unicast(air, {kClimate, kPlug, kTrustCentre}, dataTo(air, pan, kClimate, 0x0000, aps));
}

// The trust centre toggles the bulb and asks for an APS acknowledgement; the
// bulb acknowledges and reports its new state.
void toggleBulb(FrameQueue& air, SimPan& pan) {
    SimNode& centre = air.node(kTrustCentre);
    SimNode& bulb = air.node(kBulb);
    const Bytes command = proApsData(centre, kHomeEndpoint, kClusterOnOff, kProfileHome,
                                     kHomeEndpoint, true);
    const uint8_t counter = command.back();
    unicast(air, {kTrustCentre, kBulb},
            dataTo(air, pan, kTrustCentre, bulb.shortAddress,
                   joined(command, zclClusterCommand(centre.nextAfSeq(), kToggle))));
    unicast(air, {kBulb, kTrustCentre},
            dataTo(air, pan, kBulb, 0x0000,
                   proApsAck(kHomeEndpoint, kClusterOnOff, kProfileHome, kHomeEndpoint, counter)));
    const Bytes state =
        joined(proApsData(bulb, kHomeEndpoint, kClusterOnOff, kProfileHome, kHomeEndpoint),
               zclReport(bulb.nextAfSeq(), 0x0000, kZclBoolean,
                         {static_cast<uint8_t>(air.random().below(2))}));
    unicast(air, {kBulb, kTrustCentre}, dataTo(air, pan, kBulb, 0x0000, state));
}

// The trust centre reads the plug's model identifier.
void readModel(FrameQueue& air, SimPan& pan) {
    SimNode& centre = air.node(kTrustCentre);
    SimNode& plug = air.node(kPlug);
    const uint8_t sequence = centre.nextAfSeq();
    unicast(air, {kTrustCentre, kPlug},
            dataTo(air, pan, kTrustCentre, plug.shortAddress,
                   joined(proApsData(centre, kHomeEndpoint, kClusterBasic, kProfileHome,
                                     kHomeEndpoint),
                          zclReadAttribute(sequence, 0x0005))));
    Bytes model = {8};
    for (char c : std::string_view("SmartPlg"))
        model.push_back(static_cast<uint8_t>(c));
    unicast(air, {kPlug, kTrustCentre},
            dataTo(air, pan, kPlug, 0x0000,
                   joined(proApsData(plug, kHomeEndpoint, kClusterBasic, kProfileHome,
                                     kHomeEndpoint),
                          zclReadResponse(sequence, 0x0005, kZclString, model))));
}

// A router tells its neighbours how well it hears them (radius 1).
void linkStatusOf(FrameQueue& air, SimPan& pan) {
    const int router = static_cast<int>(air.random().below(3));  // trust centre, plug or bulb
    std::vector<LinkEntry> entries;
    for (int other : {kTrustCentre, kPlug, kBulb})
        if (other != router)
            entries.push_back({shortOf(air, other), static_cast<uint8_t>(1 + air.random().below(3)),
                               static_cast<uint8_t>(1 + air.random().below(3))});
    if (entries[0].address > entries[1].address)
        std::swap(entries[0], entries[1]);
    broadcast(air,
              networkFrame(nwkCommand(air.node(router), kRoutersAndCoordinator,
                                      linkStatus(entries), 1),
                           pan),
              router, {});
}

// The bulb looks for a route to the plug; the trust centre relays, the plug answers.
void discoverRoute(FrameQueue& air, SimPan& pan) {
    const uint8_t requestId = air.random().byte();
    const uint16_t plug = shortOf(air, kPlug);
    const NwkFrame request = networkFrame(
        nwkCommand(air.node(kBulb), kRoutersAndCoordinator, proRouteRequest(requestId, plug, 0)),
        pan);
    broadcast(air, request, kBulb, {{kTrustCentre, 1}});
    const NwkFrame reply = networkFrame(
        nwkCommand(air.node(kPlug), shortOf(air, kBulb),
                   proRouteReply(requestId, shortOf(air, kBulb), plug, 2)),
        pan);
    unicast(air, {kPlug, kTrustCentre, kBulb}, reply);
}

void sleepyPolls(FrameQueue& air, SimPan&) {
    idlePoll(air, kClimate);
    if (air.node(kMotion).joined)
        idlePoll(air, kMotion);
}

constexpr std::array<WeightedEpisode, 7> kEpisodes = {{
    {motionSensor, 8},
    {reportTemperature, 12},
    {toggleBulb, 8},
    {readModel, 4},
    {linkStatusOf, 8},
    {discoverRoute, 3},
    {sleepyPolls, 8},
}};

} // namespace

SimPan makeProPan(int channelIndex, SimRandom& random) {
    SimPan pan;
    pan.kind = PanKind::kPro;
    pan.channelIndex = channelIndex;
    pan.panId = static_cast<uint16_t>(0x4000 + random.below(0x3000));
    const std::array<NodeSpec, 5> specs = {{
        {"Trust centre", 0x0000, -55, 105, -1, false, true, 0x00124B},
        {"Plug", 0x5C21, -63, 101, kTrustCentre, false, true, 0x00158D},
        {"Bulb", 0x81A3, -69, 98, kTrustCentre, false, true, 0x001788},
        {"Motion sensor", kMotionAddress, -74, 94, kTrustCentre, true, false, 0x00158D},
        {"Climate sensor", 0xB4C7, -78, 90, kPlug, true, false, 0x00158D},
    }};
    for (const NodeSpec& spec : specs) {
        SimNode node = makeNode(spec, pan.panId, 2, random);
        node.nwkFrameCounter = static_cast<uint32_t>(node.extAddress & 0xFFF) << 4;
        node.apsFrameCounter = node.nwkFrameCounter / 2;
        pan.nodes.push_back(node);
    }
    pan.nodes[kMotion].joined = false;  // joins while the capture runs
    NetworkKeyMaterial key;
    for (uint8_t& byte : key.key)
        byte = random.byte();
    pan.networkKey = key;
    return pan;
}

void proEpisode(FrameQueue& air, SimPan& pan) {
    runOneOf(kEpisodes, air, pan);
}

} // namespace qlm::sim
