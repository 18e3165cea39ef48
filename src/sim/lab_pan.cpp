#include "sim/lab_pan.h"

#include "sim/aps_frames.h"
#include "sim/mac_commands.h"
#include "sim/node_factory.h"
#include "sim/nwk_delivery.h"
#include "sim/pan_beacons.h"
#include "sim/pan_episodes.h"

#include <array>

namespace qlm::sim {

namespace {

enum : int { kLab, kSensorA, kSensorB, kTag };

void labBeacon(FrameQueue& air, SimPan& pan, const std::vector<uint16_t>& pendingShort = {},
               const std::vector<uint64_t>& pendingExtended = {}, int damagedBytes = 0) {
    air.sendBeacon(
        beaconFrame(air.node(kLab), beaconPayload(pan, kLab, pendingShort, pendingExtended)), kLab,
        damagedBytes);
}

void plainBeacon(FrameQueue& air, SimPan& pan) {
    labBeacon(air, pan);
}

void damagedBeacon(FrameQueue& air, SimPan& pan) {
    labBeacon(air, pan, {}, {}, 2);
}

Bytes labApp(FrameQueue& air, int from, int to, const Bytes& af) {
    const Bytes aps = apsData(0x02, 0x10, kProfileLab, 0x02);
    return nwkData(air.node(from), air.node(to).shortAddress, joined(aps, af)).encode();
}

// Sensor A's MAC-secured reading in its slot after the beacon.
void securedReading(FrameQueue& air, SimPan& pan) {
    labBeacon(air, pan);
    Bytes secured;
    putU32(secured, air.random().raw() & 0xFFFF);
    putU8(secured, 0x00);
    for (int i = 0; i < 16; ++i)
        putU8(secured, air.random().byte());
    HopOptions options;
    options.secured = true;
    hop(air, kSensorA, kLab, secured, options);
}

// The poll that follows the PAN coordinator's beacon needs no destination address.
void pollAfterBeacon(FrameQueue& air, int device, bool sourceExtended) {
    SendOptions options;
    options.acker = kLab;
    options.ackPending = true;
    air.send(dataRequest(air.node(device), air.node(kLab), sourceExtended, true), device, options);
}

// The beacon announces data for sensor B: a read of its battery level or a new
// sample period, answered by the sensor.
void pendingForSensorB(FrameQueue& air, SimPan& pan) {
    labBeacon(air, pan, {air.node(kSensorB).shortAddress});
    pollAfterBeacon(air, kSensorB, false);
    SimNode& lab = air.node(kLab);
    SimNode& sensor = air.node(kSensorB);
    Bytes ask;
    Bytes answer;
    if (air.random().percent(50)) {
        ask = afKvp({kvp(lab.nextAfSeq(), kKvpGetAck, kTypeNull, 0x0030)});
        answer = afKvp({kvp(sensor.nextAfSeq(), kKvpGetResponse, kTypeU8, 0x0030,
                            u8Value(air.random().between(0x80, 0xC8)), 0x00)});
    } else {
        ask = afKvp({kvp(lab.nextAfSeq(), kKvpSetAck, kTypeU16, 0x0010,
                         u16Value(300 * air.random().between(1, 8)))});
        answer = afKvp({kvp(sensor.nextAfSeq(), kKvpSetResponse, kTypeNull, 0x0010, {}, 0x00)});
    }
    hop(air, kLab, kSensorB, labApp(air, kLab, kSensorB, ask));
    hop(air, kSensorB, kLab, labApp(air, kSensorB, kLab, answer));
}

// A setting for sensor B in its own receive slot.
void settingInSlot(FrameQueue& air, SimPan& pan) {
    labBeacon(air, pan);
    const Bytes af = afKvp({kvp(air.node(kLab).nextAfSeq(), kKvpSet, kTypeU16, 0x0010,
                                u16Value(300 * air.random().between(1, 8)))});
    hop(air, kLab, kSensorB, labApp(air, kLab, kSensorB, af));
}

void requestSlot(FrameQueue& air, SimPan&) {
    SendOptions options;
    options.acker = kLab;
    air.send(gtsRequest(air.node(kSensorB), 2, true, true), kSensorB, options);
}

// The tag associates without asking for a short address; the next beacon lists
// it as pending and its poll fetches the response.
void tagJoins(FrameQueue& air, SimPan& pan) {
    SimNode& tag = air.node(kTag);
    SendOptions toLab;
    toLab.acker = kLab;
    air.send(associationRequest(tag, air.node(kLab), 0x00), kTag, toLab);
    labBeacon(air, pan, {}, {tag.extAddress});
    pollAfterBeacon(air, kTag, true);
    SendOptions toTag;
    toTag.acker = kTag;
    air.send(associationResponse(air.node(kLab), tag, 0xFFFE, 0x00), kLab, toTag);
    tag.joined = true;
}

void tagLeaves(FrameQueue& air) {
    SendOptions toLab;
    toLab.acker = kLab;
    air.send(disassociation(air.node(kTag), air.node(kLab), 0x02), kTag, toLab);
    air.node(kTag).joined = false;
}

void tagComesAndGoes(FrameQueue& air, SimPan& pan) {
    if (!air.node(kTag).joined)
        tagJoins(air, pan);
    else if (air.random().percent(70))
        pollAfterBeacon(air, kTag, true);
    else
        tagLeaves(air);
}

// Sensor A hears another coordinator using the lab's PAN identifier.
void panConflict(FrameQueue& air, SimPan&) {
    SendOptions options;
    options.acker = kLab;
    air.send(panIdConflict(air.node(kSensorA), air.node(kLab)), kSensorA, options);
}

void badFrame(FrameQueue& air, SimPan&) {
    badReception(air);
}

constexpr std::array<WeightedEpisode, 9> kEpisodes = {{
    {plainBeacon, 20},
    {damagedBeacon, 2},
    {securedReading, 10},
    {pendingForSensorB, 8},
    {settingInSlot, 5},
    {requestSlot, 3},
    {tagComesAndGoes, 4},
    {panConflict, 2},
    {badFrame, 2},
}};

} // namespace

SimPan makeLabPan(int channelIndex, SimRandom& random) {
    SimPan pan;
    pan.kind = PanKind::kLab;
    pan.channelIndex = channelIndex;
    pan.panId = static_cast<uint16_t>(0x7000 + random.below(0x3000));
    const std::array<NodeSpec, 4> specs = {{
        {"Lab coordinator", 0x0000, -57, 104, -1, false, true, 0x0050C2},
        {"Lab sensor A", 0x0011, -69, 98, kLab, false, false, 0x0050C2},
        {"Lab sensor B", 0x0012, -74, 94, kLab, false, false, 0x0050C2},
        {"Lab tag", kNoShortAddress, -81, 89, kLab, false, false, 0x0050C2},
    }};
    for (const NodeSpec& spec : specs) {
        pan.nodes.push_back(makeNode(spec, pan.panId, 1, random));
        pan.nodes.back().radius = 4;
    }
    pan.nodes[kTag].joined = false;
    return pan;
}

void labEpisode(FrameQueue& air, SimPan& pan) {
    runOneOf(kEpisodes, air, pan);
}

} // namespace qlm::sim
