// Gives a window's scroll bars the classic form on wxGTK 3: bars that stay
// in place, instead of the overlay indicators GTK 3 uses by default. An
// overlay indicator fades in at every scroll and out again a moment later,
// and each fade is a run of repaints, so a view that scrolls a few times a
// second as data streams in would keep the toolkit and the display server
// busy between its own updates. The GTK calls are looked up at run time
// from the already loaded toolkit; elsewhere this does nothing.
//
// Threading: GUI thread only.
#pragma once

class wxWindow;

namespace tessaline::ui {

// Switches overlay scrolling off for `window` (created with its scroll
// bars); false when the toolkit has no such setting for it.
bool UseClassicScrollbars(wxWindow& window);

}  // namespace tessaline::ui
