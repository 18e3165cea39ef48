#include "sim/home_pan.h"

#include "sim/aps_frames.h"
#include "sim/mac_commands.h"
#include "sim/node_factory.h"
#include "sim/nwk_delivery.h"
#include "sim/pan_episodes.h"

#include <array>

namespace qlm::sim {

namespace {

enum : int { kCoord, kHall, kLounge, kLight, kHeater, kDoor, kWindow, kThermostat };
enum : uint8_t { kTemperature = 0x02, kDoorCluster = 0x05, kOnOff = 0x06, kLevel = 0x08 };
enum : uint8_t { kSchedule = 0x0B };
enum : uint8_t {
    kNodeDescReq = 0x02,
    kNodeDescRsp = 0x82,
    kActiveEpReq = 0x05,
    kActiveEpRsp = 0x85,
    kMatchDescReq = 0x06,
    kMatchDescRsp = 0x86,
    kDeviceAnnounce = 0x13,
    kMgmtLqiReq = 0x31,
    kMgmtLqiRsp = 0xB1,
};

uint16_t shortOf(FrameQueue& air, int node) {
    return air.node(node).shortAddress;
}

NwkFrame appFrame(FrameQueue& air, int from, int to, const Bytes& aps, const Bytes& af) {
    return nwkData(air.node(from), shortOf(air, to), joined(aps, af));
}

Bytes haAps(uint8_t destinationEndpoint, uint8_t cluster, uint8_t sourceEndpoint) {
    return apsData(destinationEndpoint, cluster, kProfileHomeControls, sourceEndpoint);
}

void switchLight(FrameQueue& air, SimPan&) {
    const Bytes af = afKvp({kvp(air.node(kCoord).nextAfSeq(), kKvpSet, kTypeU8, 0x0000,
                                u8Value(air.random().below(2)))});
    unicast(air, {kCoord, kLight}, appFrame(air, kCoord, kLight, haAps(0x08, kOnOff, 0x01), af));
}

// A level change that asks for an APS acknowledgement and a Set response.
void dimLight(FrameQueue& air, SimPan&) {
    ApsDelivery delivery;
    delivery.ackRequest = true;
    const Bytes aps = apsData(0x08, kLevel, kProfileHomeControls, 0x01, delivery);
    const Bytes dim = afKvp({kvp(air.node(kCoord).nextAfSeq(), kKvpSetAck, kTypeU8, 0x0000,
                                 u8Value(air.random().byte()))});
    unicast(air, {kCoord, kLight}, appFrame(air, kCoord, kLight, aps, dim));
    const Bytes ack = apsAck(0x01, kLevel, kProfileHomeControls, 0x08);
    unicast(air, {kLight, kCoord}, nwkData(air.node(kLight), shortOf(air, kCoord), ack));
    const Bytes done =
        afKvp({kvp(air.node(kLight).nextAfSeq(), kKvpSetResponse, kTypeNull, 0x0000, {}, 0x00)});
    unicast(air, {kLight, kCoord}, appFrame(air, kLight, kCoord, haAps(0x01, kLevel, 0x08), done));
}

Bytes lightAnswer(FrameQueue& air, int question) {
    SimNode& light = air.node(kLight);
    if (question == 0)
        return afKvp({kvp(light.nextAfSeq(), kKvpGetResponse, kTypeU8, 0x0000, u8Value(1), 0x00),
                      kvp(light.nextAfSeq(), kKvpGetResponse, kTypeU16, 0x0010,
                          u16Value(air.random().below(0x1000)), 0x00)});
    if (question == 1)
        return afKvp({kvp(light.nextAfSeq(), kKvpGetResponse, kTypeChar, 0x4000,
                          textValue("Kitchen light"), 0x00)});
    return afKvp({kvp(light.nextAfSeq(), kKvpGetResponse, kTypeNull, 0x0777, {}, 0x03)});
}

// The coordinator reads the light's state, its name, or an attribute it lacks.
void queryLight(FrameQueue& air, SimPan&) {
    const int question = static_cast<int>(air.random().below(3));
    const std::array<uint16_t, 3> attributes = {0x0000, 0x4000, 0x0777};
    const Bytes ask = afKvp({kvp(air.node(kCoord).nextAfSeq(), kKvpGetAck, kTypeNull,
                                 attributes[static_cast<size_t>(question)])});
    unicast(air, {kCoord, kLight}, appFrame(air, kCoord, kLight, haAps(0x08, kOnOff, 0x01), ask));
    unicast(air, {kLight, kCoord},
            appFrame(air, kLight, kCoord, haAps(0x01, kOnOff, 0x08), lightAnswer(air, question)));
}

// Temperature (and now and then battery and trend) through the lounge router;
// one report in six reaches the sniffer damaged on its first hop.
void reportTemperature(FrameQueue& air, SimPan&) {
    SimNode& thermostat = air.node(kThermostat);
    const Bytes temperature = semiValue((152 + air.random().below(40)) / 8.0);
    Bytes af;
    if (air.random().percent(50))
        af = afKvp({kvp(thermostat.nextAfSeq(), kKvpEvent, kTypeSemi, 0x0000, temperature)});
    else
        af = afKvp({kvp(thermostat.nextAfSeq(), kKvpEvent, kTypeSemi, 0x0000, temperature),
                    kvp(thermostat.nextAfSeq(), kKvpEvent, kTypeU16, 0x0001,
                        u16Value(4000 + air.random().below(300))),
                    kvp(thermostat.nextAfSeq(), kKvpEvent, kTypeS8, 0x0002,
                        s8Value(air.random().between(-3, 3)))});
    const int damagedHop = air.random().percent(17) ? 0 : -1;
    unicast(air, {kThermostat, kLounge, kCoord},
            appFrame(air, kThermostat, kCoord, haAps(0x01, kTemperature, 0x05), af), damagedHop);
}

// The door report goes to the binding table, which switches the light.
void openDoor(FrameQueue& air, SimPan&) {
    ApsDelivery toBinding;
    toBinding.mode = kIndirectDelivery;
    toBinding.toBinding = true;
    const Bytes opened =
        afKvp({kvp(air.node(kDoor).nextAfSeq(), kKvpEvent, kTypeU8, 0x0000, u8Value(1))});
    const Bytes report =
        apsData(std::nullopt, kDoorCluster, kProfileHomeControls, 0x01, toBinding);
    unicast(air, {kDoor, kHall, kCoord}, appFrame(air, kDoor, kCoord, report, opened));
    ApsDelivery fromBinding;
    fromBinding.mode = kIndirectDelivery;
    const Bytes on =
        afKvp({kvp(air.node(kCoord).nextAfSeq(), kKvpSet, kTypeU8, 0x0000, u8Value(1))});
    const Bytes aps = apsData(0x08, kOnOff, kProfileHomeControls, std::nullopt, fromBinding);
    unicast(air, {kCoord, kLight}, appFrame(air, kCoord, kLight, aps, on));
}

// The thermostat looks for a temperature display; the coordinator answers.
void matchDescriptor(FrameQueue& air, SimPan&) {
    Bytes body;
    putU16(body, kBroadcastAddress);
    putU16(body, kProfileHomeControls);
    append(body, {0x00, 0x01, kTemperature});
    SimNode& thermostat = air.node(kThermostat);
    const Bytes match = zdoFrame(thermostat, kMatchDescReq, body, true);
    broadcast(air, nwkData(thermostat, kBroadcastAddress, match), kThermostat,
              {{kCoord, 1}, {kHall, 2}}, true);
    Bytes answer = {0x00};
    putU16(answer, shortOf(air, kCoord));
    append(answer, {0x01, 0x01});
    const Bytes rsp = zdoFrame(air.node(kCoord), kMatchDescRsp, answer);
    unicast(air, {kCoord, kLounge, kThermostat},
            nwkData(air.node(kCoord), shortOf(air, kThermostat), rsp));
}

// The heating schedule as two AF messages.
void sendSchedule(FrameQueue& air, SimPan&) {
    SimNode& thermostat = air.node(kThermostat);
    const Bytes messages =
        afMessages({message(thermostat.nextAfSeq(), {0x01, 0x06, 0x00, 0x60, 0x4D, 0x16, 0x00}),
                    message(thermostat.nextAfSeq(), {0x02, 0x07, 0x30, 0x00, 0x4D, 0x16, 0x30})});
    unicast(air, {kThermostat, kLounge, kCoord},
            appFrame(air, kThermostat, kCoord, haAps(0x01, kSchedule, 0x05), messages));
}

Bytes neighbourEntry(const SimPan& pan, const SimNode& neighbour, uint8_t kind, uint8_t depth,
                     uint8_t quality) {
    Bytes entry;
    putU16(entry, pan.panId);
    putU64(entry, neighbour.extAddress);
    putU16(entry, neighbour.shortAddress);
    append(entry, {kind, 0x02, depth, quality});
    return entry;
}

// The coordinator reads the hall router's neighbour table.
void readNeighbourTable(FrameQueue& air, SimPan& pan) {
    const Bytes request = zdoFrame(air.node(kCoord), kMgmtLqiReq, {0x00});
    unicast(air, {kCoord, kHall}, nwkData(air.node(kCoord), shortOf(air, kHall), request));
    Bytes table = {0x00, 0x02, 0x00, 0x02};
    append(table, neighbourEntry(pan, air.node(kCoord), 0x14, 0, air.random().byte()));
    append(table, neighbourEntry(pan, air.node(kDoor), 0x26, 2, air.random().byte()));
    const Bytes response = zdoFrame(air.node(kHall), kMgmtLqiRsp, table);
    unicast(air, {kHall, kCoord}, nwkData(air.node(kHall), shortOf(air, kCoord), response));
}

// Route discovery from the lounge router to the hall router.
void discoverRoute(FrameQueue& air, SimPan&) {
    const uint8_t requestId = air.random().byte();
    const uint16_t hall = shortOf(air, kHall);
    const NwkFrame discovery =
        nwkCommand(air.node(kLounge), kBroadcastAddress, routeRequest(requestId, hall, 0));
    broadcast(air, discovery, kLounge, {});
    NwkFrame relayed = discovery;
    relayed.payload = routeRequest(requestId, hall, 3);
    air.send(dataFrame(air.node(kCoord), kBroadcastAddress, relayed.encode(discovery.radius - 1)),
             kCoord);
    const Bytes reply = routeReply(requestId, shortOf(air, kLounge), hall, 4);
    unicast(air, {kHall, kCoord, kLounge},
            nwkCommand(air.node(kHall), shortOf(air, kLounge), reply));
}

// The heater is asked to leave; it says so and disassociates.
void heaterLeaves(FrameQueue& air) {
    unicast(air, {kCoord, kHeater},
            nwkCommand(air.node(kCoord), shortOf(air, kHeater), leaveCommand(true, false)));
    broadcast(air, nwkCommand(air.node(kHeater), kBroadcastAddress, leaveCommand(false, false), 1),
              kHeater, {});
    SendOptions options;
    options.acker = kCoord;
    air.send(disassociation(air.node(kHeater), air.node(kCoord), 0x02), kHeater, options);
    air.node(kHeater).joined = false;
}

// The thermostat still tries to switch the heater: route error from the coordinator.
void heaterMissing(FrameQueue& air) {
    const Bytes heat =
        afKvp({kvp(air.node(kThermostat).nextAfSeq(), kKvpSet, kTypeU8, 0x0000, u8Value(1))});
    unicast(air, {kThermostat, kLounge, kCoord},
            appFrame(air, kThermostat, kHeater, haAps(0x03, kOnOff, 0x05), heat));
    unicast(air, {kCoord, kLounge, kThermostat},
            nwkCommand(air.node(kCoord), shortOf(air, kThermostat),
                       routeError(1, shortOf(air, kHeater))));
}

void heaterComesAndGoes(FrameQueue& air, SimPan& pan) {
    if (air.node(kHeater).joined) {
        heaterLeaves(air);
    } else if (air.random().percent(50)) {
        heaterMissing(air);
    } else {
        activeScan(air, pan, kHeater);
        associate(air, pan, {kHeater, kCoord, 0x8E, 0x007E, 0x00});
    }
}

// The coordinator asks the new window sensor for its node descriptor and
// endpoints; the requests wait at the hall router for the sensor's polls.
void interviewWindow(FrameQueue& air) {
    const uint16_t window = shortOf(air, kWindow);
    const NwkFrame nodeReq = nwkData(air.node(kCoord), window,
                                     zdoFrame(air.node(kCoord), kNodeDescReq, u16Value(window)));
    const NwkFrame epReq = nwkData(air.node(kCoord), window,
                                   zdoFrame(air.node(kCoord), kActiveEpReq, u16Value(window)));
    hop(air, kCoord, kHall, nodeReq.encode());
    hop(air, kCoord, kHall, epReq.encode());
    indirect(air, kHall, kWindow,
             {nodeReq.encode(nodeReq.radius - 1), epReq.encode(epReq.radius - 1)});
    Bytes descriptor = {0x00, static_cast<uint8_t>(window), static_cast<uint8_t>(window >> 8)};
    append(descriptor, {0x02, 0x40, 0x80, 0x4A, 0x10, 0x50, 0x80, 0x00, 0x00, 0x00});
    const Bytes nodeRsp = zdoFrame(air.node(kWindow), kNodeDescRsp, descriptor);
    unicast(air, {kWindow, kHall, kCoord}, nwkData(air.node(kWindow), 0x0000, nodeRsp));
    Bytes endpoints = {0x00, static_cast<uint8_t>(window), static_cast<uint8_t>(window >> 8), 0x01,
                       0x01};
    const Bytes epRsp = zdoFrame(air.node(kWindow), kActiveEpRsp, endpoints);
    unicast(air, {kWindow, kHall, kCoord}, nwkData(air.node(kWindow), 0x0000, epRsp));
}

// The window sensor scans, associates with the hall router, announces itself
// (its parent broadcasts, the other routers repeat) and is interviewed.
void windowJoins(FrameQueue& air, SimPan& pan) {
    activeScan(air, pan, kWindow);
    associate(air, pan, {kWindow, kHall, 0x80, 0x001F, 0x00});
    SimNode& window = air.node(kWindow);
    Bytes announce;
    putU16(announce, window.shortAddress);
    putU64(announce, window.extAddress);
    putU8(announce, 0x80);
    const Bytes zdo = zdoFrame(window, kDeviceAnnounce, announce, true);
    broadcast(air, nwkData(window, kBroadcastAddress, zdo), kWindow, {{kCoord, 1}, {kLounge, 1}},
              true);
    interviewWindow(air);
}

void windowSensor(FrameQueue& air, SimPan& pan) {
    if (!air.node(kWindow).joined) {
        windowJoins(air, pan);
        return;
    }
    const Bytes opened = afKvp({kvp(air.node(kWindow).nextAfSeq(), kKvpEvent, kTypeU8, 0x0000,
                                    u8Value(air.random().below(2)))});
    unicast(air, {kWindow, kHall, kCoord},
            appFrame(air, kWindow, kCoord, haAps(0x01, kDoorCluster, 0x01), opened));
}

void sleepyPolls(FrameQueue& air, SimPan&) {
    idlePoll(air, kDoor);
    if (air.node(kWindow).joined)
        idlePoll(air, kWindow);
}

// The hall router loses power: the coordinator's request and the door sensor's
// poll go unanswered; the sensor looks for its parent with an orphan
// notification and, once the router is back, is realigned.
void hallOutage(FrameQueue& air, SimPan& pan) {
    const Bytes request = zdoFrame(air.node(kCoord), kMgmtLqiReq, {0x00});
    HopOptions lost;
    lost.lost = true;
    hop(air, kCoord, kHall, nwkData(air.node(kCoord), shortOf(air, kHall), request).encode(), lost);
    SendOptions noAnswer;
    noAnswer.lost = true;
    air.send(dataRequest(air.node(kDoor), air.node(kHall)), kDoor, noAnswer);
    air.send(orphanNotification(air.node(kDoor)), kDoor);
    SendOptions acked;
    acked.acker = kDoor;
    air.send(coordinatorRealignment(air.node(kHall), air.node(kDoor), pan.channel()), kHall, acked);
}

void badFrame(FrameQueue& air, SimPan&) {
    badReception(air);
}

constexpr std::array<WeightedEpisode, 14> kEpisodes = {{
    {switchLight, 10},
    {dimLight, 5},
    {queryLight, 5},
    {reportTemperature, 12},
    {openDoor, 6},
    {matchDescriptor, 4},
    {sendSchedule, 4},
    {readNeighbourTable, 4},
    {discoverRoute, 4},
    {heaterComesAndGoes, 4},
    {windowSensor, 5},
    {sleepyPolls, 12},
    {hallOutage, 2},
    {badFrame, 4},
}};

} // namespace

SimPan makeHomePan(int channelIndex, SimRandom& random) {
    SimPan pan;
    pan.kind = PanKind::kHome;
    pan.channelIndex = channelIndex;
    pan.panId = static_cast<uint16_t>(0x1000 + random.below(0x3000));
    const std::array<NodeSpec, 8> specs = {{
        {"Coordinator", 0x0000, -52, 106, -1, false, true, 0x000D6F},
        {"Hall router", 0x0001, -61, 102, kCoord, false, true, 0x000D6F},
        {"Lounge router", 0x0020, -70, 97, kCoord, false, true, 0x000D6F},
        {"Kitchen light", 0x007D, -58, 104, kCoord},
        {"Garage heater", 0x007E, -79, 91, kCoord},
        {"Door sensor", 0x001E, -84, 86, kHall, true, false, 0x0004A3},
        {"Window sensor", 0x001F, -80, 89, kHall, true, false, 0x0004A3},
        {"Thermostat", 0x003D, -76, 92, kLounge},
    }};
    for (const NodeSpec& spec : specs)
        pan.nodes.push_back(makeNode(spec, pan.panId, 1, random));
    pan.nodes[kWindow].joined = false; // joins while the capture runs
    return pan;
}

void homeEpisode(FrameQueue& air, SimPan& pan) {
    runOneOf(kEpisodes, air, pan);
}

} // namespace qlm::sim
