#include "sim/office_pan.h"

#include "sim/aps_frames.h"
#include "sim/mailbox_messages.h"
#include "sim/node_factory.h"
#include "sim/nwk_delivery.h"
#include "sim/pan_episodes.h"

#include <array>

namespace qlm::sim {

namespace {

enum : int { kGateway, kMeter, kBoiler, kVisitor };
constexpr uint8_t kMailboxEndpoint = 0x0A;
constexpr uint8_t kMailboxCluster = 0x01;
constexpr uint32_t kGatewayApp = 0x47570001;
constexpr uint32_t kMeterApp = 0x4D520007;

uint16_t shortOf(FrameQueue& air, int node) {
    return air.node(node).shortAddress;
}

NwkFrame mailbox(FrameQueue& air, int from, uint16_t to, const Bytes& body) {
    ApsDelivery delivery;
    delivery.mode = to == kBroadcastAddress ? kBroadcastDelivery : kDirectDelivery;
    const Bytes aps =
        apsData(kMailboxEndpoint, kMailboxCluster, kProfileMailBox, kMailboxEndpoint, delivery);
    SimNode& sender = air.node(from);
    return nwkData(sender, to, joined(aps, afMessages({message(sender.nextAfSeq(), body)})));
}

void meterToGateway(FrameQueue& air, const Bytes& body, int damagedHop = -1) {
    unicast(air, {kMeter, kGateway}, mailbox(air, kMeter, shortOf(air, kGateway), body),
            damagedHop);
}

void gatewayToMeter(FrameQueue& air, const Bytes& body) {
    unicast(air, {kGateway, kMeter}, mailbox(air, kGateway, shortOf(air, kMeter), body));
}

void exchangeAppIds(FrameQueue& air, SimPan&) {
    meterToGateway(air, mailboxAppIdRequest());
    gatewayToMeter(air, mailboxAppIdResponse(kGatewayApp));
}

Bytes meterData(FrameQueue& air) {
    Bytes data;
    putU32(data, 0x0001E000 + air.random().below(0x1000));
    putU16(data, 225 + air.random().below(12));
    return data;
}

// A reading acknowledged by the gateway; now and then the gateway asks for it
// again later and the meter repeats it marked as a retry.
void meterReading(FrameQueue& air, SimPan& pan) {
    const uint8_t sequence = pan.appSequence++;
    const Bytes data = meterData(air);
    meterToGateway(air, mailboxData(kMeterApp, sequence, 0x02, data));
    if (air.random().percent(80)) {
        gatewayToMeter(air, mailboxAck(0, sequence));
        return;
    }
    gatewayToMeter(air, mailboxAck(5, sequence, 3000));
    meterToGateway(air, mailboxData(kMeterApp, sequence, 0x06, data));
    gatewayToMeter(air, mailboxAck(0, sequence));
}

// A reading for every MailBox device, repeated by the gateway.
void broadcastReading(FrameQueue& air, SimPan& pan) {
    const Bytes body = mailboxData(kMeterApp, pan.appSequence++, 0x01, meterData(air));
    broadcast(air, mailbox(air, kMeter, kBroadcastAddress, body), kMeter, {{kGateway, 1}});
}

// The gateway lets the network sleep; the meter reader repeats the broadcast.
void permitSleep(FrameQueue& air, SimPan&) {
    const Bytes body = mailboxSleepPermit(kGatewayApp, 30, 0x000E10, 20);
    broadcast(air, mailbox(air, kGateway, kBroadcastAddress, body), kGateway, {{kMeter, 1}});
}

// A redirect of the meter's reports; its answer sometimes reaches the sniffer damaged.
void redirectMeter(FrameQueue& air, SimPan&) {
    gatewayToMeter(air, mailboxRedirect(kGatewayApp, 0x01, 0x0003));
    meterToGateway(air, mailboxPresent(), air.random().percent(30) ? 0 : -1);
}

void customMessage(FrameQueue& air, SimPan& pan) {
    const Bytes payload = {0x10, 0x02, air.random().byte(), 0x00, 0x3C};
    meterToGateway(air, mailboxCustom(static_cast<uint8_t>(air.random().between(0x80, 0x8F)),
                                      kMeterApp, payload));
    gatewayToMeter(air, mailboxAck(0, pan.appSequence));
}

Bytes randomBytes(FrameQueue& air, int count) {
    Bytes out;
    for (int i = 0; i < count; ++i)
        putU8(out, air.random().byte());
    return out;
}

// The boiler panel's report is NWK-secured all the way to the gateway.
void securedReport(FrameQueue& air, SimPan&) {
    Bytes secured = {0x28};
    putU32(secured, air.random().raw());
    putU64(secured, air.node(kBoiler).extAddress);
    putU8(secured, 0x00);
    append(secured, randomBytes(air, 18));
    const NwkFrame frame = nwkData(air.node(kBoiler), shortOf(air, kGateway), secured, true);
    unicast(air, {kBoiler, kMeter, kGateway}, frame);
}

// The gateway sends the network key to the boiler panel through the meter reader.
void transportKey(FrameQueue& air, SimPan&) {
    Bytes body = {0x01};
    append(body, randomBytes(air, 16));
    putU8(body, 0x00);
    putU64(body, air.node(kBoiler).extAddress);
    putU64(body, air.node(kGateway).extAddress);
    const NwkFrame frame =
        nwkData(air.node(kGateway), shortOf(air, kBoiler), apsCommand(0x05, body));
    unicast(air, {kGateway, kMeter, kBoiler}, frame);
}

// A visiting tag scans, picks the gateway and is refused.
void visitorDenied(FrameQueue& air, SimPan& pan) {
    activeScan(air, pan, kVisitor);
    associate(air, pan, {kVisitor, kGateway, 0x80, kBroadcastAddress, 0x02});
}

void boilerPoll(FrameQueue& air, SimPan&) {
    idlePoll(air, kBoiler);
}

void badFrame(FrameQueue& air, SimPan&) {
    badReception(air);
}

constexpr std::array<WeightedEpisode, 11> kEpisodes = {{
    {exchangeAppIds, 5},
    {meterReading, 14},
    {broadcastReading, 4},
    {permitSleep, 3},
    {redirectMeter, 4},
    {customMessage, 4},
    {securedReport, 6},
    {transportKey, 3},
    {visitorDenied, 3},
    {boilerPoll, 12},
    {badFrame, 3},
}};

} // namespace

SimPan makeOfficePan(int channelIndex, SimRandom& random) {
    SimPan pan;
    pan.kind = PanKind::kOffice;
    pan.channelIndex = channelIndex;
    pan.panId = static_cast<uint16_t>(0x4000 + random.below(0x3000));
    const std::array<NodeSpec, 4> specs = {{
        {"Office gateway", 0x0000, -64, 100, -1, false, true, 0x0013A2},
        {"Meter reader", 0x0001, -73, 95, kGateway, false, true, 0x0013A2},
        {"Boiler panel", 0x000C, -87, 84, kMeter, true, false, 0x0013A2},
        {"Visitor tag", kNoShortAddress, -66, 99, -1, false, false, 0x0050C2},
    }};
    for (const NodeSpec& spec : specs)
        pan.nodes.push_back(makeNode(spec, pan.panId, 1, random));
    pan.nodes[kVisitor].pan = kBroadcastAddress;
    pan.nodes[kVisitor].joined = false;
    pan.appSequence = random.byte();
    return pan;
}

void officeEpisode(FrameQueue& air, SimPan& pan) {
    runOneOf(kEpisodes, air, pan);
}

} // namespace qlm::sim
