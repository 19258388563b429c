#include "folders/TempFolder.h"

#include <algorithm>

#include <wx/arrstr.h>
#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "core/LibraryLock.h"
#include "filemanager/FileManager.h"
#include "files/StoragePaths.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

TempFolder::TempFolder(const wxString& uri, const wxString& directoryName)
    : m_uri(uri), m_directoryName(directoryName)
{
}

wxString TempFolder::getDirectory() const
{
    const wxString dir = Quorvel::Environment::getUserDataDir() + m_directoryName + "/";
    makeDirectory(dir, "Could not create " + m_directoryName + " directory");
    return dir;
}

std::vector<wxString> TempFolder::getFileUris()
{
    std::vector<wxString> uris;
    wxDir dir;
    {
        wxLogNull quiet; // an unreadable folder is simply empty
        if (!dir.Open(getDirectory()))
            return uris;
    }
    wxString name;
    // Without wxDIR_HIDDEN: a copy in progress is a hidden file until it is whole.
    for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES); more;
         more = dir.GetNext(&name))
        uris.push_back(m_uri + name);
    std::sort(uris.begin(), uris.end());
    return uris;
}

Quorvel::Ref<File> TempFolder::getFile(const wxString& uri)
{
    auto file = Quorvel::makeRef<File>(uri);
    readFileSystemData(*file, getLocalPath(*file));
    return file;
}

wxString TempFolder::pathInFolder(const File& file) const
{
    const wxString uri = file.getURI();
    const wxString relative = uri.StartsWith(m_uri) ? uri.Mid(m_uri.length()) : wxString();
    // Releasing a temporary file deletes its path: a ".." step would let a URI reach the
    // picture store or anything else the user owns.
    bool inside = !relative.empty();
    for (const wxString& step : wxSplit(relative, '/', '\0'))
        inside = inside && step != "..";
    if (!inside)
        throw Quorvel::RuntimeException(uri + ": URI leads out of " + m_uri);
    return relative;
}

wxString TempFolder::getLocalPath(const File& file)
{
    const wxString relative = pathInFolder(file);
    return getDirectory() + relative;
}

wxString TempFolder::getThumbnailPath(File& file)
{
    pathInFolder(file);
    return storagePaths().tempThumbnail(file.getURI(), file.getFileModifyTime(),
                                        file.getFileSize());
}

wxString TempFolder::getResizedPath(File&, int, int)
{
    throw Quorvel::UnsupportedException(wxS("No resized path for temp files"));
}

void TempFolder::deleteFile(File&)
{
    throw Quorvel::UnsupportedException(wxS("Cannot delete from temp folder"));
}

void TempFolder::moveFileIn(File&)
{
    throw Quorvel::UnsupportedException(wxS("Cannot move to temp folder"));
}

wxString TempFolder::createFileURI()
{
    throw Quorvel::UnsupportedException(wxS("Method is not implemented"));
}

Quorvel::Ref<File> TempFolder::copyFileIn(File& file)
{
    const wxString path = copyIntoDirectory(file, getDirectory());
    LibraryLock lock;
    auto copy = Quorvel::Ref<File>::adopt(new File(file, m_uri + wxFileName(path).GetFullName()));
    readFileSystemData(*copy, path);
    FileManager::get().registerFile(copy);
    return copy;
}

void TempFolder::onDestroyFile(File& file)
{
    QDEBUG("TempFolder::onDestroyFile");
    wxString path;
    try {
        path = getLocalPath(file);
    } catch (const Quorvel::Exception& e) {
        // Nothing of ours to remove, and nothing to store: the file may go.
        QDEBUG("[TEMPFOLDER] Not removed: %s", e.getMessage());
        return;
    }
    if (wxFileExists(path))
        wxRemoveFile(path);
}

} // namespace Brenmarle
