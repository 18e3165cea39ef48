#pragma once

#include "capture/captured_frame.h"
#include "capture/frame_bytes.h"
#include "dissect/cell_emitter.h"
#include "dissect/decoding_context.h"
#include "security/plain_frame.h"
#include "security/secured_layer.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace qlm {

// What the decoders of one row share: the record and the bytes they read, its PHY
// length byte, the one byte cursor that every layer advances, the layer starts the
// hex runs begin at, the cells going out, and the context of the whole decoding.
//
// A field is decoded only from bytes the record holds. When a field's bytes run
// past the stored bytes the frame was cut short: the field shows as a red cell
// with its caption and the value "Trunc", the decoding of the layers ends there
// with the cursor on the field's first byte, and the hex runs and the tail follow
// as for any frame, so the bytes that did arrive are still shown.
struct FrameDecoding {
    FrameDecoding(const CapturedFrame& record, int32_t recordIndex, CellEmitter& emitter,
                  const DecodingContext& decodingContext)
        : frame(record), index(recordIndex), source(FrameBytes::of(record)), out(emitter),
          context(decodingContext),
          lengthByte(record.length > 0 ? static_cast<int8_t>(record.data[0]) : 0),
          layerEnd(lengthByte - 1) {}

    const CapturedFrame& frame;
    int32_t index;      // the record's place in the capture, -1 for a lone frame
    FrameBytes source;  // the bytes the decoders read: the record's, or with a plaintext payload
    CellEmitter& out;
    const DecodingContext& context;
    int lengthByte;  // L, the PHY length byte read as a signed value
    int layerEnd;       // where the bytes of the layers end: the status bytes, or a MIC
    int cursor = 0;
    int nwkStart = -1;  // first NWK byte once the NWK decoder ran; start of the MAC hex run
    bool truncated = false;
    PlainFrame plaintext[kSecuredLevelCount];  // the frame with a layer decrypted

    int storedBytes() const { return source.size(); }
    bool stored(int position, int count) const { return source.holds(position, count); }

    // Reads of fields at a position; bytes outside the record read as 0, though the
    // decoders check with fieldAt first.
    uint8_t byte(int position) const { return source.at(position); }
    uint16_t le16(int position) const { return source.le16(position); }
    uint32_t le32(int position) const { return source.le32(position); }
    uint64_t le64(int position) const { return source.le64(position); }

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
        return source.span(position, count);
    }
};

} // namespace qlm
