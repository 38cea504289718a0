// The desktop entry carries the program's name, command, icon and version.
#include "res/Strings.h"
#include "res/Version.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

using namespace tessaline::res;

namespace {

std::map<std::string, std::string> ReadDesktopEntry(std::string* firstLine)
{
    std::ifstream file(TESSALINE_SOURCE_DIR "/res/io.github.tessaline.Tessaline.desktop");
    std::map<std::string, std::string> keys;
    std::getline(file, *firstLine);
    for (std::string line; std::getline(file, line);) {
        const auto equals = line.find('=');
        if (!line.empty() && line[0] != '#' && equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

TEST(DesktopEntry, NamesTheProgramItsIconAndItsVersion)
{
    std::string firstLine;
    auto keys = ReadDesktopEntry(&firstLine);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(firstLine, "[Desktop Entry]");
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Name"], FindString(AFX_IDS_APP_TITLE));
    EXPECT_EQ(keys["Exec"], "tessaline %f");
    EXPECT_EQ(keys["Icon"], "tessaline");
    EXPECT_EQ(keys["Terminal"], "false");
    EXPECT_EQ(keys["Comment[ko]"], "직렬 포트 터미널: 받은 바이트를 16진수로 보여 주고 입력한 문자를 포트로 보냅니다");
    EXPECT_EQ(keys["X-Tessaline-Version"], VersionString());
}

}  // namespace
