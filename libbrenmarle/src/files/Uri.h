#pragma once
// The URIs that name files and folders. A folder URI ends in "/"; a file URI is its folder's
// URI followed by the file part; the scheme is the text before the first ":".
//
// Pure functions; any thread.

#include <wx/string.h>

namespace Brenmarle {

class Uri {
public:
    // Everything up to and including the last "/" (a folder URI is its own folder).
    static wxString folderOf(const wxString& uri);
    // The text after the last "/".
    static wxString filePartOf(const wxString& uri);
    static wxString schemeOf(const wxString& uri);
    // Albums, the inbox and temporary files are owned by the program.
    static bool isManaged(const wxString& uri);
    // "file://" + path. A backslash is an ordinary character of a Linux file name and stays
    // as it is: written as "/", it would name another file.
    static wxString fromLocalPath(const wxString& path);
    // The local path of a "file://" URI.
    static wxString toLocalPath(const wxString& uri);

    static constexpr size_t ALBUM_URI_LENGTH = 45;
};

} // namespace Brenmarle
