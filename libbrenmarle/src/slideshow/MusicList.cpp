#include "slideshow/MusicList.h"

#include <wx/ffile.h>
#include <wx/filefn.h>

#include "system/Log.h"

namespace Brenmarle {

std::vector<MusicList::Song> MusicList::read(const wxString& resourceDir)
{
    const wxString musicDir = resourceDir + wxS("music/");
    const wxString path = musicDir + wxS("music.list");
    wxString text;
    if (!wxFileExists(path))
        return {};
    if (!wxFFile(path, "rb").ReadAll(&text, wxConvUTF8)) {
        QDEBUG("[SLIDESHOW] Could not read the music list %s", path);
        return {};
    }
    return parse(text, musicDir);
}

std::vector<MusicList::Song> MusicList::parse(const wxString& text, const wxString& musicDir)
{
    std::vector<Song> songs;
    size_t from = 0;
    for (size_t end = text.find('\n'); end != wxString::npos; end = text.find('\n', from)) {
        wxString line = text.Mid(from, end - from);
        from = end + 1;
        if (line.EndsWith(wxS("\r")))
            line.RemoveLast();
        const wxString label = line.BeforeFirst('=');
        const wxString file = line.AfterFirst('=');
        if (label.empty() || file.empty() || !line.Contains(wxS("=")))
            continue;
        // A song is a file in the music folder, never a path leading elsewhere.
        if (file.Contains(wxS("/")) || file == wxS(".."))
            continue;
        songs.push_back({label, musicDir + file});
    }
    return songs;
}

} // namespace Brenmarle
