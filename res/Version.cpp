// Version information of the program.
#include "res/Version.h"

namespace tessaline::res {

const VersionInfo& Version()
{
    static const VersionInfo info{
        {1, 0, 0, 1},
        {1, 0, 0, 1},
        "",
        "Tessaline MFC 응용 프로그램",
        "1, 0, 0, 1",
        "Tessaline",
        "",
        "Tessaline.EXE",
        "Tessaline 응용 프로그램",
        "1, 0, 0, 1",
        0x0412,
        1200,
    };
    return info;
}

std::string VersionString()
{
    const int* v = Version().fileVersion;
    return std::to_string(v[0]) + '.' + std::to_string(v[1]) + '.' + std::to_string(v[2]) + '.' + std::to_string(v[3]);
}

}  // namespace tessaline::res
