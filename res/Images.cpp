// Pictures of the toolbar buttons and the icons, drawn in code in the
// 16-colour palette of 4-bit images. Transparent pixels carry the mask
// colour. Only wxImage is used, so the pictures need no display.
#include "res/Images.h"

#include <array>
#include <string_view>

namespace tessaline::res {
namespace {

// The 16 colours of 4-bit images, indexed by the hex digit that names them
// in the pictures below; '.' is transparent.
constexpr unsigned char kPalette[16][3] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
};
// Not a palette colour, so it never hides a drawn pixel.
constexpr unsigned char kMask[3] = {0x12, 0x34, 0x56};

template <std::size_t W, std::size_t H>
struct Picture
{
    std::array<std::string_view, H> rows;
};

constexpr int PaletteIndex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

template <std::size_t W, std::size_t H>
constexpr bool WellFormed(const Picture<W, H>& picture)
{
    for (std::string_view row : picture.rows) {
        if (row.size() != W)
            return false;
        for (char c : row) {
            if (c != '.' && PaletteIndex(c) < 0)
                return false;
        }
    }
    return true;
}

constexpr Picture<16, 15> kNewPicture{{
    "................",
    "...0000000000...",
    "...0FFFFFFFF00..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...0FFFFFFFFF0..",
    "...00000000000..",
    "................",
}};
constexpr Picture<16, 15> kOpenPicture{{
    "..........222...",
    ".........2...2..",
    ".............2..",
    "............222.",
    ".0000........2..",
    "0BBBB0000000....",
    "0BBBBBBBBBBB0...",
    "0BBBBBBBBBBB0...",
    "0BBB00000000000.",
    "0BB03333333330..",
    "0B03333333330...",
    "003333333330....",
    "03333333330.....",
    "00000000000.....",
    "................",
}};
constexpr Picture<16, 15> kSavePicture{{
    "................",
    ".00000000000000.",
    ".044FFFFFFFF440.",
    ".044F888888F440.",
    ".044FFFFFFFF440.",
    ".044F888888F440.",
    ".044FFFFFFFF440.",
    ".04444444444440.",
    ".04444444444440.",
    ".04477777777440.",
    ".04477777447440.",
    ".04477777447440.",
    ".04477777447440.",
    ".00000000000000.",
    "................",
}};
constexpr Picture<16, 15> kCutPicture{{
    "....0.....0.....",
    "....0.....0.....",
    "....00...00.....",
    ".....0...0......",
    ".....00.00......",
    "......0.0.......",
    ".......0........",
    "......4.4.......",
    ".....4...4......",
    "...444...444....",
    "..4...4.4...4...",
    "..4...4.4...4...",
    "..4...4.4...4...",
    "...444...444....",
    "................",
}};
constexpr Picture<16, 15> kCopyPicture{{
    "00000000........",
    "0FFFFFF00.......",
    "0FFFFFFF0.......",
    "0F44444F0.......",
    "0FFFFF000000000.",
    "0F44440FFFFFFF00",
    "0FFFFF0FFFFFFFF0",
    "0F44440F444444F0",
    "0FFFFF0FFFFFFFF0",
    "0000000F444444F0",
    "......0FFFFFFFF0",
    "......0F444444F0",
    "......0FFFFFFFF0",
    "......0FFFFFFFF0",
    "......0000000000",
}};
constexpr Picture<16, 15> kPastePicture{{
    "...00000........",
    "00007770000.....",
    "03300000330.....",
    "03333333330.....",
    "03333333330.....",
    "033333000000000.",
    "0333330FFFFFFF00",
    "0333330FFFFFFFF0",
    "0333330F444444F0",
    "0333330FFFFFFFF0",
    "0333330F444444F0",
    "0333330FFFFFFFF0",
    "0333330F444444F0",
    "0000000FFFFFFFF0",
    "......0000000000",
}};
constexpr Picture<16, 15> kPrintPicture{{
    "....00000000....",
    "....0FFFFFF0....",
    "....0F4444F0....",
    "....0FFFFFF0....",
    "....0FFFFFF0....",
    "0000000000000000",
    "0FFFFFFFFFFFFFF0",
    "0777777777777770",
    "0777777777772A70",
    "0777777777777770",
    "0000000000000000",
    "..08FFFFFFFF80..",
    "..08FFFFFFFF80..",
    "..000000000000..",
    "................",
}};
constexpr Picture<16, 15> kAboutPicture{{
    "....00000000....",
    "...0FFFFFFFF0...",
    "..0FFF4444FFF0..",
    ".0FFF44FF44FFF0.",
    ".0FFFFFFF44FFF0.",
    ".0FFFFFF44FFFF0.",
    ".0FFFFF44FFFFF0.",
    ".0FFFFF44FFFFF0.",
    "..0FFFFFFFFFF0..",
    "...0FFF44FFF0...",
    "....000000000...",
    ".....00.........",
    "....00..........",
    "...0............",
    "................",
}};
constexpr Picture<16, 15> kConnectPicture{{
    "................",
    "......2222......",
    "......2222......",
    "................",
    ".........0000000",
    "8888800007777770",
    "8888807777777770",
    "0000007777777770",
    "8888807777777770",
    "8888800007777770",
    ".........0000000",
    "................",
    "................",
    "................",
    "................",
}};
constexpr Picture<16, 15> kDisconnectPicture{{
    "....9...9.......",
    ".....9.9........",
    "......9.........",
    ".....9.9........",
    "....9...90000000",
    "88880...07777770",
    "88880...77777770",
    "00000...77777770",
    "88880...77777770",
    "88880...07777770",
    ".........0000000",
    "................",
    "................",
    "................",
    "................",
}};
constexpr Picture<16, 15> kSettingsPicture{{
    "................",
    "...8....8....8..",
    "...8....8....8..",
    ".00000..8....8..",
    ".0FFF0..8....8..",
    ".00000..8..00000",
    "...8....8..0FFF0",
    "...8....8..00000",
    "...8..00000..8..",
    "...8..0FFF0..8..",
    "...8..00000..8..",
    "...8....8....8..",
    "...8....8....8..",
    "...8....8....8..",
    "................",
}};

static_assert(WellFormed(kNewPicture) && WellFormed(kOpenPicture) && WellFormed(kSavePicture));
static_assert(WellFormed(kCutPicture) && WellFormed(kCopyPicture) && WellFormed(kPastePicture));
static_assert(WellFormed(kPrintPicture) && WellFormed(kAboutPicture));
static_assert(WellFormed(kConnectPicture) && WellFormed(kDisconnectPicture) && WellFormed(kSettingsPicture));

// A transparent image to draw on with palette colours.
class Canvas
{
public:
    Canvas(int width, int height) : m_image(width, height)
    {
        Fill(0, 0, width, height, -1);
        m_image.SetMaskColour(kMask[0], kMask[1], kMask[2]);
    }
    void Pixel(int x, int y, int colour)
    {
        if (x < 0 || y < 0 || x >= m_image.GetWidth() || y >= m_image.GetHeight())
            return;
        const unsigned char* rgb = colour < 0 ? kMask : kPalette[colour];
        m_image.SetRGB(x, y, rgb[0], rgb[1], rgb[2]);
    }
    void Fill(int x, int y, int width, int height, int colour)
    {
        for (int j = y; j < y + height; ++j) {
            for (int i = x; i < x + width; ++i)
                Pixel(i, j, colour);
        }
    }
    void Frame(int x, int y, int width, int height, int colour)
    {
        Fill(x, y, width, 1, colour);
        Fill(x, y + height - 1, width, 1, colour);
        Fill(x, y, 1, height, colour);
        Fill(x + width - 1, y, 1, height, colour);
    }
    // A filled box with a black outline.
    void Box(int x, int y, int width, int height, int colour)
    {
        Fill(x, y, width, height, colour);
        Frame(x, y, width, height, kBlack);
    }
    template <std::size_t W, std::size_t H>
    void Draw(const Picture<W, H>& picture)
    {
        for (std::size_t y = 0; y < H; ++y) {
            for (std::size_t x = 0; x < W; ++x)
                Pixel(static_cast<int>(x), static_cast<int>(y), PaletteIndex(picture.rows[y][x]));
        }
    }
    const wxImage& Image() const { return m_image; }

    static constexpr int kBlack = 0x0, kGreen = 0x2, kNavy = 0x4, kTeal = 0x6, kSilver = 0x7, kGrey = 0x8, kLime = 0xA,
                         kYellow = 0xB, kBlue = 0xC, kWhite = 0xF;

private:
    wxImage m_image;
};

template <std::size_t W, std::size_t H>
wxImage FromPicture(const Picture<W, H>& picture)
{
    Canvas canvas(static_cast<int>(W), static_cast<int>(H));
    canvas.Draw(picture);
    return canvas.Image();
}

// A DB-9 style plug: a trapezoid shell with two rows of pins.
void DrawPlug(Canvas& c, int x, int y, int width)
{
    const int height = width / 2 + 1;
    for (int row = 0; row < height; ++row) {
        const int inset = row * 2 / height;
        c.Fill(x + inset, y + row, width - 2 * inset, 1, Canvas::kNavy);
        c.Pixel(x + inset, y + row, Canvas::kBlack);
        c.Pixel(x + width - 1 - inset, y + row, Canvas::kBlack);
    }
    c.Fill(x, y, width, 1, Canvas::kBlack);
    c.Fill(x + 1, y + height - 1, width - 2, 1, Canvas::kBlack);
    for (int pin = x + 2; pin < x + width - 2; pin += 2)
        c.Pixel(pin, y + 1 + (height - 2) / 3, Canvas::kYellow);
    for (int pin = x + 3; pin < x + width - 3; pin += 2)
        c.Pixel(pin, y + height - 2, Canvas::kYellow);
}

// Icon 128: a terminal showing rows of hex pairs, with a serial plug.
wxImage TerminalIcon(int size)
{
    Canvas c(size, size);
    if (size >= 32) {
        c.Box(1, 1, 30, 23, Canvas::kSilver);
        c.Box(4, 4, 24, 16, Canvas::kBlack);
        for (int row = 6; row <= 16; row += 3) {
            const int length = row == 15 ? 10 : 20;  // the last row is still being written
            for (int x = 6; x < 6 + length; x += 3)
                c.Fill(x, row, 2, 2, Canvas::kLime);
        }
        c.Fill(24, 21, 3, 1, Canvas::kLime);  // power lamp
        c.Fill(12, 24, 6, 3, Canvas::kGrey);
        c.Box(5, 27, 18, 3, Canvas::kSilver);
        DrawPlug(c, 21, 25, 11);
        c.Fill(25, 22, 3, 3, Canvas::kGrey);  // cable into the plug
    } else {
        c.Box(0, 0, 16, 12, Canvas::kSilver);
        c.Box(2, 2, 12, 8, Canvas::kBlack);
        for (int row = 4; row <= 7; row += 3) {
            for (int x = 4; x < (row == 7 ? 8 : 12); x += 2)
                c.Pixel(x, row, Canvas::kLime);
        }
        c.Fill(5, 12, 4, 1, Canvas::kGrey);
        c.Box(2, 13, 8, 3, Canvas::kSilver);
        DrawPlug(c, 10, 12, 6);
    }
    return c.Image();
}

// Icon 129: a page of hex text.
wxImage DocumentIcon(int size)
{
    Canvas c(size, size);
    const int scale = size >= 32 ? 2 : 1;
    const int left = 3 * scale, top = 0, width = 10 * scale, height = size;
    c.Box(left, top, width, height, Canvas::kWhite);
    const int fold = 3 * scale;
    for (int i = 0; i < fold; ++i) {  // dog-eared corner
        c.Fill(left + width - fold + i, top, fold - i, 1, -1);
        c.Pixel(left + width - fold + i, top + i, Canvas::kBlack);
        c.Pixel(left + width - fold, top + i, Canvas::kBlack);
    }
    c.Fill(left + width - fold, top + fold, fold, 1, Canvas::kBlack);
    for (int row = top + fold + 2 * scale; row < height - 2 * scale; row += 2 * scale) {
        for (int x = left + 2 * scale; x < left + width - 2 * scale; x += 3 * scale)
            c.Fill(x, row, 2 * scale, scale, Canvas::kBlue);
    }
    return c.Image();
}

}  // namespace

wxImage ToolbarImage(int commandId)
{
    switch (commandId) {
    case ID_FILE_NEW: return FromPicture(kNewPicture);
    case ID_FILE_OPEN: return FromPicture(kOpenPicture);
    case ID_FILE_SAVE: return FromPicture(kSavePicture);
    case ID_EDIT_CUT: return FromPicture(kCutPicture);
    case ID_EDIT_COPY: return FromPicture(kCopyPicture);
    case ID_EDIT_PASTE: return FromPicture(kPastePicture);
    case ID_FILE_PRINT: return FromPicture(kPrintPicture);
    case ID_APP_ABOUT: return FromPicture(kAboutPicture);
    case ID_PORT_CONNECT: return FromPicture(kConnectPicture);
    case ID_PORT_DISCONNECT: return FromPicture(kDisconnectPicture);
    case ID_PORT_SETTINGS: return FromPicture(kSettingsPicture);
    default: return wxImage();
    }
}

wxImage IconImage(int iconId, int size)
{
    if (size != 32 && size != 16)
        return wxImage();
    switch (iconId) {
    case IDR_MAINFRAME: return TerminalIcon(size);
    case IDI_SECOND_ICON: return DocumentIcon(size);
    default: return wxImage();
    }
}

}  // namespace tessaline::res
