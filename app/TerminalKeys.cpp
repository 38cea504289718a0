#include "app/TerminalKeys.h"

#include <cctype>

namespace tessaline::app {
namespace {

// A key: a flag (0 or 1), a number in a range, or else the log folder.
struct Key
{
    std::string_view name;
    bool TerminalOptions::*flag = nullptr;
    int TerminalOptions::*number = nullptr;
    int least = 0, most = 0;
};

using Options = TerminalOptions;
const Key kKeys[] = {
    {"SendBar", &Options::sendBar},
    {"FontSize", nullptr, &Options::fontSize, Options::kMinFontSize, Options::kMaxFontSize},
    {"Reconnect", &Options::reconnect},
    {"Timestamps", &Options::timestamps},
    {"FrameGapMs", nullptr, &Options::frameGapMs, Options::kMinFrameGapMs, Options::kMaxFrameGapMs},
    {"LogFolder"},
};

// Decimal digits only, in the key's range.
bool ReadNumber(const std::string& value, const Key& key, int* number)
{
    if (value.empty() || value.size() > 9)
        return false;
    int read = 0;
    for (const char c : value) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        read = read * 10 + (c - '0');
    }
    if (read < key.least || read > key.most)
        return false;
    *number = read;
    return true;
}

}  // namespace

std::vector<std::pair<std::string_view, std::optional<std::string>>> TerminalValues(const TerminalOptions& options)
{
    std::vector<std::pair<std::string_view, std::optional<std::string>>> values;
    for (const Key& key : kKeys) {
        if (key.number && options.*key.number == 0) {
            values.emplace_back(key.name, std::nullopt);  // no range holds 0: it stands for a missing key
            continue;
        }
        std::string value = key.flag     ? std::string(options.*key.flag ? "1" : "0")
                            : key.number ? std::to_string(options.*key.number)
                                         : options.logFolder;
        values.emplace_back(key.name, std::move(value));
    }
    return values;
}

bool ReadTerminalValue(std::string_view name, const std::string& value, TerminalOptions& options)
{
    for (const Key& key : kKeys) {
        if (key.name != name)
            continue;
        if (key.number)
            return ReadNumber(value, key, &(options.*key.number));
        if (!key.flag) {
            options.logFolder = value;
            return true;
        }
        if (value != "0" && value != "1")
            return false;
        options.*key.flag = value == "1";
        return true;
    }
    return true;
}

}  // namespace tessaline::app
