// The fixture of the end-to-end suites and the helpers that drive the real
// program like a user: each suite gets an X server of its own, each test a
// private settings folder (m_config, removed afterwards).
//
// Threading: the test thread only.
#pragma once

#include "tests/app/e2e/PrivateDisplay.h"
#include "tests/app/e2e/Program.h"
#include "tests/support/HexText.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tessaline::e2e {

using testing::FileContents;
using testing::HexText;

// Runs a shell command and returns what it printed.
std::string Capture(const std::string& command);
bool Shell(const std::string& command);

// Gives the toolkit time to open a menu or move the focus; only used
// between keystrokes, never to decide a result.
void Settle();

class EndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    testing::ScratchFolder m_scratch;
    const std::string m_config = m_scratch.Path();
    static PrivateDisplay* s_display;
};

// Focuses `window` and presses each of `keys` (xdotool key names, several
// to an entry allowed) in turn, letting the toolkit settle after each.
void PressKeys(const std::string& window, std::initializer_list<std::string> keys);

// Chooses the File menu's item `steps` enabled items down: four reach
// Connect (New, Open, Save, Save As, then Connect) while Save is enabled and
// the port closed, and Disconnect while it is open.
void ChooseFromFileMenu(const std::string& window, int steps = 4);

// A started program and its main window ("" when none came).
struct Launched
{
    std::unique_ptr<Program> program;
    std::string window;
};

// Starts the program (arguments and environment as Program takes them),
// waits for its first window and, unless `fileMenuSteps` is 0, chooses that
// File menu item there.
Launched Launch(const std::vector<std::string>& args, const std::vector<std::string>& environment = {},
                int fileMenuSteps = 4);

// File > Exit (mnemonic X); the program's exit status.
int ExitThroughTheMenu(const std::string& window, Program& program);

// Everything the view shows, copied through the clipboard, once it holds
// `expectedPart` (or after some tries).
std::string CopyViewText(const std::string& expectedPart);

}  // namespace tessaline::e2e
