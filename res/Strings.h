// The string table: the program's texts by string id, formatting with
// inserted arguments, and the prompt and tooltip of each command.
//
// Threading: the table is constant data; any thread may read it. PromptOf
// and TooltipOf make wxStrings (GUI thread).
#pragma once

#include "res/ResourceIds.h"

#include <wx/string.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline::res {

// UTF-8 text of a string id, or nullptr when the id has none.
const char* FindString(unsigned id);
// The text of a string id with "%1" to "%9" replaced by the arguments in
// order (inserted text is not scanned again); empty when the id has none.
std::string FormatString(unsigned id, std::initializer_list<std::string_view> arguments = {});
struct StringDef
{
    unsigned id;
    const char* text;  // UTF-8
};
const std::vector<StringDef>& StringTable();  // in ascending id order
// The status-bar prompt (first field) and tooltip (second field) of a command
// given by its classic id; empty when the command has no string or no tooltip.
wxString PromptOf(int commandId);
wxString TooltipOf(int commandId);

}  // namespace tessaline::res
