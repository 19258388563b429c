#include "import/ImportTask.h"

#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include <wx/filefn.h>

#include "core/Exceptions.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "files/FileCopier.h"
#include "files/StoragePaths.h"
#include "files/Uri.h"
#include "imaging/PictureInfo.h"
#include "imaging/ThumbnailMaker.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

// The SHA-256 of every byte of `input`, in hexadecimal.
wxString digestOf(Quorvel::InputFile& input)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw Quorvel::RuntimeException("Could not compute a content digest");
    std::vector<unsigned char> buffer(256 * 1024);
    for (size_t read; (read = input.read(buffer.data(), buffer.size())) > 0;)
        EVP_DigestUpdate(context.get(), buffer.data(), read);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    wxString hex;
    for (unsigned int i = 0; i < length; ++i)
        hex += wxString::Format("%02x", digest[i]);
    return hex;
}

wxString escapeHtml(const wxString& text)
{
    wxString escaped = text;
    escaped.Replace("&", "&amp;");
    escaped.Replace("<", "&lt;");
    escaped.Replace(">", "&gt;");
    return escaped;
}

} // namespace

ImportTask::ImportTask(Files files, FolderRef source, Quorvel::Ref<ManagedFolder> destination,
                       const wxString& photographer)
    : m_files(std::move(files)), m_source(std::move(source)), m_destination(std::move(destination)),
      m_photographer(photographer), m_imported(m_files.size())
{
}

int ImportTask::getImportedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_importedCount;
}

int ImportTask::getFailedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failed;
}

int ImportTask::getSkippedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_skipped;
}

ImportTask::Files ImportTask::getImportedFiles() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Files imported;
    for (const Quorvel::Ref<File>& file : m_imported) {
        if (file)
            imported.push_back(file);
    }
    return imported;
}

std::vector<std::pair<wxString, wxString>> ImportTask::getFailures() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

wxString ImportTask::getLog() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void ImportTask::appendLog(const wxString& html)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log += html;
}

void ImportTask::setWorkerCount(int workers)
{
    m_workers = std::max(1, workers);
}

void ImportTask::run()
{
    appendLog(LOG_START);
    const int total = getTotalCount();
    m_sizes = std::make_unique<FileSizeIndex>(Database::getInstance());
    m_sizes->update();
    std::atomic<int> next{0};
    std::atomic<bool> diskFull{false};
    // Each worker takes the next file; while one makes a thumbnail (most of the time) another
    // copies or makes its own.
    const auto work = [&] {
        for (;;) {
            if (diskFull || isAborted())
                return;
            const int index = next.fetch_add(1);
            if (index >= total)
                return;
            setProgress(wxString::Format("Importing picture %d of %d", index + 1, total), index,
                        total);
            notifyProgress();
            if (!importNumbered(static_cast<size_t>(index)))
                diskFull = true;
        }
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < std::min(m_workers, total); ++i)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (diskFull) {
        appendLog("<p>The disk is full: the import stopped.");
        throw Quorvel::IOException(
            DISK_FULL, wxString::Format("The disk that holds your pictures is full. %d files were "
                                        "imported before it filled up; the others were not, and "
                                        "nothing was removed from where they came from. Make room "
                                        "on the disk and import again: the files already imported "
                                        "will be skipped.",
                                        getImportedCount()));
    }
    if (isAborted())
        throw Quorvel::AbortException("Aborted by user");
    setProgress(wxString::Format("Importing picture %d of %d", total, total), total, total);
}

bool ImportTask::importNumbered(size_t index)
{
    File& source = *m_files[index];
    wxString message;
    wxString code;
    try {
        Quorvel::Ref<File> copy;
        const Outcome outcome = importFile(source, copy);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (outcome == Outcome::Skipped)
            ++m_skipped;
        if (outcome == Outcome::Imported) {
            m_imported[index] = copy;
            ++m_importedCount;
        }
        return true;
    } catch (const Quorvel::Exception& e) {
        message = e.getMessage();
        code = e.getCode();
    } catch (const std::exception& e) {
        // A worker thread must not let anything escape.
        message = wxString::FromUTF8(e.what());
    }
    QDEBUG("Exception: %s", message);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_failed;
        m_failures.emplace_back(source.getURI(), message);
    }
    appendLog("<p>Failure importing file:<br>" + escapeHtml(source.getURI()) + " " +
              escapeHtml(message));
    return code != DISK_FULL;
}

Folder2& ImportTask::sourceFolderOf(File& file, FolderRef& holder)
{
    holder = m_source ? m_source : FileManager::get().getFolder(file.getURI());
    return *holder;
}

ImportTask::Outcome ImportTask::importFile(File& source, Quorvel::Ref<File>& copy)
{
    FolderRef holder;
    Folder2& from = sourceFolderOf(source, holder);
    if (isInCatalogue(from, source)) {
        QDEBUG("[IMPORT] %s is in the catalogue already", source.getURI());
        return Outcome::Skipped;
    }
    copy = Quorvel::Ref<File>::adopt(new File(source, m_destination->createFileURI()));
    copy->setFileModifyTime(source.getFileModifyTime());
    {
        // Until commit the bytes lie under a temporary name, which a failure removes.
        std::unique_ptr<Quorvel::InputFile> input = from.getFileInputStream(source);
        std::unique_ptr<Quorvel::OutputFile> output = m_destination->getFileOutputStream(*copy);
        FileCopier copier;
        copier.transfer(*input, *output);
        // Stopped meanwhile: the file not yet begun in the store is left out whole.
        if (isAborted())
            return Outcome::Stopped;
        FileCopier::commit(*output, true, true);
    }
    makeThumbnail(*copy);
    try {
        m_destination->onFileAdded(*copy, wxString(), true);
        if (!m_photographer.empty()) {
            copy->addKeyword(m_photographer);
            m_destination->saveFileMetadata(*copy);
        }
    } catch (...) {
        discard(*copy);
        throw;
    }
    return Outcome::Imported;
}

void ImportTask::makeThumbnail(File& copy)
{
    // The folder makes a missing thumbnail while it holds the library lock, one picture at a
    // time for the whole program; made here first, the workers make theirs side by side.
    if (copy.getFileModifyTime() <= 0)
        return;
    try {
        const wxString stored = m_destination->getLocalPath(copy);
        const PictureInfo info = PictureInfo::read(stored);
        if (info.recognised)
            ThumbnailMaker::makeThumbnail(stored, m_destination->getThumbnailPath(copy),
                                          info.rotation);
    } catch (const std::exception& e) {
        QDEBUG("[IMPORT] Thumbnail made later: %s", e.what());
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[IMPORT] Thumbnail made later: %s", e.getMessage());
    }
}

bool ImportTask::isInCatalogue(Folder2& from, File& source)
{
    int64_t size = -1;
    try {
        size = from.getFileSize(source);
    } catch (const Quorvel::UnsupportedException&) {
        // A web file's size is known only once it is fetched: it cannot be matched beforehand.
    }
    if (size < 0)
        return false;
    // Files imported meanwhile (by this import's other worker, or the spool) count too.
    m_sizes->update();
    const std::vector<int64_t> rows = m_sizes->rowsOfSize(size);
    if (rows.empty())
        return false;
    std::unique_ptr<Quorvel::InputFile> input = from.getFileInputStream(source);
    const wxString digest = digestOf(*input);
    for (int64_t row : rows) {
        wxString uri;
        try {
            uri = Database::getInstance().getFileUri(row);
        } catch (const RowException&) {
            continue; // deleted since the sizes were read
        }
        if (Uri::isManaged(uri) && storeDigest(uri) == digest)
            return true;
    }
    return false;
}

wxString ImportTask::storeDigest(const wxString& uri)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_storeDigests.find(uri);
        if (found != m_storeDigests.end())
            return found->second;
    }
    wxString digest;
    const wxString path = LocalFolder::storagePaths().managedFile(uri);
    try {
        Quorvel::InputFile input(path);
        digest = digestOf(input);
    } catch (const Quorvel::Exception&) {
        // A catalogue row whose file is gone matches nothing.
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_storeDigests[uri] = digest;
    return digest;
}

void ImportTask::discard(File& copy)
{
    const wxString uri = copy.getURI();
    QDEBUG("[IMPORT] Taking %s back out", uri);
    try {
        Database::getInstance().deleteFile(uri);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[IMPORT] %s", e.getMessage());
    }
    try {
        // Registered means the folder took it in (and counted it); asking the folder itself
        // would read a large album's whole list.
        if (FileManager::get().findFile(Quorvel::CompactString(uri)).get() == &copy)
            m_destination->onFileRemoved(copy, wxString());
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[IMPORT] %s", e.getMessage());
    }
    for (const wxString& path :
         {m_destination->getLocalPath(copy), m_destination->getThumbnailPath(copy)}) {
        if (wxFileExists(path))
            wxRemoveFile(path);
    }
}

} // namespace Brenmarle
