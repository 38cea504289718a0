// Version information of the program, also shown by `tessaline --version`
// and the desktop entry.
//
// Threading: constant data; any thread.
#pragma once

#include <string>

namespace tessaline::res {

struct VersionInfo
{
    int fileVersion[4];
    int productVersion[4];
    const char* companyName;
    const char* fileDescription;
    const char* fileVersionText;
    const char* internalName;
    const char* legalTrademarks;
    const char* originalFilename;
    const char* productName;
    const char* productVersionText;
    unsigned language;  // 0x0412
    unsigned codePage;  // 1200
};
const VersionInfo& Version();
std::string VersionString();  // "1.0.0.1"

// The license the program is distributed under, as its SPDX name.
constexpr const char* kLicense = "MIT";

}  // namespace tessaline::res
