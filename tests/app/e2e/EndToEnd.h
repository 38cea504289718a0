// The end-to-end suite's fixture and helpers: the real program under an X
// display of the suite's own, driven like a user with xdotool, against
// pseudo-terminals standing in for its ports.
#pragma once

#include "tests/app/e2e/PrivateDisplay.h"
#include "tests/app/e2e/Program.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessaline::e2e {

// Runs a shell command and returns what it printed.
std::string Capture(const std::string& command);
bool Shell(const std::string& command);

// Gives the toolkit time to open a menu or move the focus; only used
// between keystrokes, never to decide a result.
void Settle();

// "41 0A " for {0x41, 0x0A}.
std::string ToHex(const std::vector<std::uint8_t>& bytes);

// Focuses the main window and chooses the File menu's item `steps` enabled
// items down: four reach Connect (New, Open, Save, Save As, then Connect)
// while Save is enabled and the port closed.
void ChooseFromFileMenu(const std::string& window, int steps = 4);

// File > Exit (mnemonic X); the program's exit status.
int ExitThroughTheMenu(const std::string& window, Program& program);

// Everything the view shows, copied through the clipboard.
std::string CopyViewText(const std::string& expectedPart);

std::string ReadFile(const std::string& path);

// Every test gets a settings folder of its own (XDG_CONFIG_HOME); the suite
// shares one private X server.
class EndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    std::string m_config;
    static PrivateDisplay* s_display;
};

}  // namespace tessaline::e2e
