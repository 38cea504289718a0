// Windows: file names are UTF-16 to the system and to the toolkit, and
// UTF-8 in the program's byte strings.
#include "app/FileNames.h"

namespace tessaline::app {

wxString FileNameToWx(const std::string& bytes)
{
    return wxString::FromUTF8(bytes.data(), bytes.size());
}

std::string FileNameFromWx(const wxString& name)
{
    return name.utf8_string();
}

}  // namespace tessaline::app
