// ZCL frames in ZigBee PRO data frames, read by tshark: the transaction numbers,
// the commands and the data types it finds are those our cells show.

#include "dissect/frame_dissector.h"

#include "command_output.h"
#include "tshark_fields.h"
#include "zigbee_frames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace qlm::test {
namespace {

using C = FieldColumn;

Bytes zclFrame(uint16_t cluster, const Bytes& zcl, uint8_t counter) {
    Bytes aps{0x00, 0x01};
    putU16(aps, cluster);
    putU16(aps, 0x0104);
    aps.push_back(0x01);
    aps.push_back(counter);
    return nwkHeader(0x08, 0x00, 0x0000, 0x1234, 0x1E, counter) + aps + zcl;
}

Bytes text(const char* characters) {
    Bytes out{static_cast<uint8_t>(std::strlen(characters))};
    for (const char* c = characters; *c != 0; ++c)
        out.push_back(static_cast<uint8_t>(*c));
    return out;
}

std::vector<Bytes> zclFrames() {
    return {
        zclFrame(0x0000, {0x00, 0x11, 0x00, 0x04, 0x00, 0x05, 0x00}, 1),
        zclFrame(0x0000, Bytes{0x18, 0x11, 0x01, 0x04, 0x00, 0x00, 0x42} + text("ACME1") +
                             Bytes{0x05, 0x00, 0x00, 0x42} + text("TS0601") +
                             Bytes{0x07, 0x00, 0x86},
                 2),
        zclFrame(0x0008, {0x18, 0x12, 0x0A, 0x00, 0x00, 0x20, 0xFE}, 3),
        zclFrame(0x0402, {0x18, 0x13, 0x0A, 0x00, 0x00, 0x29, 0x9C, 0xFF}, 4),
        zclFrame(0x0006, {0x01, 0x14, 0x02}, 5),
        zclFrame(0x0006, {0x18, 0x15, 0x0B, 0x02, 0x00}, 6),
        zclFrame(0x0003, {0x00, 0x16, 0x02, 0x00, 0x00, 0x21, 0x0A, 0x00}, 7),
        zclFrame(0x0000, {0x04, 0x37, 0x10, 0x17, 0x00, 0x00, 0x00}, 8),
        zclFrame(0x000C, {0x18, 0x18, 0x0A, 0x55, 0x00, 0x39, 0x00, 0x00, 0x80, 0x3F}, 9),
        zclFrame(0x0006, {0x18, 0x19, 0x0A, 0x00, 0x00, 0x10, 0x01}, 10),
        // Reporting configured, confirmed and read back; attributes discovered; a
        // write refused.
        zclFrame(0x0402,
                 {0x00, 0x1A, 0x06, 0x00, 0x00, 0x00, 0x29, 0x1E, 0x00, 0x10, 0x0E, 0x0A, 0x00},
                 11),
        zclFrame(0x0402, {0x18, 0x1A, 0x07, 0x00}, 12),
        zclFrame(0x0402,
                 {0x18, 0x1B, 0x09, 0x00, 0x00, 0x00, 0x00, 0x29, 0x1E, 0x00, 0x10, 0x0E, 0x0A,
                  0x00},
                 13),
        zclFrame(0x0006, {0x00, 0x1C, 0x0C, 0x00, 0x00, 0x10}, 14),
        zclFrame(0x0006, {0x18, 0x1C, 0x0D, 0x01, 0x00, 0x00, 0x10, 0x03, 0x40, 0x30}, 15),
        zclFrame(0x0003, {0x18, 0x16, 0x04, 0x86, 0x00, 0x00}, 16),
        // An array, a time of day and a date, and last a structure (which tshark
        // 4.0 reads otherwise: the comparison leaves it out).
        zclFrame(0xFC00, {0x18, 0x1D, 0x0A, 0x01, 0x00, 0x48, 0x20, 0x03, 0x00, 0x0A, 0x0B, 0x0C},
                 17),
        zclFrame(0xFC00, {0x18, 0x1E, 0x0A, 0x00, 0x00, 0xE0, 0x0D, 0x25, 0x09, 0x32, 0x01,
                          0x00, 0xE1, 0x7E, 0x0C, 0x0A, 0x04},
                 18),
        // Cluster commands with their fields.
        zclFrame(0x0008, {0x01, 0x20, 0x04, 0x80, 0x0A, 0x00}, 19),
        zclFrame(0x0300, {0x01, 0x21, 0x0A, 0x72, 0x01, 0x0F, 0x00}, 20),
        zclFrame(0x0004, {0x01, 0x22, 0x00, 0x01, 0x00, 0x04, 'H', 'a', 'l', 'l'}, 21),
        zclFrame(0xFC00, {0x18, 0x1F, 0x0A, 0x02, 0x00, 0x4C, 0x02, 0x00, 0x10, 0x01, 0x21,
                          0x34, 0x12},
                 22),
    };
}

// The hexadecimal digits after "0x" in a cell's explanation, as a number.
std::string idInExplanation(std::string_view explanation) {
    const size_t at = explanation.find("0x");
    if (at == std::string_view::npos)
        return {};
    return std::to_string(std::strtoul(std::string(explanation.substr(at + 2, 4)).c_str(),
                                       nullptr, 16));
}

std::vector<std::string> ours(const CellRecorder& row, C column, std::string_view caption,
                              bool fromExplanation) {
    std::vector<std::string> values;
    for (size_t c = 0; c < row.size(); ++c)
        if (row[c].column == column && row[c].caption == caption)
            values.push_back(fromExplanation ? idInExplanation(row[c].explanation)
                                             : std::to_string(std::strtoul(
                                                   std::string(row[c].value).c_str(), nullptr, 16)));
    return values;
}

std::vector<std::string> theirs(const std::string& field) {
    std::vector<std::string> values;
    for (const std::string& value : split(field, ','))
        if (!value.empty())
            values.push_back(std::to_string(std::strtoul(value.c_str(), nullptr, 0)));
    return values;
}

TEST(ZclTshark, TsharkReadsTheTransactionsCommandsAndTypesOurCellsShow) {
    const std::vector<Bytes> frames = zclFrames();
    const auto capture = captureOf(frames);
    const TsharkReading tshark = readWithTshark(
        *capture,
        " -T fields -E 'separator=;' -E occurrence=a -E aggregator=, -e zbee_zcl.cmd.tsn "
        "-e zbee_zcl.cmd.id -e zbee_zcl.cs.cmd.id -e zbee_zcl.attr.data.type "
        "-e zbee_zcl_general.onoff.cmd.srv_rx.id "
        "-e zbee_zcl_general.level_control.cmd.srv_rx.id "
        "-e zbee_zcl_lighting.color_control.cmd.srv_rx.id "
        "-e zbee_zcl_general.groups.cmd_srv_rx.id -e zbee_zcl_general.level_control.level "
        "-e zbee_zcl_lighting.color_control.color_temp");
    const std::vector<std::string>& rows = tshark.rows;
    EXPECT_EQ(tshark.malformed, "");
    ASSERT_GE(rows.size(), frames.size());

    FrameDissector dissector;
    dissector.setZigbeePro(true);
    int compared = 0;
    for (size_t i = 0; i + 1 < frames.size(); ++i) {
        CellRecorder row;
        dissector.dissect(capture->frames, static_cast<int32_t>(i), row);
        const std::vector<std::string> fields = split(rows[i], ';');
        ASSERT_EQ(fields.size(), 10u) << rows[i];
        const std::string frame = "frame " + std::to_string(i + 1);
        EXPECT_EQ(ours(row, C::kZclSequenceNumber, "TSN", false), theirs(fields[0])) << frame;
        const std::vector<std::string> command = ours(row, C::kZclCommand, "Cmd", true);
        // Wireshark names a cluster's own commands in the cluster's fields.
        EXPECT_EQ(command, theirs(fields[1] + fields[2] + fields[4] + fields[5] + fields[6] +
                                  fields[7]))
            << frame;
        EXPECT_EQ(ours(row, C::kZclValue, "Level", false), theirs(fields[8])) << frame;
        std::vector<std::string> mireds;
        for (size_t c = 0; c < row.size(); ++c)
            if (row[c].caption == "Mireds")
                mireds.emplace_back(row[c].value);
        EXPECT_EQ(mireds, theirs(fields[9])) << frame;
        EXPECT_EQ(ours(row, C::kZclDataType, "Type", true), theirs(fields[3])) << frame;
        compared += static_cast<int>(command.size() + theirs(fields[3]).size());
    }
    EXPECT_GE(compared, 15);
}

// The values as the cells show them, and a record cut short.
TEST(Zcl, ValuesOfTheCommonTypesAndARecordCutShort) {
    const auto zclText = [](const Bytes& frame, size_t stored = SIZE_MAX) {
        ColumnFlags columns;
        for (const FieldColumnInfo& info : columnsOfLayer(Layer::kZcl))
            columns.set(info.column, info.name != "Hex payload");
        FrameDissector dissector(columns);
        dissector.setZigbeePro(true);
        Bytes bytes = macData(frame);
        bytes.resize(std::min(stored, bytes.size()));
        CellRecorder row;
        dissector.dissect(recordOf(bytes), nullptr, 0, row);
        return rowText(row);
    };
    const std::vector<Bytes> frames = zclFrames();
    EXPECT_EQ(zclText(frames[1]),
              "Type=Global  Dir=ToCli  DDR=Yes | TSN=11 | Cmd=Read Attributes Response | "
              "Attr=ManufacturerName  Result=OK  Type=string  Value=ACME1 | "
              "Attr=ModelIdentifier  Result=OK  Type=string  Value=TS0601 | "
              "Attr=PowerSource  Result=UnsupAttr |");
    EXPECT_NE(zclText(frames[3]).find("Attr=MeasuredValue  Type=int16  Value=-100"),
              std::string::npos);
    EXPECT_NE(zclText(frames[4]).find("Type=Cluster  Dir=ToSrv  DDR=No | TSN=14 | Cmd=Toggle |"),
              std::string::npos);
    EXPECT_NE(zclText(frames[7]).find("Mfr=1037 | TSN=17"), std::string::npos);
    EXPECT_NE(zclText(frames[8]).find("Type=single  Value=1 |"), std::string::npos);
    EXPECT_NE(zclText(frames[9]).find("Type=bool  Value=True |"), std::string::npos);
    EXPECT_NE(zclText(frames[10]).find("Dir=Send  Attr=MeasuredValue  Type=int16  Min=30  "
                                       "Max=3600  Change=10 |"),
              std::string::npos)
        << zclText(frames[10]);
    EXPECT_NE(zclText(frames[14]).find("Done=Yes | Attr=OnOff  Type=bool | "
                                       "Attr=StartUpOnOff  Type=enum8 |"),
              std::string::npos)
        << zclText(frames[14]);
    EXPECT_NE(zclText(frames[15]).find("Result=UnsupAttr  Attr=IdentifyTime |"), std::string::npos)
        << zclText(frames[15]);
    EXPECT_NE(zclText(frames[16]).find("Attr=0001  Type=array  Elem=uint8  Count=3  Value=10  "
                                       "Value=11  Value=12 |"),
              std::string::npos)
        << zclText(frames[16]);
    EXPECT_NE(zclText(frames[18]).find("Cmd=Move to Level with On/Off | Level=80  Time=1.0 |"),
              std::string::npos)
        << zclText(frames[18]);
    EXPECT_NE(zclText(frames[20]).find("Cmd=Add Group | Grp=0001  Name=Hall |"), std::string::npos)
        << zclText(frames[20]);
    EXPECT_NE(zclText(frames[21]).find("Attr=0002  Type=struct  Count=2  Type=bool  Value=True  "
                                       "Type=uint16  Value=4660 |"),
              std::string::npos)
        << zclText(frames[21]);
    EXPECT_NE(zclText(frames[17]).find("Type=ToD  Value=13:37:09.50 | Attr=0001  Type=date  "
                                       "Value=2026-12-10 |"),
              std::string::npos)
        << zclText(frames[17]);
    // "TS0601" cut after "TS": the value is cut short, and the records stop there.
    const size_t cut = kMacPayloadStart + frames[1].size() - 3 - 2 - 4;
    const std::string truncated = zclText(frames[1], cut);
    EXPECT_NE(truncated.find("Attr=ModelIdentifier  Result=OK  Type=string  Value=Trunc"),
              std::string::npos)
        << truncated;
    EXPECT_EQ(truncated.find("PowerSource"), std::string::npos);
}

} // namespace
} // namespace qlm::test
