#include "tests/app/e2e/EndToEnd.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tessaline::e2e {

using namespace std::chrono_literals;

std::string Capture(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, got);
        ::pclose(pipe);
    }
    return output;
}

bool Shell(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

void Settle()
{
    std::this_thread::sleep_for(400ms);
}

PrivateDisplay* EndToEnd::s_display = nullptr;

void EndToEnd::SetUpTestSuite()
{
    s_display = new PrivateDisplay;
    if (!s_display->Name().empty())
        ::setenv("DISPLAY", s_display->Name().c_str(), 1);
}

void EndToEnd::TearDownTestSuite()
{
    delete s_display;
    s_display = nullptr;
}

void EndToEnd::SetUp()
{
    if (s_display->Name().empty())
        GTEST_SKIP() << "no X server: Xvfb did not start";
    m_scratch.SetEnv("XDG_CONFIG_HOME", m_config);
    m_scratch.SetEnv("TESSALINE_FATAL_ASSERTS", "1");  // a failed toolkit check ends the run
}

void PressKeys(const std::string& window, std::initializer_list<std::string> keys)
{
    EXPECT_TRUE(Shell("xdotool windowfocus --sync " + window)) << window;
    Settle();
    for (const std::string& key : keys) {
        EXPECT_TRUE(Shell("xdotool key " + key)) << key;
        Settle();
    }
}

void ChooseFromFileMenu(const std::string& window, int steps)
{
    std::string down;
    for (int step = 0; step < steps; ++step)
        down += "Down ";
    PressKeys(window, {"alt+f", down + "Return"});
}

Launched Launch(const std::vector<std::string>& args, const std::vector<std::string>& environment, int fileMenuSteps)
{
    Launched launched{std::make_unique<Program>(args, environment), {}};
    launched.window = launched.program->WaitForWindow();
    EXPECT_FALSE(launched.window.empty()) << "no window appeared";
    if (!launched.window.empty() && fileMenuSteps > 0)
        ChooseFromFileMenu(launched.window, fileMenuSteps);
    return launched;
}

int ExitThroughTheMenu(const std::string& window, Program& program)
{
    PressKeys(window, {"alt+f", "x"});
    return program.Wait();
}

std::string CopyViewText(const std::string& expectedPart)
{
    std::string clipboard;
    for (int attempt = 0; attempt < 20 && clipboard.find(expectedPart) == std::string::npos; ++attempt) {
        Shell("xdotool key ctrl+Home ctrl+shift+End ctrl+c");
        std::this_thread::sleep_for(500ms);
        clipboard = Capture("timeout 5 xclip -o -selection clipboard 2>/dev/null");
    }
    return clipboard;
}

}  // namespace tessaline::e2e
