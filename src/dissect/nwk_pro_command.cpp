// NWK command frames of ZigBee 2006/PRO.

#include "dissect/nwk_pro_command.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/short_text.h"

namespace qlm {
namespace {

constexpr FieldColumn kColumn = FieldColumn::kNwkCommand;
constexpr CellStyle kFieldStyle{CellBrush::kLightBlue, true};
constexpr CellStyle kRequestNameStyle{CellBrush::kLightBlue, false};

enum ProNwkCommandId : uint8_t {
    kRouteRequest = 0x01,
    kRouteReply = 0x02,
    kNetworkStatus = 0x03,
    kLeave = 0x04,
    kRouteRecord = 0x05,
    kRejoinRequest = 0x06,
    kRejoinResponse = 0x07,
    kLinkStatus = 0x08,
    kNetworkReport = 0x09,
    kNetworkUpdate = 0x0A,
    kEndDeviceTimeoutRequest = 0x0B,
    kEndDeviceTimeoutResponse = 0x0C,
    kLinkPowerDelta = 0x0D,
};

// Route request options: bits 3-4 many-to-one, bit 5 destination IEEE address, bit 6 multicast.
constexpr uint8_t kRequestDestinationIeee = 0x20;
// Route reply options: bit 4 originator IEEE address, bit 5 responder IEEE address, bit 6 multicast.
constexpr uint8_t kReplyOriginatorIeee = 0x10;
constexpr uint8_t kReplyResponderIeee = 0x20;

constexpr ValueSentence kManyToOne[4] = {
    {"No", "This route request is not a many-to-one route request  (NWK)"},
    {"RRec", "A concentrator asks for many-to-one routes and keeps a route record table  (NWK)"},
    {"NoRRec",
     "A concentrator asks for many-to-one routes and keeps no route record table  (NWK)"},
    {"???", "The many-to-one field is a reserved value not understood by the sniffer  (NWK)"},
};

constexpr FlagField kRequestOptions[] = {
    {kRequestDestinationIeee, "XDst", "Yes",
     "The command carries the IEEE address of the destination  (NWK)", "No",
     "The command does not carry the IEEE address of the destination  (NWK)"},
    {0x40, "MCast", "Yes", "The destination is a multicast group  (NWK)", "No",
     "The destination is a device, not a multicast group  (NWK)"},
};

constexpr FlagField kReplyOptions[] = {
    {kReplyOriginatorIeee, "XOrig", "Yes",
     "The command carries the IEEE address of the originator  (NWK)", "No",
     "The command does not carry the IEEE address of the originator  (NWK)"},
    {kReplyResponderIeee, "XResp", "Yes",
     "The command carries the IEEE address of the responder  (NWK)", "No",
     "The command does not carry the IEEE address of the responder  (NWK)"},
    {0x40, "MCast", "Yes", "The route leads to a multicast group  (NWK)", "No",
     "The route leads to a device, not a multicast group  (NWK)"},
};

constexpr FlagField kLeaveOptions[] = {
    {0x20, "Rejoin", "Yes", "The device is to rejoin the network after leaving it  (NWK)", "No",
     "The device is not to rejoin the network  (NWK)"},
    {0x40, "Type", "Req", "The originator is asking the recipient to leave the network   (NWK)",
     "Ind", "The originator is leaving the network  (NWK)"},
    {0x80, "Kids", "Leave", "The children of this device are also to be removed   (NWK)", "Stay",
     "The children of this device are not to be removed  (NWK)"},
};

// Capability information of a rejoin request (as in the MAC association request).
constexpr FlagField kCapabilities[] = {
    {0x02, "Dev", "Router", "The device can act as a router  (NWK)", "EndDev",
     "The device is an end device  (NWK)"},
    {0x04, "Mains", "Yes", "The device is mains powered  (NWK)", "No",
     "The device is not mains powered  (NWK)"},
    {0x08, "RxIdle", "Yes", "The device's receiver is on when it is idle  (NWK)", "No",
     "The device's receiver is off when it is idle  (NWK)"},
    {0x80, "Alloc", "Yes", "The device asks to be given a short address  (NWK)", "No",
     "The device does not ask for a short address  (NWK)"},
};

constexpr FlagField kLinkStatusOptions[] = {
    {0x20, "First", "Yes", "This is the first frame of the device's link status  (NWK)", "No",
     "This is not the first frame of the device's link status  (NWK)"},
    {0x40, "Last", "Yes", "This is the last frame of the device's link status  (NWK)", "No",
     "This is not the last frame of the device's link status  (NWK)"},
};

constexpr FlagField kParentInformation[] = {
    {0x01, "PollKA", "Yes", "The parent accepts MAC data polls as keep-alives  (NWK)", "No",
     "The parent does not accept MAC data polls as keep-alives  (NWK)"},
    {0x02, "TmoKA", "Yes", "The parent accepts end device timeout requests as keep-alives  (NWK)",
     "No", "The parent does not accept end device timeout requests as keep-alives  (NWK)"},
    {0x04, "PwrNeg", "Yes", "The parent supports power negotiation  (NWK)", "No",
     "The parent does not support power negotiation  (NWK)"},
};

constexpr CodedValue kNetworkStatusCodes[] = {
    {0x00, "NoRoute", "No route is available  (NWK)"},
    {0x01, "TLFail", "Tree link failure  (NWK)"},
    {0x02, "NTLFail", "Non-tree link failure  (NWK)"},
    {0x03, "LoBatt", "Low battery failure  (NWK)"},
    {0x04, "Full", "No routing capacity  (NWK)"},
    {0x05, "NoIndir", "No capacity for indirect transmission  (NWK)"},
    {0x06, "IndExp", "An indirect transaction expired  (NWK)"},
    {0x07, "Unavail", "The target device is unavailable  (NWK)"},
    {0x08, "Unalloc", "The target address is unallocated  (NWK)"},
    {0x09, "Parent", "Parent link failure  (NWK)"},
    {0x0A, "Validate", "The route is to be validated  (NWK)"},
    {0x0B, "SRFail", "Source route failure  (NWK)"},
    {0x0C, "M2OFail", "Many-to-one route failure  (NWK)"},
    {0x0D, "Conflict", "Address conflict  (NWK)"},
    {0x0E, "Verify", "The addresses are to be verified  (NWK)"},
    {0x0F, "PanUpd", "PAN identifier update  (NWK)"},
    {0x10, "AddrUpd", "Network address update  (NWK)"},
    {0x11, "BadCnt", "Bad frame counter  (NWK)"},
    {0x12, "BadKSeq", "Bad key sequence number  (NWK)"},
    {0x13, "UnkCmd", "Unknown command  (NWK)"},
    {kOtherValues, "???", "Reserved value - not understood by sniffer  (NWK)"},
};

constexpr CodedValue kRejoinStatus[] = {
    {0x00, "OK", "The device has rejoined the network  (NWK)"},
    {0x01, "Full", "The network is at capacity  (NWK)"},
    {0x02, "Denied", "The network denied the device access  (NWK)"},
    {kOtherValues, "???", "Reserved value - not understood by sniffer  (NWK)"},
};

constexpr CodedValue kTimeoutStatus[] = {
    {0x00, "OK", "The parent accepted the requested timeout  (NWK)"},
    {0x01, "BadVal", "The requested timeout is an incorrect value  (NWK)"},
    {kOtherValues, "???", "Reserved value - not understood by sniffer  (NWK)"},
};

constexpr ValueSentence kPowerDeltaTypes[4] = {
    {"Notify", "The device tells its neighbours the power changes it wants  (NWK)"},
    {"Req", "The device asks its neighbours for their power changes  (NWK)"},
    {"Resp", "The device answers a request for power changes  (NWK)"},
    {"???", "The type is a reserved value not understood by the sniffer  (NWK)"},
};

bool hexField(FrameDecoding& d, std::string_view caption, int size, std::string_view pattern) {
    return emitHexField(d, kColumn, kFieldStyle, caption, size, pattern);
}

bool ieeeField(FrameDecoding& d, std::string_view caption, std::string_view pattern) {
    return emitIeeeField(d, kColumn, kFieldStyle, caption, pattern);
}

template <size_t N>
bool codedField(FrameDecoding& d, std::string_view caption, const CodedValue (&table)[N]) {
    return emitCodedField(d, kColumn, kFieldStyle, caption, table);
}

// A count kept in the low five bits of an options byte, shown in decimal.
void countCell(FrameDecoding& d, std::string_view caption, int count, std::string_view pattern) {
    const ShortText text = ShortText::decimal(count);
    d.out.cell(kColumn, kFieldStyle, caption, text, Sentence(pattern, text));
}

void nameCell(FrameDecoding& d, std::string_view caption, std::string_view value,
              std::string_view explanation, CellStyle style = kFieldStyle) {
    d.out.cell(kColumn, style, caption, value, Sentence(explanation));
}

bool decodeRouteRequest(FrameDecoding& d) {
    nameCell(d, "Route", "Request", "This command is a search for low-cost routes to the "
             "destination", kRequestNameStyle);
    if (!d.fieldAtCursor(1, kColumn, "M2O"))
        return false;
    const uint8_t options = d.byte(d.cursor);
    const ValueSentence& manyToOne = kManyToOne[options >> 3 & 0x03];
    d.out.cell(kColumn, kFieldStyle, "M2O", manyToOne.value, Sentence(manyToOne.explanation));
    if (!emitFlagByte(d, kColumn, kFieldStyle, kRequestOptions) ||
        !hexField(d, "ReqID", 1, "This route request ID is 0x%s  (NWK)") ||
        !hexField(d, "Dest", 2, "The short address of the destination is 0x%s  (NWK)") ||
        !hexField(d, "Cost", 1, "The path cost of the route so far is 0x%s  (NWK)"))
        return false;
    return (options & kRequestDestinationIeee) == 0 ||
           ieeeField(d, "DstIEEE", "The IEEE address of the destination is 0x%s  (NWK)");
}

bool decodeRouteReply(FrameDecoding& d) {
    nameCell(d, "Route", "Reply",
             "This command is a reply to a search for low-cost routes to the destination");
    const uint8_t options = d.byte(d.cursor);
    if (!emitFlagByte(d, kColumn, kFieldStyle, kReplyOptions) ||
        !hexField(d, "ReqID", 1, "The route request ID was 0x%s  (NWK)") ||
        !hexField(d, "Orig", 2, "The short address of the originator is 0x%s  (NWK)") ||
        !hexField(d, "Resp", 2, "The short address of the responder is 0x%s  (NWK)") ||
        !hexField(d, "Cost", 1, "The path cost of the route would now be 0x%s  (NWK)"))
        return false;
    if ((options & kReplyOriginatorIeee) &&
        !ieeeField(d, "OrgIEEE", "The IEEE address of the originator is 0x%s  (NWK)"))
        return false;
    return (options & kReplyResponderIeee) == 0 ||
           ieeeField(d, "RspIEEE", "The IEEE address of the responder is 0x%s  (NWK)");
}

bool decodeNetworkStatus(FrameDecoding& d) {
    nameCell(d, "Network", "Status", "The originator reports a problem with a route or an address");
    return codedField(d, "Status", kNetworkStatusCodes) &&
           hexField(d, "Dest", 2, "The short address the status is about is 0x%s  (NWK)");
}

bool decodeLeave(FrameDecoding& d) {
    nameCell(d, "Leave", "Network", "A device is leaving or is being asked to leave the network");
    return emitFlagByte(d, kColumn, kFieldStyle, kLeaveOptions);
}

bool decodeRouteRecord(FrameDecoding& d) {
    nameCell(d, "Route", "Record", "This command records the relays a frame passed on its way "
             "to a concentrator");
    const int count = d.byte(d.cursor);
    if (!hexField(d, "Relays", 1, "The route record lists 0x%s relays  (NWK)"))
        return false;
    for (int relay = 0; relay < count; ++relay)
        if (!hexField(d, "Relay", 2, "A relay of the route has the short address 0x%s  (NWK)"))
            return false;
    return true;
}

bool decodeRejoinRequest(FrameDecoding& d) {
    nameCell(d, "Rejoin", "Request", "A device asks to rejoin the network");
    return emitFlagByte(d, kColumn, kFieldStyle, kCapabilities);
}

bool decodeRejoinResponse(FrameDecoding& d) {
    nameCell(d, "Rejoin", "Response", "The parent answers a request to rejoin the network");
    return hexField(d, "Addr", 2, "The short address of the rejoined device is 0x%s  (NWK)") &&
           codedField(d, "Status", kRejoinStatus);
}

bool decodeLinkStatus(FrameDecoding& d) {
    nameCell(d, "Link", "Status", "A router tells its neighbours the cost of its links to them");
    if (!d.fieldAtCursor(1, kColumn, "Count"))
        return false;
    const int count = d.byte(d.cursor) & 0x1F;
    countCell(d, "Count", count, "The command lists %s links  (NWK)");
    if (!emitFlagByte(d, kColumn, kFieldStyle, kLinkStatusOptions))
        return false;
    for (int entry = 0; entry < count; ++entry) {
        if (!hexField(d, "Nbr", 2, "The short address of the neighbour is 0x%s  (NWK)"))
            return false;
        if (!d.fieldAtCursor(1, kColumn, "In"))
            return false;
        const uint8_t costs = d.byte(d.cursor);
        const ShortText incoming = ShortText::decimal(costs & 0x07);
        const ShortText outgoing = ShortText::decimal(costs >> 4 & 0x07);
        d.out.cell(kColumn, kFieldStyle, "In", incoming,
                   Sentence("The cost of the link from this neighbour is %s  (NWK)", incoming));
        d.out.cell(kColumn, kFieldStyle, "Out", outgoing,
                   Sentence("The cost of the link to this neighbour is %s  (NWK)", outgoing));
        d.cursor += 1;
    }
    return true;
}

// Network report and network update: a count and a command identifier, then the
// extended PAN identifier.
bool decodeReportHeader(FrameDecoding& d, int& count, int& command) {
    if (!d.fieldAtCursor(1, kColumn, "Count"))
        return false;
    const uint8_t options = d.byte(d.cursor);
    count = options & 0x1F;
    command = options >> 5;
    countCell(d, "Count", count, "The command carries %s items  (NWK)");
    d.cursor += 1;
    return ieeeField(d, "EPID", "The extended PAN identifier of the network is 0x%s  (NWK)");
}

bool decodeNetworkReport(FrameDecoding& d) {
    nameCell(d, "Network", "Report", "A device reports a PAN identifier conflict to the network "
             "manager");
    int count = 0;
    int command = 0;
    if (!decodeReportHeader(d, count, command))
        return false;
    if (command != 0)
        return true;  // reserved report: the rest shows as hex payload
    for (int pan = 0; pan < count; ++pan)
        if (!hexField(d, "PAN", 2, "A PAN identifier heard in the neighbourhood is 0x%s  (NWK)"))
            return false;
    return true;
}

bool decodeNetworkUpdate(FrameDecoding& d) {
    nameCell(d, "Network", "Update", "The network manager announces a new PAN identifier");
    int count = 0;
    int command = 0;
    if (!decodeReportHeader(d, count, command) ||
        !hexField(d, "UpdID", 1, "The update identifier is 0x%s  (NWK)"))
        return false;
    return command != 0 ||
           hexField(d, "NewPAN", 2, "The new PAN identifier of the network is 0x%s  (NWK)");
}

bool decodeTimeoutRequest(FrameDecoding& d) {
    nameCell(d, "Timeout", "Request", "An end device tells its parent how long to keep it");
    if (!d.fieldAtCursor(1, kColumn, "Tmo"))
        return false;
    const int code = d.byte(d.cursor);
    ShortText timeout;
    if (code == 0)
        timeout.append("10 s");
    else if (code <= 14)
        timeout.appendDecimal(int64_t{1} << code).append(" min");
    else
        timeout.append("???");
    d.out.cell(kColumn, kFieldStyle, "Tmo", timeout,
               code <= 14 ? Sentence("The end device asks to be kept for %s without a poll  (NWK)",
                                     timeout)
                          : Sentence("The timeout is a reserved value not understood by the "
                                     "sniffer  (NWK)"));
    d.cursor += 1;
    return hexField(d, "Cfg", 1, "The end device configuration is 0x%s  (NWK)");
}

bool decodeTimeoutResponse(FrameDecoding& d) {
    nameCell(d, "Timeout", "Response", "The parent answers an end device timeout request");
    return codedField(d, "Status", kTimeoutStatus) &&
           emitFlagByte(d, kColumn, kFieldStyle, kParentInformation);
}

bool decodeLinkPowerDelta(FrameDecoding& d) {
    nameCell(d, "Power", "Delta", "A device exchanges transmit power changes with its neighbours");
    if (!d.fieldAtCursor(1, kColumn, "Type"))
        return false;
    const ValueSentence& type = kPowerDeltaTypes[d.byte(d.cursor) & 0x03];
    d.out.cell(kColumn, kFieldStyle, "Type", type.value, Sentence(type.explanation));
    d.cursor += 1;
    if (!d.fieldAtCursor(1, kColumn, "Count"))
        return false;
    const int count = d.byte(d.cursor);
    countCell(d, "Count", count, "The command lists %s devices  (NWK)");
    d.cursor += 1;
    for (int entry = 0; entry < count; ++entry) {
        if (!hexField(d, "Dev", 2, "The short address of the device is 0x%s  (NWK)") ||
            !d.fieldAtCursor(1, kColumn, "Delta"))
            return false;
        const ShortText delta = ShortText::decimal(static_cast<int8_t>(d.byte(d.cursor)));
        d.out.cell(kColumn, kFieldStyle, "Delta", delta,
                   Sentence("The device is to change its transmit power by %s dB  (NWK)", delta));
        d.cursor += 1;
    }
    return true;
}

using CommandDecoder = bool (*)(FrameDecoding&);

struct CommandEntry {
    uint8_t identifier;
    CommandDecoder decode;
};

constexpr CommandEntry kCommands[] = {
    {kRouteRequest, decodeRouteRequest},
    {kRouteReply, decodeRouteReply},
    {kNetworkStatus, decodeNetworkStatus},
    {kLeave, decodeLeave},
    {kRouteRecord, decodeRouteRecord},
    {kRejoinRequest, decodeRejoinRequest},
    {kRejoinResponse, decodeRejoinResponse},
    {kLinkStatus, decodeLinkStatus},
    {kNetworkReport, decodeNetworkReport},
    {kNetworkUpdate, decodeNetworkUpdate},
    {kEndDeviceTimeoutRequest, decodeTimeoutRequest},
    {kEndDeviceTimeoutResponse, decodeTimeoutResponse},
    {kLinkPowerDelta, decodeLinkPowerDelta},
};

} // namespace

void decodeProNwkCommand(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, kColumn, "Command"))
        return;
    const uint8_t identifier = d.byte(d.cursor);
    d.cursor += 1;
    d.out.beginGroup();
    for (const CommandEntry& command : kCommands)
        if (command.identifier == identifier) {
            if (command.decode(d))
                d.out.endGroup();
            return;
        }
    // Not decoded: the bytes show in the NWK hex run.
}

} // namespace qlm
