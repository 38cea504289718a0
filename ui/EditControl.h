// The terminal's edit control: a multi-line text control that holds one
// ever-growing text in memory and draws only the rows in view.
//
// Its operations mirror the edit-control messages the application is written
// against (EM_SETSEL, EM_SCROLLCARET, EM_REPLACESEL, EM_GETSEL, ...).
// Positions are byte offsets into the text, which is narrow text in the
// system's encoding (UTF-8 on Linux); no position ever falls inside a
// multi-byte character.
//
// Character keys are not inserted by the control: each typed character goes
// to the character handler the owner sets (the terminal view sends it to the
// port). Backspace, Tab, Enter, Escape and Ctrl+letter count as characters
// (0x08, 0x09, 0x0D, 0x1B, 0x01-0x1A; Ctrl with @ [ \ ] ^ _ gives 0x00 and
// 0x1B-0x1F, see keys::TypedCharacter; Alt with a key types nothing).
// Navigation keys, Delete and the clipboard keys (Ctrl+Insert, Shift+Insert,
// Shift+Delete) are handled by the control itself, and so is Ctrl + mouse
// wheel, which changes the text size.
//
// Threading: GUI thread only, like every wxWindow.
#pragma once

#include <wx/scrolwin.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class wxMenu;
class wxPrintout;

namespace tessaline::ui {

class TextLayout;

class EditControl : public wxScrolledCanvas
{
public:
    using CharHandler = std::function<void(wxChar32 character)>;

    EditControl(wxWindow* parent, wxWindowID id = wxID_ANY);
    ~EditControl() override;

    // EM_SETSEL: selects [start, end) and puts the caret at end (start may
    // be the larger). start -1 drops the selection and leaves the caret where
    // it is; a negative end means the end of the text, so 0, -1 selects
    // everything. Positions past the text clamp to its end; a position inside
    // a character moves to that character's start.
    void SetSel(long start, long end);
    // EM_GETSEL.
    void GetSel(long* start, long* end) const;
    // EM_SCROLLCARET: scrolls the caret into view (on the next screen
    // update). While the user has scrolled the caret out of view with the
    // scroll bar or the mouse wheel, the view stays where the user put it.
    void ScrollCaret();
    // EM_REPLACESEL: replaces the selection (or inserts at the caret) and
    // leaves the caret after the new text. With canUndo false the change is
    // not recorded and cannot be undone.
    void ReplaceSel(std::string_view text, bool canUndo);
    // The terminal's way of adding text: appends it at the end of the text,
    // without undo. The caret and the selection stay on their text, except
    // that a caret at the end with nothing selected moves on with the end;
    // only then does the view keep the end in sight (as ScrollCaret does),
    // so the user can read, select and copy while text streams in.
    void AppendText(std::string_view text);

    std::string GetText() const;
    std::size_t GetTextLength() const;
    // Replaces everything, clears undo; the caret goes to the start and the
    // view to the top, following the caret again.
    void SetText(std::string_view text);

    // One level of undo, as in the classic edit control: a second Undo
    // redoes. Only edits made with undo are recorded; text inserted without
    // undo moves the record along, or drops it when it lands inside it.
    bool CanUndo() const;
    void Undo();
    void Cut();
    void Copy();
    void Paste();
    void Clear();  // deletes the selection
    void SelectAll();
    bool HasSelection() const;

    // EM_LIMITTEXT: the most bytes a user's own edit may bring the text to
    // (0 for no limit). Insertions without undo are not limited by it.
    void SetLimitText(std::size_t limit);

    // Scrollback cap in bytes (default 32 Mi): beyond it whole rows are
    // trimmed from the front in large steps.
    void SetScrollbackLimit(std::size_t bytes);
    std::size_t GetScrollbackLimit() const;

    void SetCharHandler(CharHandler handler);

    // Text size in points. The size in use; a new size, clamped to
    // kSmallestFontPoints..kLargestFontPoints, 0 for the default (the
    // desktop's monospace size, at least 10 points). The text wraps again to
    // the new cells, keeping the first visible text (or the caret) in view.
    static constexpr int kSmallestFontPoints = 6;
    static constexpr int kLargestFontPoints = 36;
    int FontPointSize() const;
    void SetFontPointSize(int points);
    // Ctrl + mouse wheel changes the size by one point per wheel step; the
    // handler then hears the new size (SetFontPointSize does not call it).
    using FontSizeHandler = std::function<void(int points)>;
    void SetFontSizeHandler(FontSizeHandler handler);

    // A printout that lays the current text out on pages.
    std::unique_ptr<wxPrintout> CreatePrintout(const wxString& title) const;

    // Text inserted without undo reaches the screen at most about 30 times a
    // second, 4 while it streams in untouched by the user; this brings the
    // scroll range, the scroll position and the invalidated rows up to date
    // at once.
    void FlushUpdate();

    // View geometry, in rows of the soft-wrapped text.
    std::size_t GetFirstVisibleRow() const;
    std::size_t GetVisibleRowCount() const;
    std::size_t GetCaretRow() const;
    const TextLayout& GetLayout() const;
    // Client position of the top-left corner of the cell holding pos.
    wxPoint PointFromPosition(std::size_t pos) const;
    wxSize GetCellSize() const;   // rounded
    double GetCellWidth() const;  // exact, in pixels

    // The right-button menu (undo, cut, copy, paste, delete, select all),
    // enabled for the current state; RunContextCommand carries out one of
    // its ids and returns false for any other id.
    wxMenu* CreateContextMenu() const;
    bool RunContextCommand(int id);

    // Counters for measurements.
    struct Stats
    {
        std::size_t paints = 0;
        std::size_t updates = 0;
        std::size_t scrolls = 0;
        std::size_t trims = 0;
        std::size_t lastPaintRows = 0;  // text rows the last paint drew
        long lastPaintArea = 0;         // pixels the last paint covered
        double lastPaintSeconds = 0;
        double totalPaintSeconds = 0;
    };
    const Stats& GetStats() const;

    // The control's state, shared by its parts (EditControlImpl.h).
    struct Impl;

private:
    void BindEvents();
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);

    std::unique_ptr<Impl> m_impl;
};

}  // namespace tessaline::ui
