// Writes the program's hand-drawn icon as PNG files in the hicolor theme
// layout: <dir>/<size>x<size>/apps/tessaline.png for 16 and 32 pixels (the
// larger sizes are rendered from res/tessaline.svg by the build).
// Needs no display: the pictures are drawn into wxImages.
#include "res/Images.h"

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <icon theme folder>\n", argv[0]);
        return 2;
    }
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        std::fprintf(stderr, "cannot initialise wxWidgets\n");
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);
    for (int size : {16, 32}) {
        const wxString folder = wxString::Format("%s/%dx%d/apps", wxString::FromUTF8(argv[1]), size, size);
        if (!wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL)) {
            std::fprintf(stderr, "cannot create %s\n", static_cast<const char*>(folder.utf8_str()));
            return 1;
        }
        wxImage image = tessaline::res::IconImage(IDR_MAINFRAME, size);
        image.InitAlpha();  // the mask becomes PNG transparency
        const wxString file = folder + "/tessaline.png";
        if (!image.SaveFile(file, wxBITMAP_TYPE_PNG)) {
            std::fprintf(stderr, "cannot write %s\n", static_cast<const char*>(file.utf8_str()));
            return 1;
        }
    }
    return 0;
}
