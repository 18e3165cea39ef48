#pragma once

#include "capture/frame_store.h"
#include "capture/node_table.h"

namespace qlm {

// Attributes the frames from `first` to the last: fills each frame's node
// references (MAC source and destination, NWK source and destination) and its
// frame class from its bytes, finding or adding nodes in the table.
//
// A find-or-add that merges duplicate entries first attributes every stored frame
// from `oldestAttributed` on again, and only then hands its entry back; the frame
// it was called for then goes on with its remaining addresses and the batch with
// the next frame. Each pass folds the frames' link qualities into the averages
// once more. Frames before `oldestAttributed` must hold no node references
// ("Clear Previous" took them away).
//
// With `learnsIeeeAddresses`, the IEEE addresses a ZigBee PRO frame's NWK header
// and auxiliary security header give for short addresses are found or added as
// nodes before the frame's NWK ends are looked up, so that a device known by
// either address is one node.
void attributeFrames(NodeTable& nodes, FrameStore& frames, int32_t first,
                     int32_t oldestAttributed = 0, bool learnsIeeeAddresses = true);

// Find-or-add for an address that does not come from a frame (a log's node
// line), with the same pass over the stored frames after a merge. -1 when the
// table is full and nothing matches.
int32_t findOrAddNode(NodeTable& nodes, FrameStore& frames, const NodeAddress& given,
                      int32_t oldestAttributed = 0, bool learnsIeeeAddresses = true);

// "Clear Previous": forgets the nodes that no frame from `currentFrame` to the
// last refers to (the broadcast entry stays), then attributes those frames again.
// Frames before the current one lose their node references.
void clearPreviousNodes(NodeTable& nodes, FrameStore& frames, int32_t currentFrame,
                        bool learnsIeeeAddresses = true);

} // namespace qlm
