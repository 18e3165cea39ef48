// ZigBee Cluster Library frames: the header and the profile-wide commands.

#include "dissect/zcl_frame.h"

#include "dissect/field_tables.h"
#include "dissect/hex_run.h"
#include "dissect/short_text.h"
#include "dissect/zcl_cluster_table.h"
#include "dissect/zcl_cluster_command.h"
#include "dissect/zcl_global_command.h"
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
    if (d.fieldAtCursor(1, C::kZclFrameControl, "Type") && decodeHeader(d, cluster, control, command)) {
        if ((control & kClusterSpecific) == 0)
            decodeGlobalCommand(d, command, cluster);
        else if ((control & kManufacturerSpecific) == 0)
            decodeClusterCommand(d, cluster, (control & 0x08) != 0, command);
    }
    emitHexRun(d, C::kZclHexPayload, CellBrush::kPaleGreen, d.cursor);
}

} // namespace qlm
