// ZigBee Cluster Library frames: the header and the profile-wide commands.

#include "dissect/zcl_frame.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/hex_run.h"
#include "dissect/short_text.h"
#include "dissect/zcl_cluster_table.h"
#include "dissect/zcl_data_type.h"
#include "dissect/zigbee_profiles.h"

namespace qlm {
namespace {

using C = FieldColumn;
constexpr CellStyle kStyle{CellBrush::kPaleGreen, true};

// Frame control.
constexpr uint8_t kClusterSpecific = 0x01;
constexpr uint8_t kManufacturerSpecific = 0x04;

constexpr FlagField kFrameControl[] = {
    {kClusterSpecific, "Type", "Cluster",
     "This frame control field indicates a command of the cluster  (ZCL)", "Global",
     "This frame control field indicates a command of the whole profile  (ZCL)"},
    {0x08, "Dir", "ToCli", "The frame goes from the server to the client  (ZCL)", "ToSrv",
     "The frame goes from the client to the server  (ZCL)"},
    {0x10, "DDR", "Yes", "No default response is wanted  (ZCL)", "No",
     "A default response is wanted  (ZCL)"},
};

// The profile-wide commands, by identifier.
constexpr std::string_view kGlobalCommands[] = {
    "Read Attributes",
    "Read Attributes Response",
    "Write Attributes",
    "Write Attributes Undivided",
    "Write Attributes Response",
    "Write Attributes No Response",
    "Configure Reporting",
    "Configure Reporting Response",
    "Read Reporting Configuration",
    "Read Reporting Configuration Response",
    "Report Attributes",
    "Default Response",
    "Discover Attributes",
    "Discover Attributes Response",
    "Read Attributes Structured",
    "Write Attributes Structured",
    "Write Attributes Structured Response",
    "Discover Commands Received",
    "Discover Commands Received Response",
    "Discover Commands Generated",
    "Discover Commands Generated Response",
    "Discover Attributes Extended",
    "Discover Attributes Extended Response",
};

enum GlobalCommand : uint8_t {
    kReadAttributes = 0x00,
    kReadAttributesResponse = 0x01,
    kWriteAttributes = 0x02,
    kWriteAttributesUndivided = 0x03,
    kWriteAttributesNoResponse = 0x05,
    kReportAttributes = 0x0A,
    kDefaultResponse = 0x0B,
};

constexpr CodedValue kStatuses[] = {
    {0x00, "OK", "The command succeeded  (ZCL)"},
    {0x01, "Fail", "The command failed  (ZCL)"},
    {0x7E, "NotAuth", "The sender is not authorised  (ZCL)"},
    {0x80, "BadCmd", "The command is malformed  (ZCL)"},
    {0x81, "UnsupCmd", "The command is not supported  (ZCL)"},
    {0x85, "BadField", "A field holds a wrong value  (ZCL)"},
    {0x86, "UnsupAttr", "The attribute is not supported  (ZCL)"},
    {0x87, "BadValue", "The value is out of range  (ZCL)"},
    {0x88, "ReadOnly", "The attribute cannot be written  (ZCL)"},
    {0x8D, "BadType", "The data type is wrong  (ZCL)"},
    {kOtherValues, "???", "The status is a value not understood by the sniffer  (ZCL)"},
};

std::string_view commandName(uint8_t control, uint8_t command, uint16_t cluster) {
    if ((control & kClusterSpecific) == 0)
        return command < std::size(kGlobalCommands) ? kGlobalCommands[command] : "???";
    return zclClusterCommandName(cluster, (control & 0x08) != 0, command);
}

bool decodeHeader(FrameDecoding& d, uint16_t cluster, uint8_t& control, uint8_t& command) {
    d.out.beginGroup();
    if (!emitFlagByte(d, C::kZclFrameControl, kStyle, kFrameControl))
        return false;
    control = d.byte(d.cursor - 1);
    d.out.endGroup();
    if ((control & kManufacturerSpecific) != 0) {
        if (!d.fieldAtCursor(2, C::kZclManufacturer, "Mfr"))
            return false;
        const ShortText code = ShortText::hex16(d.le16(d.cursor));
        d.out.cell(C::kZclManufacturer, kStyle, "Mfr", code,
                   Sentence("The command is specific to the manufacturer 0x%s  (ZCL)", code));
        d.cursor += 2;
        d.out.endGroup();
    }
    if (!d.fieldAtCursor(1, C::kZclSequenceNumber, "TSN"))
        return false;
    const ShortText sequence = ShortText::hexByte(d.byte(d.cursor));
    d.out.cell(C::kZclSequenceNumber, kStyle, "TSN", sequence,
               Sentence("The transaction sequence number is 0x%s  (ZCL)", sequence));
    d.cursor += 1;
    d.out.endGroup();
    if (!d.fieldAtCursor(1, C::kZclCommand, "Cmd"))
        return false;
    command = d.byte(d.cursor);
    const ShortText id = ShortText::hexByte(command);
    const std::string_view name = commandName(control, command, cluster);
    d.out.cell(C::kZclCommand, kStyle, "Cmd", name,
               Sentence("The ZCL command is 0x%s, %s  (ZCL)", id, name));
    d.cursor += 1;
    d.out.endGroup();
    return true;
}

bool decodeAttribute(FrameDecoding& d, uint16_t cluster) {
    if (!d.fieldAtCursor(2, C::kZclAttribute, "Attr"))
        return false;
    const uint16_t id = d.le16(d.cursor);
    const ShortText digits = ShortText::hex16(id);
    const std::string_view name = zclAttributeName(cluster, id);
    d.out.cell(C::kZclAttribute, kStyle, "Attr", name.empty() ? std::string_view(digits) : name,
               name.empty() ? Sentence("The attribute is 0x%s  (ZCL)", digits)
                            : Sentence("The attribute is 0x%s, %s  (ZCL)", digits, name));
    d.cursor += 2;
    return true;
}

bool decodeStatus(FrameDecoding& d) {
    return emitCodedField(d, C::kZclResult, kStyle, "Result", kStatuses);
}

// Records until the ZCL payload ends; each a group of its own.
template <typename Record> void decodeRecords(FrameDecoding& d, Record record) {
    while (d.cursor < d.layerEnd) {
        d.out.beginGroup();
        if (!record())
            return;
        d.out.endGroup();
    }
}

void decodeGlobalCommand(FrameDecoding& d, uint8_t command, uint16_t cluster) {
    switch (command) {
    case kReadAttributes:
        decodeRecords(d, [&] { return decodeAttribute(d, cluster); });
        break;
    case kReadAttributesResponse:
        decodeRecords(d, [&] {
            if (!decodeAttribute(d, cluster) || !d.fieldAtCursor(1, C::kZclResult, "Result"))
                return false;
            const bool success = d.byte(d.cursor) == 0;
            return decodeStatus(d) && (!success || decodeZclTypedValue(d));
        });
        break;
    case kWriteAttributes:
    case kWriteAttributesUndivided:
    case kWriteAttributesNoResponse:
    case kReportAttributes:
        decodeRecords(d, [&] { return decodeAttribute(d, cluster) && decodeZclTypedValue(d); });
        break;
    case kDefaultResponse: {
        d.out.beginGroup();
        if (!emitHexField(d, C::kZclCommand, kStyle, "ForCmd", 1,
                          "The response is to the command 0x%s  (ZCL)") ||
            !decodeStatus(d))
            return;
        d.out.endGroup();
        break;
    }
    default:
        break;  // its records show as hex for now
    }
}

} // namespace

bool carriesZcl(const FrameDecoding& d, const ApsHeaderFields& header) {
    if (header.clusterAt < 0 || header.profileAt < 0 || !d.stored(header.profileAt, 2))
        return false;
    if (header.destinationEndpointAt >= 0 && d.byte(header.destinationEndpointAt) == 0)
        return false;  // the device objects
    const uint16_t cluster = d.le16(header.clusterAt);
    const bool libraryRange = cluster < 0x8000 || cluster >= 0xFC00;
    return libraryRange || !zigbeeProfileName(d.le16(header.profileAt)).empty();
}

void decodeZclFrame(FrameDecoding& d, const ApsHeaderFields& header) {
    const uint16_t cluster = d.le16(header.clusterAt);
    uint8_t control = 0;
    uint8_t command = 0;
    if (d.fieldAtCursor(1, C::kZclFrameControl, "Type") &&
        decodeHeader(d, cluster, control, command) && (control & kClusterSpecific) == 0)
        decodeGlobalCommand(d, command, cluster);
    emitHexRun(d, C::kZclHexPayload, CellBrush::kPaleGreen, d.cursor);
}

} // namespace qlm
