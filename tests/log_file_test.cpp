#include "logfile/log_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

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
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const FileResult result = exportLogFile(capture, path("precious.qln"));
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

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

} // namespace
} // namespace qlm
