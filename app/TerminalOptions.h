// The terminal options the user changes from the communication menu and
// the view, kept in the settings file's [Terminal] section, and the send
// bar's history, kept in [SendHistory]. The defaults are what a missing key
// means.
//
// Threading: plain data.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tessaline::app {

struct TerminalOptions
{
    static constexpr int kMinFontSize = 6, kMaxFontSize = 36;
    static constexpr int kMinFrameGapMs = 1, kMaxFrameGapMs = 60000;
    static constexpr std::size_t kMaxSendHistory = 20;

    bool sendBar = false;                  // SendBar: the send bar is shown at start
    int fontSize = 0;                      // FontSize in points; 0: the desktop's monospace size, at least 10
    bool reconnect = true;                 // Reconnect: wait for a lost device and reopen it
    bool timestamps = false;               // Timestamps: bursts on their own lines with their arrival time
    int frameGapMs = 100;                  // FrameGapMs: the silence that starts a new burst
    std::string logFolder;                 // LogFolder: where the log dialog starts; empty: the current folder
    std::vector<std::string> sendHistory;  // [SendHistory] Item1.., most recent first

    bool operator==(const TerminalOptions& other) const
    {
        return sendBar == other.sendBar && fontSize == other.fontSize && reconnect == other.reconnect &&
               timestamps == other.timestamps && frameGapMs == other.frameGapMs && logFolder == other.logFolder &&
               sendHistory == other.sendHistory;
    }
    bool operator!=(const TerminalOptions& other) const { return !(*this == other); }
};

}  // namespace tessaline::app
