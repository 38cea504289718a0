// The settings file: what is read from it, and that writing back the
// recent-file list keeps every other byte.
#include "app/SettingsFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tessaline::app {
namespace {

using Files = std::vector<std::string>;

TEST(SettingsFile, MergesTheRecentFilesAndKeepsEverythingElse)
{
    struct Case
    {
        const char* what;
        std::string before;
        Files files;
        std::string after;
    };
    const Case cases[] = {
        {"nothing to write adds nothing", "", {}, ""},
        {"no empty section for an empty list", "[Ports]\nCOM1=/dev/ttyUSB0\n", {}, "[Ports]\nCOM1=/dev/ttyUSB0\n"},
        {"a new section at the end, after a last line without its newline",
         "; mine\n[Ports]\nCOM1=/dev/x",
         {"/home/홍길동/로그.txt"},
         "; mine\n[Ports]\nCOM1=/dev/x\n[Recent\\ File\\ List]\nfile1=/home/홍길동/로그.txt\n"},
        {"the list replaced where it was; comments, unknown lines and other keys stay",
         "[Recent\\ File\\ List]\n# kept\nfile1=/old/a\nfile2=/old/b\nwho knows\nmaxFiles=4\n\n[Ports]\nCOM2=/dev/y\n",
         {"/new/a", "/old/a"},
         "[Recent\\ File\\ List]\n# kept\nfile1=/new/a\nfile2=/old/a\nwho knows\nmaxFiles=4\n\n[Ports]\nCOM2=/dev/y\n"},
        {"a section left with nothing goes, its blank lines stay",
         "[Recent File List]\nfile1=/a\n\n[X]\nk=v\n",
         {},
         "\n[X]\nk=v\n"},
        {"a second list section is emptied into the first",
         "[Recent File List]\nfile1=/a\n[Ports]\n[Recent File List]\nfile2=/b\n",
         {"/c"},
         "[Recent File List]\nfile1=/c\n[Ports]\n"},
        {"CRLF line endings are kept and used",
         "[Ports]\r\nCOM1=/dev/x\r\n",
         {"/a b"},
         "[Ports]\r\nCOM1=/dev/x\r\n[Recent\\ File\\ List]\r\nfile1=/a b\r\n"},
        {"values escaped as the toolkit's files escape them",
         "",
         {" lead", "back\\slash\ttab", "\"q\"", ""},
         "[Recent\\ File\\ List]\nfile1=\" lead\"\nfile2=back\\\\slash\\ttab\nfile3=\"\\\"q\\\"\"\n"},
        {"entries are written in their plain form; a semicolon inside a value is no comment",
         "[Recent File List]\n  file1 = /a  ; not a comment\n",
         {"/a  ; not a comment"},
         "[Recent File List]\nfile1=/a  ; not a comment\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MergeRecentFiles(c.before, c.files), c.after);
        const SettingsContent read = ParseSettings(c.after);
        EXPECT_TRUE(read.parsed) << read.problem;
        Files written;
        for (const std::string& file : c.files) {
            if (!file.empty())
                written.push_back(file);
        }
        EXPECT_EQ(read.recentFiles, written);
    }
}

TEST(SettingsFile, ReadsPortsWarnsAboutBadEntriesAndRefusesWhatItCannotParse)
{
    struct Case
    {
        std::string text;
        bool parsed;
        std::vector<std::pair<std::string, std::string>> ports;
        std::size_t warnings;
    };
    const Case cases[] = {
        {"[Ports]\ncom1=/dev/ttyUSB0\nCOM4 = \"/dev/장치 4\"\n=/dev/null\nCOM5=/dev/x\nCOM2=dev/rel\nCOM3=\n"
         "COM12=/dev/y\n[Other]\nCOM2=/dev/not-a-port\n",
         true,
         {{"COM1", "/dev/ttyUSB0"}, {"COM4", "/dev/장치 4"}, {"COM2", "dev/rel"}},
         4},
        {"[Ports\nCOM1=/dev/x\n", false, {}, 0},
        {"[Ports] junk\n", false, {}, 0},
        {std::string("[Ports]\nCOM1=/dev/x\0\n", 22), false, {}, 0},
        {"\xff\xfe[\x80\x81]\n", false, {}, 0},
        {std::string(2 << 20, 'x'), false, {}, 0},
    };
    for (const Case& c : cases) {
        const SettingsContent content = ParseSettings(c.text);
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(content.parsed, c.parsed);
        EXPECT_EQ(content.parsed, content.problem.empty());
        EXPECT_EQ(content.ports, c.ports);
        EXPECT_EQ(content.warnings.size(), c.warnings);
    }
}

class SettingsFileOnDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/tessaline-settings-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_folder = std::string(folder) + "/홍길동";
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(std::filesystem::path(m_folder).parent_path()); }

    static std::string Contents(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string m_folder;
};

TEST_F(SettingsFileOnDisk, LivesUnderAKoreanConfigFolderOrHome)
{
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome ? savedHome : "";
    ::setenv("XDG_CONFIG_HOME", (m_folder + "/설정").c_str(), 1);
    EXPECT_EQ(SettingsFilePath(), m_folder + "/설정/Local AppWizard-Generated Applications/Tessaline.conf");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", m_folder.c_str(), 1);
    const std::string path = SettingsFilePath();
    EXPECT_EQ(path, m_folder + "/.config/Local AppWizard-Generated Applications/Tessaline.conf");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", home.c_str(), 1);

    // Written from nothing, folders and all, then read back.
    std::string error;
    ASSERT_TRUE(WriteRecentFiles(path, {m_folder + "/로그.txt"}, &error)) << error;
    EXPECT_EQ(ReadSettingsFile(path).recentFiles, Files{m_folder + "/로그.txt"});
}

TEST_F(SettingsFileOnDisk, WritesThroughALinkKeepsTheModeAndNeverTouchesWhatItCannotParse)
{
    const std::string target = m_folder + "/dotfiles.conf", link = m_folder + "/Tessaline.conf";
    std::ofstream(target) << "# mine\n[Ports]\nCOM1=/dev/x\n";
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, link);
    std::string error;
    ASSERT_TRUE(WriteRecentFiles(link, {"/a"}, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Contents(target), "# mine\n[Ports]\nCOM1=/dev/x\n[Recent\\ File\\ List]\nfile1=/a\n");
    struct stat info
    {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << "left behind";

    const std::string broken = "[Ports\nCOM1=/dev/x\n";
    std::ofstream(target, std::ios::trunc) << broken;
    EXPECT_FALSE(ReadSettingsFile(link).parsed);
    EXPECT_FALSE(WriteRecentFiles(link, {"/b"}, &error));
    EXPECT_EQ(Contents(target), broken);

    // A FIFO in place of the file is refused without waiting for a writer.
    ASSERT_EQ(::mkfifo((m_folder + "/fifo.conf").c_str(), 0600), 0);
    EXPECT_FALSE(ReadSettingsFile(m_folder + "/fifo.conf").parsed);
}

}  // namespace
}  // namespace tessaline::app
