#include "logfile/column_reader.h"
#include "logfile/log_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
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

} // namespace
