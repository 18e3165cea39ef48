// What a batch of work did to a capture, as a view needs it: frames added,
// node rows changed or moved, counters and channels.

#include "capture/capture_change.h"

#include "test_frames.h"

#include <gtest/gtest.h>

#include <memory>

namespace qlm {
namespace {

using test::Bytes;
using test::MacFrame;

constexpr uint16_t kPan = 0x1234;
constexpr uint64_t kExtE = 0x00124B0001020304;
constexpr uint64_t kExtC = 0x00124B00AABBCCDD;

void takeIn(Capture& capture, const Bytes& bytes) {
    ASSERT_TRUE(test::append(capture.frames, bytes));
    capture.statistics.update(false);
    capture.attributeFrom(capture.frames.frameCount() - 1);
}

TEST(CaptureChange, ReportsNewFramesTheNodeRowsTheyTouchedAndTheCounters) {
    auto capture = std::make_unique<Capture>();
    ChangeTracker tracker(*capture);
    EXPECT_FALSE(tracker.take().any());

    takeIn(*capture, MacFrame(test::kTypeData).destShort(kPan, 0xFFFF).srcShort(0x0001));
    takeIn(*capture, MacFrame(test::kTypeData).destShort(kPan, 0x0001).srcShort(0x0002));
    CaptureChange change = tracker.take();
    EXPECT_FALSE(change.newCapture);
    EXPECT_EQ(change.firstNewFrame, 0);
    EXPECT_EQ(change.endNewFrame, 2);
    EXPECT_EQ(change.nodes.first, 0);  // the broadcast entry received the first frame
    EXPECT_EQ(change.nodes.last, 2);
    EXPECT_FALSE(change.nodes.moved);
    EXPECT_TRUE(change.countersChanged);
    EXPECT_FALSE(change.channelsChanged);
    EXPECT_FALSE(tracker.take().any());  // taken once

    // A frame from a known node touches only that node's row (its link quality)
    // and the receiver's.
    takeIn(*capture, MacFrame(test::kTypeData).destShort(kPan, 0x0001).srcShort(0x0002));
    change = tracker.take();
    EXPECT_EQ(change.firstNewFrame, 2);
    EXPECT_EQ(change.endNewFrame, 3);
    EXPECT_TRUE(change.nodes.contains(1) && change.nodes.contains(2));
    EXPECT_FALSE(change.nodes.contains(0));

    capture->nodes.rename(2, "Kitchen");
    capture->nodes.setSelected(1, false);
    change = tracker.take();
    EXPECT_FALSE(change.framesAdded());
    EXPECT_EQ(change.nodes.first, 1);
    EXPECT_EQ(change.nodes.last, 2);
    EXPECT_FALSE(change.countersChanged);

    capture->channels[3].beacons = 2;
    EXPECT_TRUE(tracker.take().channelsChanged);
    capture->channels.setSelectedChannel(3);
    EXPECT_TRUE(tracker.take().channelsChanged);

    // A new capture: every frame is new, even when as many arrive again.
    capture->clearFrames();
    capture->statistics.resetAndShow();
    for (int i = 0; i < 3; ++i)
        takeIn(*capture, MacFrame(test::kTypeData).destShort(kPan, 0x0001).srcShort(0x0002));
    change = tracker.take();
    EXPECT_TRUE(change.newCapture);
    EXPECT_EQ(change.firstNewFrame, 0);
    EXPECT_EQ(change.endNewFrame, 3);
}

TEST(CaptureChange, MergesClearPreviousAndResetsSayRowsMoved) {
    auto capture = std::make_unique<Capture>();
    // 0005 heard by its short address, then by E: two entries (1 and 2) ...
    takeIn(*capture, MacFrame(test::kTypeData).destShort(kPan, 0x0000).srcShort(0x0005));
    takeIn(*capture, MacFrame(test::kTypeData).destShort(kPan, 0x0000).srcExtended(kExtE));
    ChangeTracker tracker(*capture);
    const int32_t before = capture->nodes.count();

    // ... until an association response says they are one device.
    takeIn(*capture, MacFrame(test::kTypeCommand)
                         .destExtended(kPan, kExtE)
                         .srcExtended(kExtC)
                         .payload(test::associationResponse(0x0005, 0x00)));
    takeIn(*capture, MacFrame(test::kTypeData).destShort(kPan, 0x0000).srcExtended(kExtE));
    CaptureChange change = tracker.take();
    ASSERT_LT(capture->nodes.count(), before + 1);  // C was added, one entry merged away
    EXPECT_TRUE(change.nodes.moved);
    EXPECT_GE(change.nodes.last, capture->nodes.count());  // the vanished row is in the range

    capture->clearPreviousNodes(capture->frames.frameCount() - 1);
    change = tracker.take();
    EXPECT_TRUE(change.nodes.moved);
    EXPECT_FALSE(change.framesAdded());

    capture->reset();
    change = tracker.take();
    EXPECT_TRUE(change.newCapture);
    EXPECT_TRUE(change.nodes.moved);
    EXPECT_EQ(change.nodes.first, 0);
    EXPECT_FALSE(change.framesAdded());
}

} // namespace
} // namespace qlm
