#pragma once
// The songs the slide show offers as background music: the file "music/music.list" in the
// program's resource folder. Each line reads "label=file name" and ends with a line feed (a
// carriage return before it is allowed); a line with an empty label or file name, or a last
// line without its line feed, gives no song. The file names are taken within "music/".

#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class MusicList {
public:
    struct Song {
        wxString label;
        wxString path;
    };

    // The songs of `resourceDir`/music/music.list (resourceDir ending in "/"); none when there
    // is no such file.
    static std::vector<Song> read(const wxString& resourceDir);
    // The songs of the list's text, their files in `musicDir` (ending in "/").
    static std::vector<Song> parse(const wxString& text, const wxString& musicDir);
};

} // namespace Brenmarle
