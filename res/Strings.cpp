// The string table: window title, document string, idle text, command
// prompts with their tooltips, recent-file prompts, indicator texts and
// system-command prompts, and the application's messages. Texts are UTF-8.
#include "res/Strings.h"

#include <algorithm>

namespace tessaline::res {
namespace {

constexpr const char* kRecentFilePrompt = "이 문서를 엽니다";

std::vector<StringDef> BuildTable()
{
    std::vector<StringDef> table{
        {IDR_MAINFRAME, "Tessaline\n\nTessa\n\n\nTessaline.Document\nTessa Document"},
        {AFX_IDS_APP_TITLE, "Tessaline"},
        {AFX_IDS_IDLEMESSAGE, "준비"},
        {ID_FILE_NEW, "새 문서를 작성합니다\n새 파일"},
        {ID_FILE_OPEN, "기존 문서를 엽니다\n열기"},
        {ID_FILE_CLOSE, "현재 열린 문서를 닫습니다\n닫기"},
        {ID_FILE_SAVE, "현재 열린 문서를 저장합니다\n저장"},
        {ID_FILE_SAVE_AS, "현재 열린 문서를 다른 이름으로 저장합니다\n다른 이름으로 저장"},
        {ID_FILE_PAGE_SETUP, "인쇄 옵션을 변경합니다\n쪽 설정"},
        {ID_FILE_PRINT_SETUP, "프린터와 인쇄 옵션을 변경합니다\n인쇄 설정"},
        {ID_FILE_PRINT, "현재 열린 문서를 인쇄합니다\n인쇄"},
        {ID_FILE_PRINT_PREVIEW, "쪽 전체를 표시합니다\n인쇄 미리 보기"},
        {ID_EDIT_CLEAR, "선택 부분을 지웁니다\n지우기"},
        {ID_EDIT_CLEAR_ALL, "모든 것을 지웁니다\n모두 지우기"},
        {ID_EDIT_COPY, "선택 부분을 복사하여 클립보드에 넣습니다\n복사"},
        {ID_EDIT_CUT, "선택 부분을 잘라내어 클립보드에 넣습니다\n잘라내기"},
        {ID_EDIT_FIND, "지정한 문자열을 찾습니다\n찾기"},
        {ID_EDIT_PASTE, "클립보드의 내용을 붙여 넣습니다\n붙여넣기"},
        {ID_EDIT_REPEAT, "마지막으로 실행한 동작을 반복합니다\n반복"},
        {ID_EDIT_REPLACE, "지정한 문자열을 다른 문자열로 바꿉니다\n바꾸기"},
        {ID_EDIT_SELECT_ALL, "문서 전체를 선택합니다\n전체 선택"},
        {ID_EDIT_UNDO, "마지막으로 한 동작을 취소합니다\n실행 취소"},
        {ID_EDIT_REDO, "이전에 취소한 동작을 다시 수행합니다\n다시 실행"},
        {ID_WINDOW_SPLIT, "현재 열린 창을 나눕니다\n나누기"},
        {ID_APP_ABOUT, "프로그램 정보와 버전 정보, 저작권 정보를 표시합니다\n정보"},
        {ID_APP_EXIT, "응용 프로그램을 종료하기 위해 문서를 저장할 것인지 묻습니다\n종료"},
        {ID_NEXT_PANE, "다음 창으로 전환합니다\n다음 창"},
        {ID_PREV_PANE, "이전 창으로 전환합니다\n이전 창"},
        {ID_VIEW_TOOLBAR, "도구 모음을 보이거나 감춥니다\n도구 모음 전환"},
        {ID_VIEW_STATUS_BAR, "상태 표시줄을 표시하거나 감춥니다\n상태 표시줄 전환"},
        {AFX_IDS_PREVIEW_CLOSE, "인쇄 미리 보기 모드를 닫습니다\n미리 보기 취소"},
        {ID_INDICATOR_EXT, "EXT"},
        {ID_INDICATOR_CAPS, "CAP"},
        {ID_INDICATOR_NUM, "NUM"},
        {ID_INDICATOR_SCRL, "SCRL"},
        {ID_INDICATOR_OVR, "OVR"},
        {ID_INDICATOR_REC, "REC"},
        {AFX_IDS_SCSIZE, "창의 크기를 변경합니다"},
        {AFX_IDS_SCMOVE, "창의 위치를 변경합니다"},
        {AFX_IDS_SCMINIMIZE, "창을 아이콘으로 줄여서 표시합니다"},
        {AFX_IDS_SCMAXIMIZE, "창을 최대 크기로 확장합니다"},
        {AFX_IDS_SCNEXTWINDOW, "다음 문서 창으로 전환합니다"},
        {AFX_IDS_SCPREVWINDOW, "이전 문서 창으로 전환합니다"},
        {AFX_IDS_SCCLOSE, "현재 열린 창을 닫고 문서를 저장할 것인지를 묻습니다"},
        {AFX_IDS_SCRESTORE, "창을 원래 크기로 복원합니다"},
        {AFX_IDS_SCTASKLIST, "작업 목록을 활성화합니다"},
        {IDS_CONNECT_FAILED, "%1 포트를 열 수 없습니다."},
        {IDS_CONNECTION_LOST, "%1 장치와의 연결이 끊어졌습니다."},
        {IDS_REASON_NOT_FOUND, "장치가 없습니다."},
        {IDS_REASON_PERMISSION, "권한이 없습니다. 사용자를 dialout 그룹에 추가하십시오."},
        {IDS_REASON_BUSY, "다른 프로그램이 사용 중입니다."},
        {IDS_REASON_NOT_A_TERMINAL, "직렬 포트가 아닙니다."},
        {IDS_CAPTION_ERROR, "%1 오류"},
        {IDS_CAPTION_NOTICE, "%1 알림"},
        {IDS_FILTER_ALL_FILES, "모든 파일 (*.*)"},
        {IDS_DEMO_DEVICE_FAILED, "데모 장치를 만들 수 없습니다: %1"},
        {IDS_FILE_NAME_EMPTY, "파일을 열 수 없습니다: 이름이 비어 있습니다."},
        {IDS_FILE_NAME_NOT_TEXT, "%1을(를) 열 수 없습니다: 이름이 현재 문자 집합에 맞는 글자가 아닙니다."},
        {IDS_FILE_CANNOT_OPEN, "%1을(를) 열 수 없습니다: %2."},
        {IDS_FILE_NOT_A_FILE, "%1을(를) 열 수 없습니다: 파일이 아니라 %2입니다."},
        {IDS_KIND_FOLDER, "폴더"},
        {IDS_KIND_FIFO, "FIFO(이름 있는 파이프)"},
        {IDS_KIND_DEVICE, "장치"},
        {IDS_KIND_SOCKET, "소켓"},
        {IDS_KIND_OTHER, "특수 파일"},
        {IDS_PROBLEM_KIND, "파일이 아니라 %1입니다"},
        {IDS_PROBLEM_NOT_REGULAR, "일반 파일이 아닙니다"},
        {IDS_SETTINGS_NOT_WRITTEN, "설정 파일 %1은(는) 쓰지 않고 그대로 둡니다: %2."},
        {IDS_SETTINGS_WARNING, "설정 파일 %1: %2."},
        {IDS_SETTINGS_TOO_LARGE, "1 MiB보다 큽니다"},
        {IDS_SETTINGS_NOT_UTF8, "UTF-8 텍스트가 아닙니다"},
        {IDS_SETTINGS_OPEN_SECTION, "%1번째 줄의 섹션 이름이 ']'로 닫히지 않습니다"},
        {IDS_PORT_NAME_EMPTY, "포트 이름이 비어 있습니다"},
        {IDS_PORT_NAME_UNKNOWN, "포트는 COM1부터 COM4까지만 있습니다"},
        {IDS_PORT_PATH_EMPTY, "장치 경로가 비어 있습니다"},
        {IDS_PORT_ENTRY_IGNORED, "[Ports] 항목 \"%1=%2\"을(를) 무시합니다: %3"},
        {ID_COMM_SEND_BAR, "바이트를 입력하여 보내는 막대를 보이거나 감춥니다\n보내기 막대"},
        {ID_COMM_SEND_FILE, "파일의 바이트를 그대로 보냅니다. 보내는 중에 고르면 멈춥니다\n파일 보내기"},
        {ID_COMM_DTR, "DTR 선을 켜거나 끕니다\nDTR"},
        {ID_COMM_RTS, "RTS 선을 켜거나 끕니다\nRTS"},
        {ID_COMM_BREAK, "250 ms 동안 브레이크를 보냅니다\n브레이크"},
        {ID_COMM_LOG, "받은 바이트를 파일에 기록하거나 기록을 멈춥니다\n수신 기록"},
        {ID_COMM_RECONNECT, "장치가 끊어지면 같은 장치가 돌아올 때 다시 접속합니다\n자동 재접속"},
        {ID_COMM_TIMESTAMPS, "잠시 쉬었다가 온 바이트를 새 줄에 도착 시각과 함께 표시합니다\n묶음마다 새 줄과 시각"},
        {IDS_SEND_BUTTON, "보내기"},
        {IDS_SEND_BAD_TOKEN, "보낼 수 없습니다: %1번째 칸 '%2'"},
        {IDS_NOT_CONNECTED, "접속되어 있지 않습니다."},
        {IDS_SEND_PROGRESS, "보내는 중: %1 %2 %"},
        {IDS_SEND_STOPPED, "%1: %2 / %3 바이트를 보냈습니다."},
        {IDS_LINES_UNSUPPORTED, "이 장치는 DTR/RTS를 바꿀 수 없습니다."},
        {IDS_OUTPUT_HELD, "장치가 데이터를 받지 않습니다."},
        {IDS_INDICATOR_CTS, "CTS"},
        {IDS_INDICATOR_DSR, "DSR"},
        {IDS_INDICATOR_RI, "RI"},
        {IDS_INDICATOR_DCD, "DCD"},
        {IDS_PANE_CONNECTION, "%1 %2 %3-%4-%5"},
        {IDS_PANE_WAITING, "%1 기다리는 중"},
        {IDS_PANE_COUNTERS, "수신 %1 송신 %2"},
        {IDS_PANE_LOG, "기록"},
        {IDS_LOG_FAILED, "수신 기록을 멈춥니다. %1: %2"},
        {IDS_RECONNECT_WAITING, "%1 장치를 기다리는 중... (%2)"},
        {IDS_RECONNECTED, "%1에 다시 접속했습니다."},
        {IDS_FILTER_LOG_FILES, "수신 기록 (*.bin)"},
        {IDS_SETTINGS_AFTER_SECTION, "%1번째 줄에서 섹션 이름을 닫는 ']' 뒤에 다른 글자가 있습니다"},
        {IDS_SETTINGS_BAD_VALUE, "[%1] %2=%3: 올바른 값이 아니므로 기본값을 씁니다"},
    };
    for (unsigned id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE16; ++id)
        table.push_back({id, kRecentFilePrompt});
    std::sort(table.begin(), table.end(), [](const StringDef& a, const StringDef& b) { return a.id < b.id; });
    return table;
}

}  // namespace

const std::vector<StringDef>& StringTable()
{
    static const std::vector<StringDef> table = BuildTable();
    return table;
}

const char* FindString(unsigned id)
{
    const auto& table = StringTable();
    auto it = std::lower_bound(table.begin(), table.end(), id,
                               [](const StringDef& entry, unsigned key) { return entry.id < key; });
    return it != table.end() && it->id == id ? it->text : nullptr;
}

std::string FormatString(unsigned id, std::initializer_list<std::string_view> arguments)
{
    const std::string_view format = FindString(id) ? FindString(id) : "";
    std::string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char next = i + 1 < format.size() ? format[i + 1] : '\0';
        const std::size_t index = static_cast<std::size_t>(next - '1');
        if (format[i] == '%' && next >= '1' && next <= '9' && index < arguments.size()) {
            text += arguments.begin()[index];
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

wxString PromptOf(int commandId)
{
    const char* text = commandId > 0 ? FindString(static_cast<unsigned>(commandId)) : nullptr;
    return text ? wxString::FromUTF8(text).BeforeFirst('\n') : wxString();
}

wxString TooltipOf(int commandId)
{
    const char* text = commandId > 0 ? FindString(static_cast<unsigned>(commandId)) : nullptr;
    return text ? wxString::FromUTF8(text).AfterFirst('\n') : wxString();
}

}  // namespace tessaline::res
