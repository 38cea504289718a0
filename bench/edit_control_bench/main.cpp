// Feeds the edit control the way the terminal's receive path does: passes of
// 40 chunks of 300 hex characters appended at the end without undo, each
// pass followed by the event loop so painting is part of the cost.
//
// Default run: one line per text size with the median append time per chunk,
// the median paint time and the resident memory, then the sustained rate.
// --flood: appends 100 M characters under the default scrollback cap and
// prints the resident memory every 10 M characters.
#include "ui/EditControl.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using tessaline::ui::EditControl;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kChunksPerPass = 40;
constexpr int kBytesPerChunk = 100;  // 300 characters of hex

double RssMb()
{
    long pages = 0;
    long resident = 0;
    if (FILE* file = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(file);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class Feeder
{
public:
    explicit Feeder(EditControl& control) : m_control(control) {}

    // One pass; returns the seconds each chunk's append took.
    void Pass(std::vector<double>* appendSeconds)
    {
        static const char kHex[] = "0123456789ABCDEF";
        for (int chunk = 0; chunk < kChunksPerPass; ++chunk) {
            char text[kBytesPerChunk * 3];
            for (int i = 0; i < kBytesPerChunk; ++i) {
                const unsigned char byte = static_cast<unsigned char>(m_next++);
                text[i * 3] = kHex[byte >> 4];
                text[i * 3 + 1] = kHex[byte & 0xF];
                text[i * 3 + 2] = ' ';
            }
            const auto start = Clock::now();
            m_control.AppendText(std::string_view(text, sizeof text));
            if (appendSeconds)
                appendSeconds->push_back(std::chrono::duration<double>(Clock::now() - start).count());
            m_appended += sizeof text;
        }
    }
    std::size_t Appended() const { return m_appended; }

private:
    EditControl& m_control;
    unsigned m_next = 0;
    std::size_t m_appended = 0;
};

// Dispatches whatever is due, painting included.
void RunUntilIdle()
{
    wxTheApp->Yield(true);
}

// Waits for the next paint of the whole window (the update timer fires at
// most about 50 times a second; each pass scrolls by more than a window).
// Paints of a thin strip, which the toolkit asks for while it animates the
// overlay scroll bar, do not count.
bool WaitForPaint(EditControl& control)
{
    const std::size_t before = control.GetStats().paints;
    const wxSize client = control.GetClientSize();
    const long window = static_cast<long>(client.x) * client.y;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (control.GetStats().paints == before || control.GetStats().lastPaintArea < window / 2) {
        if (Clock::now() > deadline)
            return false;
        wxTheApp->Yield(true);
        wxMilliSleep(1);
    }
    return true;
}

void Settle()
{
    for (int i = 0; i < 20; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
}

int RunSizes(EditControl& control, double emptyRss)
{
    Feeder feeder(control);
    const std::size_t sizes[] = {100'000, 1'000'000, 4'000'000, 16'000'000};
    for (const std::size_t size : sizes) {
        while (control.GetTextLength() < size) {
            feeder.Pass(nullptr);
            RunUntilIdle();
        }
        std::vector<double> appendSeconds;
        std::vector<double> paintSeconds;
        for (int pass = 0; pass < 10; ++pass) {
            feeder.Pass(&appendSeconds);
            if (WaitForPaint(control))
                paintSeconds.push_back(control.GetStats().lastPaintSeconds);
        }
        Settle();
        const double rss = RssMb();
        std::printf("size=%zu append_us=%.2f paint_ms=%.3f rss_mb=%.1f\n", size, Median(appendSeconds) * 1e6,
                    Median(paintSeconds) * 1e3, rss);
        std::printf("# measured from %zu to %zu chars; rss target %.1f MB (empty window %.1f MB)\n", size,
                    control.GetTextLength(),
                    emptyRss + 1.5 * static_cast<double>(control.GetTextLength()) / (1024.0 * 1024.0), emptyRss);
        // A full-window paint, forced.
        std::vector<double> fullPaints;
        for (int i = 0; i < 10; ++i) {
            control.Refresh(false);
            control.Update();
            fullPaints.push_back(control.GetStats().lastPaintSeconds);
        }
        std::printf("# full_window_paint_ms=%.3f\n", Median(fullPaints) * 1e3);
        std::fflush(stdout);
    }
    // Sustained rate at 4 M: the scrollback cap holds the text there, so the
    // run includes trimming as well as appends, wrapping and painting.
    const std::size_t limit = control.GetScrollbackLimit();
    control.SetScrollbackLimit(4'000'000);
    Settle();
    const std::size_t startChars = feeder.Appended();
    const std::size_t startPaints = control.GetStats().paints;
    const std::size_t startUpdates = control.GetStats().updates;
    const std::size_t startTrims = control.GetStats().trims;
    const auto start = Clock::now();
    double elapsed = 0;
    while (elapsed < 2.0) {
        feeder.Pass(nullptr);
        RunUntilIdle();
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double rate = static_cast<double>(feeder.Appended() - startChars) / elapsed;
    std::printf("# rate run: %.1f paints/s, %.1f screen updates/s, %zu trims in %.2f s, text %zu chars\n",
                static_cast<double>(control.GetStats().paints - startPaints) / elapsed,
                static_cast<double>(control.GetStats().updates - startUpdates) / elapsed,
                control.GetStats().trims - startTrims, elapsed, control.GetTextLength());
    control.SetScrollbackLimit(limit);

    // The same feed with the caret clicked into the middle of the text: the
    // chunks still go to the end, and the view stays where the caret is.
    control.SetSel(2'000'000, 2'000'000);
    Settle();
    const std::size_t middleStart = feeder.Appended();
    const auto middleBegin = Clock::now();
    elapsed = 0;
    while (elapsed < 1.0) {
        feeder.Pass(nullptr);
        RunUntilIdle();
        elapsed = std::chrono::duration<double>(Clock::now() - middleBegin).count();
    }
    std::printf("# middle_caret_rate_chars_per_s=%.0f (text %zu chars)\n",
                static_cast<double>(feeder.Appended() - middleStart) / elapsed, control.GetTextLength());
    std::printf("rate_chars_per_s=%.0f\n", rate);
    return 0;
}

int RunFlood(EditControl& control, double emptyRss)
{
    Feeder feeder(control);
    std::printf("# flood: 100 M chars, scrollback cap %zu, empty rss %.1f MB\n", control.GetScrollbackLimit(),
                emptyRss);
    std::size_t nextReport = 10'000'000;
    const auto start = Clock::now();
    while (feeder.Appended() < 100'000'000) {
        feeder.Pass(nullptr);
        RunUntilIdle();
        if (feeder.Appended() >= nextReport) {
            std::printf("flood_chars=%zu text=%zu rss_mb=%.1f trims=%zu\n", feeder.Appended(), control.GetTextLength(),
                        RssMb(), control.GetStats().trims);
            std::fflush(stdout);
            nextReport += 10'000'000;
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("flood_rate_chars_per_s=%.0f\n", static_cast<double>(feeder.Appended()) / elapsed);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool flood = argc > 1 && std::strcmp(argv[1], "--flood") == 0;
    wxApp::SetInstance(new wxApp());
    int wxArgc = 1;  // our own options are not wx's
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit())
        return 2;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "edit control bench");
    auto* control = new EditControl(frame);
    frame->SetClientSize(1280, 800);
    frame->Show();
    control->SetFocus();
    Settle();
    const double emptyRss = RssMb();
    const int result = flood ? RunFlood(*control, emptyRss) : RunSizes(*control, emptyRss);
    frame->Destroy();
    Settle();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
