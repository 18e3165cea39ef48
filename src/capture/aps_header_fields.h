#pragma once

#include "capture/frame_bytes.h"
#include "capture/security_header_fields.h"

#include <cstdint>

namespace qlm {

// ZigBee 2006/PRO APS frame types and delivery modes.
enum ApsFrameType : uint8_t { kApsData = 0, kApsCommand = 1, kApsAck = 2, kApsInterPan = 3 };
enum ApsDeliveryMode : uint8_t {
    kApsUnicast = 0,
    kApsIndirect = 1,  // ZigBee 2004 only
    kApsBroadcast = 2,
    kApsGroup = 3,
};

// Frame control bits.
constexpr uint8_t kApsFrameTypeMask = 0x03;
constexpr uint8_t kApsAckFormat = 0x10;       // an acknowledgement of a command: no addressing
constexpr uint8_t kApsSecurity = 0x20;
constexpr uint8_t kApsAckRequest = 0x40;
constexpr uint8_t kApsExtendedHeader = 0x80;

// Fragmentation, bits 0-1 of the extended frame control.
enum ApsFragmentation : uint8_t { kNotFragmented = 0, kFirstFragment = 1, kLaterFragment = 2 };

// A ZigBee 2006/PRO APS header as its frame control lays it out. A field the
// frame does not carry has position -1; whether the fields were captured is the
// reader's question.
struct ApsHeaderFields {
    int start = -1;
    uint8_t control = 0;
    int destinationEndpointAt = -1;
    int groupAt = -1;
    int clusterAt = -1;
    int profileAt = -1;
    int sourceEndpointAt = -1;
    int counterAt = -1;
    int extendedControlAt = -1;
    int blockAt = -1;
    int ackBitfieldAt = -1;
    SecurityHeaderFields security;
    int payloadAt = -1;  // the command identifier of a command frame

    uint8_t frameType() const { return control & kApsFrameTypeMask; }
    uint8_t deliveryMode() const { return control >> 2 & 0x03; }
    bool ackFormat() const { return (control & kApsAckFormat) != 0; }
    bool secured() const { return (control & kApsSecurity) != 0; }
    bool extendedHeader() const { return (control & kApsExtendedHeader) != 0; }
};

ApsHeaderFields readApsHeader(const FrameBytes& bytes, int start);

} // namespace qlm
