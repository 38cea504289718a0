#include "app/FileSender.h"

#include "app/ConnectionMessages.h"
#include "app/FileNames.h"
#include "app/Startup.h"
#include "app/TessalineApp.h"
#include "res/Strings.h"
#include "ui/TextEncoding.h"

#include <wx/filedlg.h>
#include <wx/filename.h>

#include <algorithm>

namespace tessaline::app {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

void ShowCannotOpen(const std::string& path, const std::string& problem)
{
    CTessalineApp::ShowMessage(res::FormatString(IDS_FILE_CANNOT_OPEN, {ui::QuotedArgument(path), problem}),
                               wxICON_ERROR);
}

}  // namespace

FileSender::FileSender(SerialConnection& connection, std::function<void(const std::string& text)> showMessage)
    : m_connection(connection), m_showMessage(std::move(showMessage))
{}

FileSender::~FileSender() = default;

void FileSender::OnCommand(wxWindow* parent)
{
    if (IsSending()) {
        Cancel();
        return;
    }
    const wxString wildcard = wxString::FromUTF8(res::FormatString(IDS_FILTER_ALL_FILES)) + "|*";
    wxFileDialog dialog(parent, res::TooltipOf(ID_COMM_SEND_FILE), wxString(), wxString(), wildcard,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return;
    Start(FileNameFromWx(dialog.GetPath()));
}

bool FileSender::Start(const std::string& path)
{
    // The connection may have gone while the dialog was open.
    if (IsSending() || !m_connection.IsOpen())
        return false;
    const std::string problem = RegularFileProblem(path);
    if (!problem.empty()) {
        ShowCannotOpen(path, problem);
        return false;
    }
    // Opened without blocking, in case something else was put in its place.
    if (const std::string reason = m_file.OpenForReading(path); !reason.empty()) {
        ShowCannotOpen(path, reason);
        return false;
    }
    m_name = wxFileName(FileNameToWx(path)).GetFullName().utf8_string();
    m_total = m_file.Size();
    m_read = 0;
    m_done = 0;
    m_inFlight = 0;
    m_pieces.clear();
    m_lastProgress = Clock::now();
    if (!Refill() || (m_pieces.empty() && m_read >= m_total)) {
        Finish(0);
        return true;
    }
    m_showMessage(SendProgressText(m_name, 0, m_total));
    return true;
}

bool FileSender::Refill()
{
    std::string buffer;
    while (m_inFlight < kInFlight && m_read < m_total) {
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadChunk, m_total - m_read)));
        std::string error;
        const std::ptrdiff_t got = m_file.Read(buffer.data(), buffer.size(), &error);
        if (got < 0)
            return false;
        if (got == 0) {
            m_total = m_read;  // the file shrank meanwhile
            break;
        }
        buffer.resize(static_cast<std::size_t>(got));
        const std::uint64_t end = m_connection.Send(buffer);
        if (end == 0)
            return false;
        m_pieces.push_back(Piece{end, buffer.size()});
        m_inFlight += buffer.size();
        m_read += buffer.size();
    }
    return true;
}

std::uint64_t FileSender::SentBytes(std::uint64_t written)
{
    while (!m_pieces.empty() && m_pieces.front().end <= written) {
        m_done += m_pieces.front().length;
        m_inFlight -= m_pieces.front().length;
        m_pieces.pop_front();
    }
    std::uint64_t partial = 0;
    if (!m_pieces.empty()) {
        const std::uint64_t start = m_pieces.front().end - m_pieces.front().length;
        partial = written > start ? written - start : 0;
    }
    return m_done + partial;
}

void FileSender::OnOutputChanged(const PortWriter::State& output)
{
    if (!IsSending())
        return;
    const std::uint64_t sent = SentBytes(output.written);
    if (output.error != 0 || !Refill()) {
        Finish(sent);
        return;
    }
    if (m_pieces.empty() && m_read >= m_total) {
        Finish(sent);
        return;
    }
    // While the output is held the message pane says so instead.
    const auto now = Clock::now();
    if (output.held || now - m_lastProgress < kProgressInterval)
        return;
    m_lastProgress = now;
    m_showMessage(SendProgressText(m_name, sent, m_total));
}

void FileSender::Cancel()
{
    if (!IsSending())
        return;
    SentBytes(m_connection.BytesSent());
    // Taken back from the last piece on, so that the positions of the
    // earlier ones stay as they are; what the writer already holds goes.
    std::uint64_t kept = 0;
    for (auto piece = m_pieces.rbegin(); piece != m_pieces.rend(); ++piece)
        kept += piece->length - m_connection.DiscardOutput(piece->end - piece->length, piece->end);
    Finish(m_done + kept);
}

void FileSender::Stop()
{
    if (IsSending())
        Finish(SentBytes(m_connection.BytesSent()));
}

void FileSender::Finish(std::uint64_t sent)
{
    m_file.Close();
    m_pieces.clear();
    m_inFlight = 0;
    m_showMessage(SendStoppedText(m_name, sent, m_total));
}

}  // namespace tessaline::app
