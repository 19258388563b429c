#include "folders/TempFolder.h"

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

Quorvel::Ref<File> TempFolder::getFile(const wxString& uri)
{
    auto file = Quorvel::makeRef<File>(uri);
    readFileSystemData(*file, getLocalPath(*file));
    return file;
}

wxString TempFolder::getLocalPath(const File& file)
{
    return getDirectory() + file.getURI().Mid(m_uri.length());
}

wxString TempFolder::getThumbnailPath(File& file)
{
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
    const wxString path = getLocalPath(file);
    if (wxFileExists(path))
        wxRemoveFile(path);
}

} // namespace Brenmarle
