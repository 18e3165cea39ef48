#include "capture/frame_attribution.h"

#include "capture/frame_addresses.h"

#include <algorithm>
#include <vector>

namespace qlm {
namespace {

void clearReferences(CapturedFrame& frame) {
    frame.macSourceNode = CapturedFrame::kNoNode;
    frame.macDestNode = CapturedFrame::kNoNode;
    frame.nwkSourceNode = CapturedFrame::kNoNode;
    frame.nwkDestNode = CapturedFrame::kNoNode;
}

uint16_t u16At(const CapturedFrame& frame, int position) {
    return static_cast<uint16_t>(frame.byteAt(position) | (frame.byteAt(position + 1) << 8));
}

int32_t networkNode(const NodeTable& nodes, const NodeAddress& hop, uint16_t address) {
    return nodes.findNetworkNode(hop.has(kPanKnown), hop.pan, address);
}

// A MAC data frame: class by the NWK frame type, NWK ends of the route by search.
int32_t attributeDataFrame(const NodeTable& nodes, CapturedFrame& frame,
                           const FrameAddresses& addresses) {
    const int payloadLength = frame.byteAt(0) - addresses.headerLength - 2;
    if (payloadLength <= 0)
        return kClassNwk;
    const int payload = 1 + addresses.headerLength;
    // MAC-encrypted payloads hold no readable NWK addresses.
    if (!addresses.secured) {
        if (payloadLength >= 4)
            frame.nwkDestNode = networkNode(nodes, addresses.destination, u16At(frame, payload + 2));
        if (payloadLength >= 6)
            frame.nwkSourceNode = networkNode(nodes, addresses.source, u16At(frame, payload + 4));
    }
    return (frame.byteAt(payload) & 0x03) == 0 ? kClassApl : kClassNwk;
}

int32_t classify(const NodeTable& nodes, CapturedFrame& frame, const FrameAddresses& addresses) {
    if (isPhyErrorLength(frame.byteAt(0)))
        return kClassPhyError;
    switch (addresses.frameType) {
    case kMacBeacon:
        return kClassMacBeacon;
    case kMacAck:
        frame.macSourceNode = NodeTable::kBroadcastEntry;
        return kClassMacAck;
    case kMacCommand:
        return kClassMacCommand;
    case kMacData:
        return attributeDataFrame(nodes, frame, addresses);
    default:
        return kClassPhyError;  // reserved frame types
    }
}

} // namespace

void attributeFrame(NodeTable& nodes, CapturedFrame& frame) {
    clearReferences(frame);
    frame.frameClass = kClassPhyError;
    if (frame.isOverflow())
        return;
    const FrameAddresses addresses = readFrameAddresses(frame);
    if (addresses.source.hasAddress())
        frame.macSourceNode = nodes.findOrAdd(addresses.source);
    if (addresses.destination.hasAddress())
        frame.macDestNode = nodes.findOrAdd(addresses.destination);
    frame.frameClass = classify(nodes, frame, addresses);
}

void attributeFrames(NodeTable& nodes, FrameStore& frames, int32_t first,
                     int32_t oldestAttributed) {
    nodes.takeMergeHappened();
    int32_t index = first < 0 ? 0 : first;
    // Frames from `first` on are being given references, so a restart never
    // starts after them.
    const int32_t restart = std::clamp(oldestAttributed, 0, index);
    while (index < frames.frameCount()) {
        attributeFrame(nodes, frames[index]);
        // A merge moved or removed entries that frames attributed so far may
        // name; start over from the oldest attributed frame. Merges only ever
        // shrink the set of duplicate entries, so this ends.
        index = nodes.takeMergeHappened() ? restart : index + 1;
    }
}

void clearPreviousNodes(NodeTable& nodes, FrameStore& frames, int32_t currentFrame) {
    if (currentFrame < 0)
        currentFrame = 0;
    std::vector<bool> referenced(static_cast<size_t>(nodes.count()), false);
    auto note = [&](int32_t node) {
        if (node >= 0 && node < nodes.count())
            referenced[static_cast<size_t>(node)] = true;
    };
    for (int32_t i = currentFrame; i < frames.frameCount(); ++i) {
        const CapturedFrame& frame = frames[i];
        note(frame.macSourceNode);
        note(frame.macDestNode);
        note(frame.nwkSourceNode);
        note(frame.nwkDestNode);
    }
    for (int32_t node = 0; node < nodes.count(); ++node)
        nodes.setMarked(node, !referenced[static_cast<size_t>(node)]);
    nodes.removeMarked();
    for (int32_t i = 0; i < currentFrame && i < frames.frameCount(); ++i)
        clearReferences(frames[i]);
    attributeFrames(nodes, frames, currentFrame, currentFrame);
}

} // namespace qlm
