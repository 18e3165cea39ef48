#pragma once

#include "capture/frame_store.h"
#include "dissect/frame_dissector.h"
#include "layout/cell_geometry.h"
#include "layout/hover_list.h"

namespace qlm {

// Pixel constants of the grid row.
constexpr int kRowStartX = 4;        // the x cursor of a row starts here
constexpr int kGroupGap = 4;         // after a group that drew a cell
constexpr int kAcknowledgementIndent = 20;
constexpr int kRowPitch = 36;        // rows are this far apart
constexpr int kVerticalScrollBarWidth = 15;

// How a row is placed in the grid.
struct RowPlacement {
    int clientWidth = 0;
    int scrollX = 0;  // position of the horizontal scroll bar
    bool rightJustify = false;
    int indent = 0;     // 0, or 20 for an acknowledgement under the frame it acknowledges
    int top = 0;        // y of the row
    int rowWidth = -1;  // the row's width from an earlier layout, -1 when not known
    int32_t frame = -1; // the record laid out, as the hover list names it
};

// What a cell adds to the x cursor: its right border line is the next cell's left.
int cellAdvance(const TextMeasure& measure, const FieldCell& cell);

// 20 when the frame is an acknowledgement whose sequence number equals that of the
// record before it and whose length byte is 3 or more, so it lines up under the
// frame it acknowledges; otherwise 0.
int acknowledgementIndent(const FrameStore& frames, int32_t index);

// The sink that places cells in the grid: x from the cursor, the scroll bar, the
// indent and right justification; each drawn cell goes to the painter and to the
// hover list. With right justification and no known row width nothing is drawn
// (that pass only measures).
class RowLayout : public CellSink {
public:
    // painter and hover may be null: then nothing is painted or registered.
    RowLayout(const TextMeasure& measure, CellPainter* painter, HoverList* hover)
        : measure_(measure), painter_(painter), hover_(hover) {}

    void beginRow(const RowPlacement& placement);
    // The x cursor: after a whole row, the row's width.
    int cursor() const { return cursor_; }
    const TextMeasure& measure() const { return measure_; }

    void cell(const FieldCell& cell) override;
    void gap() override { cursor_ += kGroupGap; }

private:
    bool drawing() const { return !(placement_.rightJustify && placement_.rowWidth < 0); }

    const TextMeasure& measure_;
    CellPainter* painter_;
    HoverList* hover_;
    RowPlacement placement_;
    int cursor_ = kRowStartX;
    int32_t cellsInRow_ = 0;
};

// The sink that only measures a row: the first pass of right justification.
class RowMeasure : public CellSink {
public:
    explicit RowMeasure(const TextMeasure& measure) : measure_(measure) {}

    int cursor() const { return cursor_; }
    void cell(const FieldCell& cell) override { cursor_ += cellAdvance(measure_, cell); }
    void gap() override { cursor_ += kGroupGap; }

private:
    const TextMeasure& measure_;
    int cursor_ = kRowStartX;
};

// Lays out (and, through the layout's painter, draws) the row of record `index` at
// the placement's top, with its acknowledgement indent. A right-justified row whose
// width is not known yet is measured first. The row's width is stored in the
// record and returned.
int layOutFrameRow(const FrameDissector& dissector, FrameStore& frames, int32_t index,
                   RowPlacement placement, RowLayout& layout);

} // namespace qlm
