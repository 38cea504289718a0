// What is settled before the toolkit starts: the file argument's kind, the
// port list that --list-ports prints, and message texts that fit a screen.
#include "app/Startup.h"
#include "platform/PortNames.h"
#include "platform/StartupFolder.h"
#include "tests/support/ScratchFolder.h"
#include "ui/TextEncoding.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <tuple>

namespace tessaline::app {
namespace {

class Startup : public ::testing::Test
{
protected:
    void TearDown() override { platform::ClearPortAliases(); }

    testing::ScratchFolder m_folder{"문서"};
};

TEST_F(Startup, OnlyARegularFileIsOpenedAndEveryOtherKindIsNamed)
{
    using Verdict = FileArgumentCheck::Verdict;
    m_folder.Write("로그.txt", "x");
    ASSERT_EQ(::mkfifo((m_folder / "pipe").c_str(), 0600), 0);
    // A file argument, the verdict on it, and part of the message.
    const std::tuple<std::string, Verdict, const char*> cases[] = {
        {m_folder / "로그.txt", Verdict::Open, ""},
        {m_folder.Path(), Verdict::StartUntitled, "파일이 아니라 폴더입니다."},
        {m_folder / "pipe", Verdict::StartUntitled, "파일이 아니라 FIFO"},
        {"/dev/zero", Verdict::StartUntitled, "파일이 아니라 장치입니다."},
        {"", Verdict::StartUntitled, "이름이 비어 있습니다."},
        {m_folder / "bad\xff.txt", Verdict::StartUntitled, "\\xFF.txt\"을(를) 열 수 없습니다: 이름이"},
        {m_folder / "없는 파일.txt", Verdict::Fail, "없는 파일.txt\"을(를) 열 수 없습니다: No such file"},
    };
    for (const auto& [file, verdict, said] : cases) {
        StartupOptions options;
        options.fileGiven = true;
        options.file = file;
        const FileArgumentCheck check = CheckFileArgument(options);
        EXPECT_EQ(check.verdict, verdict) << file;
        EXPECT_NE(check.message.find(said), std::string::npos) << check.message;
        // Opening a document later (File > Open, a recent file) refuses the same.
        if (!file.empty() && file.find('\xff') == std::string::npos) {
            EXPECT_EQ(RegularFileProblem(file).empty(), verdict == Verdict::Open) << file;
        }
    }
    EXPECT_EQ(CheckFileArgument(StartupOptions{}).verdict, Verdict::None);
}

TEST_F(Startup, ListsEachPortWithItsDeviceAndWhereItCameFrom)
{
    // One adapter present, through a by-id link whose name breaks lines;
    // COM2 from the settings file (where COM5 is ignored with a warning),
    // relative to the start-up folder; COM3 from the environment; COM1 from
    // the command line over the settings file.
    const std::string root = m_folder / "root";
    m_folder.Write("root/dev/ttyACM0");
    std::filesystem::create_directories(root + "/dev/serial/by-id");
    std::filesystem::create_symlink("../../ttyACM0", root + "/dev/serial/by-id/usb-A\tB\nC\\D\x1B");
    m_folder.SetEnv("TESSALINE_DEVICE_ROOT", root);
    m_folder.SetEnv("TESSALINE_COM3", "/dev/pts/3");
    m_folder.SetEnv("XDG_CONFIG_HOME", m_folder.Path());
    const std::string conf =
        m_folder.Write("Local AppWizard-Generated Applications/Tessaline.conf",
                       "[Ports]\nCOM1=/dev/settings1\nCOM2=장치2\nCOM5=/dev/x\n[Terminal]\nFontSize=20\n");

    // The file and log names given relative come back absolute; the
    // message names the file as given.
    StartupOptions options;
    options.portAliases = {{"COM1", "/dev/cmd1"}};
    options.fileGiven = true;
    options.file = "없는 문서.tsl";
    options.logFile = "./기록/x.bin";
    options.noReconnect = options.timestamps = true;
    const StartupState state = PrepareStartup(options);
    const std::string folder = platform::StartupFolder();
    EXPECT_EQ(state.options.file, folder + "/없는 문서.tsl");
    EXPECT_EQ(state.options.logFile, folder + "/기록/x.bin");
    EXPECT_NE(state.file.message.find("\"없는 문서.tsl\""), std::string::npos) << state.file.message;
    // The options for this run: the file's, with the command line's overrides.
    EXPECT_EQ(state.terminal.fontSize, 20);
    EXPECT_FALSE(state.terminal.reconnect);
    EXPECT_TRUE(state.terminal.timestamps);
    EXPECT_TRUE(state.settings.terminal.reconnect);
    ASSERT_EQ(state.warnings.size(), 1u);
    EXPECT_NE(state.warnings[0].find("COM5=/dev/x"), std::string::npos) << state.warnings[0];
    EXPECT_NE(state.warnings[0].find("Tessaline.conf"), std::string::npos) << state.warnings[0];
    EXPECT_EQ(ListPortsText(false), "COM1 /dev/cmd1 command-line\nCOM2 " + folder +
                                        "/장치2 settings-file\nCOM3 /dev/pts/3 environment\nCOM4 - detected\n");
    platform::ClearPortAliases();
    EXPECT_EQ(ListPortsText(true), "COM1 (demo) demo\nCOM2 - detected\nCOM3 /dev/pts/3 environment\nCOM4 - detected\n");
    EXPECT_EQ(ListPortsText(false).substr(0, ListPortsText(false).find('\n') + 1),
              "COM1 " + root + "/dev/serial/by-id/usb-A\\tB\\nC\\\\D\\x1B detected\n");
    std::filesystem::remove(root + "/dev/ttyACM0");
    std::ofstream(conf) << "[Ports\nCOM1=/dev/x\n";
    platform::ClearPortAliases();
    const StartupState unparsable = PrepareStartup(StartupOptions{});
    ASSERT_EQ(unparsable.warnings.size(), 1u);
    EXPECT_NE(unparsable.warnings[0].find(conf), std::string::npos);
    EXPECT_FALSE(unparsable.settings.parsed);
    EXPECT_EQ(ListPortsText(false).substr(0, 23), "COM1 /dev/ttyS0 default");
}

TEST(MessageText, ALongNameFitsTheScreenAndKeepsItsCharactersWhole)
{
    const std::string name(100000, 'a');
    const std::string text = ShortenedForMessageBox("Cannot open \"" + name + "\": it is a folder, not a file.");
    EXPECT_LT(text.size(), 700u);
    EXPECT_EQ(text.substr(text.size() - 5), "file.") << "the end of the message stays";
    const std::string korean = ShortenedForMessageBox(std::string(60, 'x') + "가나다라마바사아자차카타파하" + "12345");
    for (std::size_t start = 0; start < korean.size();) {
        const std::size_t end = std::min(korean.find('\n', start), korean.size());
        const std::string line = korean.substr(start, end - start);
        EXPECT_TRUE(ui::IsValidUtf8(line)) << line;
        start = end + 1;
    }
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        EXPECT_LE(end - start, 72u);
    }
}

}  // namespace
}  // namespace tessaline::app
