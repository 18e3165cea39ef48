// APS frames of ZigBee 2006/PRO: header, ZDO cluster name and APS commands.

#include "dissect/aps_pro_frame.h"

#include "capture/aps_header_fields.h"
#include "dissect/apl_tables.h"
#include "dissect/aps_command.h"
#include "dissect/hex_field.h"
#include "dissect/hex_run.h"
#include "dissect/security_header.h"
#include "dissect/short_text.h"
#include "dissect/zcl_cluster_table.h"
#include "dissect/zcl_frame.h"
#include "dissect/zdp_frame.h"
#include "dissect/zdo_cluster.h"
#include "dissect/zigbee_profiles.h"
#include "security/decryption.h"

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kStyle{CellBrush::kSecondYellow, true};
constexpr CellStyle kAfStyle{CellBrush::kViolet, true};

constexpr SecurityColumns kSecurityColumns{C::kAplSecurityHeader, C::kAplDecryption, C::kAplMic,
                                           kStyle, Layer::kApl};

constexpr ValueSentence kInterPan = {
    "IPAN", "This Frame Control Field indicates this is an inter-PAN APL frame  (APL)"};
constexpr ValueSentence kGroupDelivery = {
    "Group", "This Frame Control Field indicates delivery to a group of endpoints  (APL)"};

constexpr FlagField kAckFormat = {
    kApsAckFormat, "AckFmt", "Cmd",
    "This Frame Control Field indicates the acknowledgement of a command frame, which carries no "
    "endpoints  (APL)",
    "Data", "This Frame Control Field indicates the acknowledgement of a data frame  (APL)"};

constexpr FlagField kExtendedHeader = {
    kApsExtendedHeader, "XHdr", "Yes",
    "This Frame Control Field indicates an extended header follows the APS counter  (APL)", "No",
    "This Frame Control Field indicates there is no extended header  (APL)"};

constexpr ValueSentence kFragmentation[4] = {
    {"None", "The frame is not fragmented  (APL)"},
    {"First", "The frame is the first block of a fragmented transmission  (APL)"},
    {"Part", "The frame is a later block of a fragmented transmission  (APL)"},
    {"???", "The fragmentation field is a reserved value not understood by the sniffer  (APL)"},
};

void decodeControl(FrameDecoding& d, const ApsHeaderFields& header) {
    const uint8_t type = header.frameType();
    const ValueSentence& typeText = type == kApsInterPan ? kInterPan : kApsFrameTypes[type];
    d.out.cell(C::kAplFrameType, kStyle, "Type", typeText.value, Sentence(typeText.explanation));
    const uint8_t mode = header.deliveryMode();
    const ValueSentence& delivery = mode == kApsGroup     ? kGroupDelivery
                                    : mode == kApsIndirect ? kApsDeliveryModes[3]
                                                           : kApsDeliveryModes[mode];
    d.out.cell(C::kAplDeliveryMethod, kStyle, "Dlvry", delivery.value,
               Sentence(delivery.explanation));
    if (type == kApsAck)
        emitFlag(d, C::kAplIdmStatus, kStyle, kAckFormat, header.control);
    emitFlag(d, C::kAplEncryption, kStyle, kApsEncryptionFlag, header.control);
    emitFlag(d, C::kAplAckRequest, kStyle, kApsAckRequestFlag, header.control);
    emitFlag(d, C::kAplExtendedHeader, kStyle, kExtendedHeader, header.control);
    d.cursor += 1;
    d.out.endGroup();
}

// The names of the cluster (of the ZigBee Cluster Library; the device objects'
// clusters are named in the ZDO cell) and of the profile.
std::string_view clusterName(const FrameDecoding& d, const ApsHeaderFields& header) {
    if (header.profileAt < 0 || !d.stored(header.profileAt, 2) || d.le16(header.profileAt) == 0)
        return {};
    const ZclCluster* cluster = findZclCluster(d.le16(header.clusterAt));
    return cluster != nullptr ? cluster->name : std::string_view{};
}

std::string_view profileName(const FrameDecoding& d, const ApsHeaderFields& header) {
    return d.stored(header.profileAt, 2) ? zigbeeProfileName(d.le16(header.profileAt))
                                         : std::string_view{};
}

bool decodeAddressing(FrameDecoding& d, const ApsHeaderFields& header,
                      const AplAddressingColumns& columns) {
    if (header.clusterAt < 0)
        return true;  // an acknowledgement of a command
    const bool decoded =
        (header.destinationEndpointAt < 0 ||
         emitHexField(d, columns.destinationEndpoint, kStyle, "DstEP", 1,
                      "The destination endpoint is 0x%s  (APL)")) &&
        (header.groupAt < 0 || emitHexField(d, C::kAplGroupAddress, kStyle, "Grp", 2,
                                            "The frame is for the group 0x%s  (APL)")) &&
        emitNamedHexField(d, columns.cluster, kStyle, "Clst", 2, clusterName(d, header),
                          "The cluster identifier is 0x%s  (APL)",
                          "The cluster identifier is 0x%s, %s  (APL)") &&
        emitNamedHexField(d, columns.profile, kStyle, "Prfl", 2, profileName(d, header),
                          "The profile identifier is 0x%s  (APL)",
                          "The profile identifier is 0x%s, %s  (APL)") &&
        (header.sourceEndpointAt < 0 ||
         emitHexField(d, columns.sourceEndpoint, kStyle, "SrcEP", 1,
                      "The source endpoint is 0x%s  (APL)"));
    if (decoded)
        d.out.endGroup();
    return decoded;
}

bool decodeCounter(FrameDecoding& d) {
    if (!emitHexField(d, C::kAplCounter, kStyle, "Cnt", 1, "The APS counter is 0x%s  (APL)"))
        return false;
    d.out.endGroup();
    return true;
}

bool decodeExtendedHeader(FrameDecoding& d, const ApsHeaderFields& header) {
    if (!d.fieldAtCursor(1, C::kAplExtendedHeader, "Frag"))
        return false;
    const ValueSentence& fragmentation = kFragmentation[d.byte(d.cursor) & 0x03];
    d.out.cell(C::kAplExtendedHeader, kStyle, "Frag", fragmentation.value,
               Sentence(fragmentation.explanation));
    d.cursor += 1;
    const bool decoded =
        (header.blockAt < 0 || emitHexField(d, C::kAplExtendedHeader, kStyle, "Block", 1,
                                            "The block number is 0x%s  (APL)")) &&
        (header.ackBitfieldAt < 0 ||
         emitHexField(d, C::kAplExtendedHeader, kStyle, "AckBits", 1,
                      "The blocks acknowledged, a bit per block, are 0x%s  (APL)"));
    if (decoded)
        d.out.endGroup();
    return decoded;
}

// The device objects talk from endpoint 0 to endpoint 0.
bool isZdoFrame(const FrameDecoding& d, const ApsHeaderFields& header) {
    return header.destinationEndpointAt >= 0 && d.byte(header.destinationEndpointAt) == 0 &&
           d.byte(header.sourceEndpointAt) == 0;
}

void emitZdoCluster(FrameDecoding& d, const ApsHeaderFields& header) {
    if (!isZdoFrame(d, header))
        return;
    const uint16_t id = d.le16(header.clusterAt);
    const ShortText cluster = ShortText::hex16(id);
    d.out.cell(C::kAfZdoCluster, kAfStyle, "ZDO cluster", proZdoClusterName(id),
               Sentence("The ZDO cluster is 0x%s (inferred from APL data)  (AF)", cluster));
    d.out.endGroup();
}

bool decodeHeader(FrameDecoding& d, const ApsHeaderFields& header) {
    const AplAddressingColumns& columns =
        header.frameType() == kApsAck ? kAplAcknowledgedColumns : kAplDataColumns;
    if (!decodeAddressing(d, header, columns))
        return false;
    if (header.frameType() == kApsInterPan)
        return true;
    return decodeCounter(d) && (!header.extendedHeader() || decodeExtendedHeader(d, header));
}

// The auxiliary header, the MIC and, when a key opens it, the payload in the
// clear. True when the payload was opened.
bool decodeSecuredPayload(FrameDecoding& d, const NwkHeaderFields& nwk,
                          const ApsHeaderFields& header) {
    if (!decodeSecurityHeader(d, header.security, kSecurityColumns) ||
        !decodeMic(d, header.security, d.cursor, kSecurityColumns))
        return false;
    const Decryption* decryption = d.context.decryption;
    return decryption != nullptr &&
           openSecuredLayer(
               d,
               apsSecuredLayer(d.source, framePan(d.source, readMacHeader(d.source)), nwk, header,
                               d.layerEnd, decryption->directory()),
               kSecurityColumns);
}

} // namespace

void decodeProApsFrame(FrameDecoding& d, const NwkHeaderFields& nwk) {
    int zclStart = -1;
    if (d.fieldAtCursor(1, C::kAplFrameType, "Type")) {
        const ApsHeaderFields header = readApsHeader(d.source, d.cursor);
        decodeControl(d, header);
        if (decodeHeader(d, header)) {
            if (header.frameType() == kApsData)
                emitZdoCluster(d, header);
            // An inter-PAN frame carries no auxiliary header, whatever its bit says.
            const bool plain =
                !header.security.present() || decodeSecuredPayload(d, nwk, header);
            if (plain && header.frameType() == kApsCommand)
                decodeApsCommand(d);
            if (plain && header.frameType() == kApsData && carriesZcl(d, header)) {
                zclStart = d.cursor;
                decodeZclFrame(d, header);
            } else if (plain && header.frameType() == kApsData && isZdoFrame(d, header)) {
                zclStart = d.cursor;
                decodeZdpFrame(d, d.le16(header.clusterAt));
            }
        }
    }
    emitHexRun(d, C::kAplHexPayload, CellBrush::kSecondYellow, zclStart >= 0 ? zclStart : d.cursor);
}

} // namespace qlm
