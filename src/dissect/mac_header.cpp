// MAC header: frame control, sequence number, addressing fields, payload dispatch.

#include "dissect/mac_header.h"

#include "capture/mac_header_fields.h"
#include "dissect/mac_beacon.h"
#include "dissect/mac_command.h"
#include "dissect/nwk_header.h"
#include "dissect/short_text.h"

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kAddressStyle{CellBrush::kWhite, true};

struct FrameTypeText {
    std::string_view value;
    std::string_view explanation;
};

constexpr FrameTypeText kFrameTypes[8] = {
    {"Bcn", "This Frame Control Field indicates this is a MAC Beacon frame  (MAC)"},
    {"Data", "This Frame Control Field indicates this is a data frame intended for a higher "
             "layer  (MAC)"},
    {"Ack", "This Frame Control Field indicates this is a MAC Acknowledge frame  (MAC)"},
    {"Cmd", "This Frame Control Field indicates this is a MAC Command frame  (MAC)"},
    {"???", "This Frame Control Field indicates this is a MAC Reserved frame not understood by "
            "the sniffer  (MAC)"},
    {"???", "This Frame Control Field indicates this is a MAC Reserved frame not understood by "
            "the sniffer  (MAC)"},
    {"???", "This Frame Control Field indicates this is a MAC Reserved frame not understood by "
            "the sniffer  (MAC)"},
    {"???", "This Frame Control Field indicates this is a MAC Reserved frame not understood by "
            "the sniffer  (MAC)"},
};

// A frame-control flag: its column and caption with the sentences for set and clear.
struct ControlFlag {
    C column;
    std::string_view caption;
    uint8_t mask;
    std::string_view whenSet;
    std::string_view whenClear;
};

constexpr ControlFlag kControlFlags[] = {
    {C::kMacEncryption, "Encr", kMacSecurityEnabled,
     "This Frame Control Field indicates the MAC payload is encrypted  (MAC)",
     "This Frame Control Field indicates the MAC payload is not encrypted  (MAC)"},
    {C::kMacPendingMessages, "Pnd", kMacFramePending,
     "This Frame Control Field indicates the sender has additional frames to send to the "
     "recipient  (MAC)",
     "This Frame Control Field indicates the sender has no further frames to send to the "
     "recipient  (MAC)"},
    {C::kMacAckRequest, "Ack", kMacAckRequest,
     "This Frame Control Field indicates a MAC-level acknowledge is required for this frame  "
     "(MAC)",
     "This Frame Control Field indicates a MAC-level acknowledge is not required for this "
     "frame  (MAC)"},
};

// Type, Encr, Pnd, Ack and Seq. Returns false when the frame ends before them.
bool decodeFrameControl(FrameDecoding& d, uint8_t control) {
    const uint8_t type = control & kMacFrameTypeMask;
    const CellStyle style{type == kMacAck ? CellBrush::kGreen : CellBrush::kWhite, true};
    d.out.cell(C::kMacFrameType, style, "Type", kFrameTypes[type].value,
               Sentence(kFrameTypes[type].explanation));
    for (const ControlFlag& flag : kControlFlags) {
        const bool set = (control & flag.mask) != 0;
        d.out.cell(flag.column, style, flag.caption, set ? "Yes" : "No",
                   Sentence(set ? flag.whenSet : flag.whenClear));
    }
    // The frame-control cells have no gap of their own; the sequence number's closes them.
    d.out.beginGroup();
    d.cursor = 3;
    if (!d.fieldAtCursor(1, C::kMacSequenceNumber, "Seq"))
        return false;
    const ShortText sequence = ShortText::hexByte(d.byte(3));
    d.out.cell(C::kMacSequenceNumber, style, "Seq", sequence,
               Sentence("The sequence number of this frame is 0x%s  (MAC)", sequence));
    d.out.endGroup();
    return true;
}

// A PAN identifier at the cursor.
bool decodePan(FrameDecoding& d, C column, std::string_view caption, std::string_view explanation) {
    if (!d.fieldAtCursor(2, column, caption))
        return false;
    const ShortText pan = ShortText::hex16(d.le16(d.cursor));
    d.cursor += 2;
    d.out.cell(column, kAddressStyle, caption, pan, Sentence(explanation, pan));
    return true;
}

// A short or extended address at the cursor.
bool decodeAddress(FrameDecoding& d, C column, std::string_view caption,
                   const MacAddressField& field, std::string_view shortExplanation,
                   std::string_view extendedExplanation) {
    if (!d.fieldAtCursor(field.size, column, caption))
        return false;
    const ShortText address = field.extended() ? ShortText::hex64(d.le64(d.cursor))
                                               : ShortText::hex16(d.le16(d.cursor));
    d.cursor += field.size;
    d.out.cell(column, kAddressStyle, caption, address,
               Sentence(field.extended() ? extendedExplanation : shortExplanation, address));
    return true;
}

bool decodeDestination(FrameDecoding& d, const MacAddressField& field) {
    if (!field.present())
        return true;
    d.out.beginGroup();
    const bool decoded =
        decodePan(d, C::kMacDestination, "DstPAN",
                  "The destination PAN (personal area network) is 0x%s  (MAC)") &&
        decodeAddress(d, C::kMacDestination, "DstAdd", field,
                      "The destination short address is 0x%s  (MAC)",
                      "The destination extended address is 0x%s  (MAC)");
    d.out.endGroup();
    return decoded;
}

bool decodeSource(FrameDecoding& d, const MacAddressField& field) {
    if (!field.present())
        return true;
    d.out.beginGroup();
    if (field.panAt < 0)
        d.out.cell(C::kMacSource, kAddressStyle, "SrcPAN", "Same",
                   Sentence("This is an intra-PAN frame, i.e. source and destination PAN are the "
                            "same.  (MAC)"));
    else if (!decodePan(d, C::kMacSource, "SrcPAN",
                        "The source PAN (personal area network) is 0x%s  (MAC)"))
        return false;
    const bool decoded = decodeAddress(d, C::kMacSource, "SrcAdd", field,
                                       "The source short address is 0x%s  (MAC)",
                                       "The source extended address is 0x%s  (MAC)");
    d.out.endGroup();
    return decoded;
}

void decodePayload(FrameDecoding& d, uint8_t type) {
    switch (type) {
    case kMacBeacon: decodeBeaconPayload(d); break;
    case kMacCommand: decodeMacCommand(d); break;
    case kMacData: decodeNwkFrame(d); break;
    default: break;     // acknowledgements and reserved types carry no payload to decode
    }
}

} // namespace

void decodeMacHeader(FrameDecoding& d) {
    d.cursor = 1;
    if (!d.fieldAtCursor(1, C::kMacFrameType, "Type"))
        return;
    const MacHeaderFields header = readMacHeader(d.source);
    if (!decodeFrameControl(d, header.control))
        return;

    d.cursor = 4;
    if (!decodeDestination(d, header.destination))
        return;
    if (!decodeSource(d, header.source))
        return;
    if (!header.secured())
        decodePayload(d, header.frameType());
}

} // namespace qlm
