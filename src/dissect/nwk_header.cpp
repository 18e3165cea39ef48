// NWK header: frame control, destination, source, radius and sequence number.

#include "dissect/nwk_header.h"

#include "capture/nwk_header_fields.h"
#include "dissect/apl_header.h"
#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/hex_run.h"
#include "dissect/nwk_command.h"
#include "dissect/short_text.h"

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kStyle{CellBrush::kLightBlue, true};

constexpr uint16_t kBroadcast = 0xFFFF;

constexpr ValueSentence kFrameTypes[4] = {
    {"Data", "This Frame Control Field indicates this is a data frame intended for a higher "
             "layer  (NWK)"},
    {"Cmd", "This Frame Control Field indicates this is a NWK Command frame  (NWK)"},
    {"???", "This Frame Control Field indicates this is a NWK Reserved frame not understood by "
            "the sniffer  (NWK)"},
    {"???", "This Frame Control Field indicates this is a NWK Reserved frame not understood by "
            "the sniffer  (NWK)"},
};

// By bits 6-7 of the first byte.
constexpr ValueSentence kDiscoverRoute[4] = {
    {"Supp", "Route discovery is suppressed  (NWK)"},
    {"Enable", "Route discovery is enabled  (NWK)"},
    {"Force", "Route discovery is forced  (NWK)"},
    {"???", "Route discovery is reserved value not understood by sniffer  (NWK)"},
};

constexpr FlagField kEncryption = {
    kNwkSecurity, "Encr",
    "Yes",     "This Frame Control Field indicates the NWK payload is encrypted  (NWK)",
    "No",      "This Frame Control Field indicates the NWK payload is not encrypted  (NWK)"};

bool decodeFrameControl(FrameDecoding& d, const NwkHeaderFields& header) {
    if (!d.fieldAtCursor(1, C::kNwkFrameType, "Type"))
        return false;
    const ValueSentence& type = kFrameTypes[header.frameType()];
    d.out.cell(C::kNwkFrameType, kStyle, "Type", type.value, Sentence(type.explanation));
    const ShortText version = ShortText::hexByte(header.protocolVersion());
    d.out.cell(C::kNwkProtocolVersion, kStyle, "v", version,
               Sentence("This Frame Control Field indicates the ZigBee protocol is version 0x%s  "
                        "(NWK)",
                        version));
    const ValueSentence& discovery = kDiscoverRoute[header.discoverRoute()];
    d.out.cell(C::kNwkDiscoveryRule, kStyle, "Disco", discovery.value,
               Sentence(discovery.explanation));
    d.cursor += 1;

    if (!d.fieldAtCursor(1, C::kNwkEncryption, "Encr"))
        return false;
    emitFlag(d, C::kNwkEncryption, kStyle, kEncryption, header.flags);
    d.cursor += 1;
    d.out.endGroup();
    return true;
}

bool decodeAddressing(FrameDecoding& d) {
    if (!d.fieldAtCursor(2, C::kNwkUltimateDestination, "Dest"))
        return false;
    const uint16_t destination = d.le16(d.cursor);
    const ShortText destinationText = ShortText::hex16(destination);
    d.cursor += 2;
    d.out.cell(C::kNwkUltimateDestination, kStyle, "Dest", destinationText,
               destination == kBroadcast
                   ? Sentence("This is a broadcast NWK message  (NWK)")
                   : Sentence("The short address of the ultimate recipient is 0x%s  (NWK)",
                              destinationText));
    const bool decoded =
        emitHexField(d, C::kNwkOriginator, kStyle, "Src", 2,
                     "The short address of the originator is 0x%s  (NWK)") &&
        emitHexField(d, C::kNwkRadius, kStyle, "r", 1, "The transmission radius is 0x%s  (NWK)") &&
        emitHexField(d, C::kNwkSequenceNumber, kStyle, "Seq", 1,
                     "The sequence number is 0x%s  (NWK)");
    if (decoded)
        d.out.endGroup();
    return decoded;
}

} // namespace

void decodeNwkFrame(FrameDecoding& d) {
    d.nwkStart = d.cursor;
    const int remaining = d.lengthByte - d.cursor - 1; // bytes before the two status bytes
    if (remaining <= 0) {
        d.out.cell(C::kNwkFrameType, kStyle, "Type", "Empty",
                   Sentence("The network layer payload is empty  (NWK)"));
        d.out.endGroup();
        return;
    }

    const NwkHeaderFields header = readNwkHeader(d.source, d.cursor);
    int aplStart = -1;
    if (decodeFrameControl(d, header) && decodeAddressing(d) && !header.secured()) {
        if (header.frameType() == kNwkCommand) {
            decodeNwkCommand(d);
        } else if (header.frameType() == kNwkData) {
            aplStart = d.cursor;
            decodeAplFrame(d);
        }
    }
    emitHexRun(d, C::kNwkHexPayload, CellBrush::kLightBlue, aplStart >= 0 ? aplStart : d.cursor);
}

} // namespace qlm
