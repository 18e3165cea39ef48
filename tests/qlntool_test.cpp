#include "logfile/column_reader.h"
#include "logfile/log_file.h"
#include "pcap/capture_files.h"

#include "secured_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string_view>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and standard error together
};

ToolRun qlntool(const std::string& arguments) {
    ToolRun run;
    const std::string command = std::string(QLNTOOL_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> frameLines(const std::string& file) {
    qlm::LargeBuffer contents;
    EXPECT_TRUE(qlm::readWholeFile(file, contents));
    std::vector<std::string> lines;
    std::istringstream stream{std::string(contents.view())};
    for (std::string line; std::getline(stream, line);)
        if (line.rfind("+FRAM:", 0) == 0)
            lines.push_back(line);
    return lines;
}

// A frame line carrying its length byte L in 0 to 127 and exactly L bytes after it.
bool isWellFormed(const std::string& line) {
    const std::string body = line.substr(0, line.find('\r'));
    if (body.size() < 21)
        return false;
    const auto length = qlm::ColumnReader(body).hexAt(19);
    return length && *length >= 0 && *length <= 127 &&
           body.size() == 21 + 3 * static_cast<size_t>(*length);
}

std::string temporaryPath(const std::string& name) {
    return (fs::temp_directory_path() / ("qlntool-test-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

TEST(Qlntool, InfoCountsTheExample) {
    const ToolRun run = qlntool(std::string("info ") + EXAMPLE_PATH);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<std::string> frames = frameLines(EXAMPLE_PATH);
    size_t wellFormed = 0;
    for (const std::string& line : frames)
        wellFormed += isWellFormed(line) ? 1 : 0;
    EXPECT_NE(run.output.find("frames: " + std::to_string(wellFormed) + "\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("packets: " + std::to_string(frames.size()) + "\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("errors: "), std::string::npos);
    EXPECT_NE(run.output.find("nodes: "), std::string::npos);
}

TEST(Qlntool, ConvertGivesBackEveryWellFormedFrameLine) {
    const std::string output = temporaryPath("converted.qln");
    const ToolRun run = qlntool(std::string("convert ") + EXAMPLE_PATH + " " + output);
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> expected;
    for (const std::string& line : frameLines(EXAMPLE_PATH))
        if (isWellFormed(line))
            expected.push_back(line);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(frameLines(output), expected);
    fs::remove(output);
}

TEST(Qlntool, NodesListsTheBroadcastEntryFirst) {
    const ToolRun run = qlntool(std::string("nodes ") + EXAMPLE_PATH);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.rfind("index\tname\tPAN\tshort\textended\tLQI\n0\t", 0), 0u) << run.output;
}

TEST(Qlntool, ErrorsGoToStandardErrorWithAFailureStatus) {
    const ToolRun missing = qlntool("info /nonexistent/capture.qln");
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.output.find("No such file or directory"), std::string::npos) << missing.output;
    EXPECT_NE(qlntool("frobnicate").status, 0);
    EXPECT_NE(qlntool("info").status, 0);
    const ToolRun unwritable = qlntool(std::string("convert ") + EXAMPLE_PATH + " /nonexistent/out.qln");
    EXPECT_NE(unwritable.status, 0);
    EXPECT_NE(unwritable.output.find("/nonexistent/out.qln"), std::string::npos);
    EXPECT_NE(qlntool(std::string("nodes ") + EXAMPLE_PATH + " >/dev/full").status, 0);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

TEST(Qlntool, ExportsIntoDevicesAndStopsAtAFileSizeLimitWithTheUsualMessage) {
    const ToolRun full = qlntool(std::string("convert ") + EXAMPLE_PATH + " /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.output.find("/dev/full: No space left on device"), std::string::npos)
        << full.output;
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(qlntool(std::string("convert ") + EXAMPLE_PATH + " /dev/null").status, 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A log is there; then one block of 512 bytes may be written: the export sees
    // EFBIG, not SIGXFSZ, and leaves the log and no temporary file.
    const fs::path folder = temporaryPath("limited");
    fs::create_directories(folder);
    const ToolRun limited = qlntool(std::string("convert ") + EXAMPLE_PATH + " " +
                                    (folder / "out.qln").string() + " 2>&1; ulimit -f 1; exec " +
                                    QLNTOOL_PATH + " convert " + EXAMPLE_PATH + " " +
                                    (folder / "out.qln").string());
    EXPECT_EQ(limited.status, 1);
    EXPECT_NE(limited.output.find("out.qln: File too large"), std::string::npos) << limited.output;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::remove_all(folder);
}

std::string fileText(const std::string& path) {
    qlm::LargeBuffer contents;
    EXPECT_TRUE(qlm::readWholeFile(path, contents));
    return std::string(contents.view());
}

void writeText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// The tool does its work with what it read, says where the reading stopped and
// fails; it refuses a date the format cannot hold.
TEST(Qlntool, AFileReadOnlyInPartOrADateTheFormatCannotHoldFails) {
    const std::string whole = temporaryPath("whole.pcapng");
    ASSERT_EQ(qlntool(std::string("convert ") + EXAMPLE_PATH + " " + whole).status, 0);
    const std::string first = fileText(whole);
    // A second section whose byte-order magic is damaged.
    std::string second = first;
    second[8] = 'X';
    const std::string damaged = temporaryPath("damaged.pcapng");
    writeText(damaged, first + second);
    const std::string said = "Damaged pcapng block at byte " + std::to_string(first.size()) +
                             ": the rest of the file was not read";
    const ToolRun info = qlntool("info " + damaged);
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.output.find(said), std::string::npos) << info.output;
    // The first section was read whole.
    const std::string counted = qlntool("info " + whole).output;
    EXPECT_NE(info.output.find(counted), std::string::npos) << info.output << counted;
    const std::string out = temporaryPath("kept.qln");
    const std::string expected = temporaryPath("expected.qln");
    const ToolRun convert = qlntool("convert " + damaged + " " + out);
    EXPECT_EQ(convert.status, 1);
    EXPECT_NE(convert.output.find(said), std::string::npos) << convert.output;
    ASSERT_EQ(qlntool("convert " + whole + " " + expected).status, 0);
    EXPECT_EQ(frameLines(out), frameLines(expected));
    EXPECT_FALSE(frameLines(out).empty());

    // A first block that cannot be read is no capture at all.
    writeText(damaged, second);
    const ToolRun nothing = qlntool("info " + damaged);
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.output.find("Damaged pcapng block at byte 0"), std::string::npos)
        << nothing.output;

    const std::string classic = temporaryPath("late.pcap");
    const ToolRun late =
        qlntool(std::string("convert --date 2200-01-01 ") + EXAMPLE_PATH + " " + classic);
    EXPECT_EQ(late.status, 1);
    EXPECT_NE(late.output.find("Classic pcap holds no time after 2106-02-07 06:28:15 UTC"),
              std::string::npos)
        << late.output;
    EXPECT_FALSE(fs::exists(classic));
    for (const std::string& path : {whole, damaged, out, expected})
        fs::remove(path);
}

// Under a limit on address space the store stops growing: what fits is counted,
// and the tool says so and fails.
TEST(Qlntool, AnImportThatRunsOutOfMemoryFailsWithWhatItRead) {
    const std::string big = temporaryPath("big.qln");
    {
        std::string text;
        for (int i = 0; i < 600'000; ++i)
            text += "+FRAM:10,00,00,000,05,02,00,0E,EC,E4\r\n";
        writeText(big, text);
    }
    const ToolRun run = qlntool("info " + big + " 2>&1; ulimit -v 100000; exec " +
                                QLNTOOL_PATH + " info " + big);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("frames: 600000"), std::string::npos) << run.output;
    const size_t said = run.output.find("Out of memory after ");
    ASSERT_NE(said, std::string::npos) << run.output;
    const std::string kept = run.output.substr(said + 20, run.output.find(' ', said + 20) - said - 20);
    EXPECT_NE(run.output.find("frames: " + kept + "\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(" frames: the rest was not read"), std::string::npos);
    fs::remove(big);
}

TEST(Qlntool, NodeNamesStayInTheirColumnAndOddFilesWarn) {
    const std::string log = temporaryPath("tabs.qln");
    {
        std::FILE* file = std::fopen(log.c_str(), "wb");
        std::fputs("+NODE:\"Kitchen\tLamp\\1\r2\",34,12,01,00,??,??,??,??,??,??,??,??,??\r\n",
                   file);
        std::fclose(file);
    }
    const ToolRun nodes = qlntool("nodes " + log);
    ASSERT_EQ(nodes.status, 0) << nodes.output;
    EXPECT_NE(nodes.output.find("\n1\tKitchen\\tLamp\\\\1\\r2\t1234\t0001\t"), std::string::npos)
        << nodes.output;
    for (const std::string& line : splitLines(nodes.output))
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 5) << line;

    std::FILE* empty = std::fopen(log.c_str(), "wb");
    std::fclose(empty);
    const ToolRun info = qlntool("info " + log);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find(qlm::kNoLogLinesWarning), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("frames: 0\n"), std::string::npos);
    fs::remove(log);

    for (const char* option : {"--rate nan", "--rate inf", "--seed nan", "--burst-period nan",
                               "--burst-period -inf"})
        EXPECT_EQ(qlntool(std::string("simulate ") + option).status, 2) << option;
}

// The stored bytes of the example's records in store order: index i is frame i + 1.
std::vector<std::vector<int>> storedFrames() {
    std::vector<std::vector<int>> frames;
    for (const std::string& line : frameLines(EXAMPLE_PATH)) {
        if (!isWellFormed(line))
            continue;
        const std::string body = line.substr(0, line.find('\r'));
        const qlm::ColumnReader reader(body);
        std::vector<int>& bytes = frames.emplace_back();
        for (size_t column = 19; column < reader.size(); column += 3)
            bytes.push_back(reader.hexByteAt(column));
    }
    return frames;
}

std::string format(const char* pattern, int a, int b = 0) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

bool consume(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

// Skips one JSON value written with ": " after keys and ", " between members and
// items; false on anything else, such as a raw control character or a bad escape.
bool skipJson(std::string_view& text) {
    if (consume(text, "\"")) {
        while (!text.empty() && text[0] != '"') {
            if (static_cast<unsigned char>(text[0]) < 0x20)
                return false;
            if (consume(text, "\\u")) {
                if (text.size() < 4 || text.substr(0, 4).find_first_not_of(
                                           "0123456789ABCDEFabcdef") != std::string_view::npos)
                    return false;
                text.remove_prefix(4);
            } else if (consume(text, "\\") && !text.empty() &&
                       std::string_view("\"\\/bfnrt").find(text[0]) == std::string_view::npos) {
                return false;
            } else if (!text.empty()) {
                text.remove_prefix(1);
            }
        }
        return consume(text, "\"");
    }
    const bool object = consume(text, "{");
    if (object || consume(text, "[")) {
        const std::string_view close = object ? "}" : "]";
        if (consume(text, close))
            return true;
        do {
            if (object && !(text.starts_with('"') && skipJson(text) && consume(text, ": ")))
                return false;
            if (!skipJson(text))
                return false;
        } while (consume(text, ", "));
        return consume(text, close);
    }
    const size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
    text.remove_prefix(digits);
    return digits > 0;
}

// The cell objects of a JSON dump line as written.
std::vector<std::string> cellsOf(const std::string& line) {
    std::vector<std::string> cells;
    const std::string start = "{\"layer\": ";
    for (size_t at = line.find(start); at != std::string::npos;) {
        const size_t next = line.find(", " + start, at);
        cells.push_back(line.substr(at, (next == std::string::npos ? line.size() - 2 : next) - at));
        at = next == std::string::npos ? next : next + 2;
    }
    return cells;
}

// A string member of a cell, for members without quotes or backslashes.
std::string member(const std::string& cell, const std::string& key) {
    const size_t start = cell.find("\"" + key + "\": \"") + key.size() + 5;
    return cell.substr(start, cell.find('"', start) - start);
}

int frameCountByInfo() {
    const ToolRun info = qlntool(std::string("info ") + EXAMPLE_PATH);
    const size_t at = info.output.find("frames: ");
    return at == std::string::npos ? -1 : std::stoi(info.output.substr(at + 8));
}

TEST(Qlntool, DumpWritesOneJsonObjectPerStoredRecord) {
    const ToolRun run = qlntool(std::string("dump ") + EXAMPLE_PATH);
    ASSERT_EQ(run.status, 0) << run.output.substr(0, 500);
    const std::vector<std::string> lines = splitLines(run.output);
    ASSERT_EQ(static_cast<int>(lines.size()), frameCountByInfo());
    ASSERT_EQ(lines.size(), storedFrames().size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string head = "{\"frame\": " + std::to_string(i + 1) + ", \"cells\": [{";
        EXPECT_EQ(lines[i].rfind(head, 0), 0u) << lines[i];
        std::string_view rest = lines[i];
        EXPECT_TRUE(skipJson(rest) && rest.empty()) << lines[i];
    }
}

TEST(Qlntool, DumpShowsTheFieldsOfKnownFrames) {
    const ToolRun run = qlntool(std::string("dump ") + EXAMPLE_PATH);
    ASSERT_EQ(run.status, 0) << run.output.substr(0, 500);
    const std::vector<std::string> lines = splitLines(run.output);
    const std::vector<std::vector<int>> frames = storedFrames();
    ASSERT_EQ(lines.size(), frames.size());
    auto firstWhere = [&](auto matches) {
        for (size_t i = 0; i < frames.size(); ++i)
            if (matches(frames[i]))
                return i;
        ADD_FAILURE() << "no such frame in the example";
        return size_t{0};
    };
    auto seqCell = [](int seq) {
        return format("{\"layer\": \"MAC\", \"column\": \"Sequence number\", \"caption\": \"Seq\", "
                      "\"value\": \"%02X\", \"explanation\": \"The sequence number of this frame "
                      "is 0x%02X  (MAC)\"}",
                      seq, seq);
    };

    // An acknowledgement: length 5, frame type 2.
    const size_t ack = firstWhere([](auto& b) { return b[0] == 5 && (b[1] & 7) == 2; });
    EXPECT_NE(lines[ack].find(seqCell(frames[ack][3])), std::string::npos) << lines[ack];
    EXPECT_NE(lines[ack].find("\"caption\": \"Type\", \"value\": \"Ack\""), std::string::npos);

    // A data request with short addresses and one PAN.
    const size_t request = firstWhere(
        [](auto& b) { return b[0] == 12 && b[1] == 0x63 && b[2] == 0x88 && b[10] == 4; });
    const std::vector<int>& r = frames[request];
    for (const std::string& expected :
         {seqCell(r[3]), format("\"caption\": \"DstPAN\", \"value\": \"%02X%02X\"", r[5], r[4]),
          format("\"caption\": \"SrcAdd\", \"value\": \"%02X%02X\"", r[9], r[8]),
          std::string("\"caption\": \"Data\", \"value\": \"Request\""),
          format("\"caption\": \"RSSI\", \"value\": \"%d\"", static_cast<int8_t>(r[11]) - 45)})
        EXPECT_NE(lines[request].find(expected), std::string::npos) << expected << "\n"
                                                                    << lines[request];

    // A beacon with GTS descriptors and a direction bit set: its explanation quotes
    // the bits, first device first.
    const size_t beacon = firstWhere([](auto& b) {
        return b.size() > 12 && b[1] == 0 && b[2] == 0x80 && (b[10] & 7) != 0 && b[11] != 0;
    });
    std::string bits;
    for (int bit = 0; bit < 7; ++bit)
        bits += (frames[beacon][11] >> bit) & 1 ? '1' : '0';
    EXPECT_NE(lines[beacon].find("\"explanation\": \"This indicates GTS directions \\\"" + bits +
                                 "\\\", first bit relating to first device in list, etc.  (MAC)\""),
              std::string::npos)
        << lines[beacon];
}

TEST(Qlntool, DumpColumnsAndTextFormat) {
    const std::string file = std::string(" ") + EXAMPLE_PATH + " ";
    const ToolRun all = qlntool("dump --columns all" + file);
    const ToolRun startup = qlntool("dump" + file + "--columns startup --format json");
    const ToolRun text = qlntool("dump --format text" + file + "--columns startup");
    ASSERT_EQ(all.status, 0) << all.output.substr(0, 500);
    ASSERT_EQ(startup.status, 0) << startup.output.substr(0, 500);
    ASSERT_EQ(text.status, 0) << text.output.substr(0, 500);
    EXPECT_EQ(all.output, qlntool("dump" + file).output);

    // The startup selection is the full row without the frame number, preamble and
    // hex runs; a text line holds the caption=value pairs of the same cells.
    const std::vector<std::string> allLines = splitLines(all.output);
    const std::vector<std::string> startupLines = splitLines(startup.output);
    const std::vector<std::string> textLines = splitLines(text.output);
    const std::vector<std::vector<int>> frames = storedFrames();
    ASSERT_EQ(allLines.size(), frames.size());
    ASSERT_EQ(startupLines.size(), frames.size());
    ASSERT_EQ(textLines.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        std::vector<std::string> shown;
        for (const std::string& cell : cellsOf(allLines[i])) {
            const std::string column = member(cell, "column");
            if (column != "Frame #" && column != "Preamble" && column != "Hex payload")
                shown.push_back(cell);
        }
        EXPECT_EQ(cellsOf(startupLines[i]), shown) << allLines[i];
        std::string pairs;
        for (const std::string& cell : shown)
            pairs +=
                (pairs.empty() ? "" : "  ") + member(cell, "caption") + "=" + member(cell, "value");
        EXPECT_EQ(textLines[i], pairs);
        // The record of length 0 keeps its short row.
        if (frames[i][0] == 0) {
            EXPECT_TRUE(textLines[i].starts_with("T=") && textLines[i].ends_with("  FCS=Err"))
                << textLines[i];
        }
    }
    EXPECT_NE(all.output.find("\"caption\": \"SFD\""), std::string::npos);
    EXPECT_NE(all.output.find("\"column\": \"Hex payload\""), std::string::npos);
    EXPECT_NE(textLines[0].find(format("  Seq=%02X  ", frames[0][3])), std::string::npos);
}

// --mailbox decodes the messages of MailBox frames (profile C1EE away from the device
// objects) as MailBox frames; every other row stays as it was.
TEST(Qlntool, DumpMailBoxOption) {
    const std::string arguments = std::string(" --format text --columns startup ") + EXAMPLE_PATH;
    const ToolRun plain = qlntool("dump" + arguments);
    const ToolRun mailBox = qlntool("dump --mailbox" + arguments);
    ASSERT_EQ(plain.status, 0);
    ASSERT_EQ(mailBox.status, 0);
    const std::vector<std::string> plainLines = splitLines(plain.output);
    const std::vector<std::string> mailBoxLines = splitLines(mailBox.output);
    ASSERT_EQ(plainLines.size(), mailBoxLines.size());
    int mailBoxFrames = 0;
    for (size_t i = 0; i < plainLines.size(); ++i) {
        const bool isMailBox = plainLines[i].find("Prfl=C1EE  SrcEP=") != std::string::npos &&
                               plainLines[i].find("ZDO cluster=") == std::string::npos;
        if (!isMailBox) {
            EXPECT_EQ(mailBoxLines[i], plainLines[i]);
            continue;
        }
        ++mailBoxFrames;
        EXPECT_EQ(plainLines[i].find("Mbx Clst="), std::string::npos) << plainLines[i];
        EXPECT_NE(mailBoxLines[i].find("  Mbx Clst=00"), std::string::npos) << mailBoxLines[i];
        if (plainLines[i].find("Type=MSG") != std::string::npos) {
            EXPECT_NE(plainLines[i].find("Msg Hex="), std::string::npos) << plainLines[i];
            EXPECT_EQ(mailBoxLines[i].find("Msg Hex="), std::string::npos) << mailBoxLines[i];
            EXPECT_NE(mailBoxLines[i].find("  Command="), std::string::npos) << mailBoxLines[i];
        }
    }
    EXPECT_GT(mailBoxFrames, 10);
}

TEST(Qlntool, DumpRejectsBadArguments) {
    const std::string file = std::string(" ") + EXAMPLE_PATH;
    for (const std::string& arguments : std::vector<std::string>{
             "dump", "dump --mailbox", "dump --frobnicate" + file, "dump --columns some" + file,
             "dump --format xml" + file, "dump" + file + " --columns", "dump" + file + file}) {
        const ToolRun run = qlntool(arguments);
        EXPECT_NE(run.status, 0) << arguments;
        EXPECT_NE(run.output.find("usage:"), std::string::npos) << arguments << "\n" << run.output;
    }
    const ToolRun missing = qlntool("dump /nonexistent/capture.qln");
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.output.find("/nonexistent/capture.qln"), std::string::npos);
    EXPECT_NE(qlntool("dump" + file + " >/dev/full").status, 0);
}

} // namespace

// A capture of ZigBee 2004 traffic (NWK version 2 frames with the ZigBee 2004 APS
// layout among them) dumped with --classic as the decoding of the ZigBee 2004
// layers always showed it: the digests are of that output, kept from before ZigBee
// PRO decoding.
TEST(Qlntool, ZigBee2004DecodingOfAStoredCaptureIsUnchanged) {
    const std::string capture = std::string(" ") + ZIGBEE2004_CAPTURE_PATH;
    const ToolRun json = qlntool("dump --classic --columns all" + capture + " | sha256sum");
    EXPECT_EQ(json.output.substr(0, 64),
              "2d9706b583eb719f6115e88055ac7563ff7a46c81f2f39297ed294df89b847f5");
    const ToolRun text =
        qlntool("dump --columns all --mailbox --format text --classic" + capture + " | sha256sum");
    EXPECT_EQ(text.output.substr(0, 64),
              "1127f6f1e4eacac885b5087e95372e6a101ba7260edf4a26f3232b34736ebbb6");
}

namespace {

// The sample secured network saved as a log.
std::string securedNetworkLog() {
    auto capture = std::make_unique<qlm::Capture>();
    for (const qlm::test::Bytes& frame : qlm::test::securedNetworkSample())
        EXPECT_TRUE(qlm::test::append(capture->frames, qlm::test::macData(frame)));
    capture->attributeFrom(0);
    const std::string path = temporaryPath("secured.qln");
    EXPECT_TRUE(qlm::exportCaptureFile(*capture, path, std::nullopt));
    return path;
}

size_t count(const std::string& text, const std::string& what) {
    size_t found = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++found;
    return found;
}

} // namespace

TEST(Qlntool, KeysFromTheCommandLineAndFromTheCaptureOpenSecuredFrames) {
    const std::string log = " " + securedNetworkLog() + " ";
    const ToolRun keys = qlntool("keys" + log);
    ASSERT_EQ(keys.status, 0) << keys.output;
    EXPECT_EQ(keys.output, std::string("frame\tkind\tkey\n2\tNetwork key\t") +
                               qlm::test::kNetworkKey + "\n");

    const ToolRun info = qlntool("info" + log);
    EXPECT_NE(info.output.find("secured: 5\ndecrypted: 4\n"), std::string::npos) << info.output;
    EXPECT_EQ(qlntool("info --classic" + log).output.find("secured:"), std::string::npos);

    const std::string linkKeyFile = temporaryPath("keys.txt");
    std::FILE* file = std::fopen(linkKeyFile.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "# the lab\n%s:lab link\n", qlm::test::kLinkKey);
    std::fclose(file);
    const std::string withoutLink = qlntool("dump --format text" + log).output;
    const std::string withLink = qlntool("dump --format text --keys " + linkKeyFile + log).output;
    EXPECT_EQ(count(withoutLink, "Decr=OK"), 4u) << withoutLink;
    EXPECT_EQ(count(withLink, "Decr=OK"), 5u) << withLink;
    EXPECT_EQ(withLink, qlntool("dump --format text --key " + std::string(qlm::test::kLinkKey) +
                                ":lab" + log).output);
    EXPECT_EQ(count(qlntool("dump --format text --classic" + log).output, "Decr="), 0u);
    std::remove(linkKeyFile.c_str());
}

TEST(Qlntool, ABadKeyIsNamedAndNothingIsDecoded) {
    const std::string log = " " + securedNetworkLog();
    const struct {
        const char* arguments;
        const char* says;
    } cases[] = {
        {"dump --key 0102", "Key \"0102\": a key is 16 bytes, not 2"},
        {"info --key nothex", "Key \"nothex\": not hex"},
        {"dump --key install:83FED3407A939723A5C639B26916D505C3B6", "CRC fails"},
        {"keys --keys /nonexistent/keys.txt", "/nonexistent/keys.txt: No such file"},
    };
    for (const auto& c : cases) {
        const ToolRun run = qlntool(c.arguments + log);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Decr="), std::string::npos);
    }
}

// pcapng carries the keys that opened frames; tshark still reads the file, and
// its import opens the frames again without the key given.
TEST(Qlntool, AConvertedPcapngCarriesTheKeysThatOpenedItsFrames) {
    const std::string log = securedNetworkLog();
    const std::string packets = temporaryPath("secured.pcapng");
    const ToolRun convert = qlntool("convert " + log + " " + packets + " --key " +
                                    qlm::test::kLinkKey);
    ASSERT_EQ(convert.status, 0) << convert.output;
    const ToolRun read = qlntool("dump --format text " + packets);
    EXPECT_EQ(count(read.output, "Decr=OK"), 5u) << read.output;
    // The network key the file carries is listed where the capture carries it too.
    EXPECT_EQ(qlntool("keys " + packets).output,
              std::string("frame\tkind\tkey\n2\tNetwork key\t") + qlm::test::kNetworkKey + "\n");
    const ToolRun classic = qlntool("convert --classic " + log + " " + packets);
    ASSERT_EQ(classic.status, 0) << classic.output;
    EXPECT_EQ(count(qlntool("dump --format text " + packets).output, "Decr=OK"), 4u);

    const ToolRun tshark = qlntool("convert " + log + " " + packets + " --key " +
                                   qlm::test::kLinkKey + " && " + TSHARK_PATH + " -r " + packets +
                                   " 2>&1 >/dev/null | grep -v 'Running as user'");
    EXPECT_EQ(tshark.output, "");
    std::remove(packets.c_str());
    std::remove(log.c_str());
}

// The node table learns IEEE addresses from the auxiliary headers of the secured
// example: the trust centre's short and extended addresses are one node.
TEST(Qlntool, NodesOfASecuredNetworkKnowTheirIeeeAddresses) {
    const std::string example = std::string(" ") + SECURED_EXAMPLE_PATH;
    const std::string learnt = qlntool("nodes" + example).output;
    const std::string classic = qlntool("nodes --classic" + example).output;
    EXPECT_EQ(count(learnt, "\t-\t"), 1u) << learnt;  // the broadcast entry alone
    EXPECT_NE(learnt.find("\t0000\t00124B"), std::string::npos) << learnt;
    EXPECT_GT(count(classic, "\n"), count(learnt, "\n")) << classic;
    EXPECT_EQ(classic.find("\t0000\t00124B"), std::string::npos) << classic;
}
