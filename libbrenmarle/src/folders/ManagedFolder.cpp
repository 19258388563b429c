#include "folders/ManagedFolder.h"

#include <algorithm>
#include <ctime>
#include <unordered_map>

#include <sys/stat.h>

#include <wx/filefn.h>

#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "files/FileCopier.h"
#include "files/StoragePaths.h"
#include "files/Uri.h"
#include "imaging/PictureInfo.h"
#include "search/CountryList.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"
#include "util/Uuid.h"

namespace Brenmarle {

void ManagedFolder::setNewlyMade()
{
    LibraryLock lock;
    m_uris.clear();
    m_urisRead = true;
}

UriList& ManagedFolder::uris()
{
    if (!m_urisRead) {
        UriList read;
        Database::getInstance().getFolderFileUris(getURI(), read);
        m_uris = std::move(read);
        m_urisRead = true;
        m_count = -1;
    }
    return m_uris;
}

std::vector<wxString> ManagedFolder::getFileUris()
{
    LibraryLock lock;
    return uris().toVector();
}

bool ManagedFolder::contains(const wxString& uri)
{
    LibraryLock lock;
    return uris().contains(uri);
}

int ManagedFolder::getFileCount()
{
    LibraryLock lock;
    if (m_urisRead)
        return static_cast<int>(m_uris.size());
    if (m_count < 0)
        m_count = Database::getInstance().countFolderFiles(getURI());
    return m_count;
}

void ManagedFolder::loadFiles(FileMap& files)
{
    for (Quorvel::Ref<File>& file : loadFileList()) {
        wxString uri = file->getURI();
        files.emplace(std::move(uri), std::move(file));
    }
}

std::vector<Quorvel::Ref<File>> ManagedFolder::loadFileList()
{
    LibraryLock lock;
    FileManager& manager = FileManager::get();
    const UriList& list = uris();
    // An empty folder (the inbox, usually) has nothing to look for in the whole file table.
    if (list.empty())
        return {};
    const std::vector<const Quorvel::CompactString*>& order = list.order();
    std::vector<Quorvel::Ref<File>> slots(order.size());
    // The catalogue gives the rows in the list's order, unless a file was moved in during this
    // run (its row keeps its place); only then is the order looked up.
    std::unordered_map<const Quorvel::CompactString*, std::size_t> positions;
    std::size_t next = 0;
    std::vector<Quorvel::Ref<File>> fresh;
    Database::getInstance().readFolderFiles(
        getURI(),
        [&](const Quorvel::CompactString& uri) -> Quorvel::Ref<File>* {
            const Quorvel::CompactString* listed = list.find(uri);
            if (!listed)
                return nullptr;
            std::size_t position = next;
            if (position < order.size() && order[position] == listed) {
                ++next;
            } else {
                if (positions.empty()) {
                    for (std::size_t i = 0; i < order.size(); ++i)
                        positions.emplace(order[i], i);
                }
                position = positions.at(listed);
            }
            Quorvel::Ref<File>& slot = slots[position];
            // A file in memory keeps its object; the catalogue fills the others.
            slot = manager.findFile(uri);
            return &slot;
        },
        [&](const Quorvel::Ref<File>& file) { fresh.push_back(file); });
    manager.registerFiles(fresh);
    fresh.clear();
    std::vector<Quorvel::Ref<File>> files;
    files.reserve(slots.size());
    for (Quorvel::Ref<File>& file : slots) {
        if (file)
            files.push_back(std::move(file));
    }
    return files;
}

Quorvel::Ref<File> ManagedFolder::getFile(const wxString& uri)
{
    LibraryLock lock;
    return Database::getInstance().loadFile(uri);
}

wxString ManagedFolder::getLocalPath(const File& file)
{
    return storagePaths().managedFile(file.getURI());
}

wxString ManagedFolder::getThumbnailPath(File& file)
{
    return storagePaths().managedThumbnail(file.getURI(), file.getFileModifyTime());
}

wxString ManagedFolder::getResizedPath(File& file, int width, int height)
{
    return storagePaths().managedResized(file.getURI(), file.getFileModifyTime(), width, height);
}

bool ManagedFolder::canMoveByRename(const File& file) { return Uri::isManaged(file.getURI()); }

wxString ManagedFolder::createFileURI() { return getURI() + Quorvel::Uuid::create(); }

void ManagedFolder::saveFileMetadata(File& file)
{
    LibraryLock lock;
    if (file.isModified())
        Database::getInstance().storeFile(file);
}

void ManagedFolder::onDestroyFile(File& file) { saveFileMetadata(file); }

void ManagedFolder::deleteFile(File& file)
{
    LibraryLock lock;
    if (!fileBelongsTo(file))
        throw Quorvel::LogicException(wxString::Format("%s is not in %s", file.getURI(), getURI()));
    Database::getInstance().deleteFile(file.getURI());
    // Journalled with the deletion itself, so the copy in safe storage goes at the next
    // synchronisation even when the program ends before anyone hears of it.
    if (file.getSafeStorageType() != 0) {
        QDEBUG("=== Delete %s", file.getURI());
        Database::getInstance().addSafeStorageOp(Database::SafeStorageOp::DELETE, file.getURI());
    }
    QDEBUG("Folder: %s", getURI());
    onFileRemoved(file, wxString());
    for (const wxString& path : {getLocalPath(file), getThumbnailPath(file)}) {
        if (wxFileExists(path) && !wxRemoveFile(path))
            QDEBUG("[MANAGEDFOLDER] Warning: could not delete file: %s", path);
    }
}

void ManagedFolder::moveFileIn(File& file)
{
    LibraryLock lock;
    FileManager& manager = FileManager::get();
    FolderRef from = manager.getFolder(file.getURI());
    if (!from->canMoveByRename(file))
        return;
    const wxString oldUri = file.getURI();
    const wxString newUri = getURI() + Uri::filePartOf(oldUri);
    if (newUri == oldUri)
        return;
    Database::getInstance().renameFile(oldUri, newUri);
    if (file.getSafeStorageType() != 0) {
        QDEBUG("=== Move operation");
        Database::getInstance().addSafeStorageOp(Database::SafeStorageOp::MOVE, newUri);
    }
    from->onFileRemoved(file, newUri);
    file.setURI(newUri);
    onFileAdded(file, oldUri, false);
}

Quorvel::Ref<File> ManagedFolder::copyFileIn(File& source)
{
    FolderRef sourceFolder;
    Quorvel::Ref<File> copy;
    {
        LibraryLock lock;
        sourceFolder = FileManager::get().getFolder(source.getURI());
        const wxString uri = createFileURI();
        QDEBUG("New file uri: %s", uri);
        copy = Quorvel::Ref<File>::adopt(new File(source, uri));
        copy->setFileModifyTime(source.getFileModifyTime());
        // A new file: the online copy belongs to the source only.
        copy->setSafeStorageType(0);
        copy->setSafeStorageRevision(0);
        copy->setSafeStorageAccountId(wxString());
    }
    {
        // Bytes are copied without the library lock, so the program stays responsive.
        std::unique_ptr<Quorvel::InputFile> input = sourceFolder->getFileInputStream(source);
        std::unique_ptr<Quorvel::OutputFile> output = getFileOutputStream(*copy);
        FileCopier copier;
        copier.transfer(*input, *output);
        // The catalogue will name this file as the picture, and an import may delete the
        // original next: it must be whole on the disk before anyone hears of it.
        FileCopier::commit(*output, true, true);
        QDEBUG("[MANAGEDFOLDER] Close input and output streams");
    }
    // A copy of a catalogued file keeps what the user set (rotation, time, captions); only
    // pictures new to the catalogue are scanned.
    const bool fromCatalogue = dynamic_cast<ManagedFolder*>(sourceFolder.get()) != nullptr;
    onFileAdded(*copy, wxString(), !fromCatalogue);
    return copy;
}

void ManagedFolder::onFileAdded(File& file, const wxString& oldUri, bool newFile)
{
    FileManager& manager = FileManager::get();
    const wxString uri = file.getURI();
    // Reading the picture and decoding its thumbnail take long: they run without the library
    // lock, so the catalogue, its commit timer and the GUI are not held up by each arriving
    // picture. A new file is nobody else's until it is registered below.
    if (newFile && !manager.isNeverReleased(uri))
        readFileInformation(file, true);
    if (file.getFileModifyTime() > 0 && !wxFileExists(getThumbnailPath(file))) {
        QDEBUG("[MANAGEDFOLDER] Trying to create file thumbnail");
        try {
            createThumbnail(file);
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[MANAGEDFOLDER] Thumbnail creation failed");
            QDEBUG("%s", e.getMessage());
        }
    }
    LibraryLock lock;
    if (m_urisRead)
        m_uris.add(uri);
    else if (m_count >= 0)
        ++m_count;
    manager.fileAdded(file, oldUri);
    Database::getInstance().addFile(file);
}

void ManagedFolder::onFileRemoved(File& file, const wxString& newUri)
{
    LibraryLock lock;
    const wxString uri = file.getURI();
    if (m_urisRead)
        m_uris.remove(uri);
    else if (m_count > 0)
        --m_count;
    FileManager::get().fileRemoved(file, newUri);
}

void ManagedFolder::readFileInformation(File& file, bool newFile)
{
    // The disk and the picture are read first, without the library lock (see onFileAdded());
    // the fields then change together under it.
    const wxString path = getLocalPath(file);
    struct stat info {};
    const bool onDisk = ::stat(path.utf8_str(), &info) == 0;
    const PictureInfo picture = readPictureInfo(file, path);
    LibraryLock lock;
    if (onDisk) {
        if (file.getFileModifyTime() == 0 && newFile)
            file.setFileModifyTime(static_cast<int32_t>(info.st_mtime));
        file.setFileSize(info.st_size);
    } else {
        file.setContentType(wxString());
        file.setFileModifyTime(0);
        file.setFileSize(0);
    }
    applyImageInfo(file, picture);
    if (newFile)
        file.setMetaModifyTime(static_cast<int32_t>(std::time(nullptr)));
    if (file.getContentType().empty())
        file.setContentType(File::getContentTypeForFileName(file.getFileName()));
    file.setScanner("brenmarle");
    file.setScanVersion(100);
    file.setModified(true);
}

void ManagedFolder::initializeImageInfo(File& file)
{
    const PictureInfo picture = readPictureInfo(file, getLocalPath(file));
    LibraryLock lock;
    applyImageInfo(file, picture);
}

PictureInfo ManagedFolder::readPictureInfo(const File& file, const wxString& path)
{
    QDEBUG("Before ping");
    // Stored as ".vsaf", a picture whose bytes do not tell its format (TGA) is known by the
    // type it came with, or by its original name.
    const wxString knownType = file.getContentType().empty()
                                   ? File::getContentTypeForFileName(file.getFileName())
                                   : file.getContentType();
    const PictureInfo info = PictureInfo::read(path, knownType);
    QDEBUG("After ping");
    return info;
}

void ManagedFolder::applyImageInfo(File& file, const PictureInfo& info)
{
    if (!info.recognised) {
        QDEBUG("FIX Format recognition in ManagedFolder::initializeImageInfo (%s)!", info.format);
        return;
    }
    file.setContentType(info.contentType);
    const bool userEdited = file.isMetaUserModified();
    if (PictureInfo::replacesTime(userEdited, file.getTime())) {
        file.setTime(info.time);
        file.setTimeMask(info.timeMask);
    }
    if (!userEdited)
        file.setCopyright(info.copyright);
    file.setImageRotation(info.rotation);
    file.setImageWidth(info.width);
    file.setImageHeight(info.height);
    if (!info.make.empty() || !info.model.empty())
        QDEBUG("[MANAGEDFOLDER] Camera: %s %s", info.make, info.model);
    if (info.hasIPTC && !userEdited)
        applyIptc(file, info.iptc);
}

void ManagedFolder::applyIptc(File& file, const IPTCData& iptc)
{
    const auto apply = [&file](const wxString& value, void (File::*setter)(const wxString&)) {
        if (!value.empty())
            (file.*setter)(value);
    };
    apply(iptc.caption, &File::setCaption);
    if (!iptc.keywords.empty())
        file.setKeywords(iptc.keywords);
    apply(iptc.creator, &File::setCreator);
    apply(iptc.city, &File::setCity);
    apply(iptc.sublocation, &File::setSublocation);
    apply(iptc.province, &File::setProvince);
    // IPTC carries three-letter codes ("NOR"); the catalogue, its search and the map use the
    // two-letter ones ("NO").
    apply(CountryList::getInstance().toCatalogueCode(iptc.countryCode), &File::setCountryCode);
    apply(iptc.source, &File::setSource);
    apply(iptc.copyright, &File::setCopyright);
}

} // namespace Brenmarle
