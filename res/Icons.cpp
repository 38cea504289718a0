// The two icon groups as wxIconBundles of their 32x32 and 16x16 images.
#include "res/Icons.h"

#include "res/Images.h"

#include <wx/bitmap.h>
#include <wx/icon.h>

namespace tessaline::res {
namespace {

wxIconBundle BundleOf(int iconId)
{
    wxIconBundle bundle;
    for (int size : {32, 16}) {
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(IconImage(iconId, size)));
        bundle.AddIcon(icon);
    }
    return bundle;
}

}  // namespace

wxIconBundle MainIcons()
{
    return BundleOf(IDR_MAINFRAME);
}

wxIconBundle SecondIcons()
{
    return BundleOf(IDI_SECOND_ICON);
}

}  // namespace tessaline::res
