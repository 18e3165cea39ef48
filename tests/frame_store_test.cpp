#include "capture/frame_store.h"

#include "test_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace qlm {
namespace {

using test::Bytes;

Bytes numberedFrame(int number) {
    return {0x05, 0x41, 0x88, static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
            0xE4};
}

ArrivalTime timeOf(int number) {
    return {number / 3600000 % 24, number / 60000 % 60, number / 1000 % 60, number % 1000};
}

void expectUnattributed(const CapturedFrame& frame) {
    EXPECT_EQ(frame.macSourceNode, -1);
    EXPECT_EQ(frame.macDestNode, -1);
    EXPECT_EQ(frame.nwkSourceNode, -1);
    EXPECT_EQ(frame.nwkDestNode, -1);
    EXPECT_EQ(frame.frameClass, kClassPhyError);
    EXPECT_EQ(frame.rowWidth, -1);
}

TEST(FrameStore, StartsEmptyAndFillsRecords) {
    FrameStore store;
    EXPECT_TRUE(store.empty());
    EXPECT_EQ(store.frameCount(), 0);
    EXPECT_EQ(store.frameCapacity(), 0);
    EXPECT_EQ(store.begin(), store.end());
    EXPECT_FALSE(store.contains(0));

    const Bytes bytes = test::MacFrame(test::kTypeData).destShort(0x1234, 0xFFFF).srcShort(0x0001);
    ASSERT_TRUE(store.appendFrame({23, 59, 58, 999}, bytes));
    ASSERT_EQ(store.frameCount(), 1);
    EXPECT_EQ(store.frameCapacity(), FrameStore::kGrowthStep);
    EXPECT_TRUE(store.contains(0));
    EXPECT_FALSE(store.contains(1));
    EXPECT_FALSE(store.contains(-1));

    const CapturedFrame& frame = store[0];
    EXPECT_EQ(frame.hour, 23);
    EXPECT_EQ(frame.minute, 59);
    EXPECT_EQ(frame.second, 58);
    EXPECT_EQ(frame.millisecond, 999);
    EXPECT_FALSE(frame.isOverflow());
    ASSERT_EQ(frame.length, static_cast<int32_t>(bytes.size()));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), frame.data));
    expectUnattributed(frame);
}

TEST(FrameStore, GrowsByAThousandKeepingEveryRecord) {
    FrameStore store;
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(store.appendFrame(timeOf(i), numberedFrame(i)));
    EXPECT_EQ(store.frameCount(), 1000);
    EXPECT_EQ(store.frameCapacity(), 1000);

    // Something an earlier user wrote into a record must move with it.
    store[0].macSourceNode = 7;
    store[999].frameClass = kClassApl;

    ASSERT_TRUE(store.appendFrame(timeOf(1000), numberedFrame(1000)));
    EXPECT_EQ(store.frameCount(), 1001);
    EXPECT_EQ(store.frameCapacity(), 2000);

    for (int i = 0; i <= 1000; ++i) {
        const CapturedFrame& frame = store[i];
        const Bytes expected = numberedFrame(i);
        ASSERT_EQ(frame.length, 6) << "frame " << i;
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), frame.data)) << "frame " << i;
        const ArrivalTime time = timeOf(i);
        ASSERT_EQ(frame.second, time.second) << "frame " << i;
        ASSERT_EQ(frame.millisecond, time.millisecond) << "frame " << i;
    }
    EXPECT_EQ(store[0].macSourceNode, 7);
    EXPECT_EQ(store[999].frameClass, kClassApl);
    expectUnattributed(store[1000]);

    for (int i = 1001; i < 2000; ++i)
        ASSERT_TRUE(store.appendFrame(timeOf(i), numberedFrame(i)));
    EXPECT_EQ(store.frameCapacity(), 2000);
    ASSERT_TRUE(store.appendFrame(timeOf(2000), numberedFrame(2000)));
    EXPECT_EQ(store.frameCapacity(), 3000);
    EXPECT_EQ(store.end() - store.begin(), 2001);
}

TEST(FrameStore, OverflowRecordKeepsItsPlaceBetweenFrames) {
    FrameStore store;
    ASSERT_TRUE(store.appendFrame({10, 0, 0, 1}, numberedFrame(1)));
    ASSERT_TRUE(store.appendOverflow({10, 0, 0, 2}));
    ASSERT_TRUE(store.appendFrame({10, 0, 0, 3}, numberedFrame(3)));
    ASSERT_EQ(store.frameCount(), 3);

    EXPECT_FALSE(store[0].isOverflow());
    EXPECT_FALSE(store[2].isOverflow());
    EXPECT_EQ(store[0].data[3], 1);
    EXPECT_EQ(store[2].data[3], 3);

    const CapturedFrame& overflow = store[1];
    EXPECT_TRUE(overflow.isOverflow());
    EXPECT_EQ(overflow.length, -1);
    EXPECT_EQ(overflow.millisecond, 2);
    EXPECT_EQ(overflow.byteAt(0), 0);
    expectUnattributed(overflow);
}

TEST(FrameStore, KeepsAtMost192BytesAndWritesNothingBeyondTheRecord) {
    FrameStore store;
    Bytes tooLong(300);
    for (size_t i = 0; i < tooLong.size(); ++i)
        tooLong[i] = static_cast<uint8_t>(i < 192 ? i : 0xEE);

    ASSERT_TRUE(store.appendFrame({}, tooLong));
    ASSERT_TRUE(store.appendFrame({}, tooLong));
    ASSERT_EQ(store.frameCount(), 2);
    for (int index = 0; index < 2; ++index) {
        const CapturedFrame& frame = store[index];
        EXPECT_EQ(frame.length, CapturedFrame::kMaxBytes);
        EXPECT_TRUE(std::equal(frame.data, frame.data + 192, tooLong.begin()));
        // The fields that follow the bytes in the record are untouched.
        expectUnattributed(frame);
    }

    // Exactly 192 bytes fit whole.
    const Bytes full(192, 0x5A);
    ASSERT_TRUE(store.appendFrame({}, full));
    EXPECT_EQ(store[2].length, 192);
    EXPECT_EQ(store[2].data[191], 0x5A);
}

TEST(FrameStore, StoresPhyErrorAndEmptyFramesUnchanged) {
    FrameStore store;
    const Bytes zeroLength{0x00, 0x30, 0xE4};
    const Bytes highLength{0x80, 0x01, 0x02, 0x03};
    ASSERT_TRUE(store.appendFrame({}, zeroLength));
    ASSERT_TRUE(store.appendFrame({}, highLength));
    ASSERT_TRUE(store.appendFrame({}, {}));

    EXPECT_EQ(store[0].length, 3);
    EXPECT_TRUE(std::equal(zeroLength.begin(), zeroLength.end(), store[0].data));
    EXPECT_EQ(store[1].length, 4);
    EXPECT_TRUE(std::equal(highLength.begin(), highLength.end(), store[1].data));
    EXPECT_EQ(store[2].length, 0);
    EXPECT_FALSE(store[2].isOverflow());

    EXPECT_TRUE(isPhyErrorLength(0x00));
    EXPECT_TRUE(isPhyErrorLength(0x80));
    EXPECT_TRUE(isPhyErrorLength(0xFF));
    EXPECT_FALSE(isPhyErrorLength(0x01));
    EXPECT_FALSE(isPhyErrorLength(0x7F));
}

TEST(FrameStore, ByteAtReadsZeroOutsideTheStoredBytes) {
    CapturedFrame frame = test::recordOf(Bytes{0x03, 0x02, 0x00, 0x07});
    std::fill(frame.data + 4, frame.data + CapturedFrame::kMaxBytes, 0xEE);
    EXPECT_EQ(frame.byteAt(0), 0x03);
    EXPECT_EQ(frame.byteAt(3), 0x07);
    EXPECT_EQ(frame.byteAt(4), 0);
    EXPECT_EQ(frame.byteAt(191), 0);
    EXPECT_EQ(frame.byteAt(-1), 0);

    frame.length = CapturedFrame::kOverflowLength;
    EXPECT_EQ(frame.byteAt(0), 0);
}

TEST(FrameStore, ClearEmptiesSoTheNextFrameIsNumberOne) {
    FrameStore store;
    for (int i = 0; i < 1500; ++i)
        ASSERT_TRUE(store.appendFrame(timeOf(i), numberedFrame(i)));
    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_EQ(store.frameCount(), 0);
    EXPECT_EQ(store.frameCapacity(), 0);
    EXPECT_EQ(store.begin(), nullptr);

    ASSERT_TRUE(store.appendFrame(timeOf(77), numberedFrame(77)));
    EXPECT_EQ(store.frameCount(), 1);
    EXPECT_EQ(store.frameCapacity(), 1000);
    EXPECT_EQ(store[0].data[3], 77);
}

} // namespace
} // namespace qlm
