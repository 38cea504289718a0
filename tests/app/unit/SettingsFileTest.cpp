// The settings file: what is read from it, that merging what the program
// owns keeps every other byte, and that storing it never loses the file.
#include "app/SettingsFile.h"

#include "app/TerminalKeys.h"
#include "res/Resources.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

namespace tessaline::app {
namespace {

using Files = std::vector<std::string>;

TerminalOptions Options(const std::function<void(TerminalOptions&)>& change)
{
    TerminalOptions options;
    change(options);
    return options;
}

std::vector<std::string> NotEmpty(const std::vector<std::string>& values, std::size_t most = 1000)
{
    std::vector<std::string> kept;
    for (const std::string& value : values) {
        if (!value.empty() && kept.size() < most)
            kept.push_back(value);
    }
    return kept;
}

struct MergeCase
{
    const char* what;
    std::string before;
    Files files;
    std::string after;
    TerminalOptions now{};
    TerminalOptions start{};
};

const MergeCase kMergeCases[] = {
    {"nothing to write adds nothing", "", {}, ""},
    {"no empty section for an empty list", "[Ports]\nCOM1=/dev/ttyUSB0\n", {}, "[Ports]\nCOM1=/dev/ttyUSB0\n"},
    {"a new section at the end, after a last line without its newline",
     "; mine\n[Ports]\nCOM1=/dev/x",
     {"/home/홍길동/로그.txt"},
     "; mine\n[Ports]\nCOM1=/dev/x\n[Recent File List]\nfile1=/home/홍길동/로그.txt\n"},
    {"the list replaced where it was (either spelling); comments, unknown lines and other keys stay",
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
     "[Ports]\r\nCOM1=/dev/x\r\n[Recent File List]\r\nfile1=/a b\r\n"},
    {"CR-only line endings are kept and used",
     "[Ports]\rCOM1=/dev/x\r",
     {"/a"},
     "[Ports]\rCOM1=/dev/x\r[Recent File List]\rfile1=/a\r"},
    {"a one-line file ending in a lone CR", "; mine\r", {"/a"}, "; mine\r[Recent File List]\rfile1=/a\r"},
    {"a byte-order mark stays, and the list after it is found",
     "\xEF\xBB\xBF[Recent File List]\nfile1=/old\n",
     {"/a"},
     "\xEF\xBB\xBF[Recent File List]\nfile1=/a\n"},
    {"values escaped as the toolkit's files escape them",
     "",
     {" lead", "back\\slash\ttab", "\"q\"", ""},
     "[Recent File List]\nfile1=\" lead\"\nfile2=back\\\\slash\\ttab\nfile3=\"\\\"q\\\"\"\n"},
    {"a quoted name ending in a backslash, names ending in a blank or a tab, a CR",
     "",
     {" x\\", "/a ", "/b\t", "/c\rd"},
     "[Recent File List]\nfile1=\" x\\\\\"\nfile2=\"/a \"\nfile3=\"/b\\t\"\nfile4=/c\\rd\n"},
    {"bytes that are not UTF-8 as \\xHH, a written \\xE9 as itself",
     "",
     {"/caf\xE9", "/\xFF\xFE.txt", "/\\xE9"},
     "[Recent File List]\nfile1=/caf\\xE9\nfile2=/\\xFF\\xFE.txt\nfile3=/\\\\xE9\n"},
    {"entries are written in their plain form; a semicolon inside a value is no comment",
     "[Recent File List]\n  file1 = /a  ; not a comment\n",
     {"/b", "/a  ; not a comment"},
     "[Recent File List]\nfile1=/b\nfile2=/a  ; not a comment\n"},
    {"the list the file holds leaves it as it is",
     "[Recent File List]\n file1 = /a\n",
     {"/a"},
     "[Recent File List]\n file1 = /a\n"},
    {"changed options go into a new [Terminal], in the file's order; others are not written",
     "[Ports]\nCOM1=/dev/x\n",
     {},
     "[Ports]\nCOM1=/dev/x\n[Terminal]\nFontSize=12\nReconnect=0\nLogFolder=\" 로그\\\\\"\n",
     Options([](TerminalOptions& o) {
         o.fontSize = 12;
         o.reconnect = false;
         o.logFolder = " 로그\\";
     })},
    {"a changed key is rewritten where it was; a user's edit of another key stays",
     "[Terminal]\r\nFontSize = 14 \r\nReconnect=1\r\n# mine\r\n",
     {},
     "[Terminal]\r\nFontSize = 14 \r\nReconnect=0\r\n# mine\r\n",
     Options([](TerminalOptions& o) { o.reconnect = false; })},
    {"a key the section lacks goes after its last line",
     "[Terminal]\nSendBar=1\n\n[Ports]\n",
     {},
     "[Terminal]\nSendBar=1\nTimestamps=1\nFrameGapMs=250\n\n[Ports]\n",
     Options([](TerminalOptions& o) {
         o.timestamps = true;
         o.frameGapMs = 250;
     })},
    {"the last of a repeated key is the one that changes",
     "[Terminal]\nFrameGapMs=5\nFrameGapMs=7",
     {},
     "[Terminal]\nFrameGapMs=5\nFrameGapMs=9",
     Options([](TerminalOptions& o) { o.frameGapMs = 9; })},
    {"the desktop's font size again: the key goes, and the emptied section",
     "[Terminal]\nFontSize=12\n[X]\n",
     {},
     "[X]\n",
     {},
     Options([](TerminalOptions& o) { o.fontSize = 12; })},
    {"unchanged options are not written, whatever the file says",
     "[Terminal]\nFontSize=30\n",
     {"/a"},
     "[Terminal]\nFontSize=30\n[Recent File List]\nfile1=/a\n",
     Options([](TerminalOptions& o) { o.fontSize = 20; }),
     Options([](TerminalOptions& o) { o.fontSize = 20; })},
    {"the history replaced where it was, escaped so that it reads back exactly",
     "[SendHistory]\nItem2=\"AT\" 0D 0A\n; mine\nItem1=01\n",
     {},
     "[SendHistory]\nItem1=\"\\\"AT\\\" 0D 0A\"\nItem2=0D\n; mine\n",
     Options([](TerminalOptions& o) {
         o.sendHistory = {"\"AT\" 0D 0A", "", "0D"};
     })},
    {"an emptied history takes its section along",
     "[SendHistory]\nItem1=01\n[Terminal]\nSendBar=1\n",
     {},
     "[Terminal]\nSendBar=1\n",
     {},
     Options([](TerminalOptions& o) { o.sendHistory = {"01"}; })},
};

TEST(SettingsFile, MergesWhatTheProgramOwnsAndKeepsEverythingElse)
{
    for (const MergeCase& c : kMergeCases) {
        SCOPED_TRACE(c.what);
        const OwnedSettings start{{}, c.start}, now{c.files, c.now};
        const std::string merged = MergeSettings(c.before, start, now);
        EXPECT_EQ(merged, c.after);
        EXPECT_EQ(MergeSettings(merged, start, now), merged) << "merging again changed it";
        const SettingsContent read = ParseSettings(merged);
        EXPECT_TRUE(read.parsed) << read.problem;
        EXPECT_EQ(read.recentFiles, NotEmpty(c.files));
        // A changed option reads back as it is now, the others as the file had them.
        const auto was = TerminalValues(c.start), is = TerminalValues(c.now);
        const auto file = TerminalValues(ParseSettings(c.before).terminal), back = TerminalValues(read.terminal);
        for (std::size_t i = 0; i < is.size(); ++i)
            EXPECT_EQ(back[i], was[i] != is[i] ? is[i] : file[i]) << is[i].first;
        if (c.start.sendHistory != c.now.sendHistory) {
            EXPECT_EQ(read.terminal.sendHistory, NotEmpty(c.now.sendHistory, TerminalOptions::kMaxSendHistory));
        }
    }
}

struct ReadCase
{
    std::string text;
    bool parsed;
    std::vector<std::pair<std::string, std::string>> ports;
    std::size_t warnings;
    std::string problem = {};
    Files recent = {};
    TerminalOptions terminal = {};
};

const std::string kLineOne = "1";
const ReadCase kReadCases[] = {
    {"[Ports]\ncom1=/dev/ttyUSB0\nCOM4 = \"/dev/장치 4\"\n=/dev/null\nCOM5=/dev/x\nCOM2=dev/rel\nCOM3=\n"
     "COM12=/dev/y\n[Other]\nCOM2=/dev/not-a-port\n",
     true,
     {{"COM1", "/dev/ttyUSB0"}, {"COM4", "/dev/장치 4"}, {"COM2", "dev/rel"}},
     4},
    {"[Ports\nCOM1=/dev/x\n", false, {}, 0, res::FormatString(IDS_SETTINGS_OPEN_SECTION, {kLineOne})},
    {"[Ports] junk\n", false, {}, 0, res::FormatString(IDS_SETTINGS_AFTER_SECTION, {kLineOne})},
    {std::string("[Ports]\nCOM1=/dev/x\0\n", 22), false, {}, 0, res::FormatString(IDS_SETTINGS_NOT_UTF8)},
    {"\xff\xfe[\x80\x81]\n", false, {}, 0, res::FormatString(IDS_SETTINGS_NOT_UTF8)},
    {std::string(2 << 20, 'x'), false, {}, 0, res::FormatString(IDS_SETTINGS_TOO_LARGE)},
    {"[Ports]\rCOM1=/dev/x\r[Recent File List]\rfile1=/a\r", true, {{"COM1", "/dev/x"}}, 0, {}, {"/a"}},
    {"\xEF\xBB\xBF[Ports]\nCOM1=/dev/x\n", true, {{"COM1", "/dev/x"}}, 0},
    {"[Recent File List]\nfile2=/b\nfile10=/j\nfile1=/a\nfile0=/no\nfile01=/no\nfile1000=/no\n",
     true,
     {},
     0,
     {},
     {"/a", "/b", "/j"}},
    {"[Terminal]\nSendBar=1\nFontSize=6\nReconnect=0\nTimestamps=1\nFrameGapMs=60000\nLogFolder=/home/user/logs\n"
     "[SendHistory]\nItem2=01 03 00 00 00 0A C5 CD\nItem1=\"AT\" 0D 0A\nItem3=\nItem21=FF\nItem4=\"\\\"x\\\"\"\n",
     true,
     {},
     0,
     {},
     {},
     Options([](TerminalOptions& o) {
         o.sendBar = true;
         o.fontSize = 6;
         o.reconnect = false;
         o.timestamps = true;
         o.frameGapMs = 60000;
         o.logFolder = "/home/user/logs";
         o.sendHistory = {"\"AT\" 0D 0A", "01 03 00 00 00 0A C5 CD", "\"x\""};
     })},
    {"[Terminal]\nSendBar=yes\nFontSize=5\nReconnect=\nTimestamps=2\nFrameGapMs=0\n", true, {}, 5},
    {"[Terminal]\nFontSize=37\nFontSize=+12\nFrameGapMs=60001\nFrameGapMs=1\n",
     true,
     {},
     1,
     {},
     {},
     Options([](TerminalOptions& o) { o.frameGapMs = 1; })},
};

TEST(SettingsFile, ReadsWhatItOwnsWarnsAboutBadEntriesAndRefusesWhatItCannotParse)
{
    for (const ReadCase& c : kReadCases) {
        const SettingsContent content = ParseSettings(c.text);
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(content.parsed, c.parsed);
        EXPECT_EQ(content.problem, c.problem);
        EXPECT_EQ(content.ports, c.ports);
        EXPECT_EQ(content.warnings.size(), c.warnings);
        EXPECT_EQ(content.recentFiles, c.recent);
        EXPECT_TRUE(content.terminal == c.terminal);
    }
    // A bad value is named with its key, as the file holds it (so the message stays UTF-8).
    EXPECT_EQ(ParseSettings("[Terminal]\nFontSize=\\xFF \n").warnings,
              std::vector<std::string>{res::FormatString(IDS_SETTINGS_BAD_VALUE, {"Terminal", "FontSize", "\\xFF"})});
}

using testing::FileContents;

struct stat Status(const std::string& path)
{
    struct stat info
    {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

class SettingsFileOnDisk : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder))
            ::umount2((entry.path() / "disk").c_str(), MNT_DETACH);  // a small disk a case mounted
    }

    testing::ScratchFolder m_scratch{"홍길동"};
    const std::string m_folder = m_scratch.Path();
};

// Root passes every permission check; without CAP_DAC_OVERRIDE in its
// effective set it meets them as the owner of its files would.
class WithoutPermissionOverride
{
public:
    WithoutPermissionOverride()
    {
        ::syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        ::syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutPermissionOverride() { ::syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

TEST_F(SettingsFileOnDisk, LivesUnderAKoreanConfigFolderOrHome)
{
    m_scratch.SetEnv("XDG_CONFIG_HOME", m_folder + "/설정");
    EXPECT_EQ(SettingsFilePath(), m_folder + "/설정/Local AppWizard-Generated Applications/Tessaline.conf");
    m_scratch.SetEnv("XDG_CONFIG_HOME", "relative/ignored");
    m_scratch.SetEnv("HOME", m_folder);
    const std::string path = SettingsFilePath();
    EXPECT_EQ(path, m_folder + "/.config/Local AppWizard-Generated Applications/Tessaline.conf");

    // Written from nothing, folders and all, then read back.
    std::string error;
    ASSERT_TRUE(WriteSettings(path, {}, {{m_folder + "/로그.txt"}, {}}, &error)) << error;
    EXPECT_EQ(ReadSettingsFile(path).recentFiles, Files{m_folder + "/로그.txt"});
}

TEST_F(SettingsFileOnDisk, WritesThroughALinkKeepsTheModeAndNeverTouchesWhatItCannotParse)
{
    const std::string target = m_folder + "/dotfiles.conf", link = m_folder + "/Tessaline.conf";
    std::ofstream(target) << "# mine\n[Ports]\nCOM1=/dev/x\n";
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, link);
    std::string error;
    ASSERT_TRUE(WriteSettings(link, {}, {{"/a"}, {}}, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(FileContents(target), "# mine\n[Ports]\nCOM1=/dev/x\n[Recent File List]\nfile1=/a\n");
    EXPECT_EQ(Status(target).st_mode & 07777, 0640u);
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << "left behind";

    const std::string broken = "[Ports\nCOM1=/dev/x\n";
    std::ofstream(target, std::ios::trunc) << broken;
    EXPECT_FALSE(ReadSettingsFile(link).parsed);
    EXPECT_FALSE(WriteSettings(link, {}, {{"/b"}, {}}, &error));
    EXPECT_EQ(FileContents(target), broken);

    // A FIFO in place of the file is refused without waiting for a writer.
    ASSERT_EQ(::mkfifo((m_folder + "/fifo.conf").c_str(), 0600), 0);
    EXPECT_FALSE(ReadSettingsFile(m_folder + "/fifo.conf").parsed);
}

using Folder = const std::string&;

std::string File(Folder folder, const std::string& contents, mode_t mode)
{
    std::ofstream(folder + "/Tessaline.conf", std::ios::binary) << contents;
    ::chmod((folder + "/Tessaline.conf").c_str(), mode);
    return folder + "/Tessaline.conf";
}

// `contents` in a folder that takes no new file, on a disk with no room
// left; empty when this process may not mount one.
std::string OnAFullDisk(Folder folder, const std::string& contents)
{
    const std::string disk = folder + "/disk", path = disk + "/conf/Tessaline.conf";
    std::filesystem::create_directories(disk);
    if (::geteuid() != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        return {};
    std::filesystem::create_directories(disk + "/conf");
    std::ofstream(path, std::ios::binary) << contents;
    ::chmod((disk + "/conf").c_str(), 0555);
    std::ofstream filler(disk + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
    return path;
}

const std::string kMine = "# mine\n[Ports]\nCOM1=/dev/x\n", kListed = kMine + "[Recent File List]\nfile1=/a\n";
// One page of tmpfs, where the merge changes the first line and needs a few bytes more.
const std::string kHead = "[Recent File List]\nfile1=/\n";
const std::string kPage = kHead + "#" + std::string(4096 - kHead.size() - kMine.size() - 2, 'x') + "\n" + kMine;

struct StoreCase
{
    const char* what;
    std::function<std::string(Folder)> setUp;  // the path to write; empty: it cannot be set up here
    std::string error = {};                    // part of the error; empty: written
    std::string contents = {};                 // what the file holds after
    std::function<void(Folder)> check = [](Folder) {};
    bool asOwnerOnly = false;  // even root meets the permissions
};

const StoreCase kStoreCases[] = {
    {"a link loop is named as one",
     [](Folder folder) {
         std::filesystem::create_symlink(folder + "/b", folder + "/a");
         std::filesystem::create_symlink(folder + "/a", folder + "/b");
         return folder + "/a";
     },
     "symbolic link loop"},
    {"a link to nothing is named as one",
     [](Folder folder) {
         std::filesystem::create_symlink(folder + "/nothing", folder + "/a");
         return folder + "/a";
     },
     "does not exist"},
    {"a read-only file is not written, not even by root", [](Folder folder) { return File(folder, kMine, 0444); },
     "read-only", kMine, [](Folder folder) { EXPECT_EQ(Status(folder + "/Tessaline.conf").st_mode & 07777, 0444u); }},
    {"hard links stay one file, which gets shorter",
     [](Folder folder) {
         File(folder, kMine + "[Recent File List]\nfile1=/a/much/longer/name\n", 0600);
         std::filesystem::create_hard_link(folder + "/Tessaline.conf", folder + "/other");
         return folder + "/Tessaline.conf";
     },
     "", kListed,
     [](Folder folder) {
         EXPECT_EQ(Status(folder + "/Tessaline.conf").st_nlink, 2u);
         EXPECT_EQ(FileContents(folder + "/other"), kListed);
     }},
    {"another owner's file keeps its owner, group and mode",
     [](Folder folder) {
         const std::string path = File(folder, kMine, 0604);
         return ::geteuid() == 0 && ::chown(path.c_str(), 4321, 4322) == 0 ? path : "";
     },
     "", kListed,
     [](Folder folder) {
         const struct stat info = Status(folder + "/Tessaline.conf");
         EXPECT_EQ(info.st_uid, 4321u);
         EXPECT_EQ(info.st_gid, 4322u);
         EXPECT_EQ(info.st_mode & 07777, 0604u);
     }},
    {"a full disk, in a folder that takes no new file, leaves the file as it was",
     [](Folder folder) { return OnAFullDisk(folder, kPage); }, std::strerror(ENOSPC), kPage, [](Folder) {}, true},
};

TEST_F(SettingsFileOnDisk, StoresTheFileWholeOrNotAtAllAndKeepsWhatMakesItTheSameFile)
{
    int number = 0;
    for (const StoreCase& c : kStoreCases) {
        SCOPED_TRACE(c.what);
        const std::string folder = m_folder + "/" + std::to_string(++number);
        std::filesystem::create_directories(folder);
        const std::string path = c.setUp(folder);
        if (path.empty()) {
            std::cout << "[  SKIPPED ] " << c.what << ": needs root\n";
            continue;
        }
        std::string error;
        bool written = false;
        if (c.asOwnerOnly) {
            WithoutPermissionOverride asOwner;
            written = WriteSettings(path, {}, {{"/a"}, {}}, &error);
        } else {
            written = WriteSettings(path, {}, {{"/a"}, {}}, &error);
        }
        EXPECT_EQ(written, c.error.empty()) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(error.find("damaged"), std::string::npos) << error;
        if (!c.contents.empty()) {
            EXPECT_EQ(FileContents(path), c.contents);
        }
        c.check(folder);
    }
}

}  // namespace
}  // namespace tessaline::app
