#include "dissect/field_column.h"

#include <array>

namespace qlm {
namespace {

using C = FieldColumn;
using L = Layer;

constexpr std::array<FieldColumnInfo, kFieldColumnCount> kCatalogue{{
    {C::kPhyFrameNumber, L::kPhy, "Frame #"},
    {C::kPhyTime, L::kPhy, "T (Time)"},
    {C::kPhyTimeSinceLast, L::kPhy, "dT (Time since last)"},
    {C::kPhyPreamble, L::kPhy, "Preamble"},
    {C::kPhyLength, L::kPhy, "Length"},
    {C::kPhyHexPayload, L::kPhy, "Hex payload"},
    {C::kPhyRssi, L::kPhy, "RSSI (Signal quality)"},
    {C::kPhyLqi, L::kPhy, "LQI (Link quality)"},
    {C::kPhyFcs, L::kPhy, "FCS (Error status)"},

    {C::kMacFrameType, L::kMac, "Frame type"},
    {C::kMacEncryption, L::kMac, "Encryption"},
    {C::kMacPendingMessages, L::kMac, "Pending messages"},
    {C::kMacAckRequest, L::kMac, "Ack request"},
    {C::kMacSequenceNumber, L::kMac, "Sequence number"},
    {C::kMacSource, L::kMac, "Source"},
    {C::kMacDestination, L::kMac, "Destination"},
    {C::kMacSuperframeSpec, L::kMac, "Superframe spec (BCN)"},
    {C::kMacTimeSlots, L::kMac, "Time slots (BCN)"},
    {C::kMacPendingAddresses, L::kMac, "Pending addrs (BCN)"},
    {C::kMacCommands, L::kMac, "Commands"},
    {C::kMacHexPayload, L::kMac, "Hex payload"},

    {C::kNwkFrameType, L::kNwk, "Frame type"},
    {C::kNwkProtocolVersion, L::kNwk, "Protocol version"},
    {C::kNwkDiscoveryRule, L::kNwk, "Discovery rule"},
    {C::kNwkEncryption, L::kNwk, "Encryption"},
    {C::kNwkOriginator, L::kNwk, "Originator"},
    {C::kNwkUltimateDestination, L::kNwk, "Ultimate destination"},
    {C::kNwkRadius, L::kNwk, "Radius"},
    {C::kNwkSequenceNumber, L::kNwk, "Sequence number"},
    {C::kNwkMulticast, L::kNwk, "Multicast"},
    {C::kNwkSourceRoute, L::kNwk, "Source route"},
    {C::kNwkIeeeAddresses, L::kNwk, "IEEE addresses"},
    {C::kNwkEndDeviceInitiator, L::kNwk, "End device initiator"},
    {C::kNwkSecurityHeader, L::kNwk, "Security header"},
    {C::kNwkMic, L::kNwk, "MIC"},
    {C::kNwkDecryption, L::kNwk, "Decryption"},
    {C::kNwkCommand, L::kNwk, "Command"},
    {C::kNwkHexPayload, L::kNwk, "Hex payload"},

    {C::kAplFrameType, L::kApl, "Frame Type"},
    {C::kAplDeliveryMethod, L::kApl, "Delivery method"},
    {C::kAplIdmStatus, L::kApl, "IDM src/dest status"},
    {C::kAplEncryption, L::kApl, "Encryption"},
    {C::kAplAckRequest, L::kApl, "Ack request"},
    {C::kAplDestinationEndpoint, L::kApl, "Destination endpoint"},
    {C::kAplCluster, L::kApl, "Cluster"},
    {C::kAplProfile, L::kApl, "Profile"},
    {C::kAplSourceEndpoint, L::kApl, "Source endpoint"},
    {C::kAplGroupAddress, L::kApl, "Group address"},
    {C::kAplCounter, L::kApl, "APS counter"},
    {C::kAplExtendedHeader, L::kApl, "Extended header"},
    {C::kAplSecurityHeader, L::kApl, "Security header"},
    {C::kAplMic, L::kApl, "MIC"},
    {C::kAplDecryption, L::kApl, "Decryption"},
    {C::kAplCommand, L::kApl, "Command"},
    {C::kAplAcknowledgeInfo, L::kApl, "Acknowledge info"},
    {C::kAplHexPayload, L::kApl, "Hex payload"},

    {C::kAfFrameHeader, L::kAf, "Frame Header"},
    {C::kAfZdoCluster, L::kAf, "ZDO Cluster"},
    {C::kAfSequenceNumber, L::kAf, "Sequence number"},
    {C::kAfCommandType, L::kAf, "Command type"},
    {C::kAfDataType, L::kAf, "Data type"},
    {C::kAfResult, L::kAf, "Result"},
    {C::kAfAttribute, L::kAf, "Attribute"},
    {C::kAfHexValue, L::kAf, "Hex value"},
    {C::kAfNativeValue, L::kAf, "Native value"},
    {C::kAfMessage, L::kAf, "Message"},
    {C::kAfHexPayload, L::kAf, "Hex payload"},

    {C::kZclFrameControl, L::kZcl, "Frame control"},
    {C::kZclManufacturer, L::kZcl, "Manufacturer"},
    {C::kZclSequenceNumber, L::kZcl, "Sequence number"},
    {C::kZclCommand, L::kZcl, "Command"},
    {C::kZclAttribute, L::kZcl, "Attribute"},
    {C::kZclDataType, L::kZcl, "Data type"},
    {C::kZclValue, L::kZcl, "Value"},
    {C::kZclResult, L::kZcl, "Result"},
    {C::kZclHexPayload, L::kZcl, "Hex payload"},
}};

constexpr bool catalogueIsInEnumOrder() {
    for (size_t i = 0; i < kCatalogue.size(); ++i) {
        if (static_cast<size_t>(kCatalogue[i].column) != i)
            return false;
        if (i > 0 && kCatalogue[i].layer < kCatalogue[i - 1].layer)
            return false;
    }
    return true;
}
static_assert(catalogueIsInEnumOrder(), "columnInfo indexes the catalogue by column");

} // namespace

const FieldColumnInfo& columnInfo(FieldColumn column) {
    return kCatalogue[static_cast<size_t>(column)];
}

std::span<const FieldColumnInfo> columnsOfLayer(Layer layer) {
    size_t first = 0;
    while (first < kCatalogue.size() && kCatalogue[first].layer != layer)
        ++first;
    size_t end = first;
    while (end < kCatalogue.size() && kCatalogue[end].layer == layer)
        ++end;
    return std::span(kCatalogue).subspan(first, end - first);
}

std::optional<FieldColumn> findColumn(Layer layer, std::string_view name) {
    for (const FieldColumnInfo& info : columnsOfLayer(layer))
        if (info.name == name)
            return info.column;
    return std::nullopt;
}

} // namespace qlm
