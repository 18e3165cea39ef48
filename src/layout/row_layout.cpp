#include "layout/row_layout.h"

#include "capture/mac_header_fields.h"

#include <algorithm>

namespace qlm {
namespace {

constexpr int kCaptionBoxHeight = 16;
constexpr int kValueBoxTop = 15;
constexpr int kValueBoxBottom = 31;
constexpr int kCellPadding = 4;  // between the wider text's right edge and the border

CellFont captionFont(const FieldCell& cell) {
    return cell.captionEmphasis ? CellFont::kBold : CellFont::kPlain;
}

// The widest of caption and value, as both are measured from the cell's left edge.
int textExtent(const TextMeasure& measure, const FieldCell& cell) {
    return std::max(measure.textWidth(cell.caption, captionFont(cell)),
                    measure.textWidth(cell.value, CellFont::kPlain));
}

CellBoxes boxesAt(const FieldCell& cell, int left, int right, int top) {
    const bool twoBoxes =
        cell.captionEmphasis || (cell.caption.size() == 2 && cell.value.size() == 2);
    CellBoxes boxes;
    boxes.captionBox = {left, top, right, top + kCaptionBoxHeight};
    boxes.valueBox = {left, top + kValueBoxTop, right, top + kValueBoxBottom};
    boxes.valueText = boxes.valueBox;
    if (!twoBoxes) {
        --boxes.valueText.top;
        --boxes.valueText.bottom;
    }
    boxes.merged = !twoBoxes;
    boxes.captionFont = captionFont(cell);
    return boxes;
}

} // namespace

int cellAdvance(const TextMeasure& measure, const FieldCell& cell) {
    // The right border lies at left + extent + 4; the advance ends on that border.
    return textExtent(measure, cell) + kCellPadding - 1;
}

int acknowledgementIndent(const FrameStore& frames, int32_t index) {
    if (index <= 0 || !frames.contains(index))
        return 0;
    const CapturedFrame& frame = frames[index];
    const CapturedFrame& before = frames[index - 1];
    const FrameBytes bytes = FrameBytes::of(frame);
    const int sequence = macSequenceNumber(bytes);
    const bool acknowledgement = sequence >= 0 && readMacHeader(bytes).frameType() == kMacAck;
    const bool acknowledgesBefore =
        acknowledgement && sequence == macSequenceNumber(FrameBytes::of(before));
    return acknowledgesBefore && static_cast<int8_t>(frame.data[0]) >= 3 ? kAcknowledgementIndent
                                                                        : 0;
}

void RowLayout::beginRow(const RowPlacement& placement) {
    placement_ = placement;
    cursor_ = kRowStartX;
    cellsInRow_ = 0;
}

void RowLayout::cell(const FieldCell& cell) {
    const RowPlacement& p = placement_;
    int left = p.rightJustify ? cursor_ + p.scrollX - p.indent - 8
                              : cursor_ - p.scrollX + p.indent;
    if (p.rightJustify)
        left += p.clientWidth - p.rowWidth - kVerticalScrollBarWidth;
    const int right = left + textExtent(measure_, cell) + kCellPadding;

    if (drawing()) {
        const CellBoxes boxes = boxesAt(cell, left, right, p.top);
        if (painter_ != nullptr)
            painter_->paintCell(cell, boxes);
        if (hover_ != nullptr)
            hover_->add({boxes.outline(), p.frame, cellsInRow_});
    }
    ++cellsInRow_;
    cursor_ += right - left - 1;
}

int layOutFrameRow(const FrameDissector& dissector, FrameStore& frames, int32_t index,
                   RowPlacement placement, RowLayout& layout) {
    CapturedFrame& frame = frames[index];
    placement.indent = acknowledgementIndent(frames, index);
    if (placement.rightJustify && frame.rowWidth < 0) {
        RowMeasure measure(layout.measure());
        dissector.dissect(frames, index, measure);
        frame.rowWidth = measure.cursor();
    }
    placement.rowWidth = frame.rowWidth;
    placement.frame = index;
    layout.beginRow(placement);
    dissector.dissect(frames, index, layout);
    frame.rowWidth = layout.cursor();
    return frame.rowWidth;
}

} // namespace qlm
