// The AF layer: the transaction header, key-value pairs with every command type, data
// type and result, typed values, and plain messages.

#include "dissect/af_value.h"
#include "zigbee_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

using C = FieldColumn;

ColumnFlags afColumns(bool hexRuns = false) {
    ColumnFlags flags;
    for (const FieldColumnInfo& info : columnsOfLayer(Layer::kAf))
        flags.set(info.column, hexRuns || info.name != "Hex payload");
    flags.set(C::kAplHexPayload, hexRuns);
    return flags;
}

// An AF frame on a home-automation endpoint pair: its header byte lies at position
// 0x18 and its first transaction at 0x19.
Bytes afFrame(const Bytes& af) {
    return nwkData(apsData(0x08, 0x06, 0x0104, 0x01, af));
}

CellRecorder decodeAf(const Bytes& af, ColumnFlags columns = afColumns()) {
    return decodeZigbee(afFrame(af), false, columns);
}
std::string afText(const Bytes& af, ColumnFlags columns = afColumns()) {
    return rowText(decodeAf(af, columns));
}

// The "Value" text of one key-value pair Set of this data type and value bytes.
std::string valueOf(uint8_t dataType, const Bytes& value) {
    const CellRecorder row =
        decodeAf(Bytes{0x11, 0x01, static_cast<uint8_t>(dataType << 4 | 1), 0x00, 0x00} + value);
    CellRecorder::Cell cell;
    return findCell(row, "Value", cell) ? std::string(cell.value) : "(none)";
}

TEST(AfTransactions, HeaderGivesCountAndType) {
    const CellRecorder messages = decodeAf({0x21, 0x05, 0x00});
    EXPECT_EQ(rowText(messages), "#Tr=01  Type=MSG  Seq=05  Len=00 |");
    EXPECT_EQ(messages[0].explanation, "The 0x01 transcations are in the field   (AF)");
    EXPECT_EQ(messages[1].explanation, "The transactions are messages  (AF)");
    EXPECT_EQ(messages[2].explanation, "The sequence number of this frame is 0x05  (AF)");
    EXPECT_EQ(messages[3].explanation, "The message length is 0x00 bytes  (AF)");
    EXPECT_EQ(messages[0].brush, CellBrush::kViolet);

    const CellRecorder none = decodeAf({0x10, 0x99});
    EXPECT_EQ(rowText(none), "#Tr=00  Type=KVP");
    EXPECT_EQ(none[1].explanation, "The transactions are KVPs (key value pairs)  (AF)");

    // A reserved type still runs the loop, showing only the sequence numbers.
    const CellRecorder reserved = decodeAf({0x33, 0x01, 0x02, 0x03, 0x04});
    EXPECT_EQ(rowText(reserved), "#Tr=03  Type=???  Seq=01  Seq=02  Seq=03");
    EXPECT_EQ(reserved[1].explanation,
              "The transaction type is a reserved value not understood by the sniffer  (AF)");
}

TEST(AfTransactions, CommandTypesAndResults) {
    const char* const values[16] = {"???",    "Set", "Event",  "???",    "GetAck",   "SetAck",
                                    "EvtAck", "???", "GetRsp", "SetRsp", "EventRsp", "???",
                                    "???",    "???", "???",    "???"};
    for (int type = 0; type < 16; ++type) {
        const bool response = type >= 8 && type <= 10;
        // Null data: the attribute, and for a response its result, and nothing more.
        const CellRecorder row =
            decodeAf({0x11, 0x07, static_cast<uint8_t>(type), 0x34, 0x12, 0x00, 0xEE});
        EXPECT_EQ(rowText(row), std::string("#Tr=01  Type=KVP  Seq=07  Type=") + values[type] +
                                    "  Type=Null  Attr=1234" + (response ? "  Result=OK |" : " |"))
            << type;
        if (std::string_view(values[type]) == "???") {
            EXPECT_EQ(row[3].explanation,
                      "The command type is a reserved value not understood by the sniffer  (AF)");
        }
    }
    CellRecorder::Cell cell;
    EXPECT_EQ(decodeAf({0x11, 0x07, 0x0A, 0, 0, 0})[3].explanation,
              "The command is a Event response  (AF)");
    EXPECT_EQ(decodeAf({0x11, 0x07, 0x06, 0, 0, 0})[3].explanation,
              "The command is an Event command with Ack  (AF)");
    EXPECT_EQ(decodeAf({0x11, 0x07, 0x00, 0x34, 0x12})[5].explanation,
              "The attribute identifier is 0x1234  (AF)");

    const std::pair<uint8_t, const char*> results[] = {
        {0, "OK"},      {1, "Bad EP"},  {2, "???"}, {3, "Unk Attr"}, {4, "Bad Cmd"},
        {5, "AttrLen"}, {6, "BadAttr"}, {7, "???"}, {0xFF, "???"}};
    for (const auto& [code, value] : results) {
        ASSERT_NE(findCell(decodeAf({0x11, 0x07, 0x08, 0, 0, code}), "Result", cell), nullptr);
        EXPECT_EQ(cell.value, value);
    }
    ASSERT_NE(findCell(decodeAf({0x11, 0x07, 0x09, 0, 0, 2}), "Result", cell), nullptr);
    EXPECT_EQ(cell.explanation,
              "The transaction failed - sniffer doesn't understand error code  (AF)");
    ASSERT_NE(findCell(decodeAf({0x11, 0x07, 0x09, 0, 0, 5}), "Result", cell), nullptr);
    EXPECT_EQ(cell.explanation,
              "The transaction failed - the attribute was the wrong length  (AF)");
}

TEST(AfTransactions, FixedSizeValues) {
    EXPECT_EQ(afText({0x11, 0x01, 0x11, 0x00, 0x00, 0xFF}),
              "#Tr=01  Type=KVP  Seq=01  Type=Set  Type=uint8  Attr=0000 | Hex Val=FF | Value=255");
    const CellRecorder row = decodeAf({0x11, 0x01, 0x11, 0x00, 0x00, 0xFF});
    EXPECT_EQ(row[4].explanation, "The data type is unsigned 8-bit integer  (AF)");
    EXPECT_EQ(row[6].explanation, "The attribute data in hex is 0xFF  (AF)");
    EXPECT_EQ(row[7].explanation, "The data value is 255  (AF)");

    EXPECT_EQ(valueOf(2, {0xFF}), "-1");
    EXPECT_EQ(valueOf(3, {0x00, 0x80}), "32768");
    EXPECT_EQ(valueOf(4, {0x00, 0x80}), "-32768");
    EXPECT_EQ(valueOf(4, {0xFF, 0x7F}), "32767");
    EXPECT_EQ(valueOf(11, {0x00, 0x3C}), "1");
    EXPECT_EQ(valueOf(12, {0x00, 0x00, 0x00, 0x00}), "0s since 1/1/2000");
    EXPECT_EQ(valueOf(12, {0xFF, 0xFF, 0xFF, 0xFF}), "-1s since 1/1/2000");
    EXPECT_EQ(valueOf(13, {0xDC, 0x05, 0x00, 0x00}), "1.500s");
    EXPECT_EQ(valueOf(13, {0x05, 0x00, 0x00, 0x00}), "0.005s");
    EXPECT_EQ(valueOf(13, {0x24, 0xFA, 0xFF, 0xFF}), "-1.500s");
    EXPECT_EQ(valueOf(13, {0x00, 0x00, 0x00, 0x80}), "-2147483.648s");
    // Null and the undefined types have no value cells and take no bytes.
    for (uint8_t type : {0, 5, 6, 7, 8, 9, 10})
        EXPECT_EQ(valueOf(type, {0x01, 0x02}), "(none)") << int{type};
    EXPECT_EQ(afText({0x12, 0x01, 0x51, 0x00, 0x00, 0x02, 0x21, 0x00, 0x00, 0x7F}),
              "#Tr=02  Type=KVP  Seq=01  Type=Set  Type=???  Attr=0000 | Seq=02  Type=Set  "
              "Type=sint8  Attr=0000 | Hex Val=7F | Value=127");
    // The sentence of a get response of uint16 reads the value after the result byte.
    EXPECT_EQ(afText({0x11, 0x01, 0x38, 0x05, 0x00, 0x00, 0x34, 0x12}),
              "#Tr=01  Type=KVP  Seq=01  Type=GetRsp  Type=uint16  Attr=0005  Result=OK | "
              "Hex Val=34 12 | Value=4660");
}

TEST(AfTransactions, HalfPrecisionTable) {
    const std::pair<uint16_t, const char*> table[] = {
        {0x3C00, "1"},
        {0xC000, "-2"},
        {0x3555, "0.333252"},
        {0x7C00, "+ Infinity"},
        {0xFC00, "- Infinity"},
        {0x7C01, "Not a Number"},
        {0xFE00, "Not a Number"},
        {0x8000, "- Zero"},
        {0x0000, "+ Zero"},
        {0x7BFF, "65504"},
        {0x0001, "5.96046E-08"},
        {0x8001, "-5.96046E-08"},
        {0x03FF, "6.09756E-05"},
        {0x0400, "6.10352E-05"},
        {0x4D60, "21.5"},
        {0x6400, "1024"},
        {0x7800, "32768"},
        {0x2E66, "0.0999756"},
    };
    for (const auto& [bits, text] : table)
        EXPECT_EQ(halfPrecisionText(bits).view(), text) << std::hex << bits;
    // In a frame: bytes 00 7C, least significant first.
    EXPECT_EQ(valueOf(11, {0x00, 0x7C}), "+ Infinity");
    EXPECT_EQ(valueOf(11, {0x00, 0xFC}), "- Infinity");
    EXPECT_EQ(valueOf(11, {0x01, 0x7C}), "Not a Number");
    EXPECT_EQ(valueOf(11, {0x00, 0x80}), "- Zero");
    EXPECT_EQ(valueOf(11, {0x55, 0x35}), "0.333252");
}

TEST(AfTransactions, StringsSpanTheirLengthByte) {
    // "Hi!" then a second pair that starts right after the string.
    const Bytes af{0x12, 0x01, 0xE1, 0x00, 0x00, 0x03, 'H', 'i', '!', 0x02, 0x11, 0x01, 0x00, 0x2A};
    const CellRecorder row = decodeAf(af);
    EXPECT_EQ(rowText(row), "#Tr=02  Type=KVP  Seq=01  Type=Set  Type=Char  Attr=0000 | "
                            "Hex Val=03 48 69 21 | Value=Hi!  Seq=02  Type=Set  Type=uint8  "
                            "Attr=0001 | Hex Val=2A | Value=42");
    EXPECT_EQ(row[4].explanation, "The data type is a 3-character string  (AF)");
    EXPECT_EQ(row[7].explanation, "The data value is Hi!  (AF)");

    // A response puts the length byte after the result.
    const CellRecorder blob = decodeAf({0x11, 0x01, 0xF8, 0x00, 0x00, 0x00, 0x02, 0xAB, 0xCD});
    EXPECT_EQ(rowText(blob),
              "#Tr=01  Type=KVP  Seq=01  Type=GetRsp  Type=Blob  Attr=0000  Result=OK | "
              "Hex Val=02 AB CD | Value=02 AB CD");
    EXPECT_EQ(blob[4].explanation, "The data type is a 2-byte octet string  (AF)");

    // The text stops at a NUL; other bytes stay one character each (Latin-1).
    EXPECT_EQ(valueOf(14, {0x04, 'a', 0x00, 'b', 'c'}), "a");
    EXPECT_EQ(valueOf(14, {0x02, 0xE9, 't'}), "\xE9t");
    EXPECT_EQ(valueOf(14, {0x00}), "");
}

TEST(AfTransactions, HiddenValueColumnsDoNotMoveLaterFields) {
    const Bytes af{0x12, 0x01, 0x31, 0x00, 0x00, 0x34, 0x12, 0x02,
                   0xD1, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00};
    ColumnFlags noHex = afColumns();
    noHex.set(C::kAfHexValue, false);
    EXPECT_EQ(afText(af, noHex),
              "#Tr=02  Type=KVP  Seq=01  Type=Set  Type=uint16  Attr=0000 | "
              "Value=4660  Seq=02  Type=Set  Type=T rel  Attr=0000 | Value=1.000s");
    ColumnFlags noNative = afColumns();
    noNative.set(C::kAfNativeValue, false);
    EXPECT_EQ(afText(af, noNative), "#Tr=02  Type=KVP  Seq=01  Type=Set  Type=uint16  Attr=0000 | "
                                    "Hex Val=34 12 | Seq=02  Type=Set  Type=T rel  Attr=0000 | "
                                    "Hex Val=E8 03 00 00 |");
}

TEST(AfTransactions, PlainMessagesAndHexRuns) {
    const CellRecorder row =
        decodeAf({0x22, 0x01, 0x03, 0xAA, 0xBB, 0xCC, 0x02, 0x00, 0x99}, afColumns(true));
    // The AF run starts after the last transaction, the APL run at its first byte.
    EXPECT_EQ(rowText(row),
              "#Tr=02  Type=MSG  Seq=01  Len=03 | Msg Hex=AA BB CC | Seq=02  Len=00 | "
              "20=99  21=30  22=E4 | 1E=02  1F=00  20=99  21=30  22=E4 |");
    EXPECT_EQ(row[4].explanation, "The message data in hex is 0xAA BB CC  (AF)");
    for (size_t i = 0; i < row.size(); ++i) {
        if (row[i].column == C::kAfHexPayload) {
            EXPECT_EQ(row[i].brush, CellBrush::kViolet);
        }
        if (row[i].column == C::kAplHexPayload) {
            EXPECT_EQ(row[i].brush, CellBrush::kSecondYellow);
        }
    }
    // Without transactions the APL run starts where the AF run does.
    EXPECT_EQ(afText({0x10, 0x99}, afColumns(true)), "#Tr=00  Type=KVP  19=99  1A=30  1B=E4 | "
                                                     "19=99  1A=30  1B=E4 |");
    // With the message column hidden the transactions keep their places.
    ColumnFlags noMessage = afColumns(true);
    noMessage.set(C::kAfMessage, false);
    EXPECT_EQ(afText({0x22, 0x01, 0x03, 0xAA, 0xBB, 0xCC, 0x02, 0x00, 0x99}, noMessage),
              "#Tr=02  Type=MSG  Seq=01  Seq=02  20=99  21=30  22=E4 | 1E=02  1F=00  20=99  21=30  "
              "22=E4 |");
}

} // namespace
} // namespace qlm::test
