#include "folders/HttpFolder.h"

#include <algorithm>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/translation.h>
#include <wx/uri.h>

#include "core/LibraryLock.h"
#include "files/Uri.h"
#include "service/HTTPClient.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/HttpCallbackObj.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

// Removes a file when it goes out of scope, unless released.
class RemoveOnExit {
public:
    explicit RemoveOnExit(const wxString& path) : m_path(path) {}
    ~RemoveOnExit()
    {
        if (!m_path.empty() && wxFileExists(m_path))
            wxRemoveFile(m_path);
    }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;

private:
    wxString m_path;
};

} // namespace

HttpFolder::HttpFolder(const wxString& uri) : m_uri(uri)
{
    const wxString scheme = Uri::schemeOf(uri).Lower();
    if ((scheme != "http" && scheme != "https") || !uri.EndsWith("/"))
        throw Quorvel::RuntimeException(uri + ": URI is not a valid HttpFolder URI");
}

wxString HttpFolder::getName() const
{
    return wxGetTranslation("HTTP Folder", "libbrenmarle");
}

std::vector<wxString> HttpFolder::getFileUris()
{
    LibraryLock lock;
    return m_uris;
}

int HttpFolder::getFileCount()
{
    LibraryLock lock;
    return static_cast<int>(m_uris.size());
}

Quorvel::Ref<File> HttpFolder::getFile(const wxString& uri)
{
    LibraryLock lock;
    auto file = Quorvel::makeRef<File>(uri);
    // The address carries the name escaped ("IMG%20001.jpg").
    const wxString name = wxURI::Unescape(Uri::filePartOf(uri));
    file->setFileName(name);
    file->setContentType(File::getContentTypeForFileName(name));
    if (std::find(m_uris.begin(), m_uris.end(), uri) == m_uris.end())
        m_uris.push_back(uri);
    return file;
}

std::unique_ptr<Quorvel::InputFile> HttpFolder::getFileInputStream(File& file)
{
    return fetchFileInputStream(file, nullptr);
}

std::unique_ptr<Quorvel::InputFile>
HttpFolder::fetchFileInputStream(File& file, Quorvel::HttpCallbackObj* transfer)
{
    const wxString uri = file.getURI();
    QDEBUG("[HTTPFOLDER] getFileInputStream for %s", uri);
    Quorvel::HTTPClient client;
    return download(client, uri, transfer);
}

std::unique_ptr<Quorvel::InputFile> HttpFolder::download(Quorvel::HTTPClient& client,
                                                         const wxString& uri,
                                                         Quorvel::HttpCallbackObj* transfer,
                                                         bool checkMd5)
{
    const wxString path = wxFileName::CreateTempFileName(wxFileName::GetTempDir() + "/webimport");
    if (path.empty())
        throw Quorvel::IOException(wxS("Could not open temp file for writing"));
    RemoveOnExit removal(path);

    if (transfer)
        client.setAbortCheck([transfer] { return transfer->isAbortRequested(); });
    const int status = client.get(uri);
    if (status != 200)
        throw Quorvel::IOException(wxString::Format(
            wxGetTranslation("Error downloading file: HTTP Response code %d", "libbrenmarle"),
            status));
    const int64_t expected = client.getContentLength();
    if (expected > MAX_FILE_SIZE)
        throw Quorvel::IOException(
            wxString::Format("Download size (%lld) is larger than maximum allowed (%lld)",
                             (long long)expected, (long long)MAX_FILE_SIZE));
    int64_t received = 0;
    {
        Quorvel::OutputFile output(path);
        client.readBody([&](const char* data, size_t size) {
            received += static_cast<int64_t>(size);
            if (received > MAX_FILE_SIZE || (expected >= 0 && received > expected))
                throw Quorvel::IOException(
                    wxString::Format("Downloaded bytes (%lld) does not match expected bytes (%lld)",
                                     (long long)received, (long long)expected));
            try {
                output.write(data, size);
            } catch (const Quorvel::IOException& e) {
                if (e.getCode() == "System.NotEnoughSpace")
                    throw Quorvel::IOException(
                        e.getCode(),
                        wxGetTranslation("Error writing file! Not enough free disk space?",
                                         "libbrenmarle"));
                throw Quorvel::IOException(wxS("Exception in write statement"));
            }
            if (transfer && !transfer->progress(received, std::max<int64_t>(expected, 0)))
                throw Quorvel::AbortException("HttpClient: Aborted");
        });
        if (expected >= 0 && received != expected)
            throw Quorvel::IOException(
                wxString::Format("Downloaded bytes (%lld) does not match expected bytes (%lld)",
                                 (long long)received, (long long)expected));
        output.commit();
    }
    if (checkMd5)
        client.verifyDownloadedFile(path);
    QDEBUG("[HTTPFOLDER] Downloaded %lld bytes of %s", (long long)received, uri);
    // Open before the name goes: the stream keeps the contents.
    return std::make_unique<Quorvel::InputFile>(path);
}

} // namespace Brenmarle
