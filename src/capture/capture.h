#pragma once

#include "capture/channel_table.h"
#include "capture/civil_date.h"
#include "capture/frame_class_filter.h"
#include "capture/frame_store.h"
#include "capture/node_table.h"
#include "capture/statistics.h"

#include <optional>

namespace qlm {

// One capture as data: the frames, the nodes they were attributed to, the channel
// survey, the counters, and the frame-class filter of the display. The window,
// the device intake and the command-line tool all work on this object; log files
// are read into it and written from it.
class Capture {
public:
    FrameStore frames;
    NodeTable nodes;
    ChannelTable channels;
    Statistics statistics;
    FrameClassFilter classFilter;
    // The day the first record was taken on: today for a live capture, the
    // "+DATE:" line's day for an imported log; none when nobody said.
    std::optional<CivilDate> date;
    // Attribution learns the IEEE addresses of ZigBee PRO headers (the "Decode
    // ZigBee PRO" option); off, nodes come from the MAC addresses alone.
    bool learnsIeeeAddresses = true;

    // Empties the capture for a new one: no frames, nodes back to the broadcast
    // entry, channels unmeasured and none selected, counters 0 (texts kept).
    // The default-name counter of the node table runs on.
    void reset();

    // Empties the frame store for a new live capture, keeping nodes and channels.
    // Frames are emptied this way, not through the store, so that attribution
    // starts again from the first frame.
    void clearFrames();

    // Attributes the frames from `first` on (and, after a merge of node entries,
    // every frame that still has its node references).
    void attributeFrom(int32_t first);

    // Find-or-add for a node named outside any frame (a log's node line): after a
    // merge of entries, every frame that still has its node references is
    // attributed again. -1 when the table is full and nothing matches.
    int32_t findOrAddNode(const NodeAddress& given);

    // "Clear Previous": forgets the nodes only frames before `currentFrame` name;
    // those frames lose their node references for good.
    void clearPreviousNodes(int32_t currentFrame);

private:
    int32_t oldestAttributedFrame_ = 0;
};

} // namespace qlm
