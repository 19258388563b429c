#include "slideshow/SlidePictures.h"

#include "database/Database.h"
#include "filemanager/FileManager.h"

namespace Brenmarle {

SlidePictures SlidePictures::ofFiles(std::vector<Quorvel::Ref<File>> files)
{
    SlidePictures pictures;
    pictures.m_files = std::move(files);
    return pictures;
}

SlidePictures SlidePictures::ofUris(const std::vector<wxString>& uris)
{
    SlidePictures pictures;
    pictures.m_uris.reserve(uris.size());
    for (const wxString& uri : uris)
        pictures.m_uris.emplace_back(uri);
    return pictures;
}

SlidePictures SlidePictures::ofRows(std::vector<int64_t> rowids, Database& database)
{
    SlidePictures pictures;
    pictures.m_rows = std::move(rowids);
    pictures.m_database = &database;
    return pictures;
}

std::size_t SlidePictures::size() const
{
    return m_files.size() + m_uris.size() + m_rows.size();
}

Quorvel::Ref<File> SlidePictures::fileAt(std::size_t index) const
{
    if (!m_files.empty())
        return m_files.at(index);
    const wxString uri =
        m_uris.empty() ? m_database->getFileUri(m_rows.at(index)) : m_uris.at(index).str();
    return FileManager::get().getFile(uri);
}

} // namespace Brenmarle
