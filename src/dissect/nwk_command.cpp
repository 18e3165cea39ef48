// NWK command frames: route request, route reply, route error and leave.

#include "dissect/nwk_command.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"

namespace qlm {
namespace {

constexpr FieldColumn kColumn = FieldColumn::kNwkCommand;
constexpr CellStyle kFieldStyle{CellBrush::kLightBlue, true};
constexpr CellStyle kRequestNameStyle{CellBrush::kLightBlue, false};

enum NwkCommandId : uint8_t {
    kRouteRequest = 1,
    kRouteReply = 2,
    kRouteError = 3,
    kLeave = 4,
};

constexpr FlagField kRequestRepair = {
    0x80,  "Rep",
    "Yes", "This route request is due to a route repair operation  (NWK)",
    "No",  "This route request is not due to a route repair operation  (NWK)"};
constexpr FlagField kReplyRepair = {
    0x80,  "Rep",
    "Yes", "This route reply is due to a route repair operation  (NWK)",
    "No",  "This route reply is not due to a route repair operation  (NWK)"};

constexpr FlagField kLeaveOptions[] = {
    {0x40, "Type", "Req", "The originator is asking the recipient to leave the network   (NWK)",
     "Ind", "The originator is leaving the network  (NWK)"},
    {0x80, "Kids", "Leave", "The children of this device are also to be removed   (NWK)", "Stay",
     "The children of this device are not to be removed  (NWK)"},
};

constexpr CodedValue kErrorCodes[] = {
    {0, "NoRoute", "No route is available  (NWK)"},
    {1, "TLFail", "Tree link failure  (NWK)"},
    {2, "NTLFail", "Non-tree link failure  (NWK)"},
    {3, "LoBatt", "Low battery failure  (NWK)"},
    {4, "Full", "No routing capacity  (NWK)"},
    {kOtherValues, "???", "Reserved value - not understood by sniffer  (NWK)"},
};

// An options byte whose flags make one cell each.
template <size_t N> bool decodeOptions(FrameDecoding& d, const FlagField (&flags)[N]) {
    return emitFlagByte(d, kColumn, kFieldStyle, flags);
}

bool decodeRouteRequest(FrameDecoding& d) {
    d.out.cell(kColumn, kRequestNameStyle, "Route", "Request",
               Sentence("This command is a search for low-cost routes to the destination"));
    return decodeOptions(d, {kRequestRepair}) &&
           emitHexField(d, kColumn, kFieldStyle, "ReqID", 1,
                        "This route request ID is 0x%s  (NWK)") &&
           emitHexField(d, kColumn, kFieldStyle, "Dest", 2,
                        "The short address of the destination is 0x%s  (NWK)") &&
           emitHexField(d, kColumn, kFieldStyle, "Cost", 1,
                        "The path cost of the route so far is 0x%s  (NWK)");
}

bool decodeRouteReply(FrameDecoding& d) {
    d.out.cell(kColumn, kFieldStyle, "Route", "Reply",
               Sentence("This command is a reply to a search for low-cost routes to the "
                        "destination"));
    return decodeOptions(d, {kReplyRepair}) &&
           emitHexField(d, kColumn, kFieldStyle, "ReqID", 1,
                        "The route request ID was 0x%s  (NWK)") &&
           emitHexField(d, kColumn, kFieldStyle, "Orig", 2,
                        "The short address of the originator is 0x%s  (NWK)") &&
           emitHexField(d, kColumn, kFieldStyle, "Resp", 2,
                        "The short address of the responder is 0x%s  (NWK)") &&
           emitHexField(d, kColumn, kFieldStyle, "Cost", 1,
                        "The path cost of the route would now be 0x%s  (NWK)");
}

bool decodeRouteError(FrameDecoding& d) {
    d.out.cell(kColumn, kFieldStyle, "Route", "Error",
               Sentence("The data frame could not be forwarded to its destination"));
    if (!d.fieldAtCursor(1, kColumn, "Reason"))
        return false;
    const CodedValue& reason = lookUp(kErrorCodes, d.byte(d.cursor));
    d.out.cell(kColumn, kFieldStyle, "Reason", reason.value, Sentence(reason.explanation));
    d.cursor += 1;
    return emitHexField(d, kColumn, kFieldStyle, "Dest", 2,
                        "The short address of the destination was 0x%s  (NWK)");
}

bool decodeLeave(FrameDecoding& d) {
    d.out.cell(kColumn, kFieldStyle, "Leave", "Network",
               Sentence("A device is leaving or is being asked to leave the network"));
    return decodeOptions(d, kLeaveOptions);
}

} // namespace

void decodeNwkCommand(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, kColumn, "Command"))
        return;
    const uint8_t identifier = d.byte(d.cursor);
    d.cursor += 1;
    bool decoded = true;
    switch (identifier) {
    case kRouteRequest:
        decoded = decodeRouteRequest(d);
        break;
    case kRouteReply:
        decoded = decodeRouteReply(d);
        break;
    case kRouteError:
        decoded = decodeRouteError(d);
        break;
    case kLeave:
        decoded = decodeLeave(d);
        break;
    default:
        break; // not decoded: the bytes show in the NWK hex run
    }
    if (decoded)
        d.out.endGroup();
}

} // namespace qlm
