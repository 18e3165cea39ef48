#include "dissect/frame_decoding.h"

namespace qlm {

bool FrameDecoding::fieldAt(int position, int count, FieldColumn column,
                            std::string_view caption) {
    if (stored(position, count))
        return true;
    cutShort(column, caption);
    return false;
}

void FrameDecoding::cutShort(FieldColumn column, std::string_view caption) {
    truncated = true;
    out.cell(column, {CellBrush::kRed, true}, caption, "Trunc",
             Sentence("The captured frame ends inside this field, which is left undecoded; the "
                      "bytes that arrived are shown as hex payload%s",
                      layerTag(columnLayer(column))));
}

} // namespace qlm
