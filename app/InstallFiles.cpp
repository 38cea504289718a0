// Writes the files a desktop installation needs, from the resource tables:
//   tessaline-install-files OUTPUT_DIR
// gives OUTPUT_DIR/tessaline-32.png and tessaline-16.png (the pictures the
// program draws for its own windows) and tessaline.desktop (with the
// version information).
#include "res/Resources.h"

#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool WriteDesktopEntry(const std::string& path)
{
    const tessaline::res::VersionInfo& version = tessaline::res::Version();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=Tessaline\n"
           "GenericName=Serial terminal\n"
           "GenericName[ko]=직렬 포트 터미널\n"
        << "Comment=" << version.productName << " " << tessaline::res::VersionString()
        << ": received bytes in hex, typed characters to the port\n"
        << "Comment[ko]=" << version.fileDescription << " " << tessaline::res::VersionString() << "\n"
        << "Exec=tessaline %f\n"
           "Icon=tessaline\n"
           "Terminal=false\n"
           "Categories=Utility;TerminalEmulator;\n"
           "Keywords=serial;COM;RS-232;tty;terminal;\n"
        << "X-Tessaline-Version=" << tessaline::res::VersionString() << "\n";
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: tessaline-install-files OUTPUT_DIR\n", stderr);
        return 2;
    }
    wxInitializer initializer;
    if (!initializer.IsOk())
        return 1;
    wxImage::AddHandler(new wxPNGHandler);
    const std::string directory = argv[1];
    for (int size : {32, 16}) {
        const std::string path = directory + "/tessaline-" + std::to_string(size) + ".png";
        if (!tessaline::res::IconImage(IDR_MAINFRAME, size).SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG)) {
            std::fprintf(stderr, "tessaline-install-files: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    if (!WriteDesktopEntry(directory + "/tessaline.desktop")) {
        std::fprintf(stderr, "tessaline-install-files: cannot write %s/tessaline.desktop\n", directory.c_str());
        return 1;
    }
    return 0;
}
