// Writes what the Windows resource compiler needs from the resource tables
// into a folder: tessaline.ico (the program's icon at 16, 32 and 64 pixels,
// 32-bit colour with transparency; 64 is the 32-pixel drawing with each
// pixel repeated) and version.rc (the version block). res/tessaline.rc.in
// includes both. Needs no display: the pictures are drawn into wxImages.
#include "res/Images.h"
#include "res/Version.h"

#include <wx/image.h>
#include <wx/init.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Put16(std::string& out, unsigned value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One icon image: a bitmap header, the colours bottom row first as BGRA,
// then the transparency mask (one bit a pixel, rows padded to 32 bits).
std::string IconImageData(wxImage image)
{
    image.InitAlpha();
    const int size = image.GetWidth();
    std::string data;
    Put32(data, 40);
    Put32(data, static_cast<std::uint32_t>(size));
    Put32(data, static_cast<std::uint32_t>(2 * size));  // colours and mask
    Put16(data, 1);
    Put16(data, 32);
    for (int i = 0; i < 6; ++i)
        Put32(data, 0);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            data += static_cast<char>(image.GetBlue(x, y));
            data += static_cast<char>(image.GetGreen(x, y));
            data += static_cast<char>(image.GetRed(x, y));
            data += static_cast<char>(image.GetAlpha(x, y));
        }
    }
    const int rowBytes = (size + 31) / 32 * 4;
    for (int y = size - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(rowBytes), '\0');
        for (int x = 0; x < size; ++x) {
            if (image.GetAlpha(x, y) == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        }
        data += row;
    }
    return data;
}

std::string IconFile()
{
    std::vector<std::string> images;
    for (int size : {16, 32, 64}) {
        wxImage image = tessaline::res::IconImage(IDR_MAINFRAME, size > 32 ? 32 : size);
        if (size > 32)
            image.Rescale(size, size, wxIMAGE_QUALITY_NEAREST);
        images.push_back(IconImageData(image));
    }
    std::string file;
    Put16(file, 0);
    Put16(file, 1);  // an icon
    Put16(file, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    int index = 0;
    for (int size : {16, 32, 64}) {
        file += static_cast<char>(size);
        file += static_cast<char>(size);
        file += '\0';  // no palette
        file += '\0';
        Put16(file, 1);
        Put16(file, 32);
        Put32(file, static_cast<std::uint32_t>(images[static_cast<std::size_t>(index)].size()));
        Put32(file, offset);
        offset += static_cast<std::uint32_t>(images[static_cast<std::size_t>(index++)].size());
    }
    for (const std::string& image : images)
        file += image;
    return file;
}

std::string Quoted(const char* text)
{
    std::string quoted = "\"";
    for (const char* c = text; *c; ++c)
        quoted += *c == '"' ? std::string("\"\"") : std::string(1, *c);
    return quoted + "\"";
}

std::string Numbers(const int* v)
{
    return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]) + "," + std::to_string(v[3]);
}

std::string VersionBlock()
{
    const tessaline::res::VersionInfo& v = tessaline::res::Version();
    char block[16];
    std::snprintf(block, sizeof block, "%04X%04X", v.language, v.codePage);
    std::string rc = "#pragma code_page(65001)\n1 VERSIONINFO\n";
    rc += "FILEVERSION " + Numbers(v.fileVersion) + "\nPRODUCTVERSION " + Numbers(v.productVersion) + "\n";
    rc += "FILEFLAGSMASK 0x3FL\nFILEFLAGS 0x0L\nFILEOS 0x4L\nFILETYPE 0x1L\nFILESUBTYPE 0x0L\n";
    rc += "BEGIN\n  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK \"" + std::string(block) + "\"\n    BEGIN\n";
    const std::pair<const char*, const char*> strings[] = {
        {"CompanyName", v.companyName},         {"FileDescription", v.fileDescription},
        {"FileVersion", v.fileVersionText},     {"InternalName", v.internalName},
        {"LegalTrademarks", v.legalTrademarks}, {"OriginalFilename", v.originalFilename},
        {"ProductName", v.productName},         {"ProductVersion", v.productVersionText},
    };
    for (const auto& [key, value] : strings)
        rc += "      VALUE \"" + std::string(key) + "\", " + Quoted(value) + "\n";
    rc += "    END\n  END\n  BLOCK \"VarFileInfo\"\n  BEGIN\n";
    rc += "    VALUE \"Translation\", " + std::to_string(v.language) + ", " + std::to_string(v.codePage) + "\n";
    rc += "  END\nEND\n";
    return rc;
}

bool WriteFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary);
    out << contents;
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        std::fprintf(stderr, "cannot initialise wxWidgets\n");
        return 1;
    }
    const std::string folder = argv[1];
    return WriteFile(folder + "/tessaline.ico", IconFile()) && WriteFile(folder + "/version.rc", VersionBlock()) ? 0
                                                                                                                 : 1;
}
