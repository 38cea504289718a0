// Command-id mapping between the classic numbers of the tables and the ids
// the wxWidgets program uses.
#include "res/CommandIds.h"

#include <wx/defs.h>

#include <array>
#include <utility>

namespace tessaline::res {
namespace {

// Standard commands that have a wxWidgets stock id.
constexpr std::array<std::pair<int, int>, 20> kStockIds{{
    {ID_FILE_NEW, wxID_NEW},
    {ID_FILE_OPEN, wxID_OPEN},
    {ID_FILE_CLOSE, wxID_CLOSE},
    {ID_FILE_SAVE, wxID_SAVE},
    {ID_FILE_SAVE_AS, wxID_SAVEAS},
    {ID_FILE_PAGE_SETUP, wxID_PAGE_SETUP},
    {ID_FILE_PRINT_SETUP, wxID_PRINT_SETUP},
    {ID_FILE_PRINT, wxID_PRINT},
    {ID_FILE_PRINT_PREVIEW, wxID_PREVIEW},
    {ID_EDIT_CLEAR, wxID_CLEAR},
    {ID_EDIT_COPY, wxID_COPY},
    {ID_EDIT_CUT, wxID_CUT},
    {ID_EDIT_FIND, wxID_FIND},
    {ID_EDIT_PASTE, wxID_PASTE},
    {ID_EDIT_REPLACE, wxID_REPLACE},
    {ID_EDIT_SELECT_ALL, wxID_SELECTALL},
    {ID_EDIT_UNDO, wxID_UNDO},
    {ID_EDIT_REDO, wxID_REDO},
    {ID_APP_ABOUT, wxID_ABOUT},
    {ID_APP_EXIT, wxID_EXIT},
}};

// The sixteen recent-file commands map onto wxID_FILE1 and the ids after it,
// the range wxFileHistory uses; wxID_FILE1 + 15 is still below wxID_OK.
constexpr int kRecentFileCount = ID_FILE_MRU_FILE16 - ID_FILE_MRU_FILE1 + 1;
static_assert(wxID_FILE1 + kRecentFileCount - 1 < wxID_OK);

// wxWidgets accepts menu ids only below 0x7FFF, and the classic command
// numbers lie above it, so the other commands move down by a fixed offset:
// the program's own commands (0x8000..0xBFFF) to 0x2000..0x5FFF, the
// framework's (0xE000..0xFFFE) to 0x6000..0x7FFE. Both ranges lie above
// wxID_HIGHEST and apart from the stock and automatically assigned ids.
constexpr int kProgramFirst = 0x8000, kProgramEnd = 0xC000, kFrameworkFirst = 0xE000, kClassicEnd = 0xFFFF;
constexpr int kProgramOffset = 0x6000, kFrameworkOffset = 0x8000;
static_assert(kProgramFirst - kProgramOffset > wxID_HIGHEST);
static_assert(kProgramEnd - kProgramOffset <= kFrameworkFirst - kFrameworkOffset);

}  // namespace

int WxIdFromCommand(int commandId)
{
    for (const auto& [classic, wx] : kStockIds) {
        if (classic == commandId)
            return wx;
    }
    if (commandId >= ID_FILE_MRU_FILE1 && commandId <= ID_FILE_MRU_FILE16)
        return wxID_FILE1 + (commandId - ID_FILE_MRU_FILE1);
    if (commandId >= kFrameworkFirst && commandId < kClassicEnd)
        return commandId - kFrameworkOffset;
    if (commandId >= kProgramFirst && commandId < kProgramEnd)
        return commandId - kProgramOffset;
    return commandId;  // not a command number
}

namespace {

int ClassicCandidate(int wxId)
{
    for (const auto& [classic, wx] : kStockIds) {
        if (wx == wxId)
            return classic;
    }
    if (wxId >= wxID_FILE1 && wxId < wxID_FILE1 + kRecentFileCount)
        return ID_FILE_MRU_FILE1 + (wxId - wxID_FILE1);
    // Stock ids the program does not use have no classic command.
    if (wxId >= wxID_LOWEST && wxId <= wxID_HIGHEST)
        return 0;
    if (wxId >= kFrameworkFirst - kFrameworkOffset && wxId < kClassicEnd - kFrameworkOffset)
        return wxId + kFrameworkOffset;
    if (wxId >= kProgramFirst - kProgramOffset && wxId < kProgramEnd - kProgramOffset)
        return wxId + kProgramOffset;
    return wxId;
}

}  // namespace

int CommandFromWxId(int wxId)
{
    // An id in the offset ranges whose command has a stock id is no command
    // of ours (0x6100 is not ID_FILE_NEW, whose id is wxID_NEW).
    const int candidate = ClassicCandidate(wxId);
    return candidate != 0 && WxIdFromCommand(candidate) == wxId ? candidate : 0;
}

int WxIdFromControl(int controlId)
{
    switch (controlId) {
    case 1: return wxID_OK;
    case 2: return wxID_CANCEL;
    case -1: return wxID_ANY;
    default: return controlId;
    }
}

}  // namespace tessaline::res
