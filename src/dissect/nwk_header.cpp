// NWK header: frame control, destination, source, radius and sequence number, and
// in ZigBee 2006/PRO the optional fields and the auxiliary security header after them.

#include "dissect/nwk_header.h"

#include "capture/nwk_header_fields.h"
#include "dissect/apl_header.h"
#include "dissect/aps_pro_frame.h"
#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/hex_run.h"
#include "dissect/nwk_command.h"
#include "dissect/nwk_pro_command.h"
#include "dissect/nwk_pro_fields.h"
#include "dissect/security_header.h"
#include "dissect/short_text.h"
#include "security/decryption.h"

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

constexpr ValueSentence kInterPan = {
    "IPAN", "This Frame Control Field indicates this is an inter-PAN frame  (NWK)"};

constexpr FlagField kEncryption = {
    kNwkSecurity, "Encr",
    "Yes",     "This Frame Control Field indicates the NWK payload is encrypted  (NWK)",
    "No",      "This Frame Control Field indicates the NWK payload is not encrypted  (NWK)"};

// The second frame-control byte of ZigBee 2006/PRO, a cell per bit.
struct ControlBit {
    C column;
    FlagField flag;
};

constexpr ControlBit kProControlBits[] = {
    {C::kNwkMulticast,
     {kNwkMulticast, "MCast", "Yes", "This Frame Control Field indicates a multicast frame  (NWK)",
      "No", "This Frame Control Field indicates the frame is not a multicast frame  (NWK)"}},
    {C::kNwkEncryption, kEncryption},
    {C::kNwkSourceRoute,
     {kNwkSourceRoute, "SrcRt", "Yes",
      "This Frame Control Field indicates the header carries a source route  (NWK)", "No",
      "This Frame Control Field indicates the header carries no source route  (NWK)"}},
    {C::kNwkIeeeAddresses,
     {kNwkExtendedDestination, "XDst", "Yes",
      "This Frame Control Field indicates the header carries the IEEE address of the "
      "destination  (NWK)",
      "No",
      "This Frame Control Field indicates the header does not carry the IEEE address of the "
      "destination  (NWK)"}},
    {C::kNwkIeeeAddresses,
     {kNwkExtendedSource, "XSrc", "Yes",
      "This Frame Control Field indicates the header carries the IEEE address of the "
      "originator  (NWK)",
      "No",
      "This Frame Control Field indicates the header does not carry the IEEE address of the "
      "originator  (NWK)"}},
    {C::kNwkEndDeviceInitiator,
     {kNwkEndDeviceInitiator, "EDI", "Yes",
      "This Frame Control Field indicates the originator is an end device  (NWK)", "No",
      "This Frame Control Field indicates the originator is not an end device  (NWK)"}},
};

constexpr SecurityColumns kSecurityColumns{C::kNwkSecurityHeader, C::kNwkDecryption, C::kNwkMic,
                                           kStyle, Layer::kNwk};

void decodeSecondControlByte(FrameDecoding& d, const NwkHeaderFields& header) {
    if (!header.pro) {
        emitFlag(d, C::kNwkEncryption, kStyle, kEncryption, header.flags);
        return;
    }
    for (const ControlBit& bit : kProControlBits)
        emitFlag(d, bit.column, kStyle, bit.flag, header.flags);
}

bool decodeFrameControl(FrameDecoding& d, const NwkHeaderFields& header) {
    if (!d.fieldAtCursor(1, C::kNwkFrameType, "Type"))
        return false;
    const ValueSentence& type = header.interPan() ? kInterPan : kFrameTypes[header.frameType()];
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

    const C secondByteColumn = header.pro ? C::kNwkMulticast : C::kNwkEncryption;
    if (!d.fieldAtCursor(1, secondByteColumn, header.pro ? "MCast" : "Encr"))
        return false;
    decodeSecondControlByte(d, header);
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

// The auxiliary header, the MIC and, when a key opens it, the payload in the
// clear. True when the payload was opened.
bool decodeSecuredPayload(FrameDecoding& d, const NwkHeaderFields& header) {
    if (!decodeSecurityHeader(d, header.security, kSecurityColumns) ||
        !decodeMic(d, header.security, d.cursor, kSecurityColumns))
        return false;
    const Decryption* decryption = d.context.decryption;
    return decryption != nullptr &&
           openSecuredLayer(d,
                            nwkSecuredLayer(d.source, readMacHeader(d.source), header,
                                            decryption->directory()),
                            kSecurityColumns);
}

// The NWK command or the APS frame at the cursor; the start of the APS frame, or
// -1 for a command.
int decodePayload(FrameDecoding& d, const NwkHeaderFields& header) {
    if (header.frameType() == kNwkCommand) {
        if (header.pro)
            decodeProNwkCommand(d);
        else
            decodeNwkCommand(d);
        return -1;
    }
    if (header.frameType() != kNwkData)
        return -1;
    const int aplStart = d.cursor;
    if (header.pro)
        decodeProApsFrame(d, header);
    else
        decodeAplFrame(d);
    return aplStart;
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

    const NwkLayout layout = d.context.zigbeePro ? NwkLayout::kByVersion : NwkLayout::kZigBee2004;
    const NwkHeaderFields header = readNwkHeader(d.source, d.cursor, layout);
    int aplStart = -1;
    if (decodeFrameControl(d, header) && !header.interPan() && decodeAddressing(d) &&
        (!header.pro || decodeProHeaderFields(d, header))) {
        if (!header.secured() || (header.pro && decodeSecuredPayload(d, header)))
            aplStart = decodePayload(d, header);
    }
    emitHexRun(d, C::kNwkHexPayload, CellBrush::kLightBlue, aplStart >= 0 ? aplStart : d.cursor);
}

} // namespace qlm
