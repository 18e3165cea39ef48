// qlntool extcap run as Wireshark runs it: the capture written to a fifo as
// pcapng, the toolbar's channel selector moving the sniffer, and the ends
// Wireshark gives a capture (SIGTERM, or closing the fifo).

#include "pcap/tap_header.h"
#include "sim/neighbourhood.h"
#include "sim/simulated_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "extcap/control_message.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using qlm::ControlCommand;
using qlm::ControlMessage;

uint32_t le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

struct Packet {
    int channel = -1;
    std::optional<uint16_t> pan;  // the destination PAN, else the source PAN
};

// The PAN of a MAC frame that names one.
std::optional<uint16_t> panOf(std::span<const uint8_t> mac) {
    if (mac.size() < 5)
        return std::nullopt;
    const unsigned control = mac[0] | mac[1] << 8;
    if (((control >> 10) & 3) == 0 && ((control >> 14) & 3) == 0)
        return std::nullopt;
    return static_cast<uint16_t>(mac[3] | mac[4] << 8);
}

uint16_t simulatedPanOn(int channel) {
    const qlm::sim::Neighbourhood neighbourhood(qlm::SimulatedDeviceOptions{}.seed);
    const qlm::sim::SimPan* pan = neighbourhood.panOn(channel - 11);
    return pan != nullptr ? pan->panId : 0;
}

// The extcap program capturing into fifos of a temporary folder, with Wireshark's
// ends of the fifo and both control pipes.
class ExtcapCapture {
public:
    // `controlIn` replaces the command fifo (with "/dev/zero", say).
    explicit ExtcapCapture(const std::string& options, const std::string& controlIn = "") {
        folder_ = fs::temp_directory_path() / ("extcap-live-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const std::string fifo = path("fifo"), in = path("in"), out = path("out");
        for (const std::string& name : {fifo, in, out})
            ::mkfifo(name.c_str(), 0600);
        // Our reading ends first, so the program's opens find a reader.
        data_ = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        fromProgram_ = ::open(out.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const std::string command = "exec " + std::string(QLNTOOL_PATH) +
                                    " extcap --capture --fifo " + fifo + " --extcap-control-in " +
                                    (controlIn.empty() ? in : controlIn) +
                                    " --extcap-control-out " +
                                    out + " " + options + " 2>" + path("stderr");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The program opens its end of the command pipe at once, unless it fails.
        for (auto end = Clock::now() + std::chrono::seconds(5);
             controlIn.empty() && toProgram_ < 0 && !reaped() && Clock::now() < end;
             std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            toProgram_ = ::open(in.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ~ExtcapCapture() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {data_, fromProgram_, toProgram_})
            if (fd >= 0)
                ::close(fd);
        fs::remove_all(folder_);
    }

    bool commandPipeOpen() const { return toProgram_ >= 0; }

    void send(const ControlMessage& message) {
        const std::string bytes = qlm::encodeControlMessage(message);
        ASSERT_EQ(::write(toProgram_, bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }

    // Reads the fifo until `enough` says so, the fifo ends or time runs out.
    template <typename Enough> void readPackets(Enough enough, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (!enough() && !ended_ && Clock::now() < end) {
            pollfd wait{data_, POLLIN, 0};
            ::poll(&wait, 1, 100);
            char buffer[65536];
            const ssize_t got = ::read(data_, buffer, sizeof buffer);
            if (got > 0)
                bytes_.append(buffer, static_cast<size_t>(got));
            else if (got == 0 && section_)
                ended_ = true;  // the writer has closed its end
            takeBlocks();
        }
    }

    // The control messages that have come from the program so far.
    const std::vector<ControlMessage>& messages() {
        char buffer[4096];
        for (ssize_t got; (got = ::read(fromProgram_, buffer, sizeof buffer)) > 0;)
            reader_.feed({buffer, static_cast<size_t>(got)});
        while (auto message = reader_.next())
            messages_.push_back(*message);
        return messages_;
    }
    bool received(const ControlMessage& wanted) {
        const auto& all = messages();
        return std::find(all.begin(), all.end(), wanted) != all.end();
    }

    // Waits for the program to end, reading the fifo meanwhile as Wireshark
    // would; its exit status, -1 when it did not end in time.
    int exitStatus(std::chrono::seconds limit) {
        for (auto end = Clock::now() + limit; !reaped() && Clock::now() < end;)
            readPackets([] { return false; }, std::chrono::milliseconds(20));
        return status_;
    }
    void signal(int number) { ::kill(pid_, number); }
    // The program's resident memory in KiB, -1 once it has ended.
    long residentKiB() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        return -1;
    }
    void closeFifo() {
        ::close(data_);
        data_ = -1;
    }
    std::string errors() const {
        std::ifstream file(path("stderr"));
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    const std::vector<Packet>& packets() const { return packets_; }
    bool sawSection() const { return section_; }
    bool ended() const { return ended_; }
    // Bytes of a block not complete when the fifo ended.
    size_t leftOver() const { return bytes_.size(); }

private:
    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    bool reaped() {
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return pid_ < 0;
    }

    void takeBlocks() {
        while (bytes_.size() >= 12 && le32(bytes_, 4) <= bytes_.size()) {
            const uint32_t type = le32(bytes_, 0), length = le32(bytes_, 4);
            if (length < 12)
                break;
            if (type == 0x0A0D0D0A)
                section_ = true;
            if (type == 6)
                takePacket(std::span(reinterpret_cast<const uint8_t*>(bytes_.data()) + 28,
                                     le32(bytes_, 20)));
            bytes_.erase(0, length);
        }
    }
    void takePacket(std::span<const uint8_t> data) {
        size_t header = 0;
        const auto tap = qlm::readTapHeader(data, header);
        Packet packet;
        if (tap && tap->channel)
            packet.channel = *tap->channel;
        if (tap)
            packet.pan = panOf(data.subspan(header));
        packets_.push_back(packet);
    }

    fs::path folder_;
    pid_t pid_ = -1;
    int status_ = -1;
    int data_ = -1, fromProgram_ = -1, toProgram_ = -1;
    std::string bytes_;
    bool section_ = false;
    bool ended_ = false;
    std::vector<Packet> packets_;
    qlm::ControlMessageReader reader_;
    std::vector<ControlMessage> messages_;
};

size_t countOnPan(const std::vector<Packet>& packets, size_t from, uint16_t pan) {
    size_t count = 0;
    for (size_t i = from; i < packets.size(); ++i)
        count += packets[i].pan == pan;
    return count;
}

TEST(ExtcapLive, TheToolbarsChannelSelectorMovesTheSnifferAndSigtermEndsTheCapture) {
    const uint16_t pan15 = simulatedPanOn(15), pan20 = simulatedPanOn(20);
    ASSERT_NE(pan15, pan20);
    ExtcapCapture capture("--extcap-interface quorlanmirex-simulator --channel 15");
    ASSERT_TRUE(capture.commandPipeOpen()) << capture.errors();
    capture.send({0, ControlCommand::kInitialized, ""});
    capture.readPackets([&] { return countOnPan(capture.packets(), 0, pan15) >= 5; },
                        std::chrono::seconds(20));
    ASSERT_TRUE(capture.sawSection());
    ASSERT_GE(countOnPan(capture.packets(), 0, pan15), 5u) << capture.errors();
    for (const Packet& packet : capture.packets()) {
        EXPECT_EQ(packet.channel, 15);
        EXPECT_NE(packet.pan, pan20);
    }
    EXPECT_TRUE(capture.received({0, ControlCommand::kSet, "15"}));  // the toolbar shows it
    EXPECT_TRUE(capture.received({0, ControlCommand::kStatusbarMessage, "Sniffing on 2425MHz..."}));

    capture.send({0, ControlCommand::kSet, "20"});
    const size_t before = capture.packets().size();
    const auto firstOn20 = [&] {
        for (size_t i = before; i < capture.packets().size(); ++i)
            if (capture.packets()[i].channel == 20)
                return i;
        return capture.packets().size();
    };
    capture.readPackets([&] { return countOnPan(capture.packets(), before, pan20) >= 5; },
                        std::chrono::seconds(20));
    ASSERT_GE(countOnPan(capture.packets(), before, pan20), 5u) << capture.errors();
    // The simulator was retuned: from the first packet on channel 20, only its PAN.
    for (size_t i = firstOn20(); i < capture.packets().size(); ++i) {
        EXPECT_EQ(capture.packets()[i].channel, 20);
        EXPECT_NE(capture.packets()[i].pan, pan15);
    }
    EXPECT_TRUE(capture.received({0, ControlCommand::kStatusbarMessage, "Sniffing on 2450MHz..."}));
    capture.send({0, ControlCommand::kSet, "27"});
    const ControlMessage noSuchChannel{0, ControlCommand::kWarningMessage,
                                       "There is no channel 27"};
    capture.readPackets([&] { return capture.received(noSuchChannel); }, std::chrono::seconds(5));
    EXPECT_TRUE(capture.received(noSuchChannel));

    // Wireshark stops the capture: the device is brought to idle and the fifo
    // ends on a whole block.
    capture.signal(SIGTERM);
    EXPECT_EQ(capture.exitStatus(std::chrono::seconds(10)), 0) << capture.errors();
    capture.readPackets([] { return false; }, std::chrono::seconds(5));
    EXPECT_TRUE(capture.ended());
    EXPECT_EQ(capture.leftOver(), 0u);
    EXPECT_TRUE(capture.received({0, ControlCommand::kStatusbarMessage, "Sniffing de-activated"}));
}

// A control pipe that never runs dry, or a flood of toolbar requests, neither
// grows the program nor keeps it from a stop.
TEST(ExtcapLive, AnEndlessControlPipeNeitherGrowsTheProgramNorHoldsUpItsStop) {
    ExtcapCapture zeros("--extcap-interface quorlanmirex-simulator --channel 15", "/dev/zero");
    zeros.readPackets([&] { return zeros.packets().size() >= 3; }, std::chrono::seconds(20));
    ASSERT_GE(zeros.packets().size(), 3u) << zeros.errors();
    const long early = zeros.residentKiB();
    zeros.readPackets([] { return false; }, std::chrono::seconds(2));
    const long later = zeros.residentKiB();
    EXPECT_GT(early, 0);
    EXPECT_LT(later, early + 20 * 1024) << "KiB resident: " << early << " then " << later;
    zeros.signal(SIGTERM);
    EXPECT_EQ(zeros.exitStatus(std::chrono::seconds(3)), 0) << zeros.errors();

    const uint16_t pan20 = simulatedPanOn(20);
    ExtcapCapture flood("--extcap-interface quorlanmirex-simulator --channel 15");
    ASSERT_TRUE(flood.commandPipeOpen()) << flood.errors();
    flood.readPackets([&] { return flood.packets().size() >= 3; }, std::chrono::seconds(20));
    for (int i = 0; i < 500; ++i)
        flood.send({0, ControlCommand::kSet, i % 2 == 0 ? "12" : "20"});
    const size_t before = flood.packets().size();
    flood.readPackets([&] { return countOnPan(flood.packets(), before, pan20) >= 3; },
                      std::chrono::seconds(20));
    EXPECT_GE(countOnPan(flood.packets(), before, pan20), 3u) << flood.errors();
    flood.signal(SIGTERM);
    EXPECT_EQ(flood.exitStatus(std::chrono::seconds(3)), 0) << flood.errors();
}

TEST(ExtcapLive, ClosingTheFifoEndsTheCaptureCleanly) {
    ExtcapCapture capture("--extcap-interface quorlanmirex-simulator-brindle --channel 25");
    capture.readPackets([&] { return capture.packets().size() >= 3; }, std::chrono::seconds(20));
    ASSERT_GE(capture.packets().size(), 3u) << capture.errors();
    EXPECT_EQ(capture.packets().front().channel, 25);
    capture.closeFifo();
    EXPECT_EQ(capture.exitStatus(std::chrono::seconds(10)), 0) << capture.errors();
    EXPECT_EQ(capture.errors(), "");
}

TEST(ExtcapLive, AnUnknownInterfaceOrACaptureFilterIsRefusedWithAReason) {
    ExtcapCapture unknown("--extcap-interface quorlanmirex-../../etc/passwd");
    EXPECT_EQ(unknown.exitStatus(std::chrono::seconds(10)), 1);
    EXPECT_NE(unknown.errors().find("no such interface"), std::string::npos) << unknown.errors();

    ExtcapCapture filtered(
        "--extcap-interface quorlanmirex-simulator --extcap-capture-filter 'wpan.src16'");
    EXPECT_EQ(filtered.exitStatus(std::chrono::seconds(10)), 1);
    EXPECT_NE(filtered.errors().find("capture filters are not supported"), std::string::npos);

    // Names that were never listed open nothing, whatever is under /dev.
    for (const char* device : {"ttyNOSUCHPORT9", "null", "zero"}) {
        ExtcapCapture unlisted(std::string("--extcap-interface quorlanmirex-") + device);
        EXPECT_EQ(unlisted.exitStatus(std::chrono::seconds(10)), 1) << device;
        EXPECT_NE(unlisted.errors().find("no such interface"), std::string::npos)
            << unlisted.errors();
    }
}

} // namespace
