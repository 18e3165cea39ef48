// MailBox frames: every command with its fields and the cursor after it, the implied
// data length, and the option that turns the decoding on.

#include "zigbee_frames.h"

#include <gtest/gtest.h>

namespace qlm::test {
namespace {

using C = FieldColumn;

ColumnFlags messageColumns(bool afRun = false) {
    ColumnFlags flags;
    flags.set(C::kAfSequenceNumber, true);
    flags.set(C::kAfMessage, true);
    flags.set(C::kAfHexPayload, afRun);
    return flags;
}

// One AF message transaction per given message (length byte first) in a MailBox frame;
// the first transaction's sequence number lies at 0x19.
Bytes mailBoxFrame(std::initializer_list<Bytes> messages) {
    Bytes af{static_cast<uint8_t>(0x20 | messages.size())};
    uint8_t sequence = 0x51;
    for (const Bytes& message : messages) {
        af.push_back(sequence++);
        af.insert(af.end(), message.begin(), message.end());
    }
    return nwkData(apsData(0x0A, 0x01, 0xC1EE, 0x0A, af));
}

CellRecorder decodeMailBox(std::initializer_list<Bytes> messages,
                           ColumnFlags columns = messageColumns()) {
    return decodeZigbee(mailBoxFrame(messages), true, columns);
}
std::string mailBoxText(std::initializer_list<Bytes> messages,
                        ColumnFlags columns = messageColumns()) {
    return rowText(decodeMailBox(messages, columns));
}

TEST(MailBox, CommandNames) {
    const CellRecorder request = decodeMailBox({{0x02, 0x01}});
    EXPECT_EQ(rowText(request), "Seq=51  Len=02  Command=AppID Req |");
    EXPECT_EQ(request[1].explanation, "The message length is 0x02 bytes  (AF)");
    EXPECT_EQ(request[2].explanation, "The frame is a Application ID request frame  (AF)");
    EXPECT_EQ(request[2].brush, CellBrush::kViolet);

    const CellRecorder present = decodeMailBox({{0x01, 0x06}});
    EXPECT_EQ(rowText(present), "Seq=51  Len=01  Command=Present |");
    EXPECT_EQ(present[2].explanation, "The frame is a present frame  (AF)");
    for (uint8_t unknown : {0x00, 0x08, 0x7F}) {
        const CellRecorder row = decodeMailBox({{0x01, unknown}});
        EXPECT_EQ(rowText(row), "Seq=51  Len=01  Command=???? |");
        EXPECT_EQ(row[2].explanation, "The frame is not recognised  (AF)");
    }
}

TEST(MailBox, ApplicationIdAndAcknowledge) {
    const CellRecorder response =
        decodeMailBox({{0x05, 0x02, 0x78, 0x56, 0x34, 0x12}, {0x01, 0x06}});
    EXPECT_EQ(rowText(response), "Seq=51  Len=05  Command=AppID Rsp  App ID=12345678 | Seq=52  "
                                 "Len=01  Command=Present |");
    EXPECT_EQ(response[3].explanation, "The responder's Application ID is 0x12345678  (AF)");

    const CellRecorder ack = decodeMailBox({{0x05, 0x04, 0x09, 0x21, 0xB8, 0x0B}, {0x01, 0x06}});
    EXPECT_EQ(rowText(ack),
              "Seq=51  Len=05  Command=Ack  Result=Reset Mismatch  Seq=21  Retry=0BB8 | "
              "Seq=52  Len=01  Command=Present |");
    EXPECT_EQ(ack[3].explanation, "The result is Reset Mismatch  (AF)");
    EXPECT_EQ(ack[4].explanation, "The sequence number is 0x21  (AF)");
    EXPECT_EQ(ack[5].explanation, "The retry later value is 0x0BB8  (AF)");
    const std::pair<uint8_t, const char*> results[] = {
        {0, "Success"}, {1, "Unknown"},     {2, "Sequence Error"}, {3, "Not permitted"},
        {4, "????"},    {5, "Retry Later"}, {9, "Reset Mismatch"}, {10, "Checksum failure"},
        {0xFF, "????"}};
    for (const auto& [code, text] : results)
        EXPECT_EQ(decodeMailBox({{0x05, 0x04, code, 0, 0, 0}})[3].value, text);
}

TEST(MailBox, DataLengthIsImpliedByTheFrame) {
    // App ID, sequence, flags, four data bytes, checksum: the checksum is the last byte
    // before the status bytes.
    const CellRecorder data = decodeMailBox(
        {{0x0C, 0x03, 0x07, 0x00, 0x52, 0x4D, 0x21, 0x05, 0xAB, 0xCD, 0xEF, 0x01, 0x9C}});
    EXPECT_EQ(rowText(data),
              "Seq=51  Len=0C  Command=Data  App ID=4D520007  Seq=21  Bcast=Yes  Ack=No  "
              "Retry=Yes  Len=04 | Data Hex=AB CD EF 01 | Chk=9C |");
    const char* const sentences[] = {"The source's Application ID is 0x4D520007  (AF)",
                                     "The sequence number is 0x21  (AF)",
                                     "The packet is Broadcast  (AF)",
                                     "The packet is not Acknowledged  (AF)",
                                     "The packet is a retry  (AF)",
                                     "The data length is 0x04 bytes (implied) (AF)",
                                     "The message data in hex is 0xAB CD EF 01  (AF)",
                                     "The checksum is 0x9C (AF)"};
    for (size_t i = 0; i < std::size(sentences); ++i)
        EXPECT_EQ(data[3 + i].explanation, sentences[i]) << i;

    const CellRecorder empty =
        decodeMailBox({{0x08, 0x03, 0x07, 0x00, 0x52, 0x4D, 0x22, 0x02, 0x5A}});
    EXPECT_EQ(rowText(empty),
              "Seq=51  Len=08  Command=Data  App ID=4D520007  Seq=22  Bcast=No  Ack=Yes  "
              "Retry=No  Len=00  Chk=5A |");
    EXPECT_EQ(empty[5].explanation, "The packet is Unicast  (AF)");
    EXPECT_EQ(empty[6].explanation, "The packet is Acknowledged  (AF)");
    EXPECT_EQ(empty[7].explanation, "The packet is not a retry  (AF)");

    // The data take the frame whatever the message length says; the AF run then starts
    // at the status bytes.
    EXPECT_EQ(mailBoxText({{0x02, 0x03, 0x07, 0x00, 0x52, 0x4D, 0x22, 0x00, 0x11, 0x5A}},
                          messageColumns(true)),
              "Seq=51  Len=02  Command=Data  App ID=4D520007  Seq=22  Bcast=No  Ack=No  Retry=No  "
              "Len=01 | Data Hex=11 | Chk=5A | 24=30  25=E4 |");
}

TEST(MailBox, SleepPermitAndRedirect) {
    const CellRecorder sleep = decodeMailBox(
        {{0x0C, 0x05, 0x01, 0x00, 0x57, 0x47, 0x1E, 0x00, 0x56, 0x34, 0x12, 0x14, 0x00},
         {0x01, 0x06}});
    EXPECT_EQ(rowText(sleep), "Seq=51  Len=0C  Command=NetSleep  App ID=47570001  Close=001E  "
                              "Sleep=123456  Wake=0014 | Seq=52  Len=01  Command=Present |");
    EXPECT_EQ(sleep[2].explanation, "The frame is a sleep permit frame  (AF)");
    EXPECT_EQ(sleep[4].explanation, "The closedown period is 0x001E seconds  (AF)");
    EXPECT_EQ(sleep[5].explanation, "The sleep period is 0x123456 seconds  (AF)");
    EXPECT_EQ(sleep[6].explanation, "The wakeup period is 0x0014 seconds  (AF)");

    const CellRecorder cluster =
        decodeMailBox({{0x08, 0x07, 0x01, 0x00, 0x57, 0x47, 0x01, 0x03, 0x00}, {0x01, 0x06}});
    EXPECT_EQ(rowText(cluster),
              "Seq=51  Len=08  Command=Redirect  App ID=47570001  Bcast=Yes  Ack=No  "
              "Cluster=0003 | Seq=52  Len=01  Command=Present |");
    EXPECT_EQ(cluster[4].explanation, "The new redirect destination is Broadcast  (AF)");
    EXPECT_EQ(cluster[5].explanation, "The new redirect destination is not Acknowledged  (AF)");
    EXPECT_EQ(cluster[6].explanation, "Cluster is 0x0003  (AF)");

    const CellRecorder address =
        decodeMailBox({{0x08, 0x07, 0x01, 0x00, 0x57, 0x47, 0x02, 0x34, 0x12}});
    EXPECT_EQ(rowText(address),
              "Seq=51  Len=08  Command=Redirect  App ID=47570001  Bcast=No  Ack=Yes  "
              "ShrtAddr=1234 |");
    EXPECT_EQ(address[6].explanation, "ShrtAddr is 0x1234  (AF)");
    EXPECT_EQ(address[5].explanation, "The new redirect destination is Acknowledged  (AF)");
}

TEST(MailBox, CustomFrames) {
    const CellRecorder custom =
        decodeMailBox({{0x08, 0x85, 0x07, 0x00, 0x52, 0x4D, 0x10, 0x02, 0x7F}, {0x01, 0x06}});
    EXPECT_EQ(rowText(custom), "Seq=51  Len=08  Command=Custom 0x85  App ID=4D520007  Len=03 | "
                               "Custom Hex=10 02 7F | Seq=52  Len=01  Command=Present |");
    EXPECT_EQ(custom[2].explanation, "The frame is a custom frame  (AF)");
    EXPECT_EQ(custom[4].explanation, "The custom payload length is 0x03 bytes  (AF)");
    EXPECT_EQ(custom[5].explanation, "The message data in hex is 0x10 02 7F  (AF)");
    EXPECT_EQ(mailBoxText({{0x05, 0xFF, 0x07, 0x00, 0x52, 0x4D}, {0x01, 0x06}}),
              "Seq=51  Len=05  Command=Custom 0xFF  App ID=4D520007  Len=00 | Seq=52  Len=01  "
              "Command=Present |");
}

TEST(MailBox, OptionOffAndHiddenColumn) {
    const Bytes frame = mailBoxFrame({{0x05, 0x04, 0x09, 0x21, 0xB8, 0x0B}});
    EXPECT_EQ(rowText(decodeZigbee(frame, false, messageColumns())),
              "Seq=51  Len=05 | Msg Hex=04 09 21 B8 0B |");
    // Hidden, the MailBox cells leave no gap and the next transaction is read at the
    // same place.
    ColumnFlags sequenceOnly;
    sequenceOnly.set(C::kAfSequenceNumber, true);
    EXPECT_EQ(
        mailBoxText({{0x0C, 0x05, 0x01, 0x00, 0x57, 0x47, 0x1E, 0x00, 0x56, 0x34, 0x12, 0x14, 0x00},
                     {0x05, 0x02, 0x78, 0x56, 0x34, 0x12},
                     {0x08, 0x85, 0x07, 0x00, 0x52, 0x4D, 0x10, 0x02, 0x7F},
                     {0x01, 0x06}},
                    sequenceOnly),
        "Seq=51  Seq=52  Seq=53  Seq=54");
}

TEST(MailBox, FramesEndingInsideTheMessage) {
    // A data message whose flags are the last byte before the status bytes has a
    // negative implied length.
    const CellRecorder shortData =
        decodeMailBox({{0x08, 0x03, 0x07, 0x00, 0x52, 0x4D, 0x22, 0x02}}, messageColumns(true));
    EXPECT_EQ(rowText(shortData),
              "Seq=51  Len=08  Command=Data  App ID=4D520007  Seq=22  Bcast=No  "
              "Ack=Yes  Retry=No  Len=Trunc | 22=30  23=E4 |");
    EXPECT_EQ(shortData[8].brush, CellBrush::kRed);
    EXPECT_EQ(shortData[8].explanation,
              "The captured frame ends inside this field, which is left undecoded; the bytes that "
              "arrived are shown as hex payload  (AF)");
    // A custom message shorter than its application ID.
    EXPECT_EQ(
        mailBoxText({{0x03, 0x80, 0x07, 0x00, 0x52, 0x4D, 0x01}}, messageColumns(true)),
        "Seq=51  Len=03  Command=Custom 0x80  App ID=4D520007  Len=Trunc | 20=01  21=30  22=E4 |");
    // A custom payload longer than what was captured.
    EXPECT_EQ(
        mailBoxText({{0x20, 0x80, 0x07, 0x00, 0x52, 0x4D, 0x01}}, messageColumns(true)),
        "Seq=51  Len=20  Command=Custom 0x80  App ID=4D520007  Len=1B | Custom Hex=Trunc | 20=01  "
        "21=30  22=E4 |");
    // Fields past the stored bytes: the sleep period of a message cut after its closedown.
    EXPECT_EQ(mailBoxText({{0x0C, 0x05, 0x01, 0x00, 0x57, 0x47, 0x1E, 0x00}}, messageColumns(true)),
              "Seq=51  Len=0C  Command=NetSleep  App ID=47570001  Close=001E  Sleep=Trunc | 22=30  "
              "23=E4 |");
}

} // namespace
} // namespace qlm::test
