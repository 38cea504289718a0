#include "tests/res/ExpectedResources.h"

#include "tests/support/CaseFile.h"

#include <gtest/gtest.h>

#include <map>

namespace expected {
namespace {

using tessaline::res::ControlKind;
using tessaline::testing::CaseRow;

ControlKind Kind(const std::string& name)
{
    static const std::map<std::string, ControlKind> kinds = {
        {"GroupBox", ControlKind::GroupBox},     {"AutoRadioButton", ControlKind::AutoRadioButton},
        {"PushButton", ControlKind::PushButton}, {"DefPushButton", ControlKind::DefPushButton},
        {"StaticText", ControlKind::StaticText}, {"StaticIcon", ControlKind::StaticIcon},
    };
    return kinds.at(name);
}

void AddRow(Resources& rows, const CaseRow& f)
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
        rows.strings.push_back({f.Number<unsigned>(1), f.Text(2)});
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
    for (const CaseRow& row : tessaline::testing::ReadCases(TESSALINE_EXPECTED_RESOURCES))
        AddRow(rows, row);
    return rows;
}

}  // namespace

const Resources& Rows()
{
    static const Resources rows = Read();
    return rows;
}

}  // namespace expected
