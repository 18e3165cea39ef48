// ZigBee PRO device-profile requests and responses read by tshark: transaction
// numbers, addresses, profiles and cluster lists are those our cells show.

#include "dissect/frame_dissector.h"

#include "command_output.h"
#include "tshark_fields.h"
#include "zigbee_frames.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qlm::test {
namespace {

using C = FieldColumn;

constexpr FieldPair kPairs[] = {
    {C::kAfSequenceNumber, "TSN", "zbee_zdp.seqno", Form::kHex},
    {C::kAfMessage, "Addr", "zbee_zdp.nwk_addr", Form::kHex},
    {C::kAfMessage, "IEEE", "zbee_zdp.ext_addr", Form::kEui64},
    {C::kAfMessage, "Prfl", "zbee_zdp.profile", Form::kHex},
    {C::kAfMessage, "In", "zbee_zdp.in_cluster", Form::kHex},
    {C::kAfMessage, "Out", "zbee_zdp.out_cluster", Form::kHex},
};

Bytes zdp(uint16_t cluster, const Bytes& payload, uint8_t counter) {
    Bytes aps{0x00, 0x00};
    putU16(aps, cluster);
    putU16(aps, 0x0000);
    aps.push_back(0x00);
    aps.push_back(counter);
    return nwkHeader(0x08, 0x00, 0x0000, 0x1234, 0x1E, counter) + aps + payload;
}

std::vector<Bytes> zdpFrames() {
    Bytes announce{0x31, 0x34, 0x12};
    putU64(announce, 0x00124B0001020304);
    announce.push_back(0x8E);
    Bytes ieeeRequest{0x32, 0x34, 0x12, 0x00, 0x00};
    Bytes ieeeResponse{0x32, 0x00};
    putU64(ieeeResponse, 0x00124B0001020304);
    ieeeResponse = ieeeResponse + Bytes{0x34, 0x12};
    return {
        zdp(0x0013, announce, 1),
        zdp(0x0001, ieeeRequest, 2),
        zdp(0x8001, ieeeResponse, 3),
        zdp(0x0005, {0x33, 0x34, 0x12}, 4),
        zdp(0x8005, {0x33, 0x00, 0x34, 0x12, 0x02, 0x01, 0x0B}, 5),
        zdp(0x0004, {0x34, 0x34, 0x12, 0x01}, 6),
        zdp(0x8004, {0x34, 0x00, 0x34, 0x12, 0x0E, 0x01, 0x04, 0x01, 0x00, 0x01, 0x01, 0x02,
                     0x00, 0x00, 0x06, 0x00, 0x01, 0x19, 0x00},
            7),
        zdp(0x0006, {0x35, 0xFD, 0xFF, 0x04, 0x01, 0x01, 0x06, 0x00, 0x00}, 8),
        zdp(0x0036, {0x36, 0xB4, 0x01}, 9),
        zdp(0x8002, {0x37, 0x81, 0x34, 0x12}, 10),
    };
}

TEST(ZdpTshark, TsharkReadsTheFieldsOurCellsShow) {
    const std::vector<Bytes> frames = zdpFrames();
    const auto capture = captureOf(frames);
    std::vector<std::string> fields;
    const TsharkReading tshark = readWithTshark(*capture, tsharkFieldOptions(kPairs, fields));
    const std::vector<std::string>& rows = tshark.rows;
    EXPECT_EQ(tshark.malformed, "");
    ASSERT_GE(rows.size(), frames.size());

    FrameDissector dissector;
    dissector.setZigbeePro(true);
    int compared = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        CellRecorder row;
        dissector.dissect(capture->frames, static_cast<int32_t>(i), row);
        compared += compareRow(row, rows[i], kPairs, fields.size(), "frame " + std::to_string(i + 1));
    }
    EXPECT_GE(compared, 20);
}

TEST(Zdp, AFailedResponseStopsAfterItsAddressAndAShortFrameIsCutShort) {
    const auto afText = [](const Bytes& frame, size_t stored = SIZE_MAX) {
        ColumnFlags columns;
        for (const FieldColumnInfo& info : columnsOfLayer(Layer::kAf))
            columns.set(info.column, info.name != "Hex payload" && info.name != "ZDO Cluster");
        FrameDissector dissector(columns);
        dissector.setZigbeePro(true);
        Bytes bytes = macData(frame);
        bytes.resize(std::min(stored, bytes.size()));
        CellRecorder row;
        dissector.dissect(recordOf(bytes), nullptr, 0, row);
        return rowText(row);
    };
    const std::vector<Bytes> frames = zdpFrames();
    EXPECT_EQ(afText(frames[9]), "TSN=37 | Status=NoDevice  Addr=1234 |");
    EXPECT_EQ(afText(frames[0]), "TSN=31 | Addr=1234  IEEE=00124B0001020304  Cap=8E |");
    const std::string cut = afText(frames[6], kMacPayloadStart + 8 + 8 + 9);
    EXPECT_NE(cut.find("Status=OK  Addr=1234  Len=0E  EP=01  Prfl=0104  DevId=Trunc"),
              std::string::npos)
        << cut;
}

} // namespace
} // namespace qlm::test
