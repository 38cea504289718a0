// Leaves every radio button of a group unchecked. GTK keeps one button of
// each group checked at all times and wxWidgets cannot uncheck one, so a
// group whose value has no button would show its first button checked.
// Here a hidden button joins the group, takes the check, and leaves again.
//
// Threading: GUI thread only.
#pragma once

class wxRadioButton;

namespace tessaline::app {

// Unchecks all buttons of the group `member` belongs to; false when the
// toolkit offers no way to.
bool ClearRadioGroup(wxRadioButton* member);

}  // namespace tessaline::app
