// Floods COM1 (a pseudo-terminal) with random bytes while the real
// application shows them, and reports how fast the bytes became hex text in
// the view and whether that text decodes back to exactly the bytes sent.
// With --log, the receive log is on during the flood and must hold exactly
// the bytes sent.
//
//   receive_bench [megabytes] [--log FILE]   (default 64, no log)
#include "app/MainFrame.h"
#include "app/TessalineApp.h"
#include "app/TessalineView.h"
#include "app/TestPeer.h"
#include "platform/PortNames.h"
#include "tests/support/PtyPair.h"

#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

using tessaline::app::TestPeer;

namespace {

bool DecodesTo(const std::string& text, const std::string& bytes)
{
    if (text.size() != bytes.size() * 3)
        return false;
    auto digit = [](char c) { return c >= 'A' ? c - 'A' + 10 : c - '0'; };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char* pair = &text[i * 3];
        if (pair[2] != ' ' || static_cast<unsigned char>(bytes[i]) != (digit(pair[0]) << 4 | digit(pair[1])))
            return false;
    }
    return true;
}

bool FileHolds(const std::string& path, const std::string& bytes)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {}) == bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    std::size_t megabytes = 64;
    std::string logPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc)
            logPath = argv[++i];
        else
            megabytes = std::strtoul(argv[i], nullptr, 10);
    }
    const std::size_t total = megabytes << 20;

    char folder[] = "/tmp/tessaline-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    ::setenv("XDG_CONFIG_HOME", folder, 1);

    wxApp::SetInstance(new CTessalineApp);
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv)) {
        std::fprintf(stderr, "receive_bench: no display; run it under xvfb-run\n");
        return 1;
    }
    int result = 1;
    {
        wxGUIEventLoop loop;
        wxEventLoopBase::SetActive(&loop);
        if (wxTheApp->CallOnInit()) {
            auto* app = CTessalineApp::Get();
            CMainFrame& frame = *app->GetMainFrame();
            CTessalineView& view = *frame.GetActiveView();
            view.GetEditControl()->SetScrollbackLimit(total * 3 + (1u << 20));

            std::string bytes(total, '\0');
            std::mt19937_64 random(20261207);
            for (std::size_t i = 0; i + 8 <= total; i += 8) {
                const std::uint64_t value = random();
                std::memcpy(&bytes[i], &value, 8);
            }

            tessaline::testing::PtyPair pty;
            tessaline::platform::SetPortAlias("COM1", pty.SlavePath());
            if (!logPath.empty()) {
                std::filesystem::remove(logPath);
                TestPeer::Connection(frame).StartLog(logPath);
            }
            frame.OnPortConnect();
            if (!TestPeer::Connection(frame).IsOpen()) {
                std::fprintf(stderr, "receive_bench: cannot open the pseudo-terminal\n");
            } else {
                std::size_t insertions = 0;
                std::size_t shown = 0;
                const unsigned notificationsBefore = TestPeer::MessagesPosted(TestPeer::Connection(frame));
                const std::size_t expected = total * 3;
                TestPeer::SetInsertionObserver(view, [&](std::string_view text) {
                    ++insertions;
                    shown += text.size();
                    if (shown >= expected)
                        loop.ScheduleExit();
                });
                const auto start = std::chrono::steady_clock::now();
                std::thread writer([&] { pty.Write(bytes.data(), bytes.size()); });
                // The program's own message loop runs until everything is shown.
                wxTimer deadline;
                deadline.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { loop.ScheduleExit(); });
                deadline.StartOnce(10 * 60 * 1000);
                loop.Run();
                const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                writer.join();
                TestPeer::SetInsertionObserver(view, nullptr);
                const std::string text = view.GetEditControl()->GetText();
                const bool exact = DecodesTo(text, bytes);
                const double received = static_cast<double>(shown / 3) / (1 << 20);
                std::printf("received %.1f MB of %zu MB in %.2f s: %.2f MB/s (%.2f MB/s of hex text), "
                            "%zu insertions, %u notifications\n",
                            received, megabytes, seconds, received / seconds, received * 3 / seconds, insertions,
                            TestPeer::MessagesPosted(TestPeer::Connection(frame)) - notificationsBefore);
                std::printf("view text decodes back to the bytes sent: %s\n", exact ? "yes" : "NO");
                frame.OnPortDisconnect();
                bool logged = true;
                if (!logPath.empty()) {
                    TestPeer::Connection(frame).StopLog();
                    logged = FileHolds(logPath, bytes);
                    std::printf("log %s: %ju bytes, equal to the bytes sent: %s\n", logPath.c_str(),
                                static_cast<std::uintmax_t>(std::filesystem::file_size(logPath)),
                                logged ? "yes" : "NO");
                }
                result = exact && logged ? 0 : 2;
            }
            frame.Close(true);
            for (int i = 0; i < 3; ++i) {
                loop.YieldFor(wxEVT_CATEGORY_ALL);
                wxTheApp->ProcessIdle();
            }
            wxTheApp->OnExit();
        }
        wxEventLoopBase::SetActive(nullptr);
    }
    wxEntryCleanup();
    std::filesystem::remove_all(folder);
    return result;
}
