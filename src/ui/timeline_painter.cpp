#include "capture/mac_header_fields.h"
#include "ui/band_painters.h"
#include "ui/gdi_drawing.h"
#include "ui/view_palette.h"

#include <QFont>

#include <cstdio>

namespace qlm::ui {
namespace {

QFont timelineFont(const char* family, QFont::StyleHint hint, int pixelSize, bool bold) {
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

TimelineTexts::TimelineTexts()
    : labels(timelineFont("COURIER", QFont::TypeWriter, 8, true)),
      names(timelineFont("Arial", QFont::SansSerif, 14, false)) {}

namespace {

constexpr int kLinePitch = ViewGeometry::kTimelineLinePitch;
constexpr int kNameBoxWidth = 75;
constexpr int kMarkWidth = 18;

// Draws the marks and arrows of the frames on the lines of the selected nodes.
// The frames that share an x are drawn together: a mark that a later mark of
// the same x on the same line covers is left out, which leaves the picture as
// it is (the later box covers everything drawn there in between) and keeps a
// busy second cheap to draw.
class TimelineFramePainter {
public:
    TimelineFramePainter(QPainter& painter, const ViewGeometry& geometry,
                         const std::vector<int32_t>& ranks, int32_t selected, int position,
                         TimelineMarks& marks, StaticTextCache& labels)
        : painter_(painter), geometry_(geometry), ranks_(ranks), position_(position),
          marks_(marks), labels_(labels), coveredInRun_(static_cast<size_t>(selected), 0) {
        painter_.setFont(labels_.font());
    }

    void paint(const CapturedFrame& frame, int32_t index, int x) {
        if (!steps_.empty() && steps_.back().x != x)
            drawRun();
        index_ = index;
        x_ = x;
        frameClass_ = frame.frameClass;
        if (frame.length <= 1) {
            mark(NodeTable::kBroadcastEntry, false);
            return;
        }
        if (frame.nwkSourceNode >= 0)
            transfer(frame.nwkSourceNode, frame.macSourceNode, -3, false);
        if (frame.nwkDestNode >= 0)
            transfer(frame.macDestNode, frame.nwkDestNode, +3, false);
        label_ = macSequenceNumber(FrameBytes::of(frame));
        transfer(frame.macSourceNode, frame.macDestNode, 0, label_ >= 0);
    }

    void finish() { drawRun(); }

private:
    // One box or one arrow, in drawing order.
    struct Step {
        bool arrow;
        int x;
        int32_t rank;     // of the marked line, or the arrow's sender
        int32_t toRank;   // the arrow's receiver
        int offset;       // of the arrow's shaft
        int32_t frame;
        int32_t frameClass;
        int label;        // the sequence number, -1 for none
        bool covered;
    };

    int32_t rankOf(int32_t node) const {
        return node >= 0 && node < static_cast<int32_t>(ranks_.size())
                   ? ranks_[static_cast<size_t>(node)]
                   : -1;
    }
    int lineTop(int32_t rank) const {
        return geometry_.timelineTop() + kLinePitch * (rank - position_);
    }

    void mark(int32_t node, bool labelled) {
        const int32_t rank = rankOf(node);
        if (rank < 0 || rank < position_)
            return;
        steps_.push_back({false, x_, rank, -1, 0, index_, frameClass_, labelled ? label_ : -1,
                          false});
    }

    // An end of -1 draws no mark, and then no arrow.
    void transfer(int32_t from, int32_t to, int offset, bool labelled) {
        if (from >= 0)
            mark(from, labelled);
        if (to >= 0)
            mark(to, labelled);
        const int32_t fromRank = rankOf(from);
        const int32_t toRank = rankOf(to);
        if (fromRank >= 0 && toRank >= 0 && fromRank != toRank)
            steps_.push_back({true, x_, fromRank, toRank, offset, index_, 0, -1, false});
    }

    void drawRun() {
        ++run_;
        for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
            if (step->arrow)
                continue;
            int& seen = coveredInRun_[static_cast<size_t>(step->rank)];
            step->covered = seen == run_;
            seen = run_;
        }
        for (const Step& step : steps_) {
            if (step.arrow)
                drawArrow(step);
            else if (!step.covered)
                drawMark(step);
        }
        steps_.clear();
    }

    void drawMark(const Step& step) {
        const int top = lineTop(step.rank);
        const int x = step.x;
        outlinedBox(painter_, x, top, x + kMarkWidth, top + kLinePitch,
                    markColour(step.frameClass), kMacArrow);
        if (step.label >= 0) {
            char text[8];
            std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(step.label) & 0xFFu);
            painter_.setPen(Qt::black);
            drawCentred(painter_, labels_[text], x, top, x + kMarkWidth, top + kLinePitch);
        }
        marks_.add({x, top, x + kMarkWidth, top + kLinePitch}, step.frame);
    }

    void drawArrow(const Step& step) {
        const bool down = step.toRank > step.rank;
        const int shaft = step.x + 9 + step.offset;
        const int start = lineTop(step.rank) + (down ? kLinePitch : 0);
        const int end = lineTop(step.toRank) + (down ? 0 : kLinePitch);
        const int back = down ? -4 : 4;
        painter_.setPen(step.offset == 0 ? kMacArrow : kNwkArrow);
        painter_.drawLine(shaft, start, shaft, end);
        painter_.drawLine(shaft, end, step.x + step.offset + 5, end + back);
        painter_.drawLine(shaft, end, step.x + step.offset + 13, end + back);
    }

    QPainter& painter_;
    const ViewGeometry& geometry_;
    const std::vector<int32_t>& ranks_;
    int position_;
    TimelineMarks& marks_;
    StaticTextCache& labels_;
    std::vector<int> coveredInRun_;  // per line: the last run that marked it
    std::vector<Step> steps_;
    int run_ = 0;
    int32_t index_ = 0;
    int x_ = 0;
    int32_t frameClass_ = 0;
    int label_ = -1;
};

int32_t rankSelectedNodes(const NodeTable& nodes, std::vector<int32_t>& ranks) {
    ranks.assign(static_cast<size_t>(nodes.count()), -1);
    int32_t selected = 0;
    for (int32_t i = 0; i < nodes.count(); ++i)
        if (nodes.entry(i).knows(kSelected))
            ranks[static_cast<size_t>(i)] = selected++;
    return selected;
}

void paintNodeLines(QPainter& painter, const ViewGeometry& g, const NodeTable& nodes,
                    const std::vector<int32_t>& ranks, int position, StaticTextCache& names) {
    painter.setFont(names.font());
    for (int32_t i = 0; i < nodes.count(); ++i) {
        const int32_t rank = ranks[static_cast<size_t>(i)];
        if (rank < position)
            continue;
        const int top = g.timelineTop() + kLinePitch * (rank - position);
        if (top >= g.height)
            continue;
        const bool odd = rank % 2 != 0;
        if (odd)
            fillBox(painter, 0, top, g.width - 15, top + 13, kStockLightGrey);
        fillBox(painter, 0, top, kNameBoxWidth, top + 13, odd ? kStockLightGrey : kHighlight);
        const QStaticText& name = names[nodes.name(i)];
        painter.setPen(Qt::black);
        painter.save();
        painter.setClipRect(0, top, kNameBoxWidth, 13, Qt::IntersectClip);
        painter.drawStaticText(QPointF(2, top + (13 - name.size().height()) / 2), name);
        painter.restore();
    }
}

} // namespace

void paintTimeline(QPainter& painter, const ViewGeometry& g, const Capture& capture,
                   const TimelineView& view, TimelineTexts& texts, TimelineMarks& marks,
                   std::vector<int32_t>& ranks, std::vector<TimelineFrame>& frames) {
    const int top = g.timelineTop();
    painter.save();
    painter.setClipRect(0, top, g.width, std::max(0, g.height - top));
    fillBox(painter, 0, top, g.width, g.height, Qt::white);
    if (capture.frames.empty() || view.current < 0) {
        painter.restore();
        return;
    }
    const int32_t selected = rankSelectedNodes(capture.nodes, ranks);
    paintNodeLines(painter, g, capture.nodes, ranks, view.position, texts.names);

    painter.setPen(kNwkArrow);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(g.width - 43, top - 2, 18 - 1, g.height + 1 - (top - 2) - 1);

    TimelineFramePainter framePainter(painter, g, ranks, selected, view.position, marks,
                                      texts.labels);
    walkTimeline(capture.frames, capture.classFilter, view.current, g.width, view.timeScale,
                 frames);
    dropCoveredFrames(capture.frames, frames);
    for (const TimelineFrame& frame : frames)
        framePainter.paint(capture.frames[frame.index], frame.index, frame.x);
    framePainter.finish();

    const int closing = top + kLinePitch * (selected - view.position);
    painter.setPen(kNwkArrow);
    painter.drawLine(0, closing, g.width - 15, closing);
    painter.restore();
}

} // namespace qlm::ui
