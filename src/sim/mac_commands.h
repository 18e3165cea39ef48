#pragma once

#include "capture/mac_identifiers.h"
#include "sim/mac_frames.h"
#include "sim/sim_node.h"

namespace qlm::sim {

// MAC frames between the radios of a PAN; the sequence number is filled in when
// the frame is sent.
Bytes dataFrame(const SimNode& source, uint16_t destination, const Bytes& payload,
                bool pending = false, bool secured = false);
Bytes beaconFrame(const SimNode& coordinator, const Bytes& payload);
Bytes beaconRequest();
Bytes associationRequest(const SimNode& device, const SimNode& coordinator, uint8_t capability);
Bytes associationResponse(const SimNode& coordinator, const SimNode& device, uint16_t assigned,
                          uint8_t status);
// A poll for pending data. In a beacon network the poll that follows the PAN
// coordinator's beacon needs no destination address.
Bytes dataRequest(const SimNode& device, const SimNode& coordinator, bool sourceExtended = false,
                  bool toPanCoordinator = false);
Bytes disassociation(const SimNode& device, const SimNode& coordinator, uint8_t reason);
Bytes panIdConflict(const SimNode& device, const SimNode& coordinator);
Bytes orphanNotification(const SimNode& device);
Bytes coordinatorRealignment(const SimNode& parent, const SimNode& orphan, int channel);
Bytes gtsRequest(const SimNode& device, int length, bool receive, bool allocate);

} // namespace qlm::sim
