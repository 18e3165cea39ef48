// MAC beacon payload: superframe spec, GTS fields, pending addresses.

#include "dissect/mac_beacon.h"

#include "dissect/short_text.h"

namespace qlm {
namespace {

using C = FieldColumn;

constexpr CellStyle kBeaconStyle{CellBrush::kYellow, true};

const char* yesNo(bool set) { return set ? "Yes" : "No"; }

void emit(FrameDecoding& d, C column, std::string_view caption, std::string_view value,
          std::string_view explanation) {
    d.out.cell(column, kBeaconStyle, caption, value, Sentence(explanation, value));
}

// Superframe spec, two bytes: BO, SO | CAP, BLE, PC, AP.
bool decodeSuperframe(FrameDecoding& d) {
    constexpr C kColumn = C::kMacSuperframeSpec;
    d.out.beginGroup();
    if (!d.fieldAtCursor(1, kColumn, "BO"))
        return false;
    const uint8_t orders = d.byte(d.cursor);
    emit(d, kColumn, "BO", ShortText::hexByte(orders & 0x0F),
         "This Superframe Field indicates the beacon order is 0x%s  (MAC)");
    emit(d, kColumn, "SO", ShortText::hexByte(orders >> 4),
         "This Superframe Field indicates the superframe order is 0x%s  (MAC)");
    d.cursor += 1;

    if (!d.fieldAtCursor(1, kColumn, "CAP"))
        return false;
    const uint8_t flags = d.byte(d.cursor);
    emit(d, kColumn, "CAP", ShortText::hexByte(flags & 0x0F),
         "This Superframe Field indicates the final CAP slot is 0x%s  (MAC)");
    emit(d, kColumn, "BLE", yesNo(flags & 0x10),
         "This Superframe Field indicates the battery life extension flag is set to %s  (MAC)");
    emit(d, kColumn, "PC", yesNo(flags & 0x40),
         "This Superframe Field indicates the PAN coordinator flag is set to %s  (MAC)");
    emit(d, kColumn, "AP", yesNo(flags & 0x80),
         "This Superframe Field indicates the permit association flag is set to %s  (MAC)");
    d.cursor += 1;
    d.out.endGroup();
    return true;
}

// GTS spec byte and, when there are descriptors, their direction bits.
// Returns the descriptor count, or -1 when the frame ends first.
int decodeGtsHeader(FrameDecoding& d) {
    constexpr C kColumn = C::kMacTimeSlots;
    d.out.beginGroup();
    if (!d.fieldAtCursor(1, kColumn, "GTSC"))
        return -1;
    const uint8_t spec = d.byte(d.cursor);
    const int count = spec & 0x07;
    emit(d, kColumn, "GTSC", ShortText::hexByte(count),
         "This Guaranteed Time Slot field indicates 0x%s GTS descriptors  (MAC)");
    emit(d, kColumn, "GTSP", yesNo(spec & 0x80),
         "This Guaranteed Time Slot field indicates the permit GTS flag is set to %s  (MAC)");
    d.cursor += 1;

    if (count > 0) {
        if (!d.fieldAtCursor(1, kColumn, "GTS Dirs"))
            return -1;
        const uint8_t directions = d.byte(d.cursor);
        char bits[7];
        for (int bit = 0; bit < 7; ++bit)
            bits[bit] = (directions >> bit) & 1 ? '1' : '0';
        emit(d, kColumn, "GTS Dirs", std::string_view(bits, 7),
             "This indicates GTS directions \"%s\", first bit relating to first device in list, "
             "etc.  (MAC)");
        d.cursor += 1;
    }
    d.out.endGroup();
    return count;
}

// One GTS descriptor, its own group: short address, then start slot and length.
bool decodeGtsDescriptor(FrameDecoding& d, int item) {
    constexpr C kColumn = C::kMacTimeSlots;
    const ShortText number = ShortText::decimal(item);
    d.out.beginGroup();
    if (!d.fieldAtCursor(2, kColumn, "Addr"))
        return false;
    const ShortText address = ShortText::hex16(d.le16(d.cursor));
    d.out.cell(kColumn, kBeaconStyle, "Addr", address,
               Sentence("GTS list item %ld has short address 0x%s  (MAC)", number, address));
    d.cursor += 2;

    if (!d.fieldAtCursor(1, kColumn, "SS"))
        return false;
    const uint8_t slots = d.byte(d.cursor);
    const ShortText start = ShortText::hexByte(slots & 0x0F);
    d.out.cell(kColumn, kBeaconStyle, "SS", start,
               Sentence("GTS list item %ld has start slot 0x%s  (MAC)", number, start));
    const ShortText length = ShortText::hexByte(slots >> 4);
    d.out.cell(kColumn, kBeaconStyle, "Len", length,
               Sentence("GTS list item %ld has length 0x%s  (MAC)", number, length));
    d.cursor += 1;
    d.out.endGroup();
    return true;
}

// Pending-address spec byte and the addresses, short ones first, numbered
// PA1, PA2, ... across both kinds. All in one group.
bool decodePendingAddresses(FrameDecoding& d) {
    constexpr C kColumn = C::kMacPendingAddresses;
    d.out.beginGroup();
    if (!d.fieldAtCursor(1, kColumn, "SP"))
        return false;
    const uint8_t spec = d.byte(d.cursor);
    const int shortCount = spec & 0x07;
    const int longCount = (spec >> 4) & 0x07;
    d.out.cell(kColumn, kBeaconStyle, "SP", ShortText::hexByte(shortCount),
               Sentence("The number of short pending addresses is 0x%s  (MAC)",
                        ShortText::hexByte(shortCount)));
    d.out.cell(kColumn, kBeaconStyle, "LP", ShortText::hexByte(longCount),
               Sentence("The number of long pending addresses is 0x%s  (MAC)",
                        ShortText::hexByte(longCount)));
    d.cursor += 1;

    for (int k = 1; k <= shortCount + longCount; ++k) {
        const bool isLong = k > shortCount;
        const int size = isLong ? 8 : 2;
        const ShortText caption = ShortText().append("PA").appendDecimal(k);
        if (!d.fieldAtCursor(size, kColumn, caption))
            return false;
        const ShortText address =
            isLong ? ShortText::hex64(d.le64(d.cursor)) : ShortText::hex16(d.le16(d.cursor));
        d.out.cell(kColumn, kBeaconStyle, caption, address,
                   Sentence(isLong ? "Pending address %s has long address 0x%s  (MAC)"
                                   : "Pending address %s has short address 0x%s  (MAC)",
                            caption, address));
        d.cursor += size;
    }
    d.out.endGroup();
    return true;
}

} // namespace

void decodeBeaconPayload(FrameDecoding& d) {
    if (!decodeSuperframe(d))
        return;
    const int descriptors = decodeGtsHeader(d);
    if (descriptors < 0)
        return;
    for (int item = 1; item <= descriptors; ++item)
        if (!decodeGtsDescriptor(d, item))
            return;
    decodePendingAddresses(d);
}

} // namespace qlm
