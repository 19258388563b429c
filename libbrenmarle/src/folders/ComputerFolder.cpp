#include "folders/ComputerFolder.h"

#include <algorithm>

#include <wx/arrstr.h>
#include <wx/dir.h>
#include <wx/filename.h>

#include "core/LibraryLock.h"
#include "filemanager/FileManager.h"
#include "files/StoragePaths.h"
#include "files/Uri.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

ComputerFolder::ComputerFolder(const wxString& uri)
    : m_uri(uri.EndsWith("/") ? uri : uri + "/"), m_directory(Uri::toLocalPath(m_uri))
{
}

wxString ComputerFolder::getName() const
{
    const wxFileName name(m_directory);
    return name.GetDirCount() > 0 ? name.GetDirs().Last() : m_directory;
}

bool ComputerFolder::isListedExtension(const wxString& fileName)
{
    const wxString extension = fileName.AfterLast('.').Lower();
    if (!fileName.Contains("."))
        return false;
    for (const char* listed : {"jpeg", "jpg", "png", "gif", "tif", "tiff"}) {
        if (extension == listed)
            return true;
    }
    return false;
}

void ComputerFolder::scan()
{
    if (m_scanned)
        return;
    m_scanned = true;
    wxDir dir;
    {
        wxLogNull quiet; // an unreadable folder is simply empty
        if (!wxDir::Exists(m_directory) || !dir.Open(m_directory))
            return;
    }
    wxString name;
    std::vector<wxString> names;
    for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES); more; more = dir.GetNext(&name)) {
        QDEBUG("[COMPUTERFOLDER] Found %s", name);
        if (isListedExtension(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), isListedBefore);
    m_uris.reserve(names.size());
    for (const wxString& listed : names)
        m_uris.push_back(Uri::fromLocalPath(m_directory + listed));
}

bool ComputerFolder::isListedBefore(const wxString& name, const wxString& other)
{
    const int order = wxCmpNaturalGeneric(name, other);
    return order != 0 ? order < 0 : name.compare(other) < 0;
}

std::vector<wxString> ComputerFolder::getFileUris()
{
    LibraryLock lock;
    scan();
    return m_uris;
}

int ComputerFolder::getFileCount()
{
    LibraryLock lock;
    scan();
    return static_cast<int>(m_uris.size());
}

void ComputerFolder::loadFiles(FileMap& files)
{
    LibraryLock lock;
    for (const wxString& uri : getFileUris()) {
        if (!files.count(uri))
            files[uri] = FileManager::get().getFile(uri);
    }
}

Quorvel::Ref<File> ComputerFolder::getFile(const wxString& uri)
{
    auto file = Quorvel::makeRef<File>(uri);
    readFileSystemData(*file, Uri::toLocalPath(uri));
    return file;
}

wxString ComputerFolder::getLocalPath(const File& file) { return Uri::toLocalPath(file.getURI()); }

wxString ComputerFolder::getThumbnailPath(File& file)
{
    return storagePaths().computerThumbnail(file.getURI(), file.getFileModifyTime());
}

wxString ComputerFolder::getResizedPath(File& file, int width, int height)
{
    return storagePaths().computerResized(file.getURI(), file.getFileModifyTime(), width, height);
}

void ComputerFolder::deleteFile(File&)
{
    throw Quorvel::UnsupportedException(wxS("File operation not supported"));
}

Quorvel::Ref<File> ComputerFolder::copyFileIn(File& file)
{
    const wxString path = copyIntoDirectory(file, m_directory);
    LibraryLock lock;
    const wxString uri = Uri::fromLocalPath(path);
    if (m_scanned) {
        const auto byName = [](const wxString& listed, const wxString& added) {
            return isListedBefore(listed.AfterLast('/'), added.AfterLast('/'));
        };
        m_uris.insert(std::lower_bound(m_uris.begin(), m_uris.end(), uri, byName), uri);
    }
    auto copy = Quorvel::Ref<File>::adopt(new File(file, uri));
    readFileSystemData(*copy, path);
    FileManager::get().registerFile(copy);
    FileManager::get().fileAdded(*copy, wxString());
    return copy;
}

} // namespace Brenmarle
