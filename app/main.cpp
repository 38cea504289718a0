// The program's entry: --help and --version are answered before any window
// system is touched; everything else goes to the application object.
#include "app/CommandLine.h"
#include "app/TessalineApp.h"

#include <cstdio>
#include <cstring>

wxIMPLEMENT_APP_NO_MAIN(CTessalineApp);

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(tessaline::app::UsageText("tessaline").c_str(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(tessaline::app::VersionText().c_str(), stdout);
            return 0;
        }
    }
    return wxEntry(argc, argv);
}
