// Wireshark's extcap interface: the command line Wireshark runs us with, the
// answers about interfaces and options, and the control pipe's messages.

#include "extcap/control_message.h"
#include "extcap/control_pipes.h"
#include "extcap/extcap_interfaces.h"
#include "extcap/extcap_request.h"
#include "extcap/packet_fifo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using qlm::ControlCommand;
using qlm::ControlMessage;
using qlm::ExtcapRequest;
using Step = ExtcapRequest::Step;

ExtcapRequest parsed(const std::vector<std::string>& arguments) {
    ExtcapRequest request;
    const std::string error = qlm::parseExtcapRequest(arguments, request);
    EXPECT_EQ(error, "");
    return request;
}

std::string parseError(const std::vector<std::string>& arguments) {
    ExtcapRequest request;
    return qlm::parseExtcapRequest(arguments, request);
}

TEST(ExtcapRequest, ReadsWhatWiresharkAndTsharkPass) {
    EXPECT_EQ(parsed({"--extcap-interfaces", "--extcap-version=4.0"}).step, Step::kInterfaces);
    EXPECT_EQ(parsed({"--extcap-config", "--extcap-interface", "quorlanmirex-ttyUSB0"}).step,
              Step::kConfig);
    EXPECT_EQ(parsed({"--extcap-interface=quorlanmirex-simulator", "--extcap-dlts"}).step,
              Step::kDlts);

    // tshark's capture, options as --extcap-config offered them.
    const ExtcapRequest capture =
        parsed({"--capture", "--extcap-interface", "quorlanmirex-simulator", "--fifo",
                "/tmp/wireshark_extcap_x", "--channel", "20", "--scan", "--device=brindle",
                "--extcap-control-in", "/tmp/in", "--extcap-control-out", "/tmp/out"});
    EXPECT_EQ(capture.step, Step::kCapture);
    EXPECT_EQ(capture.interface, "quorlanmirex-simulator");
    EXPECT_EQ(capture.fifo, "/tmp/wireshark_extcap_x");
    EXPECT_EQ(capture.channel, 20);
    EXPECT_TRUE(capture.scanFirst);
    EXPECT_EQ(capture.brindle, std::optional<bool>(true));
    EXPECT_EQ(capture.controlIn, "/tmp/in");
    EXPECT_EQ(capture.controlOut, "/tmp/out");

    // Defaults, and a filter check on its own.
    const ExtcapRequest plain = parsed(
        {"--capture", "--extcap-interface", "quorlanmirex-simulator", "--fifo", "f", "--debug"});
    EXPECT_EQ(plain.channel, 11);
    EXPECT_FALSE(plain.scanFirst);
    EXPECT_FALSE(plain.brindle);
    EXPECT_EQ(parsed({"--extcap-interface", "i", "--extcap-capture-filter", "port 1"}).step,
              Step::kFilterCheck);
    EXPECT_FALSE(parsed({"--extcap-interface=i", "--extcap-config", "--scan=false"}).scanFirst);
}

TEST(ExtcapRequest, SaysWhatIsWrong) {
    EXPECT_EQ(parseError({}), "no extcap step given (--extcap-interfaces, --extcap-dlts, "
                              "--extcap-config or --capture)");
    EXPECT_EQ(parseError({"--extcap-dlts"}), "--extcap-interface is needed");
    EXPECT_EQ(parseError({"--capture", "--extcap-interface", "i"}), "--capture needs --fifo");
    EXPECT_EQ(parseError({"--extcap-interfaces", "--colour"}), "unknown option \"--colour\"");
    EXPECT_EQ(parseError({"--extcap-interfaces", "--colour=red"}), "unknown option \"--colour\"");
    EXPECT_EQ(parseError({"--extcap-config", "--extcap-interface"}),
              "--extcap-interface needs a value");
    for (const char* channel : {"10", "27", "15x", ""})
        EXPECT_EQ(parseError({"--extcap-interfaces", "--channel", channel}),
                  std::string("--channel takes a channel from 11 to 26, not \"") + channel + "\"");
    EXPECT_EQ(parseError({"--extcap-interfaces", "--device", "modem"}),
              "--device takes sniffer or brindle, not \"modem\"");
}

TEST(ExtcapInterfaces, OnePerPortAndTheTwoSimulatedDevicesWithAChannelSelector) {
    const auto interfaces = qlm::extcapInterfaces({"ttyUSB0", "ttyACM1", "bad/name"});
    const std::string answer = qlm::interfacesAnswer(interfaces);
    EXPECT_EQ(answer.find("extcap {version=1.0}"), 0u);
    EXPECT_NE(answer.find("interface {value=quorlanmirex-ttyUSB0}{display=Quorlanmirex sniffer "
                          "on ttyUSB0}\n"),
              std::string::npos);
    EXPECT_NE(answer.find("interface {value=quorlanmirex-ttyACM1}"), std::string::npos);
    EXPECT_NE(answer.find("interface {value=quorlanmirex-simulator}{display=Quorlanmirex "
                          "simulated sniffer}\n"),
              std::string::npos);
    EXPECT_NE(answer.find("interface {value=quorlanmirex-simulator-brindle}"), std::string::npos);
    EXPECT_EQ(answer.find("bad/name"), std::string::npos);
    EXPECT_NE(answer.find("control {number=0}{type=selector}{display=Channel}"),
              std::string::npos);
    EXPECT_NE(answer.find("value {control=0}{value=11}{display=11 (2405 MHz)}{default=true}\n"),
              std::string::npos);
    EXPECT_NE(answer.find("value {control=0}{value=26}{display=26 (2480 MHz)}{default=false}\n"),
              std::string::npos);

    EXPECT_EQ(qlm::dltsAnswer().find("dlt {number=283}"), 0u);
}

// Only what --extcap-interfaces lists is opened: "quorlanmirex-sda" must not
// lead to /dev/sda.
TEST(ExtcapInterfaces, NamesLeadBackOnlyToTheInterfacesListed) {
    const std::vector<std::string> ports{"ttyS0", "ttyUSB3"};
    const auto port = qlm::findExtcapInterface("quorlanmirex-ttyUSB3", ports);
    ASSERT_TRUE(port);
    EXPECT_EQ(port->portEntry, "ttyUSB3");
    EXPECT_FALSE(port->brindle);
    const auto brindle = qlm::findExtcapInterface("quorlanmirex-simulator-brindle", ports);
    ASSERT_TRUE(brindle);
    EXPECT_EQ(brindle->portEntry, "Simulator");
    EXPECT_EQ(brindle->brindle, std::optional<bool>(true));
    for (const char* value : {"quorlanmirex-", "quorlanmirex-..", "quorlanmirex-../etc/passwd",
                              "quorlanmirex-sda", "quorlanmirex-null", "quorlanmirex-ttyUSB0",
                              "ttyUSB3", "randpkt"})
        EXPECT_FALSE(qlm::findExtcapInterface(value, ports)) << value;
    EXPECT_TRUE(qlm::findExtcapInterface("quorlanmirex-simulator", {}));
}

TEST(ExtcapInterfaces, ConfigOffersTheDeviceKindOnlyWhereAPortCouldHoldEither) {
    const std::string port = qlm::configAnswer(*qlm::findExtcapInterface("quorlanmirex-ttyS0", {"ttyS0"}));
    EXPECT_EQ(port.find("arg {number=0}{call=--device}"), 0u);
    EXPECT_NE(port.find("value {arg=0}{value=brindle}"), std::string::npos);
    EXPECT_NE(port.find("arg {number=1}{call=--channel}"), std::string::npos);
    EXPECT_NE(port.find("value {arg=1}{value=20}{display=20 (2450 MHz)}"), std::string::npos);
    EXPECT_NE(port.find("arg {number=2}{call=--scan}{display=Scan first}{type=boolflag}"),
              std::string::npos);

    const std::string simulated =
        qlm::configAnswer(*qlm::findExtcapInterface("quorlanmirex-simulator", {}));
    EXPECT_EQ(simulated.find("--device"), std::string::npos);
    EXPECT_EQ(simulated.find("arg {number=0}{call=--channel}"), 0u);
    EXPECT_NE(simulated.find("arg {number=1}{call=--scan}"), std::string::npos);
}

TEST(ControlMessages, AreFramedAsWiresharkFramesThem) {
    EXPECT_EQ(qlm::encodeControlMessage({0, ControlCommand::kSet, "15"}),
              std::string("T\x00\x00\x04\x00\x01" "15", 8));
    EXPECT_EQ(qlm::encodeControlMessage({3, ControlCommand::kInitialized, ""}),
              std::string("T\x00\x00\x02\x03\x00", 6));
}

TEST(ControlMessages, AreCutOutHoweverTheReadsSplitThem) {
    const std::vector<ControlMessage> sent = {
        {0, ControlCommand::kInitialized, ""},
        {0, ControlCommand::kSet, "20"},
        {2, ControlCommand::kStatusbarMessage, std::string(300, 'x')},
    };
    std::string stream;
    for (const ControlMessage& message : sent)
        stream += qlm::encodeControlMessage(message);
    for (size_t piece : {size_t{1}, size_t{5}, stream.size()}) {
        qlm::ControlMessageReader reader;
        std::vector<ControlMessage> received;
        for (size_t at = 0; at < stream.size(); at += piece) {
            reader.feed(std::string_view(stream).substr(at, piece));
            while (auto message = reader.next())
                received.push_back(*message);
        }
        EXPECT_EQ(received, sent) << "pieces of " << piece;
        EXPECT_FALSE(reader.garbled());
    }
}

TEST(ControlMessages, AnOversizedPayloadIsPassedOverAndGarbageEndsTheStream) {
    const size_t tooLong = qlm::ControlMessageReader::kLargestPayload + 1;
    const std::string huge =
        qlm::encodeControlMessage({0, ControlCommand::kSet, std::string(tooLong, 'y')});
    const std::string after = qlm::encodeControlMessage({0, ControlCommand::kSet, "12"});
    qlm::ControlMessageReader reader;
    reader.feed(huge.substr(0, 10));
    EXPECT_FALSE(reader.next());
    reader.feed(huge.substr(10) + after);
    const auto message = reader.next();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->payload, "12");

    reader.feed(std::string("X\x00\x00\x02\x00\x01", 6));
    EXPECT_FALSE(reader.next());
    EXPECT_TRUE(reader.garbled());
    reader.feed(after);
    EXPECT_FALSE(reader.next());

    qlm::ControlMessageReader tooShort;  // a length that cannot hold control and command
    tooShort.feed(std::string("T\x00\x00\x01\x00", 5));
    EXPECT_FALSE(tooShort.next());
    EXPECT_TRUE(tooShort.garbled());
}

class ControlFifos : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("control-fifos-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        in_ = (folder_ / "in").string();
        out_ = (folder_ / "out").string();
        ASSERT_EQ(::mkfifo(in_.c_str(), 0600), 0);
        ASSERT_EQ(::mkfifo(out_.c_str(), 0600), 0);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
    std::string in_, out_;
};

TEST_F(ControlFifos, NeitherPipeHoldsTheCaptureUpAndMessagesWaitForAReader) {
    // As under tshark: nobody at the other ends.
    qlm::ControlPipes pipes(in_, out_);
    EXPECT_EQ(pipes.inError(), "");
    EXPECT_TRUE(pipes.receive().empty());
    pipes.sendText(ControlCommand::kStatusbarMessage, "Sniffing on 2425MHz...");
    pipes.send({0, ControlCommand::kSet, "15"});

    // Wireshark's toolbar comes: what waited arrives, in order, and commands come in.
    const int reader = ::open(out_.c_str(), O_RDONLY | O_NONBLOCK);
    const int writer = ::open(in_.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_GE(writer, 0);
    pipes.flush();
    char buffer[256];
    const ssize_t got = ::read(reader, buffer, sizeof buffer);
    const std::string expected =
        qlm::encodeControlMessage(
            {0, ControlCommand::kStatusbarMessage, "Sniffing on 2425MHz..."}) +
        qlm::encodeControlMessage({0, ControlCommand::kSet, "15"});
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(std::max<ssize_t>(got, 0))), expected);

    const std::string command = qlm::encodeControlMessage({0, ControlCommand::kSet, "20"});
    ASSERT_EQ(::write(writer, command.data(), command.size()),
              static_cast<ssize_t>(command.size()));
    const auto received = pipes.receive();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].payload, "20");

    // The reader leaves: sending goes on without error or SIGPIPE's default.
    ::close(reader);
    ::close(writer);
    std::signal(SIGPIPE, SIG_IGN);
    pipes.sendText(ControlCommand::kStatusbarMessage, "nobody reads this");
    EXPECT_TRUE(pipes.receive().empty());
}

TEST_F(ControlFifos, AMissingInPipeIsSaidAndWaitingIsBounded) {
    qlm::ControlPipes pipes((folder_ / "none").string(), out_);
    EXPECT_NE(pipes.inError().find("No such file or directory"), std::string::npos);
    for (int i = 0; i < 100; ++i)
        pipes.sendText(ControlCommand::kStatusbarMessage, "text " + std::to_string(i));
    const int reader = ::open(out_.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    pipes.flush();
    std::string all(65536, '\0');
    const ssize_t got = ::read(reader, all.data(), all.size());
    ASSERT_GT(got, 0);
    all.resize(static_cast<size_t>(got));
    qlm::ControlMessageReader cut;
    cut.feed(all);
    std::vector<std::string> texts;
    while (auto message = cut.next())
        texts.push_back(message->payload);
    ASSERT_EQ(texts.size(), qlm::ControlPipes::kWaitingLimit);
    EXPECT_EQ(texts.front(), "text 36");  // the oldest were dropped
    EXPECT_EQ(texts.back(), "text 99");
    ::close(reader);
}

TEST_F(ControlFifos, ThePacketFifoWaitsForItsReaderYieldsToAStopAndSeesTheReaderLeave) {
    // No reader ever comes: a stop ends the wait without an error.
    std::atomic<bool> stop = false;
    qlm::PacketFifo unread([&] { return stop.load(); });
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop = true;
    });
    std::string error = "unset";
    EXPECT_FALSE(unread.open(in_, error));
    stopper.join();
    EXPECT_EQ(error, "");

    // A reader: bytes arrive as written, more than a pipe holds included.
    const int reader = ::open(in_.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    qlm::PacketFifo fifo([] { return false; });
    ASSERT_TRUE(fifo.open(in_, error)) << error;
    const std::string bytes(200000, 'p');
    std::string received;
    std::thread drain([&] {
        char buffer[8192];
        while (received.size() < bytes.size()) {
            const ssize_t got = ::read(reader, buffer, sizeof buffer);
            if (got > 0)
                received.append(buffer, static_cast<size_t>(got));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_TRUE(fifo.write(bytes));
    drain.join();
    EXPECT_EQ(received, bytes);
    EXPECT_FALSE(fifo.readerGone());

    // The reader leaves: seen without writing, and a write fails instead of
    // killing the process (the program ignores SIGPIPE, as this test does).
    std::signal(SIGPIPE, SIG_IGN);
    ::close(reader);
    EXPECT_TRUE(fifo.readerGone());
    EXPECT_FALSE(fifo.write("more"));

    EXPECT_FALSE(qlm::PacketFifo([] { return false; }).open((folder_ / "no/such").string(), error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos);
}

TEST_F(ControlFifos, AReaderThatStopsReadingIsGivenUpOnShortlyAfterAStop) {
    const int reader = ::open(in_.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    bool stop = false;
    qlm::PacketFifo fifo([&] { return stop; });
    std::string error;
    ASSERT_TRUE(fifo.open(in_, error));
    stop = true;
    EXPECT_FALSE(fifo.write(std::string(1 << 20, 'x')));  // far more than the pipe holds
    ::close(reader);
}

} // namespace
