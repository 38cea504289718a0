// The resource tables hold exactly the expected rows: menus, accelerators,
// toolbars, status indicators, strings, dialog templates and version data.
#include "tests/res/ExpectedResources.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tessaline::res;

namespace {

std::string Text(const char* text)
{
    return text ? text : "<none>";
}

TEST(MenuTable, HoldsTheFiveMenusWithEveryItemInOrder)
{
    const auto& menus = MainMenu();
    ASSERT_EQ(menus.size(), expected::kMenus.size());
    for (size_t m = 0; m < menus.size(); ++m) {
        SCOPED_TRACE(expected::kMenus[m].title);
        EXPECT_EQ(Text(menus[m].title), expected::kMenus[m].title);
        ASSERT_EQ(menus[m].items.size(), expected::kMenus[m].items.size());
        for (size_t i = 0; i < menus[m].items.size(); ++i) {
            SCOPED_TRACE("item " + std::to_string(i + 1));
            const MenuItemDef& actual = menus[m].items[i];
            const expected::MenuItem& want = expected::kMenus[m].items[i];
            EXPECT_EQ(actual.commandId, want.id);
            EXPECT_EQ(Text(actual.label), Text(want.label));
            EXPECT_EQ(Text(actual.shortcut), Text(want.shortcut));
            EXPECT_EQ(actual.grayed, want.grayed);
        }
    }
}

TEST(AcceleratorTable, HoldsTheSixteenEntriesInOrder)
{
    const auto& table = MainAccelerators();
    ASSERT_EQ(table.size(), expected::kAccelerators.size());
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        EXPECT_EQ(table[i].virtualKey, expected::kAccelerators[i].virtualKey);
        EXPECT_EQ(table[i].modifiers, expected::kAccelerators[i].flags);
        EXPECT_EQ(table[i].commandId, expected::kAccelerators[i].command);
    }
}

TEST(ToolbarTables, HoldTheButtonsAndSeparatorsOfBothToolbars)
{
    EXPECT_EQ(MainToolbar().id, 128);
    EXPECT_EQ(MainToolbar().entries, expected::kMainToolbar);
    EXPECT_EQ(PortToolbar().id, 134);
    EXPECT_EQ(PortToolbar().entries, expected::kPortToolbar);
    for (const ToolbarDef* def : {&MainToolbar(), &PortToolbar()}) {
        EXPECT_EQ(def->buttonWidth, 16);
        EXPECT_EQ(def->buttonHeight, 15);
    }
}

TEST(StatusIndicators, AreTheMessagePaneAndTheThreeLockPanes)
{
    const int want[4] = {0, 0xE701, 0xE702, 0xE703};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(kStatusIndicators[i], want[i]) << "pane " << i + 1;
}

struct ExpectedString
{
    unsigned id;
    const char* text;
};

std::vector<ExpectedString> ExpectedStrings()
{
    std::vector<ExpectedString> rows = {
        {128, "Tessaline\n\nTessa\n\n\nTessaline.Document\nTessa Document"},
        {57344, "Tessaline"},
        {57345, "준비"},
        {57600, "새 문서를 작성합니다\n새 파일"},
        {57601, "기존 문서를 엽니다\n열기"},
        {57602, "현재 열린 문서를 닫습니다\n닫기"},
        {57603, "현재 열린 문서를 저장합니다\n저장"},
        {57604, "현재 열린 문서를 다른 이름으로 저장합니다\n다른 이름으로 저장"},
        {57605, "인쇄 옵션을 변경합니다\n쪽 설정"},
        {57606, "프린터와 인쇄 옵션을 변경합니다\n인쇄 설정"},
        {57607, "현재 열린 문서를 인쇄합니다\n인쇄"},
        {57609, "쪽 전체를 표시합니다\n인쇄 미리 보기"},
        {57632, "선택 부분을 지웁니다\n지우기"},
        {57633, "모든 것을 지웁니다\n모두 지우기"},
        {57634, "선택 부분을 복사하여 클립보드에 넣습니다\n복사"},
        {57635, "선택 부분을 잘라내어 클립보드에 넣습니다\n잘라내기"},
        {57636, "지정한 문자열을 찾습니다\n찾기"},
        {57637, "클립보드의 내용을 붙여 넣습니다\n붙여넣기"},
        {57640, "마지막으로 실행한 동작을 반복합니다\n반복"},
        {57641, "지정한 문자열을 다른 문자열로 바꿉니다\n바꾸기"},
        {57642, "문서 전체를 선택합니다\n전체 선택"},
        {57643, "마지막으로 한 동작을 취소합니다\n실행 취소"},
        {57644, "이전에 취소한 동작을 다시 수행합니다\n다시 실행"},
        {57653, "현재 열린 창을 나눕니다\n나누기"},
        {57664, "프로그램 정보와 버전 정보, 저작권 정보를 표시합니다\n정보"},
        {57665, "응용 프로그램을 종료하기 위해 문서를 저장할 것인지 묻습니다\n종료"},
        {57680, "다음 창으로 전환합니다\n다음 창"},
        {57681, "이전 창으로 전환합니다\n이전 창"},
        {59392, "도구 모음을 보이거나 감춥니다\n도구 모음 전환"},
        {59393, "상태 표시줄을 표시하거나 감춥니다\n상태 표시줄 전환"},
        {61445, "인쇄 미리 보기 모드를 닫습니다\n미리 보기 취소"},
        {59136, "EXT"},
        {59137, "CAP"},
        {59138, "NUM"},
        {59139, "SCRL"},
        {59140, "OVR"},
        {59141, "REC"},
        {61184, "창의 크기를 변경합니다"},
        {61185, "창의 위치를 변경합니다"},
        {61186, "창을 아이콘으로 줄여서 표시합니다"},
        {61187, "창을 최대 크기로 확장합니다"},
        {61188, "다음 문서 창으로 전환합니다"},
        {61189, "이전 문서 창으로 전환합니다"},
        {61190, "현재 열린 창을 닫고 문서를 저장할 것인지를 묻습니다"},
        {61202, "창을 원래 크기로 복원합니다"},
        {61203, "작업 목록을 활성화합니다"},
        // The application's messages.
        {300, "%1 포트를 열 수 없습니다."},
        {301, "%1 장치와의 연결이 끊어졌습니다."},
        {302, "장치가 없습니다."},
        {303, "권한이 없습니다. 사용자를 dialout 그룹에 추가하십시오."},
        {304, "다른 프로그램이 사용 중입니다."},
        {305, "직렬 포트가 아닙니다."},
        {306, "%1 오류"},
        {307, "%1 알림"},
        {308, "모든 파일 (*.*)"},
        {309, "데모 장치를 만들 수 없습니다: %1"},
        {310, "파일을 열 수 없습니다: 이름이 비어 있습니다."},
        {311, "%1을(를) 열 수 없습니다: 이름이 현재 문자 집합에 맞는 글자가 아닙니다."},
        {312, "%1을(를) 열 수 없습니다: %2."},
        {313, "%1을(를) 열 수 없습니다: 파일이 아니라 %2입니다."},
        {314, "폴더"},
        {315, "FIFO(이름 있는 파이프)"},
        {316, "장치"},
        {317, "소켓"},
        {318, "특수 파일"},
        {319, "파일이 아니라 %1입니다"},
        {320, "일반 파일이 아닙니다"},
        {321, "설정 파일 %1은(는) 쓰지 않고 그대로 둡니다: %2."},
        {322, "설정 파일 %1: %2."},
        {323, "1 MiB보다 큽니다"},
        {324, "UTF-8 텍스트가 아닙니다"},
        {325, "%1번째 줄의 섹션 이름이 ']'로 닫히지 않습니다"},
        {326, "포트 이름이 비어 있습니다"},
        {327, "포트는 COM1부터 COM4까지만 있습니다"},
        {328, "장치 경로가 비어 있습니다"},
        {330, "[Ports] 항목 \"%1=%2\"을(를) 무시합니다: %3"},
        // The communication menu's prompts and its texts.
        {32780, "바이트를 입력하여 보내는 막대를 보이거나 감춥니다\n보내기 막대"},
        {32781, "파일의 바이트를 그대로 보냅니다. 보내는 중에 고르면 멈춥니다\n파일 보내기"},
        {32782, "DTR 선을 켜거나 끕니다\nDTR"},
        {32783, "RTS 선을 켜거나 끕니다\nRTS"},
        {32784, "250 ms 동안 브레이크를 보냅니다\n브레이크"},
        {32785, "받은 바이트를 파일에 기록하거나 기록을 멈춥니다\n수신 기록"},
        {32786, "장치가 끊어지면 같은 장치가 돌아올 때 다시 접속합니다\n자동 재접속"},
        {32787, "잠시 쉬었다가 온 바이트를 새 줄에 도착 시각과 함께 표시합니다\n묶음마다 새 줄과 시각"},
        {331, "보내기"},
        {332, "보낼 수 없습니다: %1번째 칸 '%2'"},
        {333, "접속되어 있지 않습니다."},
        {334, "보내는 중: %1 %2 %"},
        {335, "%1: %2 / %3 바이트를 보냈습니다."},
        {336, "이 장치는 DTR/RTS를 바꿀 수 없습니다."},
        {337, "장치가 데이터를 받지 않습니다."},
        {338, "CTS"},
        {339, "DSR"},
        {340, "RI"},
        {341, "DCD"},
        {342, "%1 %2 %3-%4-%5"},
        {343, "%1 기다리는 중"},
        {344, "수신 %1 송신 %2"},
        {345, "기록"},
        {346, "수신 기록을 멈춥니다. %1: %2"},
        {347, "%1 장치를 기다리는 중... (%2)"},
        {348, "%1에 다시 접속했습니다."},
        {349, "수신 기록 (*.bin)"},
        {350, "%1번째 줄에서 섹션 이름을 닫는 ']' 뒤에 다른 글자가 있습니다"},
        {351, "[%1] %2=%3: 올바른 값이 아니므로 기본값을 씁니다"},
    };
    for (unsigned id = 57616; id <= 57631; ++id)
        rows.push_back({id, "이 문서를 엽니다"});
    return rows;
}

TEST(StringTable, HoldsExactlyTheSixtyTwoStringsTheMessagesAndTheCommunicationTexts)
{
    const auto rows = ExpectedStrings();
    ASSERT_EQ(rows.size(), 62u + 32u + 27u);  // the sixty-two, the messages, the communication texts
    EXPECT_EQ(StringTable().size(), rows.size());
    for (const ExpectedString& row : rows) {
        SCOPED_TRACE("string " + std::to_string(row.id));
        EXPECT_EQ(Text(FindString(row.id)), row.text);
    }
    std::set<unsigned> seen;
    unsigned previous = 0;
    for (const StringDef& entry : StringTable()) {
        EXPECT_TRUE(seen.insert(entry.id).second) << "duplicate id " << entry.id;
        EXPECT_GT(entry.id, previous) << "table out of order";
        previous = entry.id;
    }
}

TEST(StringTable, HasNoStringForIdsOutsideTheTable)
{
    for (unsigned id :
         {0u, 1u, 127u, 129u, 32771u, 32772u, 32773u, 57608u, 57610u, 57638u, 59142u, 61444u, 61446u, 65535u})
        EXPECT_EQ(FindString(id), nullptr) << id;
}

TEST(StringTable, FormatsPlacesInOrderWithoutScanningInsertedText)
{
    // A file name holding "%2" stays as it is.
    EXPECT_EQ(FormatString(IDS_FILE_CANNOT_OPEN, {"'a%2b'", "No such file"}),
              "'a%2b'을(를) 열 수 없습니다: No such file.");
    EXPECT_EQ(FormatString(IDS_PORT_ENTRY_IGNORED, {"COM9", "/dev/x", "why"}),
              "[Ports] 항목 \"COM9=/dev/x\"을(를) 무시합니다: why");
    EXPECT_EQ(FormatString(1u, {"x"}), "");
}

TEST(StringTable, SplitsPromptsAndTooltipsAtTheNewline)
{
    EXPECT_EQ(PromptOf(57600).utf8_string(), "새 문서를 작성합니다");
    EXPECT_EQ(TooltipOf(57600).utf8_string(), "새 파일");
    EXPECT_EQ(PromptOf(57664).utf8_string(), "프로그램 정보와 버전 정보, 저작권 정보를 표시합니다");
    EXPECT_EQ(TooltipOf(57664).utf8_string(), "정보");
    // Prompt only: no tooltip part.
    EXPECT_EQ(PromptOf(57617).utf8_string(), "이 문서를 엽니다");
    EXPECT_TRUE(TooltipOf(57617).empty());
    // The port commands have no string at all.
    for (int id : {32771, 32772, 32773}) {
        EXPECT_TRUE(PromptOf(id).empty()) << id;
        EXPECT_TRUE(TooltipOf(id).empty()) << id;
    }
}

TEST(DialogTemplates, HoldTitlesSizesStylesAndEveryControlRow)
{
    for (const expected::Dialog& want : expected::kDialogs) {
        SCOPED_TRACE("dialog " + std::to_string(want.id));
        const DialogDef& def = FindDialog(want.id);
        EXPECT_EQ(def.id, want.id);
        EXPECT_EQ(Text(def.title), want.title);
        EXPECT_EQ(def.width, want.width);
        EXPECT_EQ(def.height, want.height);
        EXPECT_EQ(def.systemMenu, want.systemMenu);
        ASSERT_EQ(def.controls.size(), want.controls.size());
        for (size_t i = 0; i < want.controls.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i + 1));
            const ControlDef& c = def.controls[i];
            const expected::Control& w = want.controls[i];
            EXPECT_EQ(c.id, w.id);
            EXPECT_EQ(c.kind, w.kind);
            if (w.text) {
                EXPECT_EQ(Text(c.text), w.text);
            } else {
                EXPECT_FALSE(Text(c.text).empty());
            }
            EXPECT_EQ(c.x, w.x);
            EXPECT_EQ(c.y, w.y);
            EXPECT_EQ(c.width, w.width);
            EXPECT_EQ(c.height, w.height);
            EXPECT_EQ(c.groupStart, w.groupStart);
            EXPECT_EQ(c.tabStop, w.tabStop);
            EXPECT_EQ(c.noPrefix, w.noPrefix);
        }
    }
}

TEST(DialogTemplates, UnknownIdGivesAnEmptyTemplate)
{
    EXPECT_EQ(FindDialog(131).id, 0);
    EXPECT_TRUE(FindDialog(131).controls.empty());
}

TEST(VersionInfo, HoldsTheFixedPartAndTheStringBlock)
{
    const VersionInfo& v = Version();
    const int oneZeroZeroOne[4] = {1, 0, 0, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v.fileVersion[i], oneZeroZeroOne[i]);
        EXPECT_EQ(v.productVersion[i], oneZeroZeroOne[i]);
    }
    EXPECT_EQ(Text(v.companyName), "");
    EXPECT_EQ(Text(v.fileDescription), "Tessaline MFC 응용 프로그램");
    EXPECT_EQ(Text(v.fileVersionText), "1, 0, 0, 1");
    EXPECT_EQ(Text(v.internalName), "Tessaline");
    EXPECT_EQ(Text(v.legalTrademarks), "");
    EXPECT_EQ(Text(v.originalFilename), "Tessaline.EXE");
    EXPECT_EQ(Text(v.productName), "Tessaline 응용 프로그램");
    EXPECT_EQ(Text(v.productVersionText), "1, 0, 0, 1");
    EXPECT_EQ(v.language, 0x0412u);
    EXPECT_EQ(v.codePage, 1200u);
    EXPECT_EQ(VersionString(), "1.0.0.1");
}

}  // namespace
