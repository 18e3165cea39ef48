#pragma once

#include "sim/byte_writer.h"
#include "sim/sim_node.h"

#include <initializer_list>
#include <optional>
#include <string_view>

namespace qlm::sim {

// APS delivery modes.
enum : uint8_t { kDirectDelivery = 0x00, kIndirectDelivery = 0x04, kBroadcastDelivery = 0x08 };

// Profiles.
constexpr uint16_t kProfileZdo = 0x0000;
constexpr uint16_t kProfileHomeControls = 0x0100;  // ZigBee 2004 Home Controls-Lighting
constexpr uint16_t kProfileMailBox = 0xC1EE;
constexpr uint16_t kProfileLab = 0xC0A5;

// KVP command types and data types of AF key-value transactions.
enum : uint8_t {
    kKvpSet = 1,
    kKvpEvent = 2,
    kKvpGetAck = 4,
    kKvpSetAck = 5,
    kKvpEventAck = 6,
    kKvpGetResponse = 8,
    kKvpSetResponse = 9,
    kKvpEventResponse = 10,
};
enum : uint8_t {
    kTypeNull = 0,
    kTypeU8 = 1,
    kTypeS8 = 2,
    kTypeU16 = 3,
    kTypeS16 = 4,
    kTypeSemi = 11,
    kTypeAbsTime = 12,
    kTypeRelTime = 13,
    kTypeChar = 14,
    kTypeBlob = 15,
};

struct ApsDelivery {
    uint8_t mode = kDirectDelivery;
    bool toBinding = false; // indirect towards the binding table: no destination endpoint
    bool ackRequest = false;
};

// APS data header. Indirect delivery towards the binding table leaves out the
// destination endpoint, indirect delivery from it the source endpoint.
Bytes apsData(std::optional<uint8_t> destinationEndpoint, uint8_t cluster, uint16_t profile,
              std::optional<uint8_t> sourceEndpoint, const ApsDelivery& delivery = {});
Bytes apsAck(uint8_t destinationEndpoint, uint8_t cluster, uint16_t profile,
             uint8_t sourceEndpoint);
Bytes apsCommand(uint8_t command, const Bytes& body);

// AF frames: a header with the transaction type and count, then the transactions.
Bytes afKvp(std::initializer_list<Bytes> transactions);
Bytes afMessages(std::initializer_list<Bytes> transactions);
Bytes kvp(uint8_t sequence, uint8_t command, uint8_t dataType, uint16_t attribute,
          const Bytes& value = {}, std::optional<uint8_t> result = std::nullopt);
Bytes message(uint8_t sequence, const Bytes& data);

// KVP values.
Bytes u8Value(unsigned value);
Bytes u16Value(unsigned value);
Bytes s8Value(int value);
Bytes s16Value(int value);
Bytes s32Value(int32_t value);
// IEEE 754 half precision, for normal positive and negative values.
Bytes semiValue(double value);
Bytes textValue(std::string_view text);
Bytes blobValue(const Bytes& data);

// A ZDO frame: APS header on endpoint 0 and one AF message transaction.
Bytes zdoFrame(SimNode& sender, uint8_t cluster, const Bytes& body, bool broadcast = false);

} // namespace qlm::sim
