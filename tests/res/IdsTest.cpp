// Command and control id mapping between the classic numbers and wxWidgets.
#include "tests/res/ExpectedResources.h"

#include <gtest/gtest.h>
#include <wx/defs.h>

#include <map>
#include <set>

using namespace tessaline::res;

namespace {

// Every command id the resources name: menus, accelerators, toolbars and the
// command prompts of the string table.
std::set<int> AllCommandIds()
{
    std::set<int> ids;
    const expected::Resources& rows = expected::Rows();
    for (const auto& menu : rows.menus) {
        for (const auto& item : menu.items)
            ids.insert(item.id);
    }
    for (const auto& accelerator : rows.accelerators)
        ids.insert(accelerator.command);
    ids.insert(rows.mainToolbar.begin(), rows.mainToolbar.end());
    ids.insert(rows.portToolbar.begin(), rows.portToolbar.end());
    ids.erase(0);
    for (int id : {57600, 57601, 57602, 57603, 57604, 57605, 57606, 57607, 57609, 57632, 57633, 57634, 57635, 57636,
                   57637, 57640, 57641, 57642, 57643, 57644, 57653, 57664, 57665, 57680, 57681, 59392, 59393, 61445})
        ids.insert(id);
    for (int id = 57616; id <= 57631; ++id)
        ids.insert(id);
    return ids;
}

TEST(CommandIds, StandardCommandsUseTheStockIds)
{
    const std::map<int, int> stock = {
        {57600, wxID_NEW},     {57601, wxID_OPEN},       {57602, wxID_CLOSE},       {57603, wxID_SAVE},
        {57604, wxID_SAVEAS},  {57605, wxID_PAGE_SETUP}, {57606, wxID_PRINT_SETUP}, {57607, wxID_PRINT},
        {57609, wxID_PREVIEW}, {57632, wxID_CLEAR},      {57634, wxID_COPY},        {57635, wxID_CUT},
        {57636, wxID_FIND},    {57637, wxID_PASTE},      {57641, wxID_REPLACE},     {57642, wxID_SELECTALL},
        {57643, wxID_UNDO},    {57644, wxID_REDO},       {57664, wxID_ABOUT},       {57665, wxID_EXIT},
        {57616, wxID_FILE1},   {57619, wxID_FILE4},      {57624, wxID_FILE9},
    };
    for (const auto& [classic, wx] : stock) {
        EXPECT_EQ(WxIdFromCommand(classic), wx) << classic;
        EXPECT_EQ(CommandFromWxId(wx), classic) << classic;
    }
}

TEST(CommandIds, EveryCommandMapsToAValidDistinctMenuIdAndBack)
{
    std::set<int> wxIds;
    for (int command : AllCommandIds()) {
        SCOPED_TRACE("command " + std::to_string(command));
        const int wx = WxIdFromCommand(command);
        // wxWidgets accepts menu ids from 0 to 0x7FFE only.
        EXPECT_GT(wx, 0);
        EXPECT_LT(wx, 0x7FFF);
        EXPECT_NE(wx, wxID_OK);
        EXPECT_NE(wx, wxID_CANCEL);
        EXPECT_TRUE(wxIds.insert(wx).second) << "shared wx id " << wx;
        EXPECT_EQ(CommandFromWxId(wx), command);
    }
}

TEST(CommandIds, ProgramCommandsGetIdsOutsideTheStockRange)
{
    for (int command : {32771, 32772, 32773, 57633, 57640, 57653, 57680, 57681, 59392, 59393, 61445})
        EXPECT_GT(WxIdFromCommand(command), wxID_HIGHEST) << command;
}

TEST(CommandIds, IdsThatAreNoCommandOfOursMapToZero)
{
    EXPECT_EQ(CommandFromWxId(wxID_HELP), 0);
    EXPECT_EQ(CommandFromWxId(wxID_OK), 0);
    // The offset position of a stock-mapped command is not that command.
    EXPECT_EQ(CommandFromWxId(57600 - 0x8000), 0);
}

TEST(ControlIds, OkAndCancelBecomeTheStockButtonIds)
{
    EXPECT_EQ(WxIdFromControl(1), wxID_OK);
    EXPECT_EQ(WxIdFromControl(2), wxID_CANCEL);
    EXPECT_EQ(WxIdFromControl(-1), wxID_ANY);
    for (int id : {1000, 1001, 1043, 1200, 1203})
        EXPECT_EQ(WxIdFromControl(id), id);
}

TEST(KeyCodes, VirtualKeysMapToWxKeyCodes)
{
    const std::map<int, int> keys = {
        {'N', 'N'},         {'Z', 'Z'},       {'0', '0'},           {0x08, WXK_BACK}, {0x2E, WXK_DELETE},
        {0x2D, WXK_INSERT}, {0x70, WXK_F1},   {0x75, WXK_F6},       {0x87, WXK_F24},  {0x0D, WXK_RETURN},
        {0x1B, WXK_ESCAPE}, {0x25, WXK_LEFT}, {0x22, WXK_PAGEDOWN},
    };
    for (const auto& [vk, wxKey] : keys)
        EXPECT_EQ(WxKeyFromVirtualKey(vk), wxKey) << vk;
    EXPECT_EQ(WxKeyFromVirtualKey(0xFF), 0);
}

TEST(KeyCodes, ModifierBitsMapToAcceleratorFlags)
{
    EXPECT_EQ(WxAccelFlags(0x01), wxACCEL_NORMAL);
    EXPECT_EQ(WxAccelFlags(0x09), wxACCEL_CTRL);
    EXPECT_EQ(WxAccelFlags(0x05), wxACCEL_SHIFT);
    EXPECT_EQ(WxAccelFlags(0x11), wxACCEL_ALT);
    EXPECT_EQ(WxAccelFlags(0x1D), wxACCEL_CTRL | wxACCEL_SHIFT | wxACCEL_ALT);
}

}  // namespace
