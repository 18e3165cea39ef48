// What the simulated device reports, exported to pcapng and read by tshark: no
// frame it heard whole is malformed, and the frames of its secured ZigBee PRO
// network, opened with the key the capture itself teaches, show what tshark
// shows given that key.

#include "capture/capture.h"
#include "capture/hex_pair.h"
#include "capture/reception_status.h"
#include "dissect/frame_dissector.h"
#include "security/decryption.h"
#include "security/key_learning.h"
#include "sim/neighbourhood.h"
#include "sim/simulated_device.h"

#include "command_output.h"
#include "tshark_fields.h"

#include <gtest/gtest.h>

#include <memory>

namespace qlm::test {
namespace {

using C = FieldColumn;

constexpr FieldPair kPairs[] = {
    {C::kNwkSecurityHeader, "FrmCnt", "zbee.sec.counter", Form::kHex, C::kAplSecurityHeader},
    {C::kNwkMic, "MIC", "zbee.sec.mic", Form::kBytes, C::kAplMic},
    {C::kNwkCommand, "ReqID", "zbee_nwk.cmd.route.id", Form::kHex},
    {C::kNwkCommand, "Nbr", "zbee_nwk.cmd.link.address", Form::kHex},
    // An acknowledgement's addressing has a column of its own.
    {C::kAplDestinationEndpoint, "DstEP", "zbee_aps.dst", Form::kHex, C::kAplAcknowledgeInfo},
    {C::kAplCluster, "Clst", "zbee_aps.cluster+zbee_aps.zdp_cluster", Form::kHex,
     C::kAplAcknowledgeInfo},
    {C::kAplProfile, "Prfl", "zbee_aps.profile", Form::kHex, C::kAplAcknowledgeInfo},
    {C::kAplCounter, "Cnt", "zbee_aps.counter", Form::kHex},
    {C::kAplCommand, "Key", "zbee_aps.cmd.key", Form::kBytes},
};

// Ten seconds of the channel as the sniffer reports it; frames with a failed CRC
// (damaged receptions) are left out.
std::unique_ptr<Capture> sniffWhole(int channelIndex) {
    SimulatedDevice device(DeviceKind::kSniffer, 7, 150);
    device.command(std::string("AT+SNIF=") + "0123456789ABCDEF"[channelIndex] + "\r");
    auto capture = std::make_unique<Capture>();
    for (const std::string& line : device.advance(std::chrono::milliseconds(10000))) {
        if (line.rfind("+MACF:", 0) != 0)
            continue;
        std::vector<uint8_t> bytes;
        for (size_t at = 6; at + 1 < line.size() - 2; at += 2)
            bytes.push_back(hexPairAt(line, at));
        if (bytes.size() < 3 || (bytes.back() & kCrcGood) == 0)
            continue;
        EXPECT_TRUE(capture->frames.appendFrame({12, 0, 0, 0}, bytes));
    }
    capture->attributeFrom(0);
    return capture;
}

TEST(SimulatorTshark, NoFrameHeardWholeIsMalformedOnAnyPan) {
    for (int channel : {sim::Neighbourhood::kProPanChannelIndex, 4, 9, 14}) {
        const auto capture = sniffWhole(channel);
        ASSERT_GT(capture->frames.frameCount(), 500) << channel;
        EXPECT_EQ(readWithTshark(*capture, "").malformed, "") << "channel index " << channel;
    }
}

TEST(SimulatorTshark, TheSecuredNetworkOpensWithTheKeyItsCaptureTeaches) {
    const auto capture = sniffWhole(sim::Neighbourhood::kProPanChannelIndex);
    Decryption decryption;
    KeyLearning().catchUp(decryption, capture->frames);
    ASSERT_EQ(decryption.ring().size(), 2) << "the network key, learnt";
    const RingKey& network = decryption.ring().key(1);
    EXPECT_EQ(network.kind, KeyKind::kNetwork);

    std::vector<std::string> fields;
    const std::vector<std::string> rows =
        readWithTshark(*capture, tsharkKey(network.key, "n") +
                                     tsharkKey(wellKnownLinkKey().key, "tc") +
                                     tsharkFieldOptions(kPairs, fields))
            .rows;
    ASSERT_GE(rows.size(), static_cast<size_t>(capture->frames.frameCount()));

    FrameDissector dissector;
    dissector.setZigbeePro(true);
    dissector.setDecryption(&decryption);
    int opened = 0;
    int closed = 0;
    int compared = 0;
    for (int32_t i = 0; i < capture->frames.frameCount(); ++i) {
        CellRecorder row;
        dissector.dissect(capture->frames, i, row);
        for (size_t c = 0; c < row.size(); ++c)
            if (row[c].caption == "Decr")
                (row[c].value == "OK" ? opened : closed) += 1;
        compared += compareRow(row, rows[static_cast<size_t>(i)], kPairs, fields.size(),
                               "frame " + std::to_string(i + 1));
    }
    EXPECT_GT(opened, 200);
    EXPECT_EQ(closed, 0);
    EXPECT_GT(compared, 1000);
}

} // namespace
} // namespace qlm::test
