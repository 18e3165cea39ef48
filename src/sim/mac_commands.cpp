#include "sim/mac_commands.h"

namespace qlm::sim {

namespace {

Bytes command(const MacAddress& destination, const MacAddress& source, const Bytes& payload,
              MacFlags flags = {}) {
    return macFrame(kMacCommand, destination, source, payload, flags);
}

MacFlags acknowledged() {
    MacFlags flags;
    flags.ackRequest = true;
    return flags;
}

} // namespace

Bytes dataFrame(const SimNode& source, uint16_t destination, const Bytes& payload, bool pending,
                bool secured) {
    MacFlags flags;
    flags.ackRequest = destination != kBroadcastAddress;
    flags.pending = pending;
    flags.secured = secured;
    return macFrame(kMacData, shortAddress(source.pan, destination),
                    shortAddress(source.pan, source.shortAddress), payload, flags);
}

Bytes beaconFrame(const SimNode& coordinator, const Bytes& payload) {
    return macFrame(kMacBeacon, noAddress(),
                    shortAddress(coordinator.pan, coordinator.shortAddress), payload);
}

Bytes beaconRequest() {
    return command(shortAddress(kBroadcastAddress, kBroadcastAddress), noAddress(),
                   {kBeaconRequest});
}

Bytes associationRequest(const SimNode& device, const SimNode& coordinator, uint8_t capability) {
    return command(shortAddress(coordinator.pan, coordinator.shortAddress),
                   extendedAddress(kBroadcastAddress, device.extAddress),
                   {kAssociationRequest, capability}, acknowledged());
}

Bytes associationResponse(const SimNode& coordinator, const SimNode& device, uint16_t assigned,
                          uint8_t status) {
    Bytes payload = {kAssociationResponse};
    putU16(payload, assigned);
    putU8(payload, status);
    return command(extendedAddress(coordinator.pan, device.extAddress),
                   extendedAddress(coordinator.pan, coordinator.extAddress), payload,
                   acknowledged());
}

Bytes dataRequest(const SimNode& device, const SimNode& coordinator, bool sourceExtended,
                  bool toPanCoordinator) {
    const uint16_t pan = coordinator.pan;
    const MacAddress destination =
        toPanCoordinator ? noAddress() : shortAddress(pan, coordinator.shortAddress);
    const MacAddress source = sourceExtended ? extendedAddress(pan, device.extAddress)
                                             : shortAddress(pan, device.shortAddress);
    return command(destination, source, {kDataRequest}, acknowledged());
}

Bytes disassociation(const SimNode& device, const SimNode& coordinator, uint8_t reason) {
    return command(extendedAddress(device.pan, coordinator.extAddress),
                   extendedAddress(device.pan, device.extAddress), {kDisassociationNotification, reason},
                   acknowledged());
}

Bytes panIdConflict(const SimNode& device, const SimNode& coordinator) {
    return command(extendedAddress(device.pan, coordinator.extAddress),
                   extendedAddress(device.pan, device.extAddress), {kPanIdConflict},
                   acknowledged());
}

Bytes orphanNotification(const SimNode& device) {
    MacFlags flags;
    flags.intraPan = true;
    return command(shortAddress(kBroadcastAddress, kBroadcastAddress),
                   extendedAddress(kBroadcastAddress, device.extAddress), {kOrphanNotification},
                   flags);
}

Bytes coordinatorRealignment(const SimNode& parent, const SimNode& orphan, int channel) {
    Bytes payload = {kCoordinatorRealignment};
    putU16(payload, parent.pan);
    putU16(payload, parent.shortAddress);
    putU8(payload, static_cast<unsigned>(channel));
    putU16(payload, orphan.shortAddress);
    return command(extendedAddress(kBroadcastAddress, orphan.extAddress),
                   extendedAddress(parent.pan, parent.extAddress), payload, acknowledged());
}

Bytes gtsRequest(const SimNode& device, int length, bool receive, bool allocate) {
    const uint8_t characteristics = static_cast<uint8_t>(length | receive << 4 | allocate << 5);
    return command(noAddress(), shortAddress(device.pan, device.shortAddress),
                   {kGtsRequest, characteristics}, acknowledged());
}

} // namespace qlm::sim
