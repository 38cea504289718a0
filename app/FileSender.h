// FileSender: "파일 보내기...": sends a file's bytes raw and in order through
// the connection's output, without stopping the user interface. Only a
// regular file is taken (opened without blocking, as the file argument is).
// The file is read in chunks and at most kInFlight bytes of it wait in the
// output at a time, so memory stays bounded whatever the file's size.
//
// While sending, the message pane shows "보내는 중: 이름 35 %" at most four
// times a second, and the command is checked; choosing it again cancels.
// Cancelling, Disconnect, unplugging and a write failure stop the send and
// say how far it got ("이름: 12,288 / 40,960 바이트를 보냈습니다."); so
// does the end of the file.
//
// Threading: GUI thread only.
#pragma once

#include "app/RegularFile.h"
#include "app/SerialConnection.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class wxWindow;

namespace tessaline::app {

class FileSender
{
public:
    static constexpr std::size_t kReadChunk = 16 * 1024;
    static constexpr std::size_t kInFlight = 64 * 1024;

    // `showMessage` puts a text into the message pane.
    FileSender(SerialConnection& connection, std::function<void(const std::string& text)> showMessage);
    ~FileSender();
    FileSender(const FileSender&) = delete;
    FileSender& operator=(const FileSender&) = delete;

    bool IsSending() const { return m_file.IsOpen(); }

    // The menu command: cancels a send, or asks for a file and sends it.
    void OnCommand(wxWindow* parent);
    // Starts sending the file `path` (file-name bytes); false after telling
    // the user why it cannot be sent.
    bool Start(const std::string& path);
    // The output went on, was held or failed: more of the file, progress,
    // or the end.
    void OnOutputChanged(const PortWriter::State& output);
    // The user cancelled: what of the file still waits in the output is
    // taken back; what the port has already been handed still goes.
    void Cancel();
    // The connection closed (Disconnect or a lost device): the send stops.
    void Stop();

private:
    struct Piece
    {
        std::uint64_t end;  // the output's queued count once this piece was queued
        std::size_t length;
    };

    // Queues more of the file while little of it waits; false when the
    // file cannot be read or the output takes nothing.
    bool Refill();
    // The file's bytes among the `written` bytes of the output; forgets
    // the pieces that have gone out whole.
    std::uint64_t SentBytes(std::uint64_t written);
    // Closes the file and says how far the send got.
    void Finish(std::uint64_t sent);

    SerialConnection& m_connection;
    std::function<void(const std::string& text)> m_showMessage;
    RegularFile m_file;
    std::string m_name;  // shown in messages, UTF-8
    std::uint64_t m_total = 0;
    std::uint64_t m_read = 0;
    std::uint64_t m_done = 0;  // bytes of pieces that are gone from m_pieces
    std::deque<Piece> m_pieces;
    std::uint64_t m_inFlight = 0;  // bytes of m_pieces
    std::chrono::steady_clock::time_point m_lastProgress;
};

}  // namespace tessaline::app
