// qlntool simulate and qlntool capture run together as programs: a capture taken
// from the simulated device over its pseudo-terminal, exported and counted.

#include "logfile/log_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string temporaryPath(const std::string& name) {
    return (fs::temp_directory_path() /
            ("qlntool-device-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

// `qlntool simulate ...` running in the background: its first output line is the
// terminal's path; its standard error goes to a file read after it ended.
class Simulator {
public:
    explicit Simulator(const std::string& options) : errorsPath_(temporaryPath("sim.err")) {
        const std::string command =
            "exec " + std::string(QLNTOOL_PATH) + " simulate " + options + " 2>" + errorsPath_;
        int output[2];
        if (::pipe(output) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(output[1], STDOUT_FILENO);
            ::close(output[0]);
            ::close(output[1]);
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(output[1]);
        FILE* stream = ::fdopen(output[0], "r");
        char line[512] = {};
        if (stream != nullptr && std::fgets(line, sizeof line, stream) != nullptr)
            path_ = std::string(line).substr(0, std::string(line).find('\n'));
        if (stream != nullptr)
            std::fclose(stream);
    }
    ~Simulator() { stop(); }

    const std::string& path() const { return path_; }

    // Stops it as a user would (Ctrl+C) and returns what it reported.
    std::string stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGINT);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        std::ifstream errors(errorsPath_);
        std::stringstream text;
        text << errors.rdbuf();
        fs::remove(errorsPath_);
        return text.str();
    }

private:
    pid_t pid_ = -1;
    std::string path_;
    std::string errorsPath_;
};

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun qlntool(const std::string& arguments) {
    ToolRun run;
    FILE* pipe = ::popen((std::string(QLNTOOL_PATH) + " " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

long numberAfter(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::stol(text.substr(at + label.size()));
}

TEST(QlntoolDevice, CaptureStoresEveryFrameTheSimulatorSent) {
    for (const std::string kind : {"", "--brindle"}) {
        Simulator simulator(kind + " --rate 200 --seed 3 --burst-period 0");
        ASSERT_FALSE(simulator.path().empty());
        const std::string output = temporaryPath("capture.qln");
        const ToolRun capture = qlntool("capture --port " + simulator.path() + " " + kind +
                                        " --channel 15 --seconds 2 -o " + output);
        const std::string sent = simulator.stop();
        ASSERT_EQ(capture.status, 0) << capture.output;
        EXPECT_NE(capture.output.find("detected on " + simulator.path() + ":"), std::string::npos)
            << capture.output;
        EXPECT_NE(capture.output.find("Sniffing on 2425MHz..."), std::string::npos);

        const long frames = numberAfter(capture.output, "frames: ");
        EXPECT_GT(frames, 100) << capture.output;
        EXPECT_EQ(frames, numberAfter(sent, "frames sent: ")) << sent;
        qlm::Capture imported;
        ASSERT_TRUE(qlm::importLogFile(imported, output));
        // Every frame line counts as a packet; the import keeps only well-formed frames
        // (the simulated devices also report PHY errors).
        EXPECT_EQ(imported.statistics.packets(), frames);
        EXPECT_GT(imported.frames.frameCount(), frames * 9 / 10);
        EXPECT_EQ(imported.channels.selectedChannel(), 4);
        fs::remove(output);
    }
}

TEST(QlntoolDevice, CaptureFailsClearlyWithoutADevice) {
    const ToolRun missing =
        qlntool("capture --port /nonexistent/tty --channel 11 --seconds 1 -o /tmp/never.qln");
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.output.find("Couldn't open /nonexistent/tty:"), std::string::npos)
        << missing.output;
    EXPECT_FALSE(fs::exists("/tmp/never.qln"));
    EXPECT_EQ(qlntool("capture --port x --channel 27 --seconds 1 -o y").status, 2);
    EXPECT_EQ(qlntool("capture --port x --scan --channel 12 --seconds 1 -o y").status, 2);
    EXPECT_EQ(qlntool("simulate --rate 0").status, 2);
}

} // namespace
