#pragma once
// Files on a web server, named by the address of their directory (ending in "/") and the file
// name: pictures of a web import or of a web page handed to the program. A file's contents are
// fetched when a stream on them is asked for; nothing else about them is known before.
//
// Threads: any thread; the download runs without the library lock. Lifetime: reference
// counted; the file manager makes one per web directory.

#include "folders/Folder2.h"

namespace Quorvel {
class HTTPClient;
}

namespace Brenmarle {

class HttpFolder : public Folder2 {
public:
    // Largest file fetched.
    static constexpr int64_t MAX_FILE_SIZE = 2000000000;

    // `uri` is an http or https address ending in "/"; Quorvel::RuntimeException otherwise.
    explicit HttpFolder(const wxString& uri);

    wxString getURI() const override { return m_uri; }
    // "HTTP Folder".
    wxString getName() const override;
    // The files asked for so far (a web directory cannot be listed).
    std::vector<wxString> getFileUris() override;
    int getFileCount() override;
    Quorvel::Ref<File> getFile(const wxString& uri) override;

    // Downloads the file into a new temporary file ("webimport..." in the system's temporary
    // folder) and returns a stream on it. The temporary file is removed from the folder at
    // once (the stream keeps its contents), so nothing of a download stays behind, whole or
    // partial, whatever happens next. Throws Quorvel::IOException ("Error downloading file:
    // HTTP Response code %d", "Downloaded bytes (%d) does not match expected bytes (%d)",
    // "Error writing file! Not enough free disk space?", ...), the network exceptions.
    std::unique_ptr<Quorvel::InputFile> getFileInputStream(File& file) override;
    // The same, with `transfer` told the bytes received of the announced length (0 when none
    // is announced) and asked whether to stop, also while the server keeps silent: a stop
    // throws Quorvel::AbortException within about 50 ms and leaves nothing behind.
    std::unique_ptr<Quorvel::InputFile>
    fetchFileInputStream(File& file, Quorvel::HttpCallbackObj* transfer) override;

    // The download itself, for any folder whose files come over HTTP: GETs `url` with
    // `client` into a new temporary file as fetchFileInputStream says, checks the bytes
    // against the announced length (and the X-Quorvel-MD5 header when `checkMd5` and the
    // server sent one: IOException "md5sum check of downloaded file failed"), and returns a
    // stream on them.
    static std::unique_ptr<Quorvel::InputFile> download(Quorvel::HTTPClient& client,
                                                        const wxString& url,
                                                        Quorvel::HttpCallbackObj* transfer,
                                                        bool checkMd5 = false);

private:
    wxString m_uri;
    std::vector<wxString> m_uris;
};

} // namespace Brenmarle
