#include "logfile/log_file.h"
#include "logfile/partial_log.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

namespace qlm {
namespace {

namespace fs = std::filesystem;

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("qlm-logfile-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    static std::string contents(const std::string& file) {
        LargeBuffer text;
        EXPECT_TRUE(readWholeFile(file, text));
        return std::string(text.view());
    }
    static void write(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    size_t filesInFolder() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    fs::path folder_;
};

TEST_F(LogFileTest, ExportThenImportGivesTheSameCapture) {
    Capture original;
    const uint8_t data[] = {0x0B, 0x41, 0x88, 0x01, 0x34, 0x12, 0xFF, 0xFF, 0x01, 0x00, 0xEC, 0xE4};
    original.frames.appendFrame({12, 34, 56, 789}, data);
    original.attributeFrom(0);
    original.channels[5].energy = 0x2D;
    original.channels.setSelectedChannel(5);
    original.nodes.rename(1, "Lamp");
    ASSERT_TRUE(exportLogFile(original, path("capture.qln")));

    Capture copy;
    ASSERT_TRUE(importLogFile(copy, path("capture.qln")));
    ASSERT_EQ(copy.frames.frameCount(), 1);
    EXPECT_EQ(std::memcmp(copy.frames[0].data, data, sizeof data), 0);
    EXPECT_EQ(copy.frames[0].minute, 34);
    EXPECT_EQ(copy.channels.selectedChannel(), 5);
    EXPECT_EQ(copy.channels[5].energy, 0x2D);
    EXPECT_EQ(copy.nodes.count(), 2);
    EXPECT_EQ(copy.nodes.name(1), "Lamp");
    EXPECT_EQ(copy.frames[0].macSourceNode, 1);

    // Writing the imported capture again gives the same frame lines.
    ASSERT_TRUE(exportLogFile(copy, path("again.qln")));
    const std::string first = contents(path("capture.qln"));
    const std::string second = contents(path("again.qln"));
    const size_t firstFrame = first.find("+FRAM:");
    EXPECT_EQ(first.substr(firstFrame, first.find("+NODE:") - firstFrame),
              second.substr(second.find("+FRAM:"), second.find("+NODE:") - second.find("+FRAM:")));
}

TEST_F(LogFileTest, ImportOfAnUnreadableFileKeepsTheCapture) {
    Capture capture;
    const uint8_t data[] = {0x02, 0xAA, 0xBB};
    capture.frames.appendFrame({1, 2, 3, 4}, data);

    FileResult missing = importLogFile(capture, path("missing.qln"));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, std::strerror(ENOENT));
    FileResult folder = importLogFile(capture, folder_.string());
    EXPECT_FALSE(folder);
    EXPECT_EQ(folder.error, std::strerror(EISDIR));
    EXPECT_EQ(capture.frames.frameCount(), 1);
}

TEST_F(LogFileTest, FailedExportLeavesTheExistingFileAndNoLeftovers) {
    write(path("precious.qln"), "+INFO:the old log\r\n");
    Capture capture;
    uint8_t data[128] = {127};
    for (int i = 0; i < 2000; ++i)
        capture.frames.appendFrame({1, 2, 3, 4}, data);

    // Limit the size of files this process may write, so the export fails midway.
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const FileResult result = exportLogFile(capture, path("precious.qln"));
    ::setrlimit(RLIMIT_FSIZE, &previous);

    EXPECT_FALSE(result);
    EXPECT_EQ(result.error, std::strerror(EFBIG));
    EXPECT_EQ(contents(path("precious.qln")), "+INFO:the old log\r\n");
    EXPECT_EQ(filesInFolder(), 1u);

    const FileResult nowhere = exportLogFile(capture, path("no/such/folder.qln"));
    EXPECT_EQ(nowhere.error, std::strerror(ENOENT));
}

TEST_F(LogFileTest, ExportReplacesAnExistingFileKeepingItsPermissions) {
    write(path("shared.qln"), "old");
    fs::permissions(path("shared.qln"), fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::group_read | fs::perms::others_read);
    Capture capture;
    ASSERT_TRUE(exportLogFile(capture, path("shared.qln")));
    EXPECT_EQ(contents(path("shared.qln")).rfind("+INFO:", 0), 0u);
    EXPECT_EQ(fs::status(path("shared.qln")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    EXPECT_EQ(filesInFolder(), 1u);

    // Through a symbolic link, the file it points to is replaced.
    fs::create_symlink(path("shared.qln"), path("link.qln"));
    write(path("shared.qln"), "old");
    ASSERT_TRUE(exportLogFile(capture, path("link.qln")));
    EXPECT_TRUE(fs::is_symlink(path("link.qln")));
    EXPECT_EQ(contents(path("shared.qln")).rfind("+INFO:", 0), 0u);
}

// Runs `check` in a child process, as the unprivileged user "nobody" when the
// tests run as root (root may write any file); true when it returned true.
bool inChildProcess(const std::function<bool()>& check, bool unprivileged) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Capture& smallCapture() {
    static Capture capture;
    if (capture.frames.empty()) {
        const uint8_t data[] = {0x02, 0xAA, 0xBB};
        capture.frames.appendFrame({1, 2, 3, 4}, data);
    }
    return capture;
}

TEST_F(LogFileTest, DevicesFifosAndSocketsAreWrittenInPlaceNeverReplaced) {
    ASSERT_TRUE(exportLogFile(smallCapture(), "/dev/null"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    const FileResult full = exportLogFile(smallCapture(), "/dev/full");
    EXPECT_FALSE(full);
    EXPECT_EQ(full.error, std::strerror(ENOSPC));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    // A FIFO nobody reads is refused rather than waited for; one that is read
    // carries the log.
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    const FileResult unread = exportLogFile(smallCapture(), path("pipe"));
    EXPECT_EQ(unread.error, std::strerror(ENXIO));
    const int reader = ::open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(exportLogFile(smallCapture(), path("pipe")));  // fits the pipe's buffer
    char buffer[4096];
    const ssize_t got = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    const std::string received(buffer, static_cast<size_t>(std::max<ssize_t>(got, 0)));
    EXPECT_NE(received.find("+FRAM:01,02,03,004,02,AA,BB\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_fifo(path("pipe")));

    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path("socket").c_str());
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const FileResult socketResult = exportLogFile(smallCapture(), path("socket"));
    ::close(listening);
    EXPECT_EQ(socketResult.error, std::strerror(ENXIO));
    EXPECT_TRUE(fs::is_socket(path("socket")));
    EXPECT_EQ(filesInFolder(), 2u);  // no temporary file left
    EXPECT_EQ(exportLogFile(smallCapture(), folder_.string()).error, std::strerror(EISDIR));
}

TEST_F(LogFileTest, ALogTheUserMayNotWriteIsRefusedAndKept) {
    // Read-only in a folder the user may write.
    fs::permissions(folder_, fs::perms::all);
    write(path("readonly.qln"), "old");
    fs::permissions(path("readonly.qln"), fs::perms::owner_read | fs::perms::group_read |
                                              fs::perms::others_read);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path("readonly.qln").c_str(), 65534, 65534), 0);
    }
    EXPECT_TRUE(inChildProcess(
        [&] {
            return exportLogFile(smallCapture(), path("readonly.qln")).error ==
                   std::strerror(EACCES);
        },
        true));
    EXPECT_EQ(contents(path("readonly.qln")), "old");

    // Someone else's file in a sticky folder, the way /tmp is.
    if (::geteuid() == 0) {
        const fs::path sticky = folder_ / "sticky";
        fs::create_directory(sticky);
        ::chmod(sticky.c_str(), 01777);
        write((sticky / "root.qln").string(), "root's");
        EXPECT_TRUE(inChildProcess(
            [&] {
                return exportLogFile(smallCapture(), (sticky / "root.qln").string()).error ==
                       std::strerror(EACCES);
            },
            true));
        EXPECT_EQ(contents((sticky / "root.qln").string()), "root's");
    }
    EXPECT_EQ(filesInFolder(), ::geteuid() == 0 ? 2u : 1u);
}

TEST_F(LogFileTest, AFileSizeLimitEndsTheExportWithTheUsualMessage) {
    write(path("kept.qln"), "old");
    // In a process of its own, with the signal's default action that kills.
    EXPECT_TRUE(inChildProcess(
        [&] {
            std::signal(SIGXFSZ, SIG_DFL);
            rlimit limited{1024, 1024};
            ::setrlimit(RLIMIT_FSIZE, &limited);
            Capture capture;
            uint8_t data[128] = {127};
            for (int i = 0; i < 100; ++i)
                capture.frames.appendFrame({1, 2, 3, 4}, data);
            return exportLogFile(capture, path("kept.qln")).error == std::strerror(EFBIG);
        },
        false));
    EXPECT_EQ(contents(path("kept.qln")), "old");
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(LogFileTest, AFileWithoutLogLinesImportsEmptyWithAWarning) {
    for (const std::string& text : {std::string(), std::string(1000, '\0'),
                                    std::string("\xFF\xFE+\0I\0N\0F\0O\0", 12)}) {
        write(path("odd.qln"), text);
        Capture capture;
        const uint8_t data[] = {0x02, 0xAA, 0xBB};
        capture.frames.appendFrame({1, 2, 3, 4}, data);
        const FileResult result = importLogFile(capture, path("odd.qln"));
        EXPECT_TRUE(result);
        EXPECT_EQ(result.warning, kNoLogLinesWarning);
        EXPECT_EQ(capture.frames.frameCount(), 0);
    }
    write(path("log.qln"), "+INFO:x\r\n");
    Capture capture;
    EXPECT_EQ(importLogFile(capture, path("log.qln")).warning, "");
}

int frameLinesOf(const std::string& text) {
    int count = 0;
    for (size_t at = text.find("+FRAM:"); at != std::string::npos; at = text.find("+FRAM:", at + 1))
        ++count;
    return count;
}

TEST_F(LogFileTest, APartialLogHoldsTheFramesSoFarAndImports) {
    EXPECT_EQ(PartialLog::pathFor("/a/capture.qln"), "/a/capture.partial.qln");
    EXPECT_EQ(PartialLog::pathFor("capture"), "capture.partial.qln");
    EXPECT_EQ(PartialLog::pathFor(".qln"), ".qln.partial.qln");

    Capture live;
    live.channels.setSelectedChannel(4);
    PartialLog partial;
    ASSERT_TRUE(partial.start(path("capture.qln"), live.channels));
    EXPECT_EQ(partial.path(), path("capture.partial.qln"));
    const uint8_t data[] = {0x05, 0x02, 0x00, 0x0E, 0xEC, 0xE4};
    live.frames.appendFrame({9, 5, 3, 7}, data);
    live.frames.appendOverflow({9, 5, 3, 8});
    ASSERT_TRUE(partial.append(live.frames));
    live.frames.appendFrame({9, 5, 3, 9}, data);
    ASSERT_TRUE(partial.append(live.frames));
    ASSERT_TRUE(partial.append(live.frames));  // nothing new: nothing written
    EXPECT_EQ(partial.framesWritten(), 3);

    const std::string text = contents(partial.path());
    EXPECT_EQ(text.rfind("+INFO:", 0), 0u);
    EXPECT_EQ(text.find("+NODE:"), std::string::npos);
    EXPECT_NE(text.find("+CHAN:2425,80,00,CA,FF\r\n"), std::string::npos);
    EXPECT_NE(text.find("+FRAM:09,05,03,008\r\n+FRAM:09,05,03,009,05,"), std::string::npos);
    Capture imported;
    ASSERT_TRUE(importLogFile(imported, partial.path()));
    EXPECT_EQ(imported.frames.frameCount(), 2);  // the overflow marker is not recreated
    EXPECT_EQ(imported.statistics.packets(), 3);
    EXPECT_EQ(imported.channels.selectedChannel(), 4);

    // One left by an earlier capture is never overwritten; the open one restarts
    // empty.
    PartialLog second;
    EXPECT_EQ(second.start(path("capture.qln"), live.channels).error, std::strerror(EEXIST));
    EXPECT_EQ(frameLinesOf(contents(partial.path())), 3);
    live.channels.setSelectedChannel(5);
    ASSERT_TRUE(partial.restart(live.channels));
    EXPECT_EQ(frameLinesOf(contents(partial.path())), 0);
    EXPECT_NE(contents(partial.path()).find("+CHAN:2430,80,00,CA,FF\r\n"), std::string::npos);
    ASSERT_TRUE(partial.append(live.frames));
    EXPECT_EQ(frameLinesOf(contents(partial.path())), 3);
    partial.remove();
    EXPECT_EQ(filesInFolder(), 0u);
    EXPECT_EQ(partial.start(path("none/capture.qln"), live.channels).error, std::strerror(ENOENT));
}

TEST_F(LogFileTest, AFullFileSystemIsFoundWhenThePartialLogStarts) {
    const fs::path small = folder_ / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
    write((small / "filler").string(), std::string(64 * 1024, 'x'));  // fills it
    PartialLog partial;
    const FileResult result = partial.start((small / "capture.qln").string(), Capture().channels);
    partial.remove();
    ::umount(small.c_str());
    EXPECT_EQ(result.error, std::strerror(ENOSPC));
}

} // namespace
} // namespace qlm
