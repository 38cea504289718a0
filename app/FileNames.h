// File names between the program's byte strings and the toolkit's strings,
// always through the toolkit's file-name conversion, so that a name goes
// in and comes back as the same bytes.
//
// Threading: GUI thread (the conversion is the toolkit's).
#pragma once

#include <wx/string.h>

#include <string>

namespace tessaline::app {

inline wxString FileNameToWx(const std::string& bytes)
{
    return wxString(bytes.c_str(), *wxConvFileName);
}

inline std::string FileNameFromWx(const wxString& name)
{
    const wxCharBuffer bytes = name.fn_str();
    return bytes.data() ? std::string(bytes.data()) : std::string();
}

// UTF-8 text (messages, which may quote names) for the toolkit.
inline wxString TextToWx(const std::string& text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace tessaline::app
