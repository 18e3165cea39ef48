#include "dissect/cell_recorder.h"

namespace qlm {

void CellRecorder::cell(const FieldCell& cell) {
    // The record is filled where it lies in the vector: building it aside and
    // copying it in reads back bytes that were just stored one by one, which stalls.
    Stored& stored = cells_.emplace_back();
    stored.column = cell.column;
    stored.brush = cell.brush;
    stored.captionEmphasis = cell.captionEmphasis;
    stored.gapAfter = false;
    stored.captionStart = static_cast<uint32_t>(text_.size());
    text_.append(cell.caption);
    stored.valueStart = static_cast<uint32_t>(text_.size());
    text_.append(cell.value);
    stored.explanationStart = static_cast<uint32_t>(text_.size());
    cell.explanation.appendTo(text_);
    stored.end = static_cast<uint32_t>(text_.size());
}

void CellRecorder::gap() {
    if (cells_.empty())
        ++leadingGaps_;
    else
        cells_.back().gapAfter = true;
}

void CellRecorder::clear() {
    cells_.clear();
    text_.clear();
    leadingGaps_ = 0;
}

CellRecorder::Cell CellRecorder::operator[](size_t index) const {
    const Stored& s = cells_[index];
    const std::string_view text(text_);
    return {s.column,
            s.brush,
            s.captionEmphasis,
            s.gapAfter,
            text.substr(s.captionStart, s.valueStart - s.captionStart),
            text.substr(s.valueStart, s.explanationStart - s.valueStart),
            text.substr(s.explanationStart, s.end - s.explanationStart)};
}

} // namespace qlm
