// The optional fields of a ZigBee 2006/PRO NWK header.

#include "dissect/nwk_pro_fields.h"

#include "dissect/field_tables.h"
#include "dissect/hex_field.h"
#include "dissect/short_text.h"

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kStyle{CellBrush::kLightBlue, true};

// Multicast control: bits 0-1 the mode, 2-4 the non-member radius, 5-7 its maximum.
constexpr ValueSentence kMulticastModes[4] = {
    {"NonMbr", "The frame is sent by a device that is not a member of the group  (NWK)"},
    {"Member", "The frame is sent by a member of the group  (NWK)"},
    {"???", "The multicast mode is a reserved value not understood by the sniffer  (NWK)"},
    {"???", "The multicast mode is a reserved value not understood by the sniffer  (NWK)"},
};

bool decodeIeeeAddress(FrameDecoding& d, std::string_view caption, std::string_view pattern) {
    return emitIeeeField(d, C::kNwkIeeeAddresses, kStyle, caption, pattern);
}

bool decodeMulticastControl(FrameDecoding& d) {
    if (!d.fieldAtCursor(1, C::kNwkMulticast, "Mode"))
        return false;
    const uint8_t control = d.byte(d.cursor);
    const ValueSentence& mode = kMulticastModes[control & 0x03];
    d.out.cell(C::kNwkMulticast, kStyle, "Mode", mode.value, Sentence(mode.explanation));
    const ShortText radius = ShortText::decimal(control >> 2 & 0x07);
    d.out.cell(C::kNwkMulticast, kStyle, "NMr", radius,
               Sentence("The non-member radius is %s hops  (NWK)", radius));
    const ShortText maximum = ShortText::decimal(control >> 5);
    d.out.cell(C::kNwkMulticast, kStyle, "MaxNMr", maximum,
               Sentence("The maximum non-member radius is %s hops  (NWK)", maximum));
    d.cursor += 1;
    return true;
}

bool decodeSourceRoute(FrameDecoding& d, int relayCount) {
    if (!emitHexField(d, C::kNwkSourceRoute, kStyle, "Relays", 1,
                      "The source route lists 0x%s relays  (NWK)") ||
        !emitHexField(d, C::kNwkSourceRoute, kStyle, "RlyIdx", 1,
                      "The relay index, the next relay's place in the list, is 0x%s  (NWK)"))
        return false;
    for (int relay = 0; relay < relayCount; ++relay)
        if (!emitHexField(d, C::kNwkSourceRoute, kStyle, "Relay", 2,
                          "A relay of the source route has the short address 0x%s  (NWK)"))
            return false;
    return true;
}

// Runs one optional field as a group of its own.
template <typename Decode> bool inGroup(FrameDecoding& d, Decode&& decode) {
    d.out.beginGroup();
    if (!decode())
        return false;
    d.out.endGroup();
    return true;
}

} // namespace

bool decodeProHeaderFields(FrameDecoding& d, const NwkHeaderFields& header) {
    if (header.extendedDestinationAt >= 0 &&
        !inGroup(d, [&] {
            return decodeIeeeAddress(d, "DstIEEE",
                                     "The IEEE address of the ultimate recipient is 0x%s  (NWK)");
        }))
        return false;
    if (header.extendedSourceAt >= 0 &&
        !inGroup(d, [&] {
            return decodeIeeeAddress(d, "SrcIEEE",
                                     "The IEEE address of the originator is 0x%s  (NWK)");
        }))
        return false;
    if (header.multicastControlAt >= 0 && !inGroup(d, [&] { return decodeMulticastControl(d); }))
        return false;
    if (header.sourceRouteAt >= 0 &&
        !inGroup(d, [&] { return decodeSourceRoute(d, header.relayCount); }))
        return false;
    return true;
}

} // namespace qlm
