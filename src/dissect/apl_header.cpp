// APL (APS) header: frame control, endpoints, cluster and profile, the ZDO and
// MailBox cluster cells, and the hand-over to the AF transactions.

#include "dissect/apl_header.h"

#include "dissect/af_frame.h"
#include "dissect/apl_tables.h"
#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/hex_run.h"
#include "dissect/short_text.h"
#include "dissect/zdo_cluster.h"

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kStyle{CellBrush::kSecondYellow, true};
constexpr CellStyle kAfStyle{CellBrush::kViolet, true};

// Frame control, as ZigBee 2004 reads it.
constexpr uint8_t kDeliveryMask = 0x0C;
constexpr uint8_t kIndirectDelivery = 0x04;
constexpr uint8_t kIndirectToBindingTable = 0x10;

constexpr uint16_t kMailBoxProfile = 0xC1EE;

constexpr FlagField kControlFlags[] = {
    {kIndirectToBindingTable, "IDM", "NoD",
     "This message is being referred to the binding table and no destination will be specified  "
     "(APL)",
     "NoS",
     "This message was being referred from the binding table and no source will be specified  "
     "(APL)"},
    kApsEncryptionFlag,
    kApsAckRequestFlag,
};
constexpr C kControlFlagColumns[] = {C::kAplIdmStatus, C::kAplEncryption, C::kAplAckRequest};

struct ApsAddressing {
    int destinationEndpoint = -1;
    int sourceEndpoint = -1;
    uint8_t cluster = 0;
    uint16_t profile = 0;

    // The device objects talk from endpoint 0 (or none) to endpoint 0.
    bool isZdo() const { return sourceEndpoint < 1 && destinationEndpoint == 0; }
};

void decodeFrameControl(FrameDecoding& d, uint8_t control) {
    const ValueSentence& type = kApsFrameTypes[control & kApsFrameTypeMask];
    d.out.cell(C::kAplFrameType, kStyle, "Type", type.value, Sentence(type.explanation));
    const ValueSentence& delivery = kApsDeliveryModes[(control & kDeliveryMask) >> 2];
    d.out.cell(C::kAplDeliveryMethod, kStyle, "Dlvry", delivery.value,
               Sentence(delivery.explanation));
    for (size_t i = 0; i < std::size(kControlFlags); ++i)
        emitFlag(d, kControlFlagColumns[i], kStyle, kControlFlags[i], control);
    d.cursor += 1;
    d.out.endGroup();
}

// Indirect delivery leaves out the destination endpoint when the frame goes to the
// binding table (bit 4 set) and the source endpoint when it comes from it.
bool decodeAddressing(FrameDecoding& d, uint8_t control, const AplAddressingColumns& columns,
                      ApsAddressing& addressing) {
    const bool indirect = (control & kDeliveryMask) == kIndirectDelivery;
    const bool toBindingTable = (control & kIndirectToBindingTable) != 0;
    if (!(indirect && toBindingTable)) {
        addressing.destinationEndpoint = d.byte(d.cursor);
        if (!emitHexField(d, columns.destinationEndpoint, kStyle, "DstEP", 1,
                          "The destination endpoint is 0x%s  (APL)"))
            return false;
    }
    addressing.cluster = d.byte(d.cursor);
    if (!emitHexField(d, columns.cluster, kStyle, "Clst", 1,
                      "The cluster identifier is 0x%s  (APL)"))
        return false;
    addressing.profile = d.le16(d.cursor);
    if (!emitHexField(d, columns.profile, kStyle, "Prfl", 2,
                      "The profile identifier is 0x%s  (APL)"))
        return false;
    if (!(indirect && !toBindingTable)) {
        addressing.sourceEndpoint = d.byte(d.cursor);
        if (!emitHexField(d, columns.sourceEndpoint, kStyle, "SrcEP", 1,
                          "The source endpoint is 0x%s  (APL)"))
            return false;
    }
    d.out.endGroup();
    return true;
}

void emitClusterCells(FrameDecoding& d, const ApsAddressing& addressing, bool mailBoxFrame) {
    if (addressing.isZdo()) {
        const ShortText cluster = ShortText::hexByte(addressing.cluster);
        d.out.cell(C::kAfZdoCluster, kAfStyle, "ZDO cluster", zdoClusterName(addressing.cluster),
                   Sentence("The ZDO cluster is 0x%s (inferred from APL data)  (AF)", cluster));
        d.out.endGroup();
    }
    if (mailBoxFrame && d.context.mailBox) {
        const ShortText cluster = ShortText::hex16(addressing.cluster);
        d.out.cell(C::kAfZdoCluster, kAfStyle, "Mbx Clst", cluster,
                   Sentence("The Functional Cluster is 0x%s (AF)", cluster));
        d.out.endGroup();
    }
}

// Returns the start of the last AF transaction decoded, -1 when there was none.
int decodeData(FrameDecoding& d, uint8_t control) {
    ApsAddressing addressing;
    if (!decodeAddressing(d, control, kAplDataColumns, addressing))
        return -1;
    const bool mailBoxFrame = addressing.profile == kMailBoxProfile && !addressing.isZdo();
    emitClusterCells(d, addressing, mailBoxFrame);
    if ((control & kApsSecurity) != 0)
        return -1;
    return decodeAfFrame(d, mailBoxFrame);
}

void decodeCommand(FrameDecoding& d) {
    emitHexField(d, C::kAplCommand, kStyle, "Command", 1, "The command identifier is 0x%s  (APL)");
    d.out.endGroup();
}

// The acknowledged frame's addressing, then what follows it as AF hex payload.
void decodeAcknowledgement(FrameDecoding& d, uint8_t control) {
    ApsAddressing addressing;
    decodeAddressing(d, control, kAplAcknowledgedColumns, addressing);
    emitHexRun(d, C::kAfHexPayload, CellBrush::kGrey, d.cursor);
}

} // namespace

void decodeAplFrame(FrameDecoding& d) {
    int lastTransaction = -1;
    if (d.fieldAtCursor(1, C::kAplFrameType, "Type")) {
        const uint8_t control = d.byte(d.cursor);
        decodeFrameControl(d, control);
        switch (control & kApsFrameTypeMask) {
        case kApsData:
            lastTransaction = decodeData(d, control);
            break;
        case kApsCommand:
            decodeCommand(d);
            break;
        case kApsAck:
            decodeAcknowledgement(d, control);
            break;
        default:
            break; // reserved: the rest shows as hex payload
        }
    }
    emitHexRun(d, C::kAplHexPayload, CellBrush::kSecondYellow,
               lastTransaction >= 0 ? lastTransaction : d.cursor);
}

} // namespace qlm
