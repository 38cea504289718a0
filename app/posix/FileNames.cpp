// POSIX: file names are byte strings, converted by the toolkit's file-name
// conversion (which keeps bytes that are not text in the user's character
// set).
#include "app/FileNames.h"

namespace tessaline::app {

wxString FileNameToWx(const std::string& bytes)
{
    return wxString(bytes.c_str(), *wxConvFileName);
}

std::string FileNameFromWx(const wxString& name)
{
    const wxCharBuffer bytes = name.fn_str();
    return bytes.data() ? std::string(bytes.data()) : std::string();
}

}  // namespace tessaline::app
