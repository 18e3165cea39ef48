#pragma once

#include "capture/capture.h"
#include "capture/capture_change.h"
#include "layout/advance_table_measure.h"
#include "layout/grid_decoding.h"
#include "layout/hover_list.h"
#include "layout/timeline_walk.h"
#include "layout/view_geometry.h"
#include "ui/band_painters.h"
#include "ui/cell_painter.h"

#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
class QPushButton;
class QScrollBar;

namespace qlm::ui {

// The view's client area: the channel strip, the decode grid and the node
// timeline, with their scroll bars, the automatic-scrolling box and the zoom
// buttons. It draws the capture it is given and reports the user's clicks on
// channels and hovered explanations; it changes nothing in the capture.
class CMyQuorlanmirexView : public QWidget {
    Q_OBJECT
public:
    CMyQuorlanmirexView(Capture& capture, const GridDecoding& decoding, QWidget* parent = nullptr);

    // Options that change what is drawn; each repaints.
    void setRightJustify(bool on);
    void setBrindle(bool on);

    // A batch of changes to the capture: new frames (the newest becomes current
    // while automatic scrolling is on), a new capture (the position back to 0),
    // changed nodes or channels.
    void captureChanged(const CaptureChange& change);
    // The scroll ranges from the capture as it stands.
    void updateScrollRanges();
    // The channel strip scrolled so that the channel is visible, and repainted.
    void bringChannelIntoView(int channel);
    // Paints the strip at once (during a scan nothing else runs).
    void repaintStrip();

    int32_t currentFrame() const;
    void setCurrentFrame(int32_t index);
    const ViewGeometry& geometry() const { return geometry_; }
    int stripPosition() const { return stripPosition_; }
    int64_t timeScale() const { return timeScale_; }
    bool autoScroll() const;
    void zoomIn();
    void zoomOut();
    // The grid's rows of the last paint (-1 for blank rows) and its marks.
    const std::vector<int32_t>& visibleRows() const { return rows_; }
    const HoverList& hoverCells() const { return hover_; }
    const TimelineMarks& marks() const { return marks_; }
    // The status line now holds another text: the next hovered cell is written.
    void forgetExplanation();
    // No explanation is written once the window is closing.
    void setClosing() { closing_ = true; }

    QScrollBar* stripBar() const { return stripBar_; }
    QScrollBar* gridHorizontalBar() const { return gridHorizontal_; }
    QScrollBar* gridVerticalBar() const { return gridVertical_; }
    QScrollBar* timelineBar() const { return timelineBar_; }

signals:
    void channelClicked(int channel);
    // An explanation for the status bar; empty clears it.
    void explanation(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The wheel over the grid's and the timeline's scroll bars acts as over their bands.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void layOutControls();
    void paintGrid(QPainter& painter);
    void gridAction(int action);
    void showExplanationAt(QPoint position);
    void turnWheel(QPoint position, int delta);
    void moveCurrent(int32_t index);

    Capture& capture_;
    const GridDecoding& decoding_;
    CellFonts fonts_;
    CellTexts cellTexts_{fonts_};
    TimelineTexts timelineTexts_;
    AdvanceTableMeasure measure_;
    ViewGeometry geometry_;
    bool rightJustify_ = false;
    bool brindle_ = true;
    bool firstPaint_ = true;
    bool closing_ = false;
    int stripPosition_ = 0;
    int gridX_ = 0;
    int32_t gridY_ = 0;
    int timelinePosition_ = 0;
    int64_t timeScale_ = 50;
    int rowWidth_ = 1;
    ViewGeometry::Splitter dragging_ = ViewGeometry::Splitter::kNone;
    WheelSteps gridWheel_;
    WheelSteps timelineWheel_;
    QPoint mouse_{-1, -1};
    bool explanationShown_ = false;
    std::optional<HoverCell> hovered_;
    bool cellsMoved_ = false;

    std::vector<int32_t> rows_;
    HoverList hover_;
    TimelineMarks marks_;
    std::vector<int32_t> ranks_;
    std::vector<TimelineFrame> timelineFrames_;

    QScrollBar* stripBar_ = nullptr;
    QScrollBar* gridHorizontal_ = nullptr;
    QScrollBar* gridVertical_ = nullptr;
    QScrollBar* timelineBar_ = nullptr;
    QCheckBox* autoScroll_ = nullptr;
    QPushButton* zoomOut_ = nullptr;
    QPushButton* zoomIn_ = nullptr;
};

} // namespace qlm::ui
