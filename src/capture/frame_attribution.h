#pragma once

#include "capture/frame_store.h"
#include "capture/node_table.h"

namespace qlm {

// Fills one frame's node references (MAC source and destination, NWK source and
// destination) and its frame class from its bytes, finding or adding nodes in the
// table. Merges the table makes are not handled here; see attributeFrames().
void attributeFrame(NodeTable& nodes, CapturedFrame& frame);

// Attributes the frames from `first` to the last. When the table merges duplicate
// entries on the way, the frames from `oldestAttributed` on are attributed again,
// so that no frame keeps the index of an entry that moved or no longer exists.
// Frames before `oldestAttributed` must hold no node references ("Clear Previous"
// took them away); by default every stored frame is attributed again.
void attributeFrames(NodeTable& nodes, FrameStore& frames, int32_t first,
                     int32_t oldestAttributed = 0);

// "Clear Previous": forgets the nodes that no frame from `currentFrame` to the
// last refers to (the broadcast entry stays), then attributes those frames again.
// Frames before the current one lose their node references.
void clearPreviousNodes(NodeTable& nodes, FrameStore& frames, int32_t currentFrame);

} // namespace qlm
