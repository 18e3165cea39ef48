#pragma once

#include "dissect/layer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qlm {

// The selectable fields of the decode grid. Each column guards the cells of one
// field; the order within a layer is the order of the field list.
enum class FieldColumn : uint8_t {
    kPhyFrameNumber,
    kPhyTime,
    kPhyTimeSinceLast,
    kPhyPreamble,
    kPhyLength,
    kPhyHexPayload,
    kPhyRssi,
    kPhyLqi,
    kPhyFcs,

    kMacFrameType,
    kMacEncryption,
    kMacPendingMessages,
    kMacAckRequest,
    kMacSequenceNumber,
    kMacSource,
    kMacDestination,
    kMacSuperframeSpec,
    kMacTimeSlots,
    kMacPendingAddresses,
    kMacCommands,
    kMacHexPayload,

    kNwkFrameType,
    kNwkProtocolVersion,
    kNwkDiscoveryRule,
    kNwkEncryption,
    kNwkOriginator,
    kNwkUltimateDestination,
    kNwkRadius,
    kNwkSequenceNumber,
    kNwkMulticast,
    kNwkSourceRoute,
    kNwkIeeeAddresses,
    kNwkEndDeviceInitiator,
    kNwkSecurityHeader,
    kNwkMic,
    kNwkDecryption,
    kNwkCommand,
    kNwkHexPayload,

    kAplFrameType,
    kAplDeliveryMethod,
    kAplIdmStatus,
    kAplEncryption,
    kAplAckRequest,
    kAplDestinationEndpoint,
    kAplCluster,
    kAplProfile,
    kAplSourceEndpoint,
    kAplGroupAddress,
    kAplCounter,
    kAplExtendedHeader,
    kAplSecurityHeader,
    kAplMic,
    kAplDecryption,
    kAplCommand,
    kAplAcknowledgeInfo,
    kAplHexPayload,

    kAfFrameHeader,
    kAfZdoCluster,
    kAfSequenceNumber,
    kAfCommandType,
    kAfDataType,
    kAfResult,
    kAfAttribute,
    kAfHexValue,
    kAfNativeValue,
    kAfMessage,
    kAfHexPayload,

    kZclFrameControl,
    kZclManufacturer,
    kZclSequenceNumber,
    kZclCommand,
    kZclAttribute,
    kZclDataType,
    kZclValue,
    kZclResult,
    kZclHexPayload,
};
constexpr int kFieldColumnCount = 76;

struct FieldColumnInfo {
    FieldColumn column;
    Layer layer;
    std::string_view name;  // as the field list shows it
};

const FieldColumnInfo& columnInfo(FieldColumn column);
inline Layer columnLayer(FieldColumn column) { return columnInfo(column).layer; }
inline std::string_view columnName(FieldColumn column) { return columnInfo(column).name; }

// The columns of one layer in list order.
std::span<const FieldColumnInfo> columnsOfLayer(Layer layer);
// The column of a layer with this list name, if there is one.
std::optional<FieldColumn> findColumn(Layer layer, std::string_view name);

} // namespace qlm
