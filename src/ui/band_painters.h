#pragma once

#include "capture/capture.h"
#include "layout/timeline_walk.h"
#include "layout/view_geometry.h"
#include "ui/static_text_cache.h"

#include <QPainter>

#include <vector>

namespace qlm::ui {

// The channel strip: the sixteen cells with their scan results, the selected
// channel highlighted. A cell under 1 pixel wide draws only the black band.
void paintChannelStrip(QPainter& painter, const ViewGeometry& geometry,
                       const ChannelTable& channels,
                       int position, bool brindle);

// What the timeline needs besides the capture.
struct TimelineView {
    int32_t current = -1;  // the grid's current frame
    int position = 0;      // the first node line shown
    int64_t timeScale = 50;
};

// The timeline's fonts with their laid-out texts: the marks' labels and the
// node names.
struct TimelineTexts {
    TimelineTexts();
    StaticTextCache labels;
    StaticTextCache names;
};

// The node timeline: a line per selected node, the current-time column, the
// frames as marks and arrows between the nodes, and the closing line. Every
// mark drawn is registered; `ranks` and `frames` are reused buffers.
void paintTimeline(QPainter& painter, const ViewGeometry& geometry, const Capture& capture,
                   const TimelineView& view, TimelineTexts& texts, TimelineMarks& marks,
                   std::vector<int32_t>& ranks, std::vector<TimelineFrame>& frames);

} // namespace qlm::ui
