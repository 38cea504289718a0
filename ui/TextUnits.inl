// Template part of TextUnits.h.
#pragma once

namespace tessaline::ui {

namespace detail {
inline bool IsHexDigit(unsigned char c)
{
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}
}  // namespace detail

template <typename OnRowStart>
void WrapRows(const char* text, std::size_t size, std::size_t start, unsigned widthCells, OnRowStart&& onRowStart)
{
    const unsigned width = widthCells == 0 ? 1 : widthCells;
    std::size_t pos = start;
    unsigned column = 0;
    while (pos < size) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        std::uint32_t length;
        std::uint32_t cells;
        // Plain ASCII is by far the common case; keep it out of the decoder.
        if (byte >= 0x20 && byte < 0x7F) {
            if (pos + 2 < size && text[pos + 2] == ' ' && detail::IsHexDigit(byte) &&
                detail::IsHexDigit(static_cast<unsigned char>(text[pos + 1]))) {
                length = cells = 3;
            } else {
                length = cells = 1;
            }
        } else {
            const WrapUnit unit = WrapUnitAt(text, size, pos);
            if (unit.lineBreak) {
                pos += unit.length;
                onRowStart(pos);
                column = 0;
                continue;
            }
            length = unit.length;
            cells = unit.cells;
        }
        if (column != 0 && column + cells > width) {
            onRowStart(pos);
            column = 0;
        }
        column += cells;
        pos += length;
    }
}

template <typename OnPiece>
void ForEachPiece(const char* text, std::size_t size, std::size_t begin, std::size_t end, std::size_t splitA,
                  std::size_t splitB, OnPiece&& onPiece)
{
    std::size_t pos = begin;
    unsigned column = 0;
    DisplayPiece run{begin, 0, 0, 0, CharKind::Printable, 0};
    auto flush = [&] {
        if (run.length != 0)
            onPiece(run);
        run.length = 0;
    };
    while (pos < end) {
        if (pos == splitA || pos == splitB)
            flush();
        const auto byte = static_cast<unsigned char>(text[pos]);
        CharInfo info;
        if (byte >= 0x20 && byte < 0x7F)
            info = {1, 1, byte, CharKind::Printable};
        else
            info = DecodeChar(text, size, pos);
        if (info.kind == CharKind::Printable && info.cells == 1) {
            if (run.length == 0)
                run = {pos, 0, column, 0, CharKind::Printable, 0};
            run.length += info.length;
            run.cells += 1;
        } else {
            flush();
            if (info.kind != CharKind::LineBreak)
                onPiece(DisplayPiece{pos, info.length, column, info.cells, info.kind, info.codePoint});
        }
        column += info.cells;
        pos += info.length;
    }
    flush();
}

}  // namespace tessaline::ui
