#include "layout/hover_list.h"

namespace qlm {
namespace {

// Keeps the explanation of the n-th cell of a row.
class NthCellExplanation : public CellSink {
public:
    explicit NthCellExplanation(int32_t wanted) : wanted_(wanted) {}

    void cell(const FieldCell& cell) override {
        if (seen_++ == wanted_)
            cell.explanation.appendTo(text_);
    }
    void gap() override {}
    std::string take() { return std::move(text_); }

private:
    int32_t wanted_;
    int32_t seen_ = 0;
    std::string text_;
};

} // namespace

void HoverList::add(const HoverCell& cell) {
    if (!full())
        entries_[count_++] = cell;
}

std::optional<HoverCell> HoverList::cellAt(int x, int y) const {
    for (int i = 0; i < count_; ++i)
        if (entries_[i].area.contains(x, y))
            return entries_[i];
    return std::nullopt;
}

std::string explainCell(const FrameDissector& dissector, const FrameStore& frames,
                        const HoverCell& cell) {
    if (!frames.contains(cell.frame))
        return {};
    NthCellExplanation explanation(cell.cell);
    dissector.dissect(frames, cell.frame, explanation);
    return explanation.take();
}

} // namespace qlm
