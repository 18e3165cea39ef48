// qlntool simulate and qlntool capture run together as programs: a capture taken
// from the simulated device over its pseudo-terminal, exported and counted.

#include "logfile/log_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
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

// A shell command's status and output (standard error included).
ToolRun shell(const std::string& command) {
    ToolRun run;
    FILE* pipe = ::popen(("(" + command + ") 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ToolRun qlntool(const std::string& arguments) {
    return shell(std::string(QLNTOOL_PATH) + " " + arguments);
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
    EXPECT_NE(
        missing.output.find("Couldn't open /nonexistent/tty:\n"
                            "qlntool: cannot open /nonexistent/tty: No such file or directory"),
        std::string::npos)
        << missing.output;
    EXPECT_FALSE(fs::exists("/tmp/never.qln"));
    EXPECT_FALSE(fs::exists("/tmp/never.partial.qln"));
    EXPECT_EQ(qlntool("capture --port x --channel 27 --seconds 1 -o y").status, 2);
    EXPECT_EQ(qlntool("capture --port x --scan --channel 12 --seconds 1 -o y").status, 2);
    EXPECT_EQ(qlntool("simulate --rate 0").status, 2);
}

// `qlntool capture ...` running in the background, its output going to a file.
class BackgroundCapture {
public:
    explicit BackgroundCapture(const std::string& arguments)
        : outputPath_(temporaryPath("capture.out")) {
        const std::string command = "exec " + std::string(QLNTOOL_PATH) + " capture " +
                                    arguments + " >" + outputPath_ + " 2>&1";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~BackgroundCapture() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        fs::remove(outputPath_);
    }

    void signal(int number) { ::kill(pid_, number); }
    // The exit status, or 128 + the signal that ended it.
    int wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string output() const {
        std::ifstream file(outputPath_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    pid_t pid_ = -1;
    std::string outputPath_;
};

int frameLinesIn(const std::string& path) {
    std::ifstream file(path);
    int count = 0;
    for (std::string line; std::getline(file, line);)
        count += line.rfind("+FRAM:", 0) == 0;
    return count;
}

// Waits until the partial log holds frame lines: the capture is under way.
bool waitForFrames(const std::string& partial) {
    for (int i = 0; i < 200; ++i) {
        if (frameLinesIn(partial) > 0)
            return true;
        ::usleep(50000);
    }
    return false;
}

// A capture of channel 15 from a simulator of its own, meant to run for ten
// minutes, to `name`.qln beside its partial log.
struct LongCapture {
    LongCapture(const std::string& name, int seed)
        : simulator("--rate 200 --seed " + std::to_string(seed) + " --burst-period 0"),
          output(temporaryPath(name + ".qln")), partial(temporaryPath(name + ".partial.qln")),
          capture("--port " + simulator.path() + " --channel 15 --seconds 600 -o " + output) {}

    Simulator simulator;
    std::string output;
    std::string partial;
    BackgroundCapture capture;
};

TEST(QlntoolDevice, InterruptedCaptureStopsTheDeviceAndExportsWhatItStored) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
        LongCapture run("interrupted", 5);
        ASSERT_FALSE(run.simulator.path().empty());
        const std::string& output = run.output;
        const std::string& partial = run.partial;
        BackgroundCapture& capture = run.capture;
        ASSERT_TRUE(waitForFrames(partial)) << capture.output();
        capture.signal(signal);
        EXPECT_EQ(capture.wait(), 0) << capture.output();
        const std::string said = capture.output();
        // The device confirmed the stop after sniffing.
        EXPECT_NE(said.find("Sniffing on 2425MHz...\nSniffing de-activated\n"), std::string::npos)
            << said;
        EXPECT_NE(said.find("interrupted"), std::string::npos) << said;
        const long frames = numberAfter(said, "frames: ");
        EXPECT_GT(frames, 0) << said;
        EXPECT_EQ(frameLinesIn(output), frames);
        EXPECT_FALSE(fs::exists(partial));
        fs::remove(output);
    }
}

TEST(QlntoolDevice, AKilledCaptureLeavesAPartialLogThatImports) {
    LongCapture run("killed", 6);
    ASSERT_FALSE(run.simulator.path().empty());
    const std::string& output = run.output;
    const std::string& partial = run.partial;
    BackgroundCapture& capture = run.capture;
    ASSERT_TRUE(waitForFrames(partial)) << capture.output();
    ::usleep(1200000);  // at least one more update
    capture.signal(SIGKILL);
    EXPECT_EQ(capture.wait(), 128 + SIGKILL);
    EXPECT_FALSE(fs::exists(output));
    const int lines = frameLinesIn(partial);
    EXPECT_GT(lines, 100);
    qlm::Capture imported;
    const qlm::FileResult result = qlm::importLogFile(imported, partial);
    ASSERT_TRUE(result);
    EXPECT_EQ(result.warning, "");
    EXPECT_EQ(imported.statistics.packets(), lines);
    EXPECT_EQ(imported.channels.selectedChannel(), 4);
    EXPECT_GT(imported.nodes.count(), 1);  // named from the frames, as without node lines
    fs::remove(partial);
}

TEST(QlntoolDevice, TheOutputIsCheckedBeforeTheDeviceIsTouched) {
    const std::string port = "--port /nonexistent/tty --channel 11 --seconds 1 -o ";
    const std::string folder = temporaryPath("outputs");
    fs::create_directories(folder);
    const struct {
        std::string output;
        std::string prefix;
        std::string message;
    } cases[] = {
        {"/nonexistent/folder/out.qln", "", "No such file or directory"},
        {folder, "", folder + ": Is a directory"},
        {folder + "/out.qln", "ulimit -f 0; ", "File too large"},
    };
    for (const auto& test : cases) {
        // Through a pipe: a file-size limit would also stop output to a file.
        const ToolRun run =
            shell(test.prefix + "exec " + QLNTOOL_PATH + " capture " + port + test.output);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(test.message), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("/nonexistent/tty"), std::string::npos) << run.output;
    }
    EXPECT_TRUE(fs::is_empty(folder));

    // What a capture cut short left is never overwritten by the next one.
    std::ofstream(folder + "/left.partial.qln") << "+FRAM:01,02,03,004,00\r\n";
    const ToolRun again = qlntool("capture " + port + folder + "/left.qln");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.output.find("left.partial.qln: File exists"), std::string::npos)
        << again.output;
    std::ifstream left(folder + "/left.partial.qln");
    std::string line;
    std::getline(left, line);
    EXPECT_EQ(line, "+FRAM:01,02,03,004,00\r");
    fs::remove_all(folder);
}

TEST(QlntoolDevice, APortThatIsNotASerialPortOrIsInUseIsRefused) {
    const std::string notes = temporaryPath("notes.txt");
    std::ofstream(notes) << "my notes\n";
    const ToolRun file = qlntool("capture --port " + notes + " --channel 11 --seconds 1 -o " +
                                 temporaryPath("notes.qln"));
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.output.find("Couldn't open " + notes + ": not a serial port\n"),
              std::string::npos)
        << file.output;
    std::ifstream written(notes, std::ios::binary);
    std::stringstream contents;
    contents << written.rdbuf();
    EXPECT_EQ(contents.str(), "my notes\n");
    fs::remove(notes);

    // A second capture on the port of a running one backs off; the first goes on.
    LongCapture first("in-use", 7);
    ASSERT_FALSE(first.simulator.path().empty());
    ASSERT_TRUE(waitForFrames(first.partial)) << first.capture.output();
    const std::string secondOutput = temporaryPath("second.qln");
    const ToolRun second = qlntool("capture --port " + first.simulator.path() +
                                   " --channel 20 --seconds 1 -o " + secondOutput);
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.output.find("Port " + first.simulator.path() + " is in use\n"),
              std::string::npos)
        << second.output;
    EXPECT_FALSE(fs::exists(secondOutput));
    // The partial log goes on growing: the first capture was not disturbed.
    const int linesBefore = frameLinesIn(first.partial);
    bool grew = false;
    for (int i = 0; i < 200 && !grew; ++i) {
        ::usleep(50000);
        grew = frameLinesIn(first.partial) > linesBefore;
    }
    EXPECT_TRUE(grew);
    first.capture.signal(SIGINT);
    EXPECT_EQ(first.capture.wait(), 0) << first.capture.output();
    const std::string said = first.capture.output();
    EXPECT_NE(said.find("Sniffing on 2425MHz...\nSniffing de-activated\n"), std::string::npos)
        << said;
    EXPECT_EQ(frameLinesIn(first.output), numberAfter(said, "frames: "));
    fs::remove(first.output);
}

// A sniffer on a pseudo-terminal that identifies itself and answers every
// other command with "+ERRR", as a device that refuses to sniff does.
class RefusingSniffer {
public:
    RefusingSniffer() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        path_ = ::ptsname(master_);
        thread_ = std::thread([this] { answer(); });
    }
    ~RefusingSniffer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(master_);
    }
    const std::string& path() const { return path_; }

private:
    void answer() {
        std::string command;
        while (!stop_) {
            pollfd watched{master_, POLLIN, 0};
            char byte = 0;
            if (::poll(&watched, 1, 50) <= 0 || ::read(master_, &byte, 1) != 1)
                continue;
            if (byte != '\r') {
                command += byte;
                continue;
            }
            const std::string reply = command.empty()       ? "OK\r\n"
                                      : command == "AT+INIT" ? "+INIT:IEEE 802.Quorlanmirex\r\n"
                                                             : "+ERRR\r\n";
            [[maybe_unused]] const ssize_t sent = ::write(master_, reply.data(), reply.size());
            command.clear();
        }
    }

    int master_;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(QlntoolDevice, ADeviceThatRefusesToSniffFailsTheCaptureWithItsReply) {
    RefusingSniffer device;
    ASSERT_FALSE(device.path().empty());
    const std::string output = temporaryPath("refused.qln");
    const ToolRun run =
        qlntool("capture --port " + device.path() + " --channel 11 --seconds 1 -o " + output);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Device on " + device.path() + ": refused to sniff (+ERRR)\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("the device on " + device.path() + " refused to sniff: +ERRR"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Sniffing on"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(output));
}

TEST(QlntoolDevice, ADeviceThatNeverAnswersDetectionIsNamedSo) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    const std::string output = temporaryPath("silent.qln");
    const ToolRun run =
        qlntool("capture --port " + terminal + " --channel 11 --seconds 1 -o " + output);
    ::close(master);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("the device on " + terminal + " never answered detection"),
              std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(output));
    EXPECT_FALSE(fs::exists(temporaryPath("silent.partial.qln")));
}

} // namespace
