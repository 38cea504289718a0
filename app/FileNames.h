// File names between the program's byte strings and the toolkit's strings,
// so that a name goes in and comes back as the same bytes. On POSIX systems
// the bytes are the file system's own, taken through the toolkit's
// file-name conversion (app/posix/FileNames.cpp); on Windows they are the
// UTF-8 form of the system's UTF-16 names (app/win32/FileNames.cpp).
//
// Threading: GUI thread (the conversion is the toolkit's).
#pragma once

#include <wx/string.h>

#include <string>

namespace tessaline::app {

wxString FileNameToWx(const std::string& bytes);

std::string FileNameFromWx(const wxString& name);

// UTF-8 text (messages, which may quote names) for the toolkit.
inline wxString TextToWx(const std::string& text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace tessaline::app
