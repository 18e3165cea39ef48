#include "capture/frame_attribution.h"

#include "capture/frame_addresses.h"
#include "capture/mac_header_fields.h"
#include "capture/nwk_header_fields.h"
#include "capture/reception_status.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qlm {
namespace {

void clearReferences(CapturedFrame& frame) {
    frame.macSourceNode = CapturedFrame::kNoNode;
    frame.macDestNode = CapturedFrame::kNoNode;
    frame.nwkSourceNode = CapturedFrame::kNoNode;
    frame.nwkDestNode = CapturedFrame::kNoNode;
}

int32_t networkNode(const NodeTable& nodes, const NodeAddress& hop, uint16_t address) {
    return nodes.findNetworkNode(hop.has(kPanKnown), hop.pan, address);
}

// What a ZigBee PRO frame's headers say of IEEE addresses: the NWK header's
// extended source and destination belong to its short source and destination,
// the auxiliary header's address to the device that sent this hop. Each is given
// with the PAN of the hop.
constexpr uint16_t kFirstBroadcastAddress = 0xFFF8;  // ZigBee's broadcast addresses

struct NwkIdentities {
    std::array<NodeAddress, 3> addresses{};
    int count = 0;

    void add(const FrameBytes& bytes, const NodeAddress& hop, int shortAt, int ieeeAt,
             int statusAt) {
        if (shortAt < 0 || ieeeAt < 0 || shortAt + 2 > statusAt || ieeeAt + 8 > statusAt ||
            !bytes.holds(shortAt, 2) || !bytes.holds(ieeeAt, 8) ||
            bytes.le16(shortAt) >= kFirstBroadcastAddress)
            return;
        NodeAddress& address = addresses[static_cast<size_t>(count++)];
        address = {};
        if (hop.has(kPanKnown))
            address.setPan(hop.pan);
        address.setShort(bytes.le16(shortAt));
        address.setExtended(bytes.le64(ieeeAt));
    }
};

NwkIdentities nwkIdentities(const CapturedFrame& frame, const FrameAddresses& addresses) {
    NwkIdentities identities;
    const FrameBytes bytes = FrameBytes::of(frame);
    const int payload = 1 + addresses.headerLength;
    const int statusAt = bytes.at(0) - 1;
    // Only frames received whole teach addresses.
    const bool crcGood = frame.length > 0 && (frame.data[frame.length - 1] & kCrcGood) != 0;
    if (addresses.frameType != kMacData || addresses.secured || statusAt <= payload || !crcGood)
        return identities;
    const NwkHeaderFields nwk = readNwkHeader(bytes, payload, NwkLayout::kByVersion);
    if (!nwk.pro)
        return identities;
    identities.add(bytes, addresses.source, nwk.sourceAt, nwk.extendedSourceAt, statusAt);
    identities.add(bytes, addresses.destination, nwk.destinationAt, nwk.extendedDestinationAt,
                   statusAt);
    const MacHeaderFields mac = readMacHeader(bytes);
    if (nwk.secured() && mac.source.present() && !mac.source.extended())
        identities.add(bytes, addresses.source, mac.source.at, nwk.security.sourceAt, statusAt);
    return identities;
}

// A MAC data frame: class by the NWK frame type, NWK ends of the route by search.
int32_t attributeDataFrame(const NodeTable& nodes, CapturedFrame& frame,
                           const FrameAddresses& addresses) {
    const FrameBytes bytes = FrameBytes::of(frame);
    const int payload = 1 + addresses.headerLength;
    const int statusAt = bytes.at(0) - 1;  // the first of the two status bytes
    if (statusAt <= payload)
        return kClassNwk;
    const NwkHeaderFields nwk = readNwkHeader(bytes, payload);
    // MAC-encrypted payloads hold no readable NWK addresses.
    if (!addresses.secured) {
        if (nwk.destinationAt + 2 <= statusAt)
            frame.nwkDestNode =
                networkNode(nodes, addresses.destination, bytes.le16(nwk.destinationAt));
        if (nwk.sourceAt + 2 <= statusAt)
            frame.nwkSourceNode = networkNode(nodes, addresses.source, bytes.le16(nwk.sourceAt));
    }
    return nwk.frameType() == kNwkData ? kClassApl : kClassNwk;
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

// The attribution of a batch of frames, with the passes over every stored frame
// that merges call for. A pass can merge again and so start a pass of its own
// before it ends: the runs of frames under way are kept on an explicit stack, the
// innermost on top, so that a long chain of merges cannot exhaust the call stack.
class Attribution {
public:
    Attribution(NodeTable& nodes, FrameStore& frames, int32_t oldestAttributed,
                bool learnsIeeeAddresses)
        : nodes_(nodes), frames_(frames), oldest_(std::max(oldestAttributed, 0)),
          learnsIeeeAddresses_(learnsIeeeAddresses) {}

    void attributeFrom(int32_t first) {
        runs_.push_back(Run{std::max(first, 0)});
        finishRuns();
    }

    int32_t findOrAdd(const NodeAddress& given) {
        Lookup lookup;
        if (lookUp(lookup, nodes_.findOrAddIfRoom(given)))
            attributeFrom(oldest_);
        return resolve(lookup, given);
    }

private:
    // What a find-or-add returned, and how many entries had been removed by then:
    // a pass that removes more may have moved that entry.
    struct Lookup {
        int32_t entry = CapturedFrame::kNoNode;
        uint64_t removals = 0;
    };
    enum class Step : uint8_t { kSource, kDestination, kIdentities, kClass };
    // A run of frames being attributed, from `frame` to the last stored one.
    struct Run {
        int32_t frame;
        Step step = Step::kSource;
        FrameAddresses addresses{};
        Lookup lookup{};
        NwkIdentities identities{};
        int identity = 0;
    };

    void finishRuns() {
        while (!runs_.empty()) {
            if (runs_.back().frame >= frames_.frameCount())
                runs_.pop_back();
            else if (advance(runs_.back()))
                runs_.push_back(Run{oldest_});
        }
    }

    // Takes a run one step on. True when the step's find-or-add merged entries:
    // every stored frame is attributed again before the run goes on.
    bool advance(Run& run) {
        CapturedFrame& frame = frames_[run.frame];
        const NodeAddress& source = run.addresses.source;
        const NodeAddress& destination = run.addresses.destination;
        switch (run.step) {
        case Step::kSource:
            clearReferences(frame);
            frame.frameClass = kClassPhyError;
            if (frame.isOverflow()) {
                ++run.frame;
                return false;
            }
            run.addresses = readFrameAddresses(frame);
            run.step = Step::kDestination;
            return source.hasAddress() && lookUp(run.lookup, nodes_.findOrAdd(source));
        case Step::kDestination:
            if (source.hasAddress())
                frame.macSourceNode = resolve(run.lookup, source);
            run.step = Step::kIdentities;
            run.identities = {};
            run.identity = 0;
            return destination.hasAddress() &&
                   lookUp(run.lookup, nodes_.findOrAdd(destination));
        case Step::kIdentities:
            // The IEEE addresses the ZigBee PRO headers give join the nodes of
            // their short addresses before the NWK ends of the route are looked up.
            if (run.identity == 0) {
                if (destination.hasAddress())
                    frame.macDestNode = resolve(run.lookup, destination);
                if (learnsIeeeAddresses_)
                    run.identities = nwkIdentities(frame, run.addresses);
            }
            if (run.identity < run.identities.count) {
                const NodeAddress& identity =
                    run.identities.addresses[static_cast<size_t>(run.identity++)];
                return lookUp(run.lookup, nodes_.findOrAdd(identity));
            }
            run.step = Step::kClass;
            return false;
        case Step::kClass:
            frame.frameClass = classify(nodes_, frame, run.addresses);
            run.step = Step::kSource;
            ++run.frame;
            return false;
        }
        return false;
    }

    // Notes what a find-or-add returned; true when it merged entries.
    bool lookUp(Lookup& lookup, int32_t entry) {
        lookup.entry = entry;
        const bool merged = nodes_.takeMergeHappened();
        lookup.removals = nodes_.removals();
        return merged;
    }

    // The entry a find-or-add returned, or, when a pass since then removed
    // entries, the entry the addresses belong to now (none when none matches).
    int32_t resolve(const Lookup& lookup, const NodeAddress& given) const {
        if (lookup.removals == nodes_.removals())
            return lookup.entry;
        return nodes_.find(given);
    }

    NodeTable& nodes_;
    FrameStore& frames_;
    const int32_t oldest_;
    const bool learnsIeeeAddresses_;
    std::vector<Run> runs_;
};

} // namespace

void attributeFrames(NodeTable& nodes, FrameStore& frames, int32_t first,
                     int32_t oldestAttributed, bool learnsIeeeAddresses) {
    nodes.takeMergeHappened();
    Attribution(nodes, frames, oldestAttributed, learnsIeeeAddresses).attributeFrom(first);
}

int32_t findOrAddNode(NodeTable& nodes, FrameStore& frames, const NodeAddress& given,
                      int32_t oldestAttributed, bool learnsIeeeAddresses) {
    nodes.takeMergeHappened();
    return Attribution(nodes, frames, oldestAttributed, learnsIeeeAddresses).findOrAdd(given);
}

void clearPreviousNodes(NodeTable& nodes, FrameStore& frames, int32_t currentFrame,
                        bool learnsIeeeAddresses) {
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
    attributeFrames(nodes, frames, currentFrame, currentFrame, learnsIeeeAddresses);
}

} // namespace qlm
