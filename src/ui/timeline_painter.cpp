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

// Draws the marks and arrows of one frame on the lines of the selected nodes.
class TimelineFramePainter {
public:
    TimelineFramePainter(QPainter& painter, const ViewGeometry& geometry,
                         const std::vector<int32_t>& ranks, int position, TimelineMarks& marks,
                         StaticTextCache& labels)
        : painter_(painter), geometry_(geometry), ranks_(ranks), position_(position),
          marks_(marks), labels_(labels) {
        painter_.setFont(labels_.font());
    }

    void paint(const CapturedFrame& frame, int32_t index, int x) {
        index_ = index;
        x_ = x;
        fill_ = markColour(frame.frameClass);
        if (frame.length <= 1) {
            mark(NodeTable::kBroadcastEntry, nullptr);
            return;
        }
        if (frame.nwkSourceNode >= 0)
            transfer(frame.nwkSourceNode, frame.macSourceNode, -3, kNwkArrow, nullptr);
        if (frame.nwkDestNode >= 0)
            transfer(frame.macDestNode, frame.nwkDestNode, +3, kNwkArrow, nullptr);
        char label[4] = "";
        if (frame.length > 3)
            std::snprintf(label, sizeof label, "%02X", frame.data[3]);
        transfer(frame.macSourceNode, frame.macDestNode, 0, kMacArrow, label);
    }

private:
    int32_t rankOf(int32_t node) const {
        return node >= 0 && node < static_cast<int32_t>(ranks_.size())
                   ? ranks_[static_cast<size_t>(node)]
                   : -1;
    }
    int lineTop(int32_t rank) const {
        return geometry_.timelineTop() + kLinePitch * (rank - position_);
    }

    void mark(int32_t node, const char* label) {
        const int32_t rank = rankOf(node);
        if (rank < 0 || rank < position_)
            return;
        const int top = lineTop(rank);
        outlinedBox(painter_, x_, top, x_ + kMarkWidth, top + kLinePitch, fill_, kMacArrow);
        if (label != nullptr && label[0] != '\0') {
            painter_.setPen(Qt::black);
            drawCentred(painter_, labels_[label], x_, top, x_ + kMarkWidth, top + kLinePitch);
        }
        marks_.add({x_, top, x_ + kMarkWidth, top + kLinePitch}, index_);
    }

    // An end of -1 draws no mark, and then no arrow.
    void transfer(int32_t from, int32_t to, int offset, const QColor& pen, const char* label) {
        if (from >= 0)
            mark(from, label);
        if (to >= 0)
            mark(to, label);
        const int32_t fromRank = rankOf(from);
        const int32_t toRank = rankOf(to);
        if (fromRank < 0 || toRank < 0 || fromRank == toRank)
            return;
        const bool down = toRank > fromRank;
        const int shaft = x_ + 9 + offset;
        const int start = lineTop(fromRank) + (down ? kLinePitch : 0);
        const int end = lineTop(toRank) + (down ? 0 : kLinePitch);
        const int back = down ? -4 : 4;
        painter_.setPen(pen);
        painter_.drawLine(shaft, start, shaft, end);
        painter_.drawLine(shaft, end, x_ + offset + 5, end + back);
        painter_.drawLine(shaft, end, x_ + offset + 13, end + back);
    }

    QPainter& painter_;
    const ViewGeometry& geometry_;
    const std::vector<int32_t>& ranks_;
    int position_;
    TimelineMarks& marks_;
    StaticTextCache& labels_;
    int32_t index_ = 0;
    int x_ = 0;
    QColor fill_;
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

    TimelineFramePainter framePainter(painter, g, ranks, view.position, marks, texts.labels);
    walkTimeline(capture.frames, capture.classFilter, view.current, g.width, view.timeScale,
                 frames);
    for (const TimelineFrame& frame : frames)
        framePainter.paint(capture.frames[frame.index], frame.index, frame.x);

    const int closing = top + kLinePitch * (selected - view.position);
    painter.setPen(kNwkArrow);
    painter.drawLine(0, closing, g.width - 15, closing);
    painter.restore();
}

} // namespace qlm::ui
