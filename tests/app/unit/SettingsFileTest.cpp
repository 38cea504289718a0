// The settings file: what is read from it, that merging what the program
// owns keeps every other byte, and that storing it never loses the file.
#include "app/SettingsFile.h"

#include "app/TerminalKeys.h"
#include "res/Strings.h"
#include "tests/support/CaseFile.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>

namespace tessaline::app {
namespace {

using testing::CaseRow;

// The rows of the settings case file whose first field is `kind`.
std::vector<CaseRow> Cases(const std::string& kind)
{
    std::vector<CaseRow> rows;
    for (const CaseRow& row : testing::ReadCases(TESSALINE_TEST_DATA "/settings_file_cases.txt")) {
        if (row.Text(0) == kind)
            rows.push_back(row);
    }
    EXPECT_FALSE(rows.empty()) << kind;
    return rows;
}

// Options from Key=value items named as the file names them.
TerminalOptions Options(const std::vector<std::string>& items)
{
    using Set = void (*)(TerminalOptions&, const std::string&);
    static const std::map<std::string, Set> setters = {
        {"SendBar", [](TerminalOptions& o, const std::string& v) { o.sendBar = v == "1"; }},
        {"FontSize", [](TerminalOptions& o, const std::string& v) { o.fontSize = std::stoi(v); }},
        {"Reconnect", [](TerminalOptions& o, const std::string& v) { o.reconnect = v == "1"; }},
        {"Timestamps", [](TerminalOptions& o, const std::string& v) { o.timestamps = v == "1"; }},
        {"FrameGapMs", [](TerminalOptions& o, const std::string& v) { o.frameGapMs = std::stoi(v); }},
        {"LogFolder", [](TerminalOptions& o, const std::string& v) { o.logFolder = v; }},
        {"SendHistory", [](TerminalOptions& o, const std::string& v) { o.sendHistory.push_back(v); }},
    };
    TerminalOptions options;
    for (const std::string& item : items) {
        const std::size_t equals = item.find('=');
        setters.at(item.substr(0, equals))(options, item.substr(equals + 1));
    }
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

TEST(SettingsFile, MergesWhatTheProgramOwnsAndKeepsEverythingElse)
{
    for (const CaseRow& c : Cases("merge")) {
        SCOPED_TRACE(c.Text(1));
        const std::string before = c.Text(2);
        const OwnedSettings start{{}, Options(c.List(6))}, now{c.List(3), Options(c.List(5))};
        const std::string merged = MergeSettings(before, start, now);
        EXPECT_EQ(merged, c.Text(4));
        EXPECT_EQ(MergeSettings(merged, start, now), merged) << "merging again changed it";
        const SettingsContent read = ParseSettings(merged);
        EXPECT_TRUE(read.parsed) << read.problem;
        EXPECT_EQ(read.recentFiles, NotEmpty(now.recentFiles));
        // A changed option reads back as it is now, the others as the file had them.
        const auto was = TerminalValues(start.terminal), is = TerminalValues(now.terminal);
        const auto file = TerminalValues(ParseSettings(before).terminal), back = TerminalValues(read.terminal);
        for (std::size_t i = 0; i < is.size(); ++i)
            EXPECT_EQ(back[i], was[i] != is[i] ? is[i] : file[i]) << is[i].first;
        if (start.terminal.sendHistory != now.terminal.sendHistory) {
            EXPECT_EQ(read.terminal.sendHistory, NotEmpty(now.terminal.sendHistory, TerminalOptions::kMaxSendHistory));
        }
    }
}

TEST(SettingsFile, ReadsWhatItOwnsWarnsAboutBadEntriesAndRefusesWhatItCannotParse)
{
    for (const CaseRow& c : Cases("read")) {
        const SettingsContent content = ParseSettings(c.Text(1));
        SCOPED_TRACE("line " + std::to_string(c.Line()));
        std::vector<std::pair<std::string, std::string>> ports;
        for (const std::string& port : c.List(3))
            ports.emplace_back(port.substr(0, port.find('=')), port.substr(port.find('=') + 1));
        EXPECT_EQ(content.parsed, c.Text(2) == "parsed");
        EXPECT_EQ(content.problem, c.Text(5));
        EXPECT_EQ(content.ports, ports);
        EXPECT_EQ(content.warnings.size(), c.Number<std::size_t>(4));
        EXPECT_EQ(content.recentFiles, c.List(6));
        EXPECT_TRUE(content.terminal == Options(c.List(7)));
    }
    const SettingsContent large = ParseSettings(std::string(2 << 20, 'x'));
    EXPECT_FALSE(large.parsed);
    EXPECT_EQ(large.problem, res::FormatString(IDS_SETTINGS_TOO_LARGE));
    EXPECT_TRUE(large.ports.empty() && large.warnings.empty() && large.recentFiles.empty());
    EXPECT_TRUE(large.terminal == TerminalOptions{});
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
    EXPECT_EQ(ReadSettingsFile(path).recentFiles, std::vector<std::string>{m_folder + "/로그.txt"});
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
        std::optional<WithoutPermissionOverride> asOwner;
        if (c.asOwnerOnly)
            asOwner.emplace();
        const bool written = WriteSettings(path, {}, {{"/a"}, {}}, &error);
        asOwner.reset();
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
