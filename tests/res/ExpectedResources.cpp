#include "tests/res/ExpectedResources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace expected {
namespace {

using tessaline::res::ControlKind;

// The tab-separated fields of a line, "\n" in them turned into line breaks;
// fields a line leaves out read as empty.
class Fields
{
public:
    explicit Fields(const std::string& line)
    {
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            m_fields.push_back(line.substr(start, tab - start));
        m_fields.push_back(line.substr(start));
        for (std::string& field : m_fields) {
            for (std::size_t at; (at = field.find("\\n")) != std::string::npos;)
                field.replace(at, 2, "\n");
        }
    }
    std::string Text(std::size_t i) const { return i < m_fields.size() ? m_fields[i] : std::string(); }
    int Number(std::size_t i) const { return std::stoi(Text(i), nullptr, 0); }
    // Whether the space-separated words of field i hold `word`.
    bool Has(std::size_t i, const std::string& word) const
    {
        return (" " + Text(i) + " ").find(" " + word + " ") != std::string::npos;
    }

private:
    std::vector<std::string> m_fields;
};

ControlKind Kind(const std::string& name)
{
    static const std::map<std::string, ControlKind> kinds = {
        {"GroupBox", ControlKind::GroupBox},     {"AutoRadioButton", ControlKind::AutoRadioButton},
        {"PushButton", ControlKind::PushButton}, {"DefPushButton", ControlKind::DefPushButton},
        {"StaticText", ControlKind::StaticText}, {"StaticIcon", ControlKind::StaticIcon},
    };
    return kinds.at(name);
}

void AddRow(Resources& rows, const Fields& f)
{
    const std::string kind = f.Text(0);
    if (kind == "menu") {
        rows.menus.push_back({f.Text(1), {}});
    } else if (kind == "item") {
        rows.menus.back().items.push_back({f.Number(1), f.Text(2), f.Text(3), f.Has(4, "grayed")});
    } else if (kind == "accelerator") {
        rows.accelerators.push_back({f.Number(1), f.Number(2), f.Number(3)});
    } else if (kind == "button" && f.Number(1) == 128) {
        rows.mainToolbar.push_back(f.Number(2));
        rows.mainToolbarTooltips.push_back(f.Text(3));
    } else if (kind == "button") {
        rows.portToolbar.push_back(f.Number(2));
    } else if (kind == "string") {
        rows.strings.push_back({static_cast<unsigned>(f.Number(1)), f.Text(2)});
    } else if (kind == "dialog") {
        rows.dialogs.push_back({f.Number(1), f.Text(2), f.Number(3), f.Number(4), f.Has(5, "sysmenu"), {}});
    } else if (kind == "control") {
        rows.dialogs.back().controls.push_back({f.Number(1), Kind(f.Text(2)), f.Text(3), f.Number(4), f.Number(5),
                                                f.Number(6), f.Number(7), f.Has(8, "group"), f.Has(8, "tab"),
                                                f.Has(8, "noprefix")});
    } else {
        ADD_FAILURE() << "unknown row kind " << kind;
    }
}

Resources Read()
{
    Resources rows;
    std::ifstream file(TESSALINE_EXPECTED_RESOURCES);
    EXPECT_TRUE(file.is_open()) << "cannot read " << TESSALINE_EXPECTED_RESOURCES;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line[0] != '#')
            AddRow(rows, Fields(line));
    }
    return rows;
}

}  // namespace

const Resources& Rows()
{
    static const Resources rows = Read();
    return rows;
}

}  // namespace expected
