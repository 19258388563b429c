#pragma once
// Lets GoogleTest print wxString values as text in failure messages. Force-included into every
// test source by the test support target.

#include <ostream>

#include <wx/string.h>

inline void PrintTo(const wxString& text, std::ostream* out)
{
    *out << '"' << text.utf8_string() << '"';
}
