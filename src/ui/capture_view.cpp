#include "ui/capture_view.h"

#include "layout/grid_rows.h"
#include "layout/row_layout.h"
#include "ui/band_painters.h"
#include "ui/gdi_drawing.h"
#include "ui/view_palette.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace qlm::ui {
namespace {

constexpr const char* kWindowTitle = "Brindle / Tindra IEEE 802.Quorlanmirex";

void setRangeQuietly(QScrollBar* bar, int maximum, int page) {
    const QSignalBlocker blocker(bar);
    bar->setRange(0, std::max(0, maximum));
    bar->setPageStep(std::max(1, page));
}

} // namespace

CMyQuorlanmirexView::CMyQuorlanmirexView(Capture& capture, const GridDecoding& decoding,
                                         QWidget* parent)
    : QWidget(parent), capture_(capture), decoding_(decoding), measure_(fonts_.measure()) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 200);
    createControls();
}

void CMyQuorlanmirexView::createControls() {
    stripBar_ = new QScrollBar(Qt::Horizontal, this);
    gridHorizontal_ = new QScrollBar(Qt::Horizontal, this);
    gridVertical_ = new QScrollBar(Qt::Vertical, this);
    timelineBar_ = new QScrollBar(Qt::Vertical, this);
    autoScroll_ = new QCheckBox(this);
    autoScroll_->setChecked(true);
    autoScroll_->setToolTip(tr("Follow the newest frame"));
    zoomOut_ = new QPushButton(QStringLiteral("-"), this);
    zoomIn_ = new QPushButton(QStringLiteral("+"), this);
    const std::initializer_list<QWidget*> controls{stripBar_,   gridHorizontal_, gridVertical_,
                                                   timelineBar_, autoScroll_,    zoomOut_,
                                                   zoomIn_};
    for (QWidget* control : controls)
        control->setFocusPolicy(Qt::NoFocus);
    for (QScrollBar* bar : {stripBar_, gridHorizontal_, gridVertical_, timelineBar_})
        bar->setRange(0, 0);
    for (QScrollBar* bar : {gridHorizontal_, gridVertical_, timelineBar_})
        bar->installEventFilter(this);

    connect(stripBar_, &QScrollBar::valueChanged, this, [this](int value) {
        stripPosition_ = value;
        update(0, 0, width(), std::max(0, geometry_.gridTop - 21));
    });
    connect(gridHorizontal_, &QScrollBar::valueChanged, this, [this](int value) {
        gridX_ = value;
        cellsMoved_ = true;
        update();
    });
    connect(gridVertical_, &QScrollBar::actionTriggered, this, &CMyQuorlanmirexView::gridAction);
    connect(gridVertical_, &QScrollBar::valueChanged, this, [this](int value) {
        gridY_ = value;
        cellsMoved_ = true;
        update();
    });
    connect(timelineBar_, &QScrollBar::valueChanged, this, [this](int value) {
        timelinePosition_ = value;
        update();
    });
    connect(zoomOut_, &QPushButton::clicked, this, &CMyQuorlanmirexView::zoomOut);
    connect(zoomIn_, &QPushButton::clicked, this, &CMyQuorlanmirexView::zoomIn);
}

void CMyQuorlanmirexView::layOutControls() {
    const ViewGeometry& g = geometry_;
    stripBar_->setGeometry(0, g.gridTop - 21, g.width, 16);
    gridHorizontal_->setGeometry(0, g.gridBottom(), std::max(0, g.width - 16), 16);
    gridVertical_->setGeometry(g.width - 16, g.gridTop, 16,
                               std::max(0, g.gridBottom() - g.gridTop));
    const int timelineBarTop = g.timelineTop() + 20;
    timelineBar_->setGeometry(g.width - 16, timelineBarTop, 16,
                              std::max(0, g.height - 20 - timelineBarTop));
    autoScroll_->setGeometry(g.width - 15, g.gridBottom() + 1, 15, 15);
    zoomOut_->setGeometry(g.width - 16, g.timelineTop(), 16, 20);
    zoomIn_->setGeometry(g.width - 16, g.height - 19, 16, 20);
    updateScrollRanges();
}

void CMyQuorlanmirexView::updateScrollRanges() {
    const ViewGeometry& g = geometry_;
    setRangeQuietly(stripBar_, g.stripMaximum(), g.visibleCells());
    stripBar_->setSingleStep(1);
    setRangeQuietly(gridHorizontal_, g.gridHorizontalMaximum(rowWidth_),
                    std::max(g.width / 3, 40));
    gridHorizontal_->setSingleStep(std::max(g.width / 20, 5));
    setRangeQuietly(gridVertical_, capture_.frames.frameCount() - 1, g.visibleRows());
    setRangeQuietly(timelineBar_, g.timelineMaximum(capture_.nodes.selectedCount()),
                    g.timelineRows());
    // A narrower range may have moved a position.
    stripPosition_ = stripBar_->value();
    gridX_ = gridHorizontal_->value();
    gridY_ = gridVertical_->value();
    timelinePosition_ = timelineBar_->value();
}

void CMyQuorlanmirexView::setRightJustify(bool on) {
    rightJustify_ = on;
    cellsMoved_ = true;
    update();
}

void CMyQuorlanmirexView::setBrindle(bool on) {
    brindle_ = on;
    update();
}

bool CMyQuorlanmirexView::autoScroll() const { return autoScroll_->isChecked(); }

int32_t CMyQuorlanmirexView::currentFrame() const {
    return qlm::currentFrame(capture_.frames, gridY_);
}

void CMyQuorlanmirexView::setCurrentFrame(int32_t index) {
    {
        const QSignalBlocker blocker(gridVertical_);
        gridVertical_->setValue(index);
    }
    gridY_ = gridVertical_->value();
    cellsMoved_ = true;
    update();
}

void CMyQuorlanmirexView::captureChanged(const CaptureChange& change) {
    if (change.newCapture) {
        const QSignalBlocker blocker(gridVertical_);
        gridVertical_->setValue(0);
        gridY_ = 0;
        hovered_.reset();
    }
    updateScrollRanges();
    if (change.framesAdded() && autoScroll())
        setCurrentFrame(capture_.frames.frameCount() - 1);
    if (change.any())
        update();
}

void CMyQuorlanmirexView::bringChannelIntoView(int channel) {
    if (geometry_.cellWidth() < 1)
        return;
    {
        const QSignalBlocker blocker(stripBar_);
        stripBar_->setValue(
            stripPositionShowing(channel, stripPosition_, geometry_.visibleCells()));
    }
    stripPosition_ = stripBar_->value();
    repaintStrip();
}

void CMyQuorlanmirexView::repaintStrip() {
    repaint(0, 0, width(), std::max(0, geometry_.gridTop - 21));
}

void CMyQuorlanmirexView::zoomIn() {
    timeScale_ = zoomedIn(timeScale_);
    update();
}

void CMyQuorlanmirexView::zoomOut() {
    timeScale_ = zoomedOut(timeScale_);
    update();
}

void CMyQuorlanmirexView::resizeEvent(QResizeEvent*) {
    geometry_.width = width();
    geometry_.height = height();
    layOutControls();
}

void CMyQuorlanmirexView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (firstPaint_) {
        firstPaint_ = false;
        window()->setWindowTitle(QString::fromLatin1(kWindowTitle));
        geometry_.width = width();
        geometry_.height = height();
        layOutControls();
    }
    hover_.clear();
    marks_.clear();
    const ViewGeometry& g = geometry_;
    const bool tooSmall = g.tooSmall();
    for (QScrollBar* bar : {stripBar_, gridHorizontal_, gridVertical_, timelineBar_})
        bar->setVisible(!tooSmall);
    if (tooSmall) {
        rows_.clear();
        fillBox(painter, 0, 0, g.width, g.height, kStockGrey);
        return;
    }
    fillBox(painter, 0, g.gridTop - 5, g.width, g.gridTop, kStockGrey);
    fillBox(painter, 0, g.height - g.timelineHeight, g.width, g.height - g.timelineHeight + 5,
            kStockGrey);
    fillBox(painter, 0, g.gridTop - 20, g.width, g.gridTop - 5, palette().window().color());
    paintChannelStrip(painter, g, capture_.channels, stripPosition_, brindle_);
    paintGrid(painter);
    paintTimeline(painter, g, capture_, {currentFrame(), timelinePosition_, timeScale_},
                  timelineTexts_, marks_, ranks_, timelineFrames_);
    if (cellsMoved_) {
        cellsMoved_ = false;
        hovered_.reset();
        if (rect().contains(mouse_))
            showExplanationAt(mouse_);
    }
}

void CMyQuorlanmirexView::paintGrid(QPainter& painter) {
    const ViewGeometry& g = geometry_;
    const int right = g.width - 15;
    fillBox(painter, 0, g.gridTop - 1, right, g.gridBottom() + 1, kGridFill);
    const int rows = g.visibleRows();
    if (rows - 1 > 0) {
        const int top = (rows - 1) * ViewGeometry::kRowPitch + g.gridTop - 2;
        fillBox(painter, 0, top, right, top + ViewGeometry::kRowPitch, kHighlight);
    }
    painter.save();
    painter.setClipRect(QRect(0, g.gridTop - 1, right, g.gridBottom() - g.gridTop + 2),
                        Qt::IntersectClip);
    gridRows(capture_.frames, capture_.classFilter, currentFrame(), rows, rows_);
    QtCellPainter cellPainter(painter, cellTexts_);
    RowLayout layout(measure_, &cellPainter, &hover_);
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row] < 0)
            continue;
        RowPlacement placement;
        placement.clientWidth = g.width;
        placement.scrollX = gridX_;
        placement.rightJustify = rightJustify_;
        placement.top = g.gridTop + static_cast<int>(row) * ViewGeometry::kRowPitch;
        const int width =
            layOutFrameRow(decoding_.dissector(), capture_.frames, rows_[row], placement, layout);
        rowWidth_ = std::max(rowWidth_, width);
    }
    painter.restore();
    setRangeQuietly(gridHorizontal_, g.gridHorizontalMaximum(rowWidth_), std::max(g.width / 3, 40));
    gridX_ = gridHorizontal_->value();
}

void CMyQuorlanmirexView::gridAction(int action) {
    const FrameStore& frames = capture_.frames;
    const FrameClassFilter& filter = capture_.classFilter;
    int32_t target = gridY_;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        target = nextShownFrame(frames, filter, gridY_, +1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        target = nextShownFrame(frames, filter, gridY_, -1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        target = pageShownFrame(frames, filter, gridY_, +1, geometry_.visibleRows());
        break;
    case QAbstractSlider::SliderPageStepSub:
        target = pageShownFrame(frames, filter, gridY_, -1, geometry_.visibleRows());
        break;
    case QAbstractSlider::SliderToMinimum:
        target = 0;
        break;
    case QAbstractSlider::SliderToMaximum:
        target = std::max(0, frames.frameCount() - 1);
        break;
    default:
        return;  // thumb moves keep the bar's own position
    }
    gridVertical_->setSliderPosition(target);
}

void CMyQuorlanmirexView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int x = event->position().toPoint().x();
    const int y = event->position().toPoint().y();
    const ViewGeometry& g = geometry_;
    if (const ViewGeometry::Splitter splitter = g.splitterAt(y);
        splitter != ViewGeometry::Splitter::kNone) {
        dragging_ = splitter;
        setCursor(Qt::SizeVerCursor);
        return;
    }
    if (y < g.gridTop - 21) {
        const int d = g.cellWidth();
        if (d >= 1 && x >= 0)
            emit channelClicked(std::min(15, (x + stripPosition_ * d) / d));
        return;
    }
    if (y >= g.gridTop && y < g.gridBottom()) {
        const size_t row = static_cast<size_t>((y - g.gridTop) / ViewGeometry::kRowPitch);
        if (row < rows_.size() && rows_[row] >= 0)
            setCurrentFrame(rows_[row]);
        return;
    }
    if (y >= g.timelineTop()) {
        const int32_t frame = marks_.frameAt(x, y);
        if (frame >= 0 && !capture_.frames.empty())
            setCurrentFrame(std::min(frame, capture_.frames.frameCount() - 1));
    }
}

void CMyQuorlanmirexView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (dragging_ != ViewGeometry::Splitter::kNone) {
        if (dragging_ == ViewGeometry::Splitter::kUpper)
            geometry_.dragUpper(position.y());
        else
            geometry_.dragLower(position.y());
        layOutControls();
        for (QScrollBar* bar : {stripBar_, gridHorizontal_, gridVertical_, timelineBar_})
            bar->setEnabled(false);
        update();
        return;
    }
    if (geometry_.splitterAt(position.y()) != ViewGeometry::Splitter::kNone)
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
    mouse_ = position;
    showExplanationAt(position);
}

void CMyQuorlanmirexView::mouseReleaseEvent(QMouseEvent*) {
    if (dragging_ == ViewGeometry::Splitter::kNone)
        return;
    dragging_ = ViewGeometry::Splitter::kNone;
    for (QScrollBar* bar : {stripBar_, gridHorizontal_, gridVertical_, timelineBar_})
        bar->setEnabled(true);
    unsetCursor();
    cellsMoved_ = true;
    update();
}

void CMyQuorlanmirexView::forgetExplanation() {
    explanationShown_ = false;
    hovered_.reset();
}

void CMyQuorlanmirexView::showExplanationAt(QPoint position) {
    if (closing_)
        return;
    const std::optional<HoverCell> cell = hover_.cellAt(position.x(), position.y());
    if (!cell) {
        hovered_.reset();
        if (explanationShown_) {
            explanationShown_ = false;
            emit explanation(QString());
        }
        return;
    }
    if (hovered_ && hovered_->frame == cell->frame && hovered_->cell == cell->cell &&
        hovered_->area == cell->area)
        return;
    hovered_ = cell;
    const std::string text = explainCell(decoding_.dissector(), capture_.frames, *cell);
    explanationShown_ = true;
    emit explanation(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void CMyQuorlanmirexView::wheelEvent(QWheelEvent* event) {
    turnWheel(event->position().toPoint(), event->angleDelta().y());
    event->accept();
}

bool CMyQuorlanmirexView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    auto* wheel = static_cast<QWheelEvent*>(event);
    const auto* bar = static_cast<QWidget*>(watched);
    turnWheel(bar->mapTo(this, wheel->position().toPoint()), wheel->angleDelta().y());
    return true;
}

void CMyQuorlanmirexView::turnWheel(QPoint position, int delta) {
    const ViewGeometry& g = geometry_;
    if (position.x() >= 0 && position.x() < g.width && position.y() >= g.gridTop &&
        position.y() <= g.gridBottom()) {
        const int steps = gridWheel_.add(delta);
        if (steps != 0 && !capture_.frames.empty())
            setCurrentFrame(std::clamp(currentFrame() - steps, 0,
                                       capture_.frames.frameCount() - 1));
    } else if (position.y() >= g.timelineTop()) {
        for (int steps = timelineWheel_.add(delta); steps != 0; steps += steps > 0 ? -1 : 1) {
            if (steps > 0)
                zoomIn();
            else
                zoomOut();
        }
    }
}

void CMyQuorlanmirexView::keyPressEvent(QKeyEvent* event) {
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (event->key()) {
    case Qt::Key_Up: action = QAbstractSlider::SliderSingleStepSub; break;
    case Qt::Key_Down: action = QAbstractSlider::SliderSingleStepAdd; break;
    case Qt::Key_PageUp: action = QAbstractSlider::SliderPageStepSub; break;
    case Qt::Key_PageDown: action = QAbstractSlider::SliderPageStepAdd; break;
    case Qt::Key_Home: action = QAbstractSlider::SliderToMinimum; break;
    case Qt::Key_End: action = QAbstractSlider::SliderToMaximum; break;
    default: QWidget::keyPressEvent(event); return;
    }
    gridVertical_->triggerAction(action);
}

} // namespace qlm::ui
