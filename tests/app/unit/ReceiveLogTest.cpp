// The receive log file: what it accepts, that it continues a log and never
// truncates it, and that a failed write closes it with the reason.
#include "app/ReceiveLog.h"
#include "res/Strings.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <tuple>

namespace tessaline::app {
namespace {

class ReceiveLogFile : public ::testing::Test
{
protected:
    testing::ScratchFolder m_folder;
};

TEST_F(ReceiveLogFile, AcceptsOnlyARegularFileOrANewPath)
{
    const auto Kind = [](unsigned kind) { return res::FormatString(IDS_PROBLEM_KIND, {res::FormatString(kind)}); };
    // A name, what makes the path to open in the folder, and the failure (empty when accepted).
    const std::tuple<const char*, std::function<std::string(const std::string&)>, std::string> cases[] = {
        {"a new path is created", [](const std::string& f) { return f + "/기록.bin"; }, ""},
        {"a folder", [](const std::string& f) { return f; }, Kind(IDS_KIND_FOLDER)},
        {"a FIFO, refused without waiting for a reader",
         [](const std::string& f) {
             ::mkfifo((f + "/fifo").c_str(), 0600);
             return f + "/fifo";
         },
         Kind(IDS_KIND_FIFO)},
        {"a device", [](const std::string&) { return std::string("/dev/full"); }, Kind(IDS_KIND_DEVICE)},
        {"a missing folder", [](const std::string& f) { return f + "/missing/log.bin"; }, std::strerror(ENOENT)},
    };
    for (const auto& [name, make, failure] : cases) {
        ReceiveLog log;
        const std::string path = make(m_folder.Path());
        EXPECT_EQ(log.Open(path), failure.empty()) << name;
        EXPECT_EQ(log.IsOpen(), failure.empty()) << name;
        EXPECT_EQ(log.Failure(), failure) << name;
        EXPECT_EQ(log.Path(), path) << name;
    }
}

TEST_F(ReceiveLogFile, ContinuesAnExistingLogAndWritesOnFlushAndClose)
{
    const std::string path = m_folder / "log.bin";
    std::ofstream(path, std::ios::binary) << "earlier";
    ReceiveLog log;
    ASSERT_TRUE(log.Open(path));
    EXPECT_EQ(testing::FileContents(path), "earlier");
    ASSERT_TRUE(log.Append("\x00\x01", 2));
    EXPECT_EQ(log.Buffered(), 2u);
    ASSERT_TRUE(log.Flush());
    EXPECT_EQ(testing::FileContents(path), std::string("earlier\x00\x01", 9));
    // More than the buffer holds goes out without a flush, in order.
    const std::string large(ReceiveLog::kBufferSize + 10, 'x');
    ASSERT_TRUE(log.Append("y", 1));
    ASSERT_TRUE(log.Append(large.data(), large.size()));
    EXPECT_EQ(testing::FileContents(path), std::string("earlier\x00\x01", 9) + "y" + large);
    ASSERT_TRUE(log.Append("z", 1));
    ASSERT_TRUE(log.Close());
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(testing::FileContents(path), std::string("earlier\x00\x01", 9) + "y" + large + "z");
}

// Under a file size limit of 1000 bytes, writes 2000: the write fails as on
// a full disk. True when the log then closed with the reason.
bool FailsToWriteBeyondTheLimit(const std::string& path)
{
    ReceiveLog log;
    const rlimit limit{1000, 1000};
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string bytes(2000, 'x');
    return log.Open(path) && ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && log.Append(bytes.data(), bytes.size()) &&
           !log.Flush() && !log.IsOpen() && log.Failure() == std::strerror(EFBIG) && log.Buffered() == 0;
}

TEST_F(ReceiveLogFile, AFailedWriteClosesTheLogWithTheReason)
{
    // The limit is set in a child process of its own.
    const std::string path = m_folder / "log.bin";
    EXPECT_EXIT(std::exit(FailsToWriteBeyondTheLimit(path) ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tessaline::app
