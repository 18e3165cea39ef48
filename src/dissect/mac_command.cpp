// MAC command frames: the command name and the fields of each command.

#include "dissect/mac_command.h"

#include "capture/mac_identifiers.h"
#include "dissect/field_tables.h"
#include "dissect/short_text.h"

namespace qlm {
namespace {

constexpr FieldColumn kColumn = FieldColumn::kMacCommands;
constexpr CellStyle kNameStyle{CellBrush::kLightRed, false};
constexpr CellStyle kReservedNameStyle{CellBrush::kLightRed, true};
constexpr CellStyle kFieldStyle{CellBrush::kLightRed, true};
constexpr CellStyle kReasonStyle{CellBrush::kYellow, true};

struct CommandName {
    std::string_view caption;
    std::string_view value;
    std::string_view explanation;  // no layer tag
};

constexpr CommandName kCommandNames[] = {
    {"Reserved", "Command", "This command is reserved and not understood by the sniffer"},
    {"Association", "Request", "This command is an association request"},
    {"Association", "Response", "This command is an asociation response"},
    {"Disassociation", "Notification", "This command is a disassociation notification"},
    {"Data", "Request", "This command is a data request"},
    {"PAN ID", "Conflict", "This command is a PAN ID conflict notification"},
    {"Orphan", "Notification", "This command is an orphan notification"},
    {"Beacon", "Request", "This command is a beacon request"},
    {"Coordinator", "Realignment", "This command is a coordinator realignment notification"},
    {"GTS", "Request", "This command is a GTS (guaranteed time slot) request"},
};

// Capability information of an association request; bits 0x10 and 0x20 are not shown.
constexpr FlagField kCapabilities[] = {
    {0x01, "AP", "Yes", "The requesting node's Alternate Pan field is set %s  (MAC)", "No",
     "The requesting node's Alternate Pan field is set %s  (MAC)"},
    {0x02, "Type", "FFD", "The requesting node is an FFD (full function device)  (MAC)", "RFD",
     "The requesting node is an RFD (reduced function device)  (MAC)"},
    {0x04, "Power", "Mains", "The requesting node is AC mains powered  (MAC)", "Battery",
     "The requesting node is battery powered  (MAC)"},
    {0x08, "Idle Rx", "On", "The requesting node receiver is on when idle  (MAC)", "Off",
     "The requesting node receiver is off when idle  (MAC)"},
    {0x40, "Sec", "Yes", "The requesting node is security capable  (MAC)", "No",
     "The requesting node is not security capable  (MAC)"},
    {0x80, "Shrt", "Yes", "The requesting node wants a short address assigned to it  (MAC)", "No",
     "The requesting node does not want a short address assigned to it  (MAC)"},
};

// GTS characteristics of a GTS request, after the length in bits 0-3.
constexpr FlagField kGtsCharacteristics[] = {
    {0x10, "Dir", "Rx", "The GTS is to be a receive-only guaranteed time slot  (MAC)", "Tx",
     "The GTS is to be a transmit-only guaranteed time slot  (MAC)"},
    {0x20, "Type", "Alloc", "The request is for a GTS allocation  (MAC)", "Dealloc",
     "The request is for a GTS de-allocation  (MAC)"},
};

constexpr CodedValue kAssociationStatus[] = {
    {0, "OK", "Association was granted  (MAC)"},
    {1, "Full", "Association was no possible, PAN at capacity  (MAC)"},
    {2, "Denied", "Association was denied  (MAC)"},
    {kOtherValues, "???", "Association status is reserved value, sniffer did not understand  (MAC)"},
};

constexpr CodedValue kDisassociationReason[] = {
    {1, "Forced", "The coordinator wishes the device to leave the PAN  (MAC)"},
    {2, "Voluntary", "The device wishes to leave the PAN  (MAC)"},
    {kOtherValues, "???",
     "Reason for dissociation is reserved value, sniffer did not understand  (MAC)"},
};

bool decodeCapabilities(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, kColumn, "AP"))
        return false;
    const uint8_t capabilities = d.byte(d.cursor);
    for (const FlagField& field : kCapabilities)
        emitFlag(d, kColumn, kFieldStyle, field, capabilities);
    d.cursor += 1;
    return true;
}

bool decodeAssociationResponse(FrameDecoding& d) {
    if (!d.fieldAtCursor(2, kColumn, "Addr"))
        return false;
    const uint16_t assigned = d.le16(d.cursor);
    const ShortText address = ShortText::hex16(assigned);
    d.cursor += 2;
    if (assigned == 0xFFFF || assigned == 0xFFFE)
        d.out.cell(kColumn, kFieldStyle, "Addr", address,
                   Sentence("No short address has been assigned  (MAC)"));
    else
        d.out.cell(kColumn, kFieldStyle, "Addr", address,
                   Sentence("The short address 0x%s has been assigned  (MAC)", address));

    if (!d.fieldAtCursor(1, kColumn, "Status"))
        return false;
    const CodedValue& status = lookUp(kAssociationStatus, d.byte(d.cursor));
    d.out.cell(kColumn, kFieldStyle, "Status", status.value, Sentence(status.explanation));
    d.cursor += 1;
    return true;
}

bool decodeDisassociation(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, kColumn, "Reason"))
        return false;
    const CodedValue& reason = lookUp(kDisassociationReason, d.byte(d.cursor));
    d.out.cell(kColumn, kReasonStyle, "Reason", reason.value, Sentence(reason.explanation));
    d.cursor += 1;
    return true;
}

// A 16-bit field of a coordinator realignment at the cursor.
bool decodeRealignmentWord(FrameDecoding& d, std::string_view caption, std::string_view explanation) {
    if (!d.fieldAtCursor(2, kColumn, caption))
        return false;
    const ShortText value = ShortText::hex16(d.le16(d.cursor));
    d.out.cell(kColumn, kFieldStyle, caption, value, Sentence(explanation, value));
    d.cursor += 2;
    return true;
}

bool decodeCoordinatorRealignment(FrameDecoding& d) {
    if (!decodeRealignmentWord(
            d, "PAN ID", "The PAN ID that the sender intends to use from now on is 0x%s  (MAC)") ||
        !decodeRealignmentWord(d, "My Add",
                               "The short address of the sender is from now on 0x%s  (MAC)"))
        return false;

    if (!d.fieldAtCursor(1, kColumn, "Chan"))
        return false;
    const ShortText channel = ShortText::hexByte(d.byte(d.cursor));
    d.out.cell(kColumn, kFieldStyle, "Chan", channel,
               Sentence("The logical channel to use from now on is 0x%s  (MAC)", channel));
    d.cursor += 1;

    if (!d.fieldAtCursor(2, kColumn, "YourAdd"))
        return false;
    const uint16_t assigned = d.le16(d.cursor);
    const ShortText address = ShortText::hex16(assigned);
    const Sentence explanation =
        assigned == 0xFFFF
            ? Sentence("The recipient should keep its old short address if it has one  (MAC)")
        : assigned == 0xFFFE
            ? Sentence("The recipient should use its long address  (MAC)")
            : Sentence("The short address that the recipient should use from now on is 0x%s  "
                       "(MAC)",
                       address);
    d.out.cell(kColumn, kFieldStyle, "YourAdd", address, explanation);
    d.cursor += 2;
    return true;
}

bool decodeGtsRequest(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, kColumn, "Len"))
        return false;
    const uint8_t characteristics = d.byte(d.cursor);
    const ShortText slots = ShortText::hexByte(characteristics & 0x0F);
    d.out.cell(kColumn, kFieldStyle, "Len", slots,
               Sentence("0x%s superframe slots are being requested  (MAC)", slots));
    for (const FlagField& field : kGtsCharacteristics)
        emitFlag(d, kColumn, kFieldStyle, field, characteristics);
    d.cursor += 1;
    return true;
}

bool decodeFields(FrameDecoding& d, uint8_t command) {
    switch (command) {
    case kAssociationRequest: return decodeCapabilities(d);
    case kAssociationResponse: return decodeAssociationResponse(d);
    case kDisassociationNotification: return decodeDisassociation(d);
    case kCoordinatorRealignment: return decodeCoordinatorRealignment(d);
    case kGtsRequest: return decodeGtsRequest(d);
    default: return true;  // data request, PAN ID conflict, orphan and beacon request
    }
}

} // namespace

void decodeMacCommand(FrameDecoding& d) {
    d.out.beginGroup();
    if (!d.fieldAtCursor(1, kColumn, "Command"))
        return;
    const uint8_t command = d.byte(d.cursor);
    d.cursor += 1;
    const bool reserved = command == 0 || command > kGtsRequest;
    const CommandName& name = kCommandNames[reserved ? 0 : command];
    d.out.cell(kColumn, reserved ? kReservedNameStyle : kNameStyle, name.caption, name.value,
               Sentence(name.explanation));
    if (!reserved && !decodeFields(d, command))
        return;
    d.out.endGroup();
}

} // namespace qlm
