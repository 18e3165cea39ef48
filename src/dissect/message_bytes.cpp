#include "dissect/message_bytes.h"

#include "dissect/long_text.h"

namespace qlm {

bool emitMessageBytes(FrameDecoding& d, std::string_view caption, int length) {
    constexpr FieldColumn kColumn = FieldColumn::kAfMessage;
    const bool shown = d.out.visible(kColumn);
    if (shown)
        d.out.endGroup();
    if (!d.fieldAtCursor(length, kColumn, caption))
        return false;
    if (shown) {
        const LongText hex = LongText::byteRun(d.bytes(d.cursor, length));
        d.out.cell(kColumn, {CellBrush::kViolet, true}, caption, hex,
                   Sentence("The message data in hex is 0x%s  (AF)", hex));
        d.out.endGroup();
    }
    d.cursor += length;
    return true;
}

} // namespace qlm
