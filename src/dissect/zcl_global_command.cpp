// The records of the profile-wide ZCL commands.

#include "dissect/zcl_global_command.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/short_text.h"
#include "dissect/zcl_cluster_table.h"
#include "dissect/zcl_data_type.h"

namespace qlm {
namespace {

using C = FieldColumn;
constexpr CellStyle kStyle{CellBrush::kPaleGreen, true};

enum GlobalCommand : uint8_t {
    kReadAttributes = 0x00,
    kReadAttributesResponse = 0x01,
    kWriteAttributes = 0x02,
    kWriteAttributesUndivided = 0x03,
    kWriteAttributesNoResponse = 0x05,
    kWriteAttributesResponse = 0x04,
    kConfigureReporting = 0x06,
    kConfigureReportingResponse = 0x07,
    kReadReportingConfiguration = 0x08,
    kReadReportingConfigurationResponse = 0x09,
    kReportAttributes = 0x0A,
    kDefaultResponse = 0x0B,
    kDiscoverAttributes = 0x0C,
    kDiscoverAttributesResponse = 0x0D,
    kDiscoverCommandsReceived = 0x11,
    kDiscoverCommandsReceivedResponse = 0x12,
    kDiscoverCommandsGenerated = 0x13,
    kDiscoverCommandsGeneratedResponse = 0x14,
    kDiscoverAttributesExtended = 0x15,
    kDiscoverAttributesExtendedResponse = 0x16,
};

constexpr FlagField kReportDirection = {
    0x01, "Dir", "Recv", "The record sets how reports of the attribute are expected  (ZCL)", "Send",
    "The record sets how the attribute is reported  (ZCL)"};

constexpr FlagField kDiscoveryComplete = {
    0x01, "Done", "Yes", "The discovery is complete  (ZCL)", "No",
    "More remains to be discovered  (ZCL)"};

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

bool decodeDecimal16(FrameDecoding& d, std::string_view caption, std::string_view pattern) {
    if (!d.fieldAtCursor(2, C::kZclValue, caption))
        return false;
    const ShortText value = ShortText::decimal(d.le16(d.cursor));
    d.out.cell(C::kZclValue, kStyle, caption, value, Sentence(pattern, value));
    d.cursor += 2;
    return true;
}

bool decodeFlag(FrameDecoding& d, FieldColumn column, const FlagField& flag, uint8_t& byte) {
    if (!d.fieldAtCursor(1, column, flag.caption))
        return false;
    byte = d.byte(d.cursor);
    emitFlag(d, column, kStyle, flag, byte);
    d.cursor += 1;
    return true;
}

// A reporting configuration after its direction and attribute: how a sender
// reports (type, intervals and, for amounts, the change), or how long a receiver
// waits for a report.
bool decodeReportingSettings(FrameDecoding& d, bool receiving) {
    if (receiving)
        return decodeDecimal16(d, "Timeout", "A report is expected within %s s  (ZCL)");
    const ZclDataType* type = decodeZclType(d);
    return type != nullptr &&
           decodeDecimal16(d, "Min", "Reports come at least %s s apart  (ZCL)") &&
           decodeDecimal16(d, "Max", "Reports come at most %s s apart  (ZCL)") &&
           (!isAnalogType(*type) || decodeZclValue(d, *type, "Change"));
}

// The first byte of a discovery's response, a group of its own.
bool decodeDiscoveryComplete(FrameDecoding& d) {
    uint8_t complete = 0;
    d.out.beginGroup();
    if (!decodeFlag(d, C::kZclResult, kDiscoveryComplete, complete))
        return false;
    d.out.endGroup();
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

} // namespace

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
    case kWriteAttributesResponse:
    case kConfigureReportingResponse:
        // A lone success stands for every record; a failure names its record.
        decodeRecords(d, [&] {
            if (!d.fieldAtCursor(1, C::kZclResult, "Result"))
                return false;
            const bool success = d.byte(d.cursor) == 0;
            uint8_t direction = 0;
            return decodeStatus(d) &&
                   (success || d.cursor >= d.layerEnd ||
                    ((command != kConfigureReportingResponse ||
                      decodeFlag(d, C::kZclAttribute, kReportDirection, direction)) &&
                     decodeAttribute(d, cluster)));
        });
        break;
    case kConfigureReporting:
        decodeRecords(d, [&] {
            uint8_t direction = 0;
            return decodeFlag(d, C::kZclAttribute, kReportDirection, direction) &&
                   decodeAttribute(d, cluster) && decodeReportingSettings(d, direction & 0x01);
        });
        break;
    case kReadReportingConfiguration:
        decodeRecords(d, [&] {
            uint8_t direction = 0;
            return decodeFlag(d, C::kZclAttribute, kReportDirection, direction) &&
                   decodeAttribute(d, cluster);
        });
        break;
    case kReadReportingConfigurationResponse:
        decodeRecords(d, [&] {
            if (!d.fieldAtCursor(1, C::kZclResult, "Result"))
                return false;
            const bool success = d.byte(d.cursor) == 0;
            uint8_t direction = 0;
            return decodeStatus(d) &&
                   decodeFlag(d, C::kZclAttribute, kReportDirection, direction) &&
                   decodeAttribute(d, cluster) &&
                   (!success || decodeReportingSettings(d, direction & 0x01));
        });
        break;
    case kDiscoverAttributes:
    case kDiscoverAttributesExtended:
        d.out.beginGroup();
        if (decodeAttribute(d, cluster) &&
            emitHexField(d, C::kZclValue, kStyle, "MaxN", 1,
                         "At most 0x%s attributes are to be listed  (ZCL)"))
            d.out.endGroup();
        break;
    case kDiscoverAttributesResponse:
    case kDiscoverAttributesExtendedResponse:
        if (!decodeDiscoveryComplete(d))
            return;
        decodeRecords(d, [&] {
            return decodeAttribute(d, cluster) && decodeZclType(d) != nullptr &&
                   (command != kDiscoverAttributesExtendedResponse ||
                    emitHexField(d, C::kZclValue, kStyle, "Access", 1,
                                 "The access control bits are 0x%s (read, write, report)  (ZCL)"));
        });
        break;
    case kDiscoverCommandsReceived:
    case kDiscoverCommandsGenerated:
        d.out.beginGroup();
        if (emitHexField(d, C::kZclCommand, kStyle, "From", 1,
                         "The listing starts at the command 0x%s  (ZCL)") &&
            emitHexField(d, C::kZclValue, kStyle, "MaxN", 1,
                         "At most 0x%s commands are to be listed  (ZCL)"))
            d.out.endGroup();
        break;
    case kDiscoverCommandsReceivedResponse:
    case kDiscoverCommandsGeneratedResponse:
        if (!decodeDiscoveryComplete(d))
            return;
        decodeRecords(d, [&] {
            return emitHexField(d, C::kZclCommand, kStyle, "CmdId", 1,
                                "The command 0x%s is supported  (ZCL)");
        });
        break;
    default:
        break;  // structured reads and writes show as hex
    }
}


} // namespace qlm
