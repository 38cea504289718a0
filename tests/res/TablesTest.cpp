// The resource tables hold exactly the expected rows: menus, accelerators,
// toolbars, status indicators, strings, dialog templates and version data.
#include "tests/res/ExpectedResources.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace tessaline::res;

namespace {

// A text a table leaves out, or a row leaves empty, as one word.
std::string Text(const char* text)
{
    return text ? text : "<none>";
}
std::string Text(const std::string& text)
{
    return text.empty() ? "<none>" : text;
}

TEST(MenuTable, HoldsTheFiveMenusWithEveryItemInOrder)
{
    const auto& menus = MainMenu();
    const auto& wanted = expected::Rows().menus;
    ASSERT_EQ(menus.size(), wanted.size());
    for (size_t m = 0; m < menus.size(); ++m) {
        SCOPED_TRACE(wanted[m].title);
        EXPECT_EQ(Text(menus[m].title), wanted[m].title);
        ASSERT_EQ(menus[m].items.size(), wanted[m].items.size());
        for (size_t i = 0; i < menus[m].items.size(); ++i) {
            SCOPED_TRACE("item " + std::to_string(i + 1));
            const MenuItemDef& actual = menus[m].items[i];
            const expected::MenuItem& want = wanted[m].items[i];
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
    const auto& wanted = expected::Rows().accelerators;
    ASSERT_EQ(table.size(), wanted.size());
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        EXPECT_EQ(table[i].virtualKey, wanted[i].virtualKey);
        EXPECT_EQ(table[i].modifiers, wanted[i].flags);
        EXPECT_EQ(table[i].commandId, wanted[i].command);
    }
}

TEST(ToolbarTables, HoldTheButtonsAndSeparatorsOfBothToolbars)
{
    EXPECT_EQ(MainToolbar().id, 128);
    EXPECT_EQ(MainToolbar().entries, expected::Rows().mainToolbar);
    EXPECT_EQ(PortToolbar().id, 134);
    EXPECT_EQ(PortToolbar().entries, expected::Rows().portToolbar);
    for (const ToolbarDef* def : {&MainToolbar(), &PortToolbar()}) {
        EXPECT_EQ(def->buttonWidth, 16);
        EXPECT_EQ(def->buttonHeight, 15);
    }
}

TEST(StatusIndicators, AreTheMessagePaneAndTheThreeLockPanes)
{
    EXPECT_EQ(std::vector<int>(kStatusIndicators, kStatusIndicators + 4),
              (std::vector<int>{0, 0xE701, 0xE702, 0xE703}));
}

TEST(StringTable, HoldsExactlyTheSixtyTwoStringsTheMessagesAndTheCommunicationTexts)
{
    const auto& rows = expected::Rows().strings;
    ASSERT_EQ(rows.size(), 62u + 32u + 27u);  // the sixty-two, the messages, the communication texts
    EXPECT_EQ(StringTable().size(), rows.size());
    for (const expected::String& row : rows) {
        SCOPED_TRACE("string " + std::to_string(row.id));
        EXPECT_EQ(Text(FindString(row.id)), row.text);
    }
    unsigned previous = 0;
    for (const StringDef& entry : StringTable()) {
        EXPECT_GT(entry.id, previous) << "id " << entry.id << " out of order or twice in the table";
        previous = entry.id;
    }
    // Ids outside the table have no string.
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

TEST(DialogTemplates, HoldTitlesSizesStylesAndEveryControlRowAndNoneForAnUnknownId)
{
    for (const expected::Dialog& want : expected::Rows().dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(want.id));
        const DialogDef& def = FindDialog(want.id);
        EXPECT_EQ(std::tuple(def.id, Text(def.title), def.width, def.height, def.systemMenu),
                  std::tuple(want.id, want.title, want.width, want.height, want.systemMenu));
        ASSERT_EQ(def.controls.size(), want.controls.size());
        for (size_t i = 0; i < want.controls.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i + 1));
            const ControlDef& c = def.controls[i];
            const expected::Control& w = want.controls[i];
            EXPECT_EQ(c.id, w.id);
            EXPECT_EQ(c.kind, w.kind);
            if (w.text != "*") {
                EXPECT_EQ(Text(c.text), w.text);
            } else {
                EXPECT_FALSE(Text(c.text).empty());
            }
            // Place and size, then group start, tab stop and no-prefix.
            EXPECT_EQ(std::tuple(c.x, c.y, c.width, c.height, c.groupStart, c.tabStop, c.noPrefix),
                      std::tuple(w.x, w.y, w.width, w.height, w.groupStart, w.tabStop, w.noPrefix));
        }
    }
    EXPECT_EQ(FindDialog(131).id, 0);
    EXPECT_TRUE(FindDialog(131).controls.empty());
}

TEST(VersionInfo, HoldsTheFixedPartAndTheStringBlock)
{
    const VersionInfo& v = Version();
    EXPECT_EQ(std::vector<int>(v.fileVersion, v.fileVersion + 4), (std::vector<int>{1, 0, 0, 1}));
    EXPECT_EQ(std::vector<int>(v.productVersion, v.productVersion + 4), (std::vector<int>{1, 0, 0, 1}));
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
