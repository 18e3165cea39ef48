// Secured ZigBee PRO frames, decrypted by us and by tshark given the same keys:
// both show the same fields behind the security headers. The network key comes in
// a transport-key command and opens the frame before it as well.

#include "dissect/frame_dissector.h"
#include "security/decryption.h"
#include "security/key_learning.h"

#include "command_output.h"
#include "secured_frames.h"
#include "tshark_fields.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qlm::test {
namespace {

using C = FieldColumn;

constexpr FieldPair kPairs[] = {
    {C::kNwkSecurityHeader, "FrmCnt", "zbee.sec.counter", Form::kHex, C::kAplSecurityHeader},
    {C::kNwkSecurityHeader, "SecSrc", "zbee.sec.src64", Form::kEui64, C::kAplSecurityHeader},
    {C::kNwkSecurityHeader, "KeySeq", "zbee.sec.key_seqno", Form::kHex, C::kAplSecurityHeader},
    {C::kNwkMic, "MIC", "zbee.sec.mic", Form::kBytes, C::kAplMic},
    {C::kNwkCommand, "ReqID", "zbee_nwk.cmd.route.id", Form::kHex},
    {C::kNwkCommand, "Cost", "zbee_nwk.cmd.route.cost", Form::kHex},
    {C::kAplDestinationEndpoint, "DstEP", "zbee_aps.dst", Form::kHex},
    {C::kAplCluster, "Clst", "zbee_aps.cluster", Form::kHex},
    {C::kAplProfile, "Prfl", "zbee_aps.profile", Form::kHex},
    {C::kAplSourceEndpoint, "SrcEP", "zbee_aps.src", Form::kHex},
    {C::kAplCounter, "Cnt", "zbee_aps.counter", Form::kHex},
    {C::kAplCommand, "Key", "zbee_aps.cmd.key", Form::kBytes},
    {C::kAplCommand, "KeySeq", "zbee_aps.cmd.seqno", Form::kHex},
    {C::kAplCommand, "DstIEEE", "zbee_aps.cmd.dst", Form::kEui64},
    {C::kAplCommand, "SrcIEEE", "zbee_aps.cmd.src", Form::kEui64},
};

std::string decryptionCells(const CellRecorder& row) {
    std::string text;
    for (size_t c = 0; c < row.size(); ++c)
        if (row[c].caption == "Decr")
            text += std::string(row[c].column == C::kNwkDecryption ? "NWK " : "APS ") +
                    std::string(row[c].value) + ";";
    return text;
}

TEST(ZigbeeDecryptionTshark, TsharkDecryptsWithTheSameKeysTheFieldsWeDecrypt) {
    const std::vector<Bytes> frames = securedNetworkSample();
    const auto capture = captureOf(frames);
    std::vector<std::string> tsharkFields;
    const std::string keys = tsharkKey(keyOf(kNetworkKey), "network") +
                             tsharkKey(keyOf(kLinkKey), "link") +
                             tsharkKey(wellKnownLinkKey().key, "default");
    const std::vector<std::string> rows =
        readWithTshark(*capture, keys + tsharkFieldOptions(kPairs, tsharkFields)).rows;
    ASSERT_GE(rows.size(), frames.size());

    // Our ring starts with the link key alone; the network key is learnt.
    Decryption decryption;
    decryption.ring().add(*parseKeyText(std::string(kLinkKey) + ":link").key);
    KeyLearning learning;
    learning.catchUp(decryption, capture->frames);
    ASSERT_EQ(decryption.ring().size(), 3);
    EXPECT_EQ(decryption.ring().key(2).origin, "frame 2");
    EXPECT_EQ(decryption.ring().key(2).kind, KeyKind::kNetwork);

    FrameDissector dissector;
    dissector.setZigbeePro(true);
    dissector.setDecryption(&decryption);
    const char* expectedDecryption[] = {"NWK OK;", "APS OK;", "NWK OK;", "NWK OK;APS OK;",
                                        "NWK No key;"};
    int compared = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        CellRecorder row;
        dissector.dissect(capture->frames, static_cast<int32_t>(i), row);
        EXPECT_EQ(decryptionCells(row), expectedDecryption[i]) << "frame " << i + 1;
        compared += compareRow(row, rows[i], kPairs, tsharkFields.size(),
                               "frame " + std::to_string(i + 1));
    }
    EXPECT_GE(compared, 30);  // the frames do carry the fields compared
}

// A frame no key opens is never shown as plaintext, whatever its bytes.
TEST(ZigbeeDecryption, AFrameWhoseMicFailsShowsItsBytesAsSent) {
    auto capture = std::make_unique<Capture>();
    Bytes frame = securedNetworkSample()[0];
    frame[frame.size() - 1] ^= 0x01;  // the last MIC byte
    ASSERT_TRUE(append(capture->frames, macData(frame)));
    Decryption decryption;
    decryption.ring().add(*parseKeyText(kNetworkKey).key);
    FrameDissector dissector(zigbeeColumns(true));
    dissector.setZigbeePro(true);
    dissector.setDecryption(&decryption);
    CellRecorder row;
    dissector.dissect(capture->frames, 0, row);
    EXPECT_EQ(decryptionCells(row), "NWK No key;");
    for (size_t c = 0; c < row.size(); ++c)
        EXPECT_NE(columnLayer(row[c].column), Layer::kApl) << rowText(row);
}

} // namespace
} // namespace qlm::test

namespace qlm::test {
namespace {

// What opened a frame is remembered by its place in the capture; another
// capture's frame at the same place is looked at afresh.
TEST(ZigbeeDecryption, AFrameAtTheSamePlaceInAnotherCaptureIsOpenedAfresh) {
    Decryption decryption;
    decryption.ring().add(*parseKeyText(kNetworkKey).key);
    FrameDissector dissector(zigbeeColumns());
    dissector.setZigbeePro(true);
    dissector.setDecryption(&decryption);
    const std::vector<Bytes> frames = securedNetworkSample();
    for (int round = 0; round < 2; ++round)
        for (size_t sample : {4u, 0u}) {  // no key in the ring opens sample 4
            FrameStore store;
            ASSERT_TRUE(append(store, macData(frames[sample])));
            CellRecorder row;
            dissector.dissect(store, 0, row);
            EXPECT_EQ(decryptionCells(row), sample == 4 ? "NWK No key;" : "NWK OK;");
        }
}

} // namespace
} // namespace qlm::test

namespace qlm::test {
namespace {

// An APS frame secured without its sender's address, in a NWK header that does
// not carry it either: the node table names the device behind the short address.
TEST(ZigbeeDecryption, TheNodeTableNamesTheSenderOfAnApsFrameWithoutItsAddress) {
    const Securing linkKey{0, 0x45, kDevice, false, {}, keyOf(kLinkKey)};
    const Bytes aps = securedLayer(Bytes{0x20, 0x01, 0x02, 0x04, 0x04, 0x01, 0x01, 0x12},
                              Bytes{0x18, 0x02, 0x0A, 0x00, 0x00, 0x29, 0x10, 0x09}, linkKey);
    FrameStore store;
    ASSERT_TRUE(append(store, macData(nwkHeader(0x08, 0x00, 0x0000, 0x1234, 0x1E, 9) + aps)));

    Decryption decryption;
    decryption.ring().add(*parseKeyText(kLinkKey).key);
    FrameDissector dissector(zigbeeColumns());
    dissector.setZigbeePro(true);
    dissector.setDecryption(&decryption);
    CellRecorder unknown;
    dissector.dissect(store, 0, unknown);
    EXPECT_EQ(decryptionCells(unknown), "APS No key;");

    NodeTable nodes;
    NodeAddress device;
    device.setShort(0x1234);
    device.setExtended(kDevice);
    nodes.findOrAdd(device);
    decryption.directory().useNodeTable(&nodes);
    CellRecorder known;
    dissector.dissect(store, 0, known);
    EXPECT_EQ(decryptionCells(known), "APS OK;");
}

} // namespace
} // namespace qlm::test
