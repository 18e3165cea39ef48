#pragma once

#include "capture/captured_frame.h"
#include "dissect/cell_emitter.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace qlm {

// What the decoders of one row share: the record, its PHY length byte, the one
// byte cursor that every layer advances, the layer starts the hex runs begin at,
// and the cells going out.
//
// A field is decoded only from bytes the record holds. When a field's bytes run
// past the stored bytes the frame was cut short: the field shows as a red cell
// with its caption and the value "Trunc", the decoding of the layers ends there
// with the cursor on the field's first byte, and the hex runs and the tail follow
// as for any frame, so the bytes that did arrive are still shown.
struct FrameDecoding {
    FrameDecoding(const CapturedFrame& record, CellEmitter& emitter, bool parseMailBox = false)
        : frame(record), out(emitter),
          lengthByte(record.length > 0 ? static_cast<int8_t>(record.data[0]) : 0),
          mailBox(parseMailBox) {}

    const CapturedFrame& frame;
    CellEmitter& out;
    int lengthByte;  // L, the PHY length byte read as a signed value
    bool mailBox;    // decode the messages of MailBox frames as MailBox frames
    int cursor = 0;
    int nwkStart = -1;  // first NWK byte once the NWK decoder ran; start of the MAC hex run
    bool truncated = false;

    int storedBytes() const { return frame.length > 0 ? frame.length : 0; }
    bool stored(int position, int count) const {
        return position >= 0 && count >= 0 && position <= storedBytes() - count;
    }

    // Reads of fields at a position; bytes outside the record read as 0, though the
    // decoders check with fieldAt first.
    uint8_t byte(int position) const { return frame.byteAt(position); }
    uint16_t le16(int position) const {
        return static_cast<uint16_t>(byte(position) | byte(position + 1) << 8);
    }
    uint32_t le32(int position) const {
        return le16(position) | static_cast<uint32_t>(le16(position + 2)) << 16;
    }
    uint64_t le64(int position) const {
        uint64_t value = 0;
        for (int i = 7; i >= 0; --i)
            value = value << 8 | byte(position + i);
        return value;
    }

    // True when the `count` bytes of a field at `position` were captured. Otherwise
    // shows the field cut short (in its column, with its caption), marks the frame
    // truncated and returns false: the caller stops decoding.
    bool fieldAt(int position, int count, FieldColumn column, std::string_view caption);
    bool fieldAtCursor(int count, FieldColumn column, std::string_view caption) {
        return fieldAt(cursor, count, column, caption);
    }
    // Shows a field as cut short without a position check, for fields whose extent
    // is worked out from the frame's length and comes out negative.
    void cutShort(FieldColumn column, std::string_view caption);

    // The stored bytes of a field that fieldAt has accepted.
    std::span<const uint8_t> bytes(int position, int count) const {
        return {frame.data + position, static_cast<size_t>(count)};
    }
};

} // namespace qlm
