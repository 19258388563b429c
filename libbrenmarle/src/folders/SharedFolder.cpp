#include "folders/SharedFolder.h"

#include <wx/tokenzr.h>
#include <wx/translation.h>

#include "core/LibraryLock.h"
#include "filemanager/FileManager.h"
#include "folders/HttpFolder.h"
#include "service/HTTPClient.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"

namespace Brenmarle {

namespace {

const size_t MAX_HOST_LENGTH = 253;
const size_t MAX_PART_LENGTH = 128;

bool isAsciiAlphanumeric(wxUniChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isHost(const wxString& host)
{
    if (host.empty() || host.length() > MAX_HOST_LENGTH || host.StartsWith(".") ||
        host.StartsWith("-") || host.EndsWith(".") || host.Contains(".."))
        return false;
    for (wxUniChar c : host)
        if (!isAsciiAlphanumeric(c) && c != '-' && c != '.')
            return false;
    return true;
}

bool isPart(const wxString& part)
{
    if (part.empty() || part.length() > MAX_PART_LENGTH || part == "." || part == "..")
        return false;
    for (wxUniChar c : part)
        if (!isAsciiAlphanumeric(c) && c != '-' && c != '_' && c != '.')
            return false;
    return true;
}

[[noreturn]] void invalid()
{
    throw Quorvel::RuntimeException(wxGetTranslation("Invalid shared uri!", "libbrenmarle"));
}

} // namespace

bool SharedFolder::isValidPart(const wxString& part)
{
    return isPart(part);
}

SharedFolder::Parts SharedFolder::partsOf(const wxString& uri)
{
    const wxString prefix = wxString(SCHEME) + "://";
    if (!uri.StartsWith(prefix))
        invalid();
    wxString rest = uri.Mid(prefix.length());
    // The picture's URI names its file; the folder's ends after the id.
    if (!rest.EndsWith(wxString("/") + FILE_NAME) && !rest.EndsWith("/"))
        invalid();
    rest = rest.BeforeLast('/');
    const wxArrayString steps = wxStringTokenize(rest, "/", wxTOKEN_RET_EMPTY_ALL);
    if (steps.size() != 3 || !isHost(steps[0]) || !isPart(steps[1]) || !isPart(steps[2]))
        invalid();
    return {steps[0].Lower(), steps[1], steps[2]};
}

wxString SharedFolder::fileUriOf(const Parts& parts)
{
    if (!isHost(parts.host) || !isPart(parts.accessToken) || !isPart(parts.fileId))
        invalid();
    return wxString::Format("%s://%s/%s/%s/%s", SCHEME, parts.host.Lower(), parts.accessToken,
                            parts.fileId, FILE_NAME);
}

wxString SharedFolder::downloadAddressOf(const Parts& parts, int port)
{
    // The parts hold nothing that needs escaping in a query; checked again all the same.
    fileUriOf(parts);
    const wxString host =
        port == DEFAULT_PORT ? parts.host : wxString::Format("%s:%d", parts.host, port);
    return wxString::Format("http://%s/service/sharing/3.0/download.php?at=%s&file=%s", host,
                            parts.accessToken, parts.fileId);
}

SharedFolder::SharedFolder(const wxString& uri, int port, Quorvel::NetworkSettings* settings)
    : m_parts(partsOf(uri)), m_port(port), m_settings(settings)
{
    if (port <= 0 || port > 65535)
        invalid();
    m_uri = fileUriOf(m_parts).BeforeLast('/') + "/";
}

void SharedFolder::registerScheme(FileManager& files, int port, Quorvel::NetworkSettings* settings)
{
    files.registerFolderFactory(SCHEME, [port, settings](const wxString& uri) -> FolderRef {
        return Quorvel::makeRef<SharedFolder>(uri, port, settings);
    });
}

wxString SharedFolder::getName() const
{
    return wxGetTranslation("Shared Folder", "libbrenmarle");
}

std::vector<wxString> SharedFolder::getFileUris()
{
    return {m_uri + FILE_NAME};
}

Quorvel::Ref<File> SharedFolder::getFile(const wxString& uri)
{
    if (uri != m_uri + FILE_NAME)
        invalid();
    LibraryLock lock;
    auto file = Quorvel::makeRef<File>(uri);
    file->setFileName(FILE_NAME);
    file->setContentType(File::getContentTypeForFileName(FILE_NAME));
    return file;
}

std::unique_ptr<Quorvel::InputFile> SharedFolder::getFileInputStream(File& file)
{
    return fetchFileInputStream(file, nullptr);
}

std::unique_ptr<Quorvel::InputFile>
SharedFolder::fetchFileInputStream(File& file, Quorvel::HttpCallbackObj* transfer)
{
    if (file.getURI() != m_uri + FILE_NAME)
        invalid();
    const wxString address = downloadAddressOf(m_parts, m_port);
    QDEBUG("[SHAREDFOLDER] Downloading %s", file.getURI());
    // A client of its own, with no credentials: the token is all the host gets.
    std::unique_ptr<Quorvel::HTTPClient> client =
        m_settings ? std::make_unique<Quorvel::HTTPClient>(*m_settings)
                   : std::make_unique<Quorvel::HTTPClient>();
    return HttpFolder::download(*client, address, transfer, true);
}

} // namespace Brenmarle
