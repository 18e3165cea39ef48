#include "capture/capture.h"
#include "capture/frame_addresses.h"
#include "capture/frame_attribution.h"

#include "test_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace qlm {
namespace {

using test::Bytes;
using test::MacFrame;

constexpr uint16_t kPan = 0x1234;
constexpr uint64_t kExtE = 0x00124B0001020304;  // the joining device
constexpr uint64_t kExtC = 0x00124B00AABBCCDD;  // its coordinator

MacFrame dataFrame() { return MacFrame(test::kTypeData); }
MacFrame commandFrame() { return MacFrame(test::kTypeCommand); }

struct AttributionTest : ::testing::Test {
    std::unique_ptr<NodeTable> ownedNodes = std::make_unique<NodeTable>();
    NodeTable& nodes = *ownedNodes;
    FrameStore frames;

    // Appends a frame and attributes it, as the intake does.
    const CapturedFrame& take(const Bytes& bytes) {
        EXPECT_TRUE(test::append(frames, bytes));
        attributeFrames(nodes, frames, frames.frameCount() - 1);
        return frames[frames.frameCount() - 1];
    }

    // Index of the entry knowing these addresses; -2 (never a reference) when none does.
    int32_t nodeOf(uint16_t pan, uint16_t shortAddress) const {
        for (int32_t i = 0; i < nodes.count(); ++i) {
            const NodeEntry& entry = nodes.entry(i);
            if (entry.knows(kPanKnown) && entry.knows(kShortKnown) && entry.pan == pan &&
                entry.shortAddress == shortAddress)
                return i;
        }
        return -2;
    }
    int32_t nodeOfExtended(uint64_t extended) const {
        for (int32_t i = 0; i < nodes.count(); ++i)
            if (nodes.entry(i).knows(kExtendedKnown) && nodes.entry(i).extended == extended)
                return i;
        return -2;
    }
};

void expectNoReferences(const CapturedFrame& frame) {
    EXPECT_EQ(frame.macSourceNode, -1);
    EXPECT_EQ(frame.macDestNode, -1);
    EXPECT_EQ(frame.nwkSourceNode, -1);
    EXPECT_EQ(frame.nwkDestNode, -1);
}

// Whether the entry is one the given address can name: every address value the
// frame gives is known by the entry and equal, broadcasts go to entry 0.
::testing::AssertionResult names(const NodeTable& nodes, int32_t index, NodeAddress given) {
    if (index < 0 || index >= nodes.count())
        return ::testing::AssertionFailure() << "entry " << index << " of " << nodes.count();
    if (given.has(kExtendedKnown)) {
        if (given.has(kPanKnown) && given.pan == 0xFFFF)
            given.flags &= ~kPanKnown;
        if (given.has(kShortKnown) && given.shortAddress == 0xFFFF)
            given.flags &= ~kShortKnown;
    } else if ((given.has(kPanKnown) && given.pan == 0xFFFF) ||
               (given.has(kShortKnown) && given.shortAddress == 0xFFFF)) {
        if (index == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "broadcast attributed to " << index;
    }
    const NodeEntry& entry = nodes.entry(index);
    const auto differs = [&](uint8_t flag, bool equal) {
        return given.has(flag) && !(entry.knows(flag) && equal);
    };
    if (differs(kPanKnown, entry.pan == given.pan))
        return ::testing::AssertionFailure() << "PAN differs in entry " << index;
    if (differs(kShortKnown, entry.shortAddress == given.shortAddress))
        return ::testing::AssertionFailure() << "short address differs in entry " << index;
    if (differs(kExtendedKnown, entry.extended == given.extended))
        return ::testing::AssertionFailure() << "extended address differs in entry " << index;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult knowsShort(const NodeTable& nodes, int32_t index, uint16_t address) {
    if (index < 0 || index >= nodes.count())
        return ::testing::AssertionFailure() << "entry " << index << " of " << nodes.count();
    const NodeEntry& entry = nodes.entry(index);
    if (entry.knows(kShortKnown) && entry.shortAddress == address)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "entry " << index << " lacks short address " << address;
}

// Every reference of every frame from `first` on names an existing entry whose
// addresses agree with what the frame says.
void expectReferencesValid(const NodeTable& nodes, const FrameStore& frames, int32_t first = 0) {
    for (int32_t i = first; i < frames.frameCount(); ++i) {
        SCOPED_TRACE(::testing::Message() << "frame " << i);
        const CapturedFrame& frame = frames[i];
        if (frame.isOverflow()) {
            expectNoReferences(frame);
            continue;
        }
        const FrameAddresses addresses = readFrameAddresses(frame);
        if (frame.frameClass == kClassMacAck) {
            EXPECT_EQ(frame.macSourceNode, 0);
        } else if (addresses.source.hasAddress()) {
            EXPECT_TRUE(names(nodes, frame.macSourceNode, addresses.source));
        } else {
            EXPECT_EQ(frame.macSourceNode, -1);
        }
        if (addresses.destination.hasAddress()) {
            EXPECT_TRUE(names(nodes, frame.macDestNode, addresses.destination));
        } else {
            EXPECT_EQ(frame.macDestNode, -1);
        }

        const int payload = 1 + addresses.headerLength;
        const auto u16At = [&](int at) {
            return static_cast<uint16_t>(frame.byteAt(at) | frame.byteAt(at + 1) << 8);
        };
        if (frame.nwkDestNode != -1) {
            EXPECT_TRUE(knowsShort(nodes, frame.nwkDestNode, u16At(payload + 2)));
        }
        if (frame.nwkSourceNode != -1) {
            EXPECT_TRUE(knowsShort(nodes, frame.nwkSourceNode, u16At(payload + 4)));
        }
    }
}

TEST_F(AttributionTest, DataFrameToBroadcastAddsTheSenderAndGoesToGeneral) {
    const CapturedFrame& frame = take(dataFrame()
                                          .destShort(kPan, 0xFFFF)
                                          .srcShort(0x0001)
                                          .payload(test::nwkHeader(0, 0xFFFF, 0x0001))
                                          .status(0xE4));
    ASSERT_EQ(nodes.count(), 2);
    EXPECT_EQ(frame.macSourceNode, 1);
    EXPECT_EQ(frame.macDestNode, 0);
    EXPECT_EQ(frame.nwkDestNode, 0);
    EXPECT_EQ(frame.nwkSourceNode, 1);
    EXPECT_EQ(frame.frameClass, kClassApl);

    EXPECT_EQ(nodes.name(1), "Node 1");
    const NodeEntry& sender = nodes.entry(1);
    EXPECT_EQ(sender.flags, kSelected | kPanKnown | kShortKnown | kLinkQualityKnown);
    EXPECT_EQ(sender.pan, kPan);
    EXPECT_EQ(sender.shortAddress, 0x0001);
    EXPECT_EQ(sender.linkQuality, 0x64);
    // The destination never takes the frame's link quality.
    EXPECT_EQ(nodes.entry(0).flags, kPanKnown | kShortKnown);
}

TEST_F(AttributionTest, AcknowledgementGoesToGeneralWithoutReadingAddresses) {
    const CapturedFrame& ack = take({0x05, 0x02, 0x00, 0x42, 0x30, 0xE4});
    EXPECT_EQ(ack.frameClass, kClassMacAck);
    EXPECT_EQ(ack.macSourceNode, 0);
    EXPECT_EQ(ack.macDestNode, -1);
    EXPECT_EQ(ack.nwkSourceNode, -1);
    EXPECT_EQ(ack.nwkDestNode, -1);
    EXPECT_EQ(nodes.count(), 1);
    EXPECT_EQ(nodes.entry(0).flags, kPanKnown | kShortKnown);

    // Addressing mode bits in a frame with a length byte of 5 are not read either;
    // from 6 on they are.
    const CapturedFrame& shortData = take({0x05, 0x41, 0x88, 0x43, 0x30, 0xE4});
    expectNoReferences(shortData);
    EXPECT_EQ(shortData.frameClass, kClassNwk);  // header of 3, no payload
    EXPECT_EQ(nodes.count(), 1);
    const CapturedFrame& tiny = take({0x06, 0x01, 0x08, 0x44, 0x34, 0x12, 0x05});
    EXPECT_EQ(tiny.macSourceNode, -1);
    EXPECT_EQ(tiny.macDestNode, 1);
    EXPECT_EQ(nodes.entry(1).pan, 0x1234);
    EXPECT_EQ(nodes.entry(1).shortAddress, 0x0005);
}

TEST_F(AttributionTest, EveryFrameClass) {
    struct Case {
        const char* what;
        Bytes bytes;
        int32_t frameClass;
    };
    auto withLength = [](Bytes bytes, uint8_t length) {
        bytes[0] = length;
        return bytes;
    };
    const Bytes data = dataFrame().destShort(kPan, 0x0000).srcShort(0x0001);
    auto carrying = [](const Bytes& payload) {
        return dataFrame().destShort(kPan, 0x0000).srcShort(0x0001).payload(payload);
    };
    const Case cases[] = {
        {"beacon", MacFrame(test::kTypeBeacon).srcShort(kPan, 0x0000).payload({0xFF, 0xCF, 0, 0}),
         kClassMacBeacon},
        {"data request", commandFrame().destShort(kPan, 0x0000).srcExtended(kExtE).payload({0x04}),
         kClassMacCommand},
        {"acknowledgement", MacFrame(test::kTypeAck), kClassMacAck},
        {"data without payload", data, kClassNwk},
        {"NWK command", carrying(test::nwkHeader(1, 0, 1)), kClassNwk},
        {"NWK type 2", carrying(test::nwkHeader(2, 0, 1)), kClassNwk},
        {"NWK type 3", carrying({0x03}), kClassNwk},
        {"NWK data", carrying(test::nwkHeader(0, 0, 1)), kClassApl},
        {"one payload byte", carrying({0x08}), kClassApl},
        {"no addresses", {0x06, 0x01, 0x00, 0x01, 0x00, 0x30, 0xE4}, kClassApl},
        {"reserved type 4", MacFrame(4).destShort(kPan, 0).srcShort(1).payload({0}),
         kClassPhyError},
        {"reserved type 5", MacFrame(5).destShort(kPan, 0).srcShort(1), kClassPhyError},
        {"reserved type 6", MacFrame(6), kClassPhyError},
        {"reserved type 7", MacFrame(7).payload({0, 0}), kClassPhyError},
        {"length byte 0", {0x00, 0x30, 0xE4}, kClassPhyError},
        {"length byte 0x80", withLength(data, 0x80), kClassPhyError},
        {"length byte 0xFF", withLength(data, 0xFF), kClassPhyError},
        {"no bytes", {}, kClassPhyError},
    };
    for (const Case& c : cases) {
        const CapturedFrame& frame = take(c.bytes);
        EXPECT_EQ(frame.frameClass, c.frameClass) << c.what;
    }

    ASSERT_TRUE(frames.appendOverflow({}));
    attributeFrames(nodes, frames, frames.frameCount() - 1);
    const CapturedFrame& overflow = frames[frames.frameCount() - 1];
    EXPECT_EQ(overflow.frameClass, kClassPhyError);
    expectNoReferences(overflow);
    expectReferencesValid(nodes, frames);
}

TEST_F(AttributionTest, LinkQualityIsTheStatusByteMaskedWith75) {
    take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0001).status(0xFF));
    const int32_t sender = nodeOf(kPan, 0x0001);
    const int32_t receiver = nodeOf(kPan, 0x0000);
    ASSERT_GT(sender, 0);
    ASSERT_GT(receiver, 0);
    EXPECT_EQ(nodes.entry(sender).linkQuality, 0x75);
    EXPECT_FALSE(nodes.entry(receiver).knows(kLinkQualityKnown));

    // A status byte that masks to 0 still counts as a reading: (9 * 117 + 0) / 10.
    take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0001).status(0x8A));
    EXPECT_EQ(nodes.entry(sender).linkQuality, 105);

    // One stored byte gives no link quality.
    const auto linkQualityGiven = [](const Bytes& bytes) {
        return readFrameAddresses(test::recordOf(bytes)).source.has(kLinkQualityKnown);
    };
    EXPECT_FALSE(linkQualityGiven({0x00}));
    EXPECT_TRUE(linkQualityGiven({0x00, 0x00}));
}

TEST_F(AttributionTest, ReadsAddressingFieldsInOrder) {
    const Bytes bytes = dataFrame()
                            .destExtended(0x0A0B, kExtC)
                            .srcShort(0x0C0D, 0x0E0F)
                            .payload({0x11, 0x22})
                            .status(0xFF);
    const FrameAddresses addresses = readFrameAddresses(test::recordOf(bytes));
    EXPECT_EQ(addresses.frameType, test::kTypeData);
    EXPECT_EQ(addresses.headerLength, 3 + 2 + 8 + 2 + 2);
    EXPECT_EQ(addresses.destination.flags, kPanKnown | kExtendedKnown);
    EXPECT_EQ(addresses.destination.pan, 0x0A0B);
    EXPECT_EQ(addresses.destination.extended, kExtC);
    EXPECT_EQ(addresses.source.flags, kPanKnown | kShortKnown | kLinkQualityKnown);
    EXPECT_EQ(addresses.source.pan, 0x0C0D);
    EXPECT_EQ(addresses.source.shortAddress, 0x0E0F);

    // PAN ID compression: the source takes the destination's PAN.
    const FrameAddresses compressed = readFrameAddresses(
        test::recordOf(dataFrame().destShort(0x0A0B, 0x0001).srcExtended(kExtE)));
    EXPECT_EQ(compressed.headerLength, 3 + 2 + 2 + 8);
    EXPECT_EQ(compressed.source.flags, kPanKnown | kExtendedKnown | kLinkQualityKnown);
    EXPECT_EQ(compressed.source.pan, 0x0A0B);
    EXPECT_EQ(compressed.source.extended, kExtE);
}

TEST_F(AttributionTest, BytesPastTheStoredLengthReadAsZero) {
    // The length byte announces more than was stored; the rest of the record is junk.
    CapturedFrame frame =
        test::recordOf(Bytes{0x0F, 0x41, 0x88, 0x01, 0x34, 0x12, 0x05, 0x77, 0x01});
    std::fill(frame.data + frame.length, frame.data + CapturedFrame::kMaxBytes, 0xEE);
    frame.length = 7;  // cut inside the destination short address

    const FrameAddresses addresses = readFrameAddresses(frame);
    EXPECT_EQ(addresses.destination.pan, 0x1234);
    EXPECT_EQ(addresses.destination.shortAddress, 0x0005);
    EXPECT_EQ(addresses.source.pan, 0x1234);
    EXPECT_EQ(addresses.source.shortAddress, 0x0000);
    EXPECT_EQ(addresses.source.linkQuality, 0x05 & 0x75);

    // The payload (P = 15 - 9 - 2 = 4) lies wholly past the stored bytes: NWK type 0
    // and NWK destination 0000.
    ASSERT_TRUE(test::append(frames, Bytes(frame.data, frame.data + 9)));
    frames[0] = frame;
    attributeFrames(nodes, frames, 0);
    frame = frames[0];
    EXPECT_EQ(frame.frameClass, kClassApl);
    EXPECT_EQ(frame.macSourceNode, nodeOf(0x1234, 0x0000));
    EXPECT_EQ(frame.macDestNode, nodeOf(0x1234, 0x0005));
    EXPECT_EQ(frame.nwkDestNode, frame.macSourceNode);
    EXPECT_EQ(frame.nwkSourceNode, -1);
    EXPECT_EQ(nodes.count(), 3);
}

TEST_F(AttributionTest, NetworkEndsAreSearchedByPanThenByShortAddress) {
    take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0003));          // A: 1234/0003
    take(dataFrame().destShort(0x5678, 0x0009).srcShort(0x0003));        // B: 5678/0003, 5678/0009
    const int32_t coordinator = nodeOf(kPan, 0x0000);
    const int32_t inPan = nodeOf(kPan, 0x0003);
    const int32_t otherPan = nodeOf(0x5678, 0x0003);
    const int32_t onlyInOtherPan = nodeOf(0x5678, 0x0009);
    ASSERT_GT(otherPan, inPan);

    auto routed = [&](uint16_t nwkDest, uint16_t nwkSource) -> const CapturedFrame& {
        return take(dataFrame()
                        .destShort(kPan, 0x0000)
                        .srcShort(0x0001)
                        .payload(test::nwkHeader(0, nwkDest, nwkSource)));
    };
    const CapturedFrame& sameNetwork = routed(0x0000, 0x0003);
    EXPECT_EQ(sameNetwork.nwkDestNode, coordinator);
    EXPECT_EQ(sameNetwork.nwkSourceNode, inPan);  // not the higher entry in PAN 5678

    const CapturedFrame& fallback = routed(0x0009, 0x0777);
    EXPECT_EQ(fallback.nwkDestNode, onlyInOtherPan);
    EXPECT_EQ(fallback.nwkSourceNode, -1);

    // The NWK source is looked up in the MAC source's own PAN.
    const CapturedFrame& crossPan = take(dataFrame()
                                             .destShort(kPan, 0x0000)
                                             .srcShort(0x5678, 0x0009)
                                             .payload(test::nwkHeader(0, 0x0000, 0x0003)));
    EXPECT_EQ(crossPan.nwkDestNode, coordinator);
    EXPECT_EQ(crossPan.nwkSourceNode, otherPan);

    // The NWK addresses are read only when the payload holds them: 4 bytes for
    // the destination, 6 for the source.
    const Bytes nwk = test::nwkHeader(0, 0x0000, 0x0003);
    for (size_t payloadLength = 1; payloadLength <= nwk.size(); ++payloadLength) {
        // A signal strength of 0 right after a short payload would complete the
        // NWK source 0003 if it were read.
        const CapturedFrame& frame =
            take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0001).rssi(0x00).payload(
                Bytes(nwk.begin(), nwk.begin() + static_cast<std::ptrdiff_t>(payloadLength))));
        EXPECT_EQ(frame.nwkDestNode, payloadLength >= 4 ? coordinator : -1) << payloadLength;
        EXPECT_EQ(frame.nwkSourceNode, payloadLength >= 6 ? inPan : -1) << payloadLength;
        EXPECT_EQ(frame.frameClass, kClassApl) << payloadLength;
    }

    // Frames other than data frames have no network ends.
    const CapturedFrame& command = take(
        commandFrame().destShort(kPan, 0x0000).srcShort(0x0001).payload({0x04, 0, 0, 0x03, 0}));
    EXPECT_EQ(command.nwkDestNode, -1);
    EXPECT_EQ(command.nwkSourceNode, -1);
    expectReferencesValid(nodes, frames);
}

TEST_F(AttributionTest, PanCompressedSourceWithoutDestinationIsFoundAgain) {
    const Bytes bytes = dataFrame().srcShort(0x0007);
    const int32_t first = take(bytes).macSourceNode;
    ASSERT_EQ(first, 1);
    EXPECT_EQ(nodes.entry(1).flags & kAddressFlags, kShortKnown);
    EXPECT_EQ(take(bytes).macSourceNode, 1);
    EXPECT_EQ(take(bytes).macSourceNode, 1);
    EXPECT_EQ(nodes.count(), 2);
}

TEST_F(AttributionTest, AssociationResponseFillsInTheAssignedShortAddress) {
    take(dataFrame().destShort(kPan, 0x0000).srcExtended(kExtE));
    take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0005));
    const int32_t device = nodeOfExtended(kExtE);
    const int32_t shortOnly = nodeOf(kPan, 0x0005);
    ASSERT_GT(device, 0);
    ASSERT_GT(shortOnly, device);
    const int32_t countBefore = nodes.count();

    const CapturedFrame& response = take(
        commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
            test::associationResponse(0x0005, 0x00)));
    EXPECT_EQ(response.frameClass, kClassMacCommand);
    EXPECT_EQ(response.macDestNode, device);
    EXPECT_EQ(response.macSourceNode, nodeOfExtended(kExtC));
    EXPECT_EQ(nodes.count(), countBefore + 1);  // the coordinator
    EXPECT_TRUE(nodes.entry(device).knows(kShortKnown));
    EXPECT_EQ(nodes.entry(device).shortAddress, 0x0005);
    EXPECT_FALSE(nodes.takeMergeHappened());

    // From now on the short address reaches the device's entry, the first match.
    EXPECT_EQ(take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0005)).macSourceNode, device);
    EXPECT_EQ(nodes.entry(shortOnly).flags & kAddressFlags, kPanKnown | kShortKnown);
    expectReferencesValid(nodes, frames);
}

TEST_F(AttributionTest, AssociationResponseAssigningNothingRecordsNoShortAddress) {
    const Bytes refused = commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
        test::associationResponse(0x0005, 0x01));
    const Bytes noShort = commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
        test::associationResponse(0xFFFE, 0x00));
    const Bytes broadcast = commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
        test::associationResponse(0xFFFF, 0x00));
    for (const Bytes* bytes : {&refused, &noShort, &broadcast}) {
        const CapturedFrame& frame = take(*bytes);
        ASSERT_GT(frame.macDestNode, 0);
        EXPECT_FALSE(nodes.entry(frame.macDestNode).knows(kShortKnown));
        EXPECT_EQ(nodes.entry(frame.macDestNode).extended, kExtE);
    }
    EXPECT_EQ(nodes.count(), 3);

    const FrameAddresses refusedAddresses = readFrameAddresses(test::recordOf(refused));
    EXPECT_FALSE(refusedAddresses.destination.has(kShortKnown));
}

TEST_F(AttributionTest, AssociationResponseMergesTheEntryFoundEarlierByShortAddress) {
    // The device is seen by its short address first, then by its extended address
    // (two entries); the response ties them together and the later one folds in.
    take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0005));
    take(dataFrame().destShort(kPan, 0x0000).srcExtended(kExtE));
    take(dataFrame().destShort(kPan, 0x0000).srcExtended(kExtC));
    ASSERT_EQ(nodes.count(), 5);
    const int32_t shortEntry = nodeOf(kPan, 0x0005);

    take(commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
        test::associationResponse(0x0005, 0x00)));
    ASSERT_EQ(nodes.count(), 4);
    EXPECT_EQ(nodeOfExtended(kExtE), shortEntry);
    EXPECT_EQ(nodes.entry(shortEntry).shortAddress, 0x0005);
    EXPECT_EQ(nodes.name(shortEntry), "Node 1");

    // Every frame, the earlier ones included, now names entries that exist and
    // agree with it: the frame from E went to the entry that was removed.
    EXPECT_EQ(frames[1].macSourceNode, shortEntry);
    EXPECT_EQ(frames[3].macDestNode, shortEntry);
    EXPECT_EQ(frames[3].macSourceNode, nodeOfExtended(kExtC));
    EXPECT_EQ(frames[2].macSourceNode, nodeOfExtended(kExtC));
    expectReferencesValid(nodes, frames);

    take(dataFrame().destShort(kPan, 0x0000).srcExtended(kExtE));
    take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0005));
    EXPECT_EQ(frames[4].macSourceNode, shortEntry);
    EXPECT_EQ(frames[5].macSourceNode, shortEntry);
    EXPECT_EQ(nodes.count(), 4);
}

TEST_F(AttributionTest, MergeDuringABatchLeavesEveryReferenceValid) {
    // A capture as an import would hand it over: attributed in one go.
    const Bytes capture[] = {
        dataFrame().destShort(kPan, 0xFFFF).srcShort(0x0005).payload(test::nwkHeader(0, 0xFFFC, 5)),
        dataFrame().destShort(kPan, 0x0005).srcShort(0x0000).payload(test::nwkHeader(0, 5, 0)),
        {0x05, 0x02, 0x00, 0x10, 0x30, 0xE4},
        commandFrame().destShort(kPan, 0x0000).srcExtended(kExtE).payload({0x04}),
        dataFrame().destShort(kPan, 0x0000).srcShort(0x0007).payload(test::nwkHeader(1, 0, 7)),
        commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
            test::associationResponse(0x0005, 0x00)),
        dataFrame().destShort(kPan, 0x0000).srcShort(0x0005).payload(test::nwkHeader(0, 0, 5)),
        dataFrame().destShort(kPan, 0x0007).srcExtended(kExtE).payload(test::nwkHeader(0, 7, 5)),
    };
    for (const Bytes& bytes : capture)
        ASSERT_TRUE(test::append(frames, bytes));
    ASSERT_TRUE(frames.appendOverflow({}));
    ASSERT_TRUE(test::append(frames, dataFrame().destShort(kPan, 0xFFFF).srcShort(0x0000)));

    attributeFrames(nodes, frames, 0);
    EXPECT_FALSE(nodes.takeMergeHappened());
    // 0000, 0005 (= E), 0007, C.
    EXPECT_EQ(nodes.count(), 5);
    EXPECT_EQ(nodeOfExtended(kExtE), nodeOf(kPan, 0x0005));
    for (int32_t i = 0; i < frames.frameCount(); ++i) {
        const CapturedFrame& frame = frames[i];
        for (int32_t node : {frame.macSourceNode, frame.macDestNode, frame.nwkSourceNode,
                             frame.nwkDestNode})
            EXPECT_TRUE(node >= -1 && node < nodes.count()) << "frame " << i << ": " << node;
    }
    expectReferencesValid(nodes, frames);
    EXPECT_EQ(frames[7].nwkSourceNode, nodeOfExtended(kExtE));
    EXPECT_EQ(frames[7].nwkDestNode, nodeOf(kPan, 0x0007));

    // Attributing the whole store again changes nothing.
    std::vector<CapturedFrame> before(frames.begin(), frames.end());
    attributeFrames(nodes, frames, 0);
    EXPECT_EQ(nodes.count(), 5);
    for (int32_t i = 0; i < frames.frameCount(); ++i) {
        EXPECT_EQ(frames[i].macSourceNode, before[i].macSourceNode) << i;
        EXPECT_EQ(frames[i].macDestNode, before[i].macDestNode) << i;
        EXPECT_EQ(frames[i].nwkSourceNode, before[i].nwkSourceNode) << i;
        EXPECT_EQ(frames[i].nwkDestNode, before[i].nwkDestNode) << i;
        EXPECT_EQ(frames[i].frameClass, before[i].frameClass) << i;
    }
}

TEST_F(AttributionTest, CoordinatorRealignmentAssignsPanAndAddresses) {
    // Sent to an orphaned device: destination PAN FFFF and its extended address.
    const CapturedFrame& realign = take(
        commandFrame().destExtended(0xFFFF, kExtE).srcExtended(0x1111, kExtC).payload(
            test::coordinatorRealignment(0x2222, 0x0000, 0x0F, 0x0007)));
    const int32_t device = nodeOfExtended(kExtE);
    const int32_t coordinator = nodeOfExtended(kExtC);
    ASSERT_GT(device, 0);
    ASSERT_GT(coordinator, 0);
    EXPECT_EQ(realign.macDestNode, device);
    EXPECT_EQ(realign.macSourceNode, coordinator);
    EXPECT_EQ(nodes.entry(device).pan, 0x2222);
    EXPECT_EQ(nodes.entry(device).shortAddress, 0x0007);
    EXPECT_EQ(nodes.entry(coordinator).pan, 0x2222);
    EXPECT_EQ(nodes.entry(coordinator).shortAddress, 0x0000);
    EXPECT_EQ(nodes.entry(coordinator).flags & kAddressFlags, kAddressFlags);
    expectReferencesValid(nodes, frames);

    // No short address to hand out.
    const CapturedFrame& unassigned = take(
        commandFrame().destExtended(0xFFFF, 0x77).srcExtended(0x2222, kExtC).payload(
            test::coordinatorRealignment(0x2222, 0x0000, 0x0F, 0xFFFE)));
    ASSERT_GT(unassigned.macDestNode, 0);
    EXPECT_EQ(nodes.entry(unassigned.macDestNode).flags & kAddressFlags,
              kPanKnown | kExtendedKnown);
    EXPECT_EQ(nodes.entry(unassigned.macDestNode).pan, 0x2222);
    EXPECT_EQ(unassigned.macSourceNode, coordinator);

    // Broadcast to the whole PAN: the destination is General.
    const int32_t countBefore = nodes.count();
    const CapturedFrame& broadcast = take(
        commandFrame().destShort(0xFFFF, 0xFFFF).srcExtended(0x2222, kExtC).payload(
            test::coordinatorRealignment(0x2222, 0x0000, 0x0F, 0xFFFF)));
    EXPECT_EQ(broadcast.macDestNode, 0);
    EXPECT_EQ(broadcast.macSourceNode, coordinator);
    EXPECT_EQ(nodes.count(), countBefore);
}

TEST_F(AttributionTest, ClearPreviousForgetsNodesOnlyEarlierFramesNamed) {
    take(dataFrame().destShort(kPan, 0x000A).srcShort(0x000B));  // B only here
    take(dataFrame().destShort(kPan, 0xFFFF).srcShort(0x000C));
    take(dataFrame().destShort(kPan, 0x000D).srcShort(0x000A).payload(
        test::nwkHeader(0, 0x000C, 0x000A)));
    ASSERT_EQ(nodes.count(), 5);
    const std::string nameOfD = nodes.name(nodeOf(kPan, 0x000D));

    clearPreviousNodes(nodes, frames, 1);
    ASSERT_EQ(nodes.count(), 4);
    EXPECT_EQ(nodeOf(kPan, 0x000B), -2);
    EXPECT_EQ(nodes.name(0), "General");
    EXPECT_EQ(nodes.name(nodeOf(kPan, 0x000D)), nameOfD);
    expectNoReferences(frames[0]);
    expectReferencesValid(nodes, frames, 1);
    EXPECT_EQ(frames[1].macDestNode, 0);
    EXPECT_EQ(frames[2].nwkDestNode, nodeOf(kPan, 0x000C));

    // From the last frame on nothing refers to General, and to C only as NWK
    // destination: both stay.
    clearPreviousNodes(nodes, frames, 2);
    EXPECT_EQ(nodes.count(), 4);
    EXPECT_EQ(nodes.entry(0).shortAddress, 0xFFFF);
    EXPECT_GT(nodeOf(kPan, 0x000C), 0);
    expectNoReferences(frames[1]);
    expectReferencesValid(nodes, frames, 2);
}

TEST_F(AttributionTest, ClearPreviousFromTheFirstFrameRemovesOnlyUnreferencedNodes) {
    take(dataFrame().destShort(kPan, 0x0000).srcShort(0x0001));
    nodes.findOrAdd([] {
        NodeAddress stray;
        stray.setPan(kPan);
        stray.setShort(0x0099);
        return stray;
    }());
    take(MacFrame(test::kTypeAck));
    take(dataFrame().destShort(kPan, 0x0001).srcShort(0x0002));
    ASSERT_EQ(nodes.count(), 5);

    clearPreviousNodes(nodes, frames, 0);
    EXPECT_EQ(nodes.count(), 4);
    EXPECT_EQ(nodeOf(kPan, 0x0099), -2);
    EXPECT_GT(nodeOf(kPan, 0x0000), 0);
    EXPECT_GT(nodeOf(kPan, 0x0001), 0);
    EXPECT_GT(nodeOf(kPan, 0x0002), 0);
    EXPECT_EQ(frames[1].macSourceNode, 0);
    expectReferencesValid(nodes, frames);
}

// After the unreferenced nodes are removed, the last entry takes a freed place
// and so comes before entries it used to follow. Attributing the remaining frames
// again can then merge duplicates; the frames before the current one must still
// end up without references and the forgotten node must stay forgotten.
TEST_F(AttributionTest, ClearPreviousStaysClearWhenReattributionMerges) {
    take(dataFrame().destShort(kPan, 0xFFFF).srcShort(0x0011));    // R, only here
    take(dataFrame().destShort(kPan, 0xFFFF).srcExtended(kExtC));  // coordinator
    take(dataFrame().destShort(kPan, 0xFFFF).srcExtended(kExtE));  // E
    take(dataFrame().destShort(kPan, 0xFFFF).srcShort(0x0005));    // 0005, later E's
    take(commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
        test::associationResponse(0x0005, 0x00)));
    ASSERT_EQ(nodes.count(), 5);
    ASSERT_EQ(nodeOfExtended(kExtE), 3);
    ASSERT_EQ(nodes.entry(3).shortAddress, 0x0005);

    clearPreviousNodes(nodes, frames, 1);
    EXPECT_EQ(nodeOf(kPan, 0x0011), -2) << "the forgotten node came back";
    expectNoReferences(frames[0]);
    for (int32_t i = 0; i < frames.frameCount(); ++i)
        for (int32_t node : {frames[i].macSourceNode, frames[i].macDestNode})
            EXPECT_LT(node, nodes.count()) << "frame " << i;
    expectReferencesValid(nodes, frames, 1);
}

// The capture remembers where "Clear Previous" cut: a merge caused by a later
// frame attributes again only the frames that still have references.
TEST(CaptureAttribution, MergeAfterClearPreviousKeepsEarlierFramesForgotten) {
    auto capture = std::make_unique<Capture>();
    auto take = [&](const Bytes& bytes) {
        ASSERT_TRUE(test::append(capture->frames, bytes));
        capture->attributeFrom(capture->frames.frameCount() - 1);
    };
    take(dataFrame().destShort(kPan, 0xFFFF).srcShort(0x0011));    // only before the cut
    take(dataFrame().destShort(kPan, 0xFFFF).srcExtended(kExtE));  // B, by extended address
    take(dataFrame().destShort(kPan, 0xFFFF).srcShort(0x0007));    // A, by short address
    capture->clearPreviousNodes(1);
    ASSERT_EQ(capture->nodes.count(), 3);  // A moved into the freed place, before B

    // Assigning 0007 to E tells that A and B are one device: B is merged into A.
    take(commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
        test::associationResponse(0x0007, 0x00)));
    const NodeTable& nodes = capture->nodes;
    EXPECT_EQ(nodes.count(), 3);  // General, A (now knowing E), the coordinator
    expectNoReferences(capture->frames[0]);
    for (int32_t i = 1; i < capture->frames.frameCount(); ++i)
        for (int32_t node : {capture->frames[i].macSourceNode, capture->frames[i].macDestNode})
            EXPECT_TRUE(node >= -1 && node < nodes.count()) << "frame " << i;
    EXPECT_EQ(capture->frames[2].macSourceNode, capture->frames[1].macSourceNode);

    // A new live capture starts attribution from its first frame again: a merge
    // there re-attributes every frame of it.
    capture->clearFrames();
    capture->nodes.reset();
    take(dataFrame().destShort(kPan, 0xFFFF).srcShort(0x0007));
    take(dataFrame().destShort(kPan, 0xFFFF).srcExtended(kExtE));
    take(commandFrame().destExtended(kPan, kExtE).srcExtended(kExtC).payload(
        test::associationResponse(0x0007, 0x00)));
    EXPECT_EQ(nodes.count(), 3);
    EXPECT_EQ(capture->frames[1].macSourceNode, capture->frames[0].macSourceNode);
    for (const CapturedFrame& frame : capture->frames)
        for (int32_t node : {frame.macSourceNode, frame.macDestNode})
            EXPECT_TRUE(node >= -1 && node < nodes.count());
}

} // namespace
} // namespace qlm
