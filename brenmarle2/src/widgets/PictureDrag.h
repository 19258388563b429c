#pragma once
// Pictures dragged between the program's windows and to or from the desktop. A drag from a
// thumbnail view carries the pictures' URIs (for the program itself) and, for pictures with a
// local file, their paths (for the desktop's file manager). A drop accepts either: URIs of
// pictures already catalogued, or paths of files from the desktop.
//
// GUI thread only.

#include <vector>

#include <wx/dataobj.h>
#include <wx/string.h>

class PictureDrag {
public:
    // The format of the URI list: one URI per line, UTF-8.
    static const wxDataFormat& uriFormat();

    static std::string encodeUris(const std::vector<wxString>& uris);
    // Lines that are no URI of a folder we know (empty, no "://") are skipped.
    static std::vector<wxString> decodeUris(const std::string& data);

    // What a drag from a view offers: the URIs, and the paths of the local files.
    static wxDataObject* makeDataObject(const std::vector<wxString>& uris,
                                        const std::vector<wxString>& paths);
};

// What a drop target reads back: URIs when the drag came from the program, else paths.
class PictureDropData : public wxDataObjectComposite {
public:
    PictureDropData();

    std::vector<wxString> getUris() const;
    std::vector<wxString> getPaths() const;
    // Whether the last data received was the program's own URI list.
    bool hasUris() const;

private:
    wxCustomDataObject* m_uris;
    wxFileDataObject* m_files;
};
