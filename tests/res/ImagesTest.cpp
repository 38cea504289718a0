// Toolbar images and icons: sizes, 16-colour palette, transparency, and
// pictures that differ from each other.
#include "tests/res/ExpectedResources.h"

#include <gtest/gtest.h>
#include <wx/icon.h>

#include <set>
#include <tuple>

using namespace tessaline::res;

namespace {

bool InSixteenColourPalette(unsigned char r, unsigned char g, unsigned char b)
{
    static const std::set<std::tuple<int, int, int>> palette = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
    };
    return palette.count({r, g, b}) != 0;
}

// Checks every pixel is transparent or a palette colour; returns the count
// of drawn pixels.
int CheckPixels(const wxImage& image)
{
    EXPECT_TRUE(image.HasMask());
    int drawn = 0;
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            if (image.IsTransparent(x, y))
                continue;
            ++drawn;
            EXPECT_TRUE(InSixteenColourPalette(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)))
                << "pixel " << x << "," << y;
        }
    }
    return drawn;
}

bool SamePixels(const wxImage& a, const wxImage& b)
{
    if (a.GetSize() != b.GetSize())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y) {
        for (int x = 0; x < a.GetWidth(); ++x) {
            if (a.IsTransparent(x, y) != b.IsTransparent(x, y))
                return false;
            if (!a.IsTransparent(x, y) && (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
                                           a.GetBlue(x, y) != b.GetBlue(x, y)))
                return false;
        }
    }
    return true;
}

const int kButtonCommands[] = {57600, 57601, 57603, 57635, 57634, 57637, 57607, 57664, 32771, 32772, 32773};

TEST(ToolbarImages, AreSixteenByFifteenInTheSixteenColoursAndAllDifferent)
{
    std::vector<wxImage> images;
    for (int command : kButtonCommands) {
        SCOPED_TRACE("command " + std::to_string(command));
        const wxImage image = ToolbarImage(command);
        ASSERT_TRUE(image.IsOk());
        EXPECT_EQ(image.GetSize(), wxSize(16, 15));
        const int drawn = CheckPixels(image);
        EXPECT_GT(drawn, 30) << "a recognisable picture needs pixels";
        EXPECT_LT(drawn, 16 * 15) << "the button face shows around the picture";
        for (const wxImage& other : images)
            EXPECT_FALSE(SamePixels(image, other));
        images.push_back(image);
    }
    EXPECT_FALSE(ToolbarImage(57602).IsOk());
    EXPECT_FALSE(ToolbarImage(0).IsOk());
}

TEST(ToolbarStrip, HoldsTheButtonImagesSideBySideWithoutSeparators)
{
    // A toolbar and the width of its strip.
    const std::pair<const ToolbarDef*, int> strips[] = {{&MainToolbar(), 128}, {&PortToolbar(), 48}};
    for (const auto& [def, width] : strips) {
        const wxImage image = ToolbarStrip(*def).ConvertToImage();
        EXPECT_EQ(image.GetSize(), wxSize(width, 15));
        int x = 0;
        for (int command : def->entries) {
            if (command == 0)
                continue;
            EXPECT_TRUE(SamePixels(image.GetSubImage(wxRect(x, 0, 16, 15)), ToolbarImage(command)))
                << "button at " << x;
            x += 16;
        }
    }
}

TEST(Icons, BothGroupsHoldThirtyTwoAndSixteenPixelImagesInTheSixteenColours)
{
    for (int iconId : {128, 129}) {
        for (int size : {32, 16}) {
            SCOPED_TRACE("icon " + std::to_string(iconId) + " size " + std::to_string(size));
            const wxImage image = IconImage(iconId, size);
            ASSERT_TRUE(image.IsOk());
            EXPECT_EQ(image.GetSize(), wxSize(size, size));
            EXPECT_GT(CheckPixels(image), size * size / 4);
        }
        EXPECT_FALSE(IconImage(iconId, 48).IsOk());
    }
    EXPECT_FALSE(SamePixels(IconImage(128, 32), IconImage(129, 32)));
    EXPECT_FALSE(SamePixels(IconImage(128, 16), IconImage(129, 16)));
    EXPECT_FALSE(IconImage(130, 32).IsOk());
}

TEST(Icons, BundlesCarryBothSizes)
{
    for (const wxIconBundle& bundle : {MainIcons(), SecondIcons()}) {
        EXPECT_EQ(bundle.GetIconCount(), 2u);
        for (int size : {32, 16}) {
            const wxIcon icon = bundle.GetIconOfExactSize(wxSize(size, size));
            ASSERT_TRUE(icon.IsOk()) << size;
            EXPECT_EQ(icon.GetWidth(), size);
            EXPECT_EQ(icon.GetHeight(), size);
        }
    }
}

}  // namespace
