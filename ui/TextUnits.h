// Classification of narrow (UTF-8) text into display cells and wrap units.
//
// A character is one valid UTF-8 sequence, a CR LF pair, or a single byte
// that is not part of a valid sequence. A wrap unit is a character, or a
// hex pair with its trailing space ("41 "), which a row never splits.
//
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaline::ui {

enum class CharKind : std::uint8_t {
    Printable,    // drawn as glyph(s)
    LineBreak,    // CR LF or a lone LF: ends the row, takes no cell
    Placeholder,  // control character or invalid byte: drawn as a marker
};

struct CharInfo
{
    std::uint32_t length;     // bytes
    std::uint32_t cells;      // columns it occupies (0 for a line break)
    std::uint32_t codePoint;  // decoded value; the byte itself when invalid
    CharKind kind;
};

// The character starting at text[pos] (pos < size).
CharInfo DecodeChar(const char* text, std::size_t size, std::size_t pos);

// Columns taken by a printable code point: 2 for East Asian wide and
// full-width characters, 1 otherwise.
unsigned CodePointCells(std::uint32_t codePoint);

// The start of the character that contains pos (pos itself when it is a
// boundary). A CR directly before LF starts the pair.
std::size_t CharStartAt(const char* text, std::size_t size, std::size_t pos);

// The wrap unit starting at pos: length in bytes and cells; lineBreak set for
// a line break unit.
struct WrapUnit
{
    std::uint32_t length;
    std::uint32_t cells;
    bool lineBreak;
};
WrapUnit WrapUnitAt(const char* text, std::size_t size, std::size_t pos);

// Wraps text[start, size) into rows of at most widthCells cells, starting a
// row at start. Calls onRowStart(pos) for each further row start. A row
// holds at least one unit however narrow the width. Returns nothing; the
// caller owns the row list.
template <typename OnRowStart>
void WrapRows(const char* text, std::size_t size, std::size_t start, unsigned widthCells, OnRowStart&& onRowStart);

// A piece of a row as drawn: a run of narrow printable characters, one wide
// character or one placeholder. Line breaks yield no piece.
struct DisplayPiece
{
    std::size_t pos;
    std::size_t length;
    unsigned column;
    unsigned cells;
    CharKind kind;
    std::uint32_t codePoint;  // for a single wide character or placeholder
};

// Calls onPiece for each piece of text[begin, end); pieces never straddle
// splitA or splitB (the selection's ends).
template <typename OnPiece>
void ForEachPiece(const char* text, std::size_t size, std::size_t begin, std::size_t end, std::size_t splitA,
                  std::size_t splitB, OnPiece&& onPiece);

// The two-character label drawn for a placeholder: ^@ .. ^_ and ^? for C0
// controls and DEL, two hex digits for C1 controls and invalid bytes.
void PlaceholderLabel(std::uint32_t codePoint, char label[3]);

}  // namespace tessaline::ui

#include "ui/TextUnits.inl"
