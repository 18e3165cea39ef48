// Beacon payloads: superframe spec, GTS fields and pending addresses.

#include "dissect_test_support.h"
#include "test_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

ColumnFlags beaconColumns() {
    ColumnFlags flags;
    for (FieldColumn column : {FieldColumn::kMacSuperframeSpec, FieldColumn::kMacTimeSlots,
                               FieldColumn::kMacPendingAddresses, FieldColumn::kMacHexPayload})
        flags.set(column, true);
    return flags;
}

Bytes beacon(const Bytes& payload) {
    return MacFrame(kTypeBeacon).srcShort(0x1A2B, 0x0000).payload(payload);
}

TEST(MacBeacon, SuperframeSpecBytes) {
    CellRecorder row;
    FrameDissector(beaconColumns()).dissect(recordOf(beacon({0xFF, 0xCF, 0x00, 0x00})), nullptr,
                                            0, row);
    EXPECT_EQ(rowText(row), "BO=0F  SO=0F  CAP=0F  BLE=No  PC=Yes  AP=Yes | GTSC=00  GTSP=No | "
                            "SP=00  LP=00 | 0C=30  0D=E4 |");
    const char* explanations[] = {
        "This Superframe Field indicates the beacon order is 0x0F  (MAC)",
        "This Superframe Field indicates the superframe order is 0x0F  (MAC)",
        "This Superframe Field indicates the final CAP slot is 0x0F  (MAC)",
        "This Superframe Field indicates the battery life extension flag is set to No  (MAC)",
        "This Superframe Field indicates the PAN coordinator flag is set to Yes  (MAC)",
        "This Superframe Field indicates the permit association flag is set to Yes  (MAC)",
        "This Guaranteed Time Slot field indicates 0x00 GTS descriptors  (MAC)",
        "This Guaranteed Time Slot field indicates the permit GTS flag is set to No  (MAC)",
        "The number of short pending addresses is 0x00  (MAC)",
        "The number of long pending addresses is 0x00  (MAC)",
    };
    for (size_t i = 0; i < std::size(explanations); ++i) {
        EXPECT_EQ(row[i].explanation, explanations[i]);
        EXPECT_EQ(row[i].brush, CellBrush::kYellow);
        EXPECT_TRUE(row[i].captionEmphasis);
    }
}

TEST(MacBeacon, GtsDescriptorsAndPendingAddressesAreWalkedInOrder) {
    Bytes payload{0x3F, 0x1E, 0x82, 0x05};  // two descriptors, directions 0x05
    putU16(payload, 0x1111);
    payload.push_back(0x21);
    putU16(payload, 0x2222);
    payload.push_back(0x43);
    payload.push_back(0x12);  // two short and one long pending address
    putU16(payload, 0xAAAA);
    putU16(payload, 0xBBBB);
    putU64(payload, 0x0123456789ABCDEFull);
    payload.push_back(0x77);  // the beacon payload proper, left to the hex run

    CellRecorder row;
    FrameDissector(beaconColumns()).dissect(recordOf(beacon(payload)), nullptr, 0, row);
    EXPECT_EQ(rowText(row),
              "BO=0F  SO=03  CAP=0E  BLE=Yes  PC=No  AP=No | GTSC=02  GTSP=Yes  GTS Dirs=1010000 "
              "| Addr=1111  SS=01  Len=02 | Addr=2222  SS=03  Len=04 | SP=02  LP=01  PA1=AAAA  "
              "PA2=BBBB  PA3=0123456789ABCDEF | 1F=77  20=30  21=E4 |");

    CellRecorder::Cell cell;
    ASSERT_NE(findCell(row, "GTS Dirs", cell), nullptr);
    EXPECT_EQ(cell.explanation, "This indicates GTS directions \"1010000\", first bit relating "
                                "to first device in list, etc.  (MAC)");
    EXPECT_EQ(row[9].explanation, "GTS list item 1 has short address 0x1111  (MAC)");
    EXPECT_EQ(row[13].explanation, "GTS list item 2 has start slot 0x03  (MAC)");
    EXPECT_EQ(row[14].explanation, "GTS list item 2 has length 0x04  (MAC)");
    ASSERT_NE(findCell(row, "PA2", cell), nullptr);
    EXPECT_EQ(cell.explanation, "Pending address PA2 has short address 0xBBBB  (MAC)");
    ASSERT_NE(findCell(row, "PA3", cell), nullptr);
    EXPECT_EQ(cell.explanation, "Pending address PA3 has long address 0x0123456789ABCDEF  (MAC)");

    // Hidden GTS cells are still skipped, so the pending addresses stay in place.
    ColumnFlags noSlots = beaconColumns();
    noSlots.set(FieldColumn::kMacTimeSlots, false);
    row.clear();
    FrameDissector(noSlots).dissect(recordOf(beacon(payload)), nullptr, 0, row);
    EXPECT_EQ(rowText(row), "BO=0F  SO=03  CAP=0E  BLE=Yes  PC=No  AP=No | SP=02  LP=01  "
                            "PA1=AAAA  PA2=BBBB  PA3=0123456789ABCDEF | 1F=77  20=30  21=E4 |");
}

TEST(MacBeacon, SecuredBeaconShowsOnlyItsHeader) {
    const Bytes secured = MacFrame(kTypeBeacon).secured().srcShort(0x1A2B, 0).payload({0xFF, 0xCF});
    EXPECT_EQ(decodeToText(FrameDissector(beaconColumns()), recordOf(secured)),
              "08=FF  09=CF  0A=30  0B=E4 |");
}

} // namespace
} // namespace qlm::test
