#include "dissect/hex_run.h"

#include "dissect/short_text.h"

#include <algorithm>

namespace qlm {

void emitHexRun(FrameDecoding& d, FieldColumn column, CellBrush brush, int start) {
    if (d.truncated)
        d.out.endGroup();  // the group of the field that was cut short ends before the run
    if (!d.out.visible(column))
        return;
    const int last = std::min(d.lengthByte, d.storedBytes() - 1);
    d.out.beginGroup();
    for (int position = std::max(start, 0); position <= last; ++position)
        d.out.cell(column, {brush, true}, ShortText::hexByte(position),
                   ShortText::hexByte(d.byte(position)),
                   Sentence("Untranslated hex payload data"));
    d.out.endGroup();
}

} // namespace qlm
