#include "widgets/PictureDrag.h"

#include <wx/tokenzr.h>

const wxDataFormat& PictureDrag::uriFormat()
{
    static const wxDataFormat format("application/x-vistrelle-picture-uris");
    return format;
}

std::string PictureDrag::encodeUris(const std::vector<wxString>& uris)
{
    std::string data;
    for (const wxString& uri : uris) {
        data += uri.utf8_string();
        data += '\n';
    }
    return data;
}

std::vector<wxString> PictureDrag::decodeUris(const std::string& data)
{
    std::vector<wxString> uris;
    for (const wxString& line : wxStringTokenize(wxString::FromUTF8(data), "\r\n")) {
        if (line.Contains("://"))
            uris.push_back(line);
    }
    return uris;
}

wxDataObject* PictureDrag::makeDataObject(const std::vector<wxString>& uris,
                                          const std::vector<wxString>& paths)
{
    auto* composite = new wxDataObjectComposite;
    auto* own = new wxCustomDataObject(uriFormat());
    const std::string data = encodeUris(uris);
    own->SetData(data.size(), data.data());
    composite->Add(own, true);
    if (!paths.empty()) {
        auto* files = new wxFileDataObject;
        for (const wxString& path : paths)
            files->AddFile(path);
        composite->Add(files);
    }
    return composite;
}

PictureDropData::PictureDropData()
    : m_uris(new wxCustomDataObject(PictureDrag::uriFormat())), m_files(new wxFileDataObject)
{
    Add(m_uris, true);
    Add(m_files);
}

bool PictureDropData::hasUris() const
{
    return GetReceivedFormat() == PictureDrag::uriFormat();
}

std::vector<wxString> PictureDropData::getUris() const
{
    if (!hasUris() || m_uris->GetSize() == 0)
        return {};
    return PictureDrag::decodeUris(
        std::string(static_cast<const char*>(m_uris->GetData()), m_uris->GetSize()));
}

std::vector<wxString> PictureDropData::getPaths() const
{
    std::vector<wxString> paths;
    if (hasUris())
        return paths;
    for (const wxString& path : m_files->GetFilenames())
        paths.push_back(path);
    return paths;
}
