// The [Terminal] keys of the settings file: their names, and how the value
// of each is read from the file and written to it. The names are kept here
// only, so reading and merging cannot disagree.
//
// Threading: pure functions, any thread.
#pragma once

#include "app/TerminalOptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaline::app {

// Each key with the value `options` gives it, in the file's order; no value
// where the key is left out (a font size of 0 is what a missing FontSize
// means). Values are plain text; the file's escapes are the caller's.
std::vector<std::pair<std::string_view, std::optional<std::string>>> TerminalValues(const TerminalOptions& options);

// Sets the option of `key` from `value`. False when the value is not one
// the key takes: the option is left as it was. A key that is not one of
// these changes nothing and is true.
bool ReadTerminalValue(std::string_view key, const std::string& value, TerminalOptions& options);

}  // namespace tessaline::app
