#pragma once
// A picture someone shared with the user, named "shared://HOST/TOKEN/FILEID/shared.jpg": the
// sharing host, the access token the share was sent with and the file's id at the service.
// The folder ("shared://HOST/TOKEN/FILEID/") holds that one picture, read-only; its contents
// are fetched from the host's download address with the token, over plain HTTP on the
// services' port, and with no account credentials: the token is all the host is given.
//
// The parts of a URI come from a command file anyone can write, so each is checked before it
// is used: a host name of letters, digits, "-" and "." (or an IPv4 address), a token and an id
// of letters, digits, "-", "_" and "."; they go into the download address encoded.
//
// Threads: any thread; the download runs without the library lock. Lifetime: reference
// counted; the file manager makes one per shared picture.

#include "folders/Folder2.h"

namespace Quorvel {
class NetworkSettings;
}

namespace Brenmarle {

class FileManager;

class SharedFolder : public Folder2 {
public:
    static constexpr const char* SCHEME = "shared";
    static constexpr const char* FILE_NAME = "shared.jpg";
    static constexpr int DEFAULT_PORT = 80;

    // The parts of a shared-picture or shared-folder URI.
    struct Parts {
        wxString host;
        wxString accessToken;
        wxString fileId;
    };

    // Whether `part` may be a token or file id: letters, digits, "-", "_" and ".", at most 128
    // characters, not "." or "..".
    static bool isValidPart(const wxString& part);

    // The parts of `uri` (a picture's URI or its folder's); RuntimeException "Invalid shared
    // uri!" for one that cannot be taken apart or has a part that is not allowed.
    static Parts partsOf(const wxString& uri);
    // The picture's URI for the parts; RuntimeException "Invalid shared uri!" as partsOf.
    static wxString fileUriOf(const Parts& parts);
    // "http://HOST[:PORT]/service/sharing/3.0/download.php?at=TOKEN&file=FILEID".
    static wxString downloadAddressOf(const Parts& parts, int port);

    // `uri` is the folder's URI; `port` the services' port ("internet/webserviceport");
    // `settings` the network settings the download uses (not owned; null: the process's).
    // Throws as partsOf.
    SharedFolder(const wxString& uri, int port = DEFAULT_PORT,
                 Quorvel::NetworkSettings* settings = nullptr);

    // Has `files` make a SharedFolder for every "shared://" URI, with `port` and `settings`
    // (which must outlive `files`).
    static void registerScheme(FileManager& files, int port,
                               Quorvel::NetworkSettings* settings = nullptr);

    wxString getURI() const override { return m_uri; }
    // "Shared Folder".
    wxString getName() const override;
    std::vector<wxString> getFileUris() override;
    int getFileCount() override { return 1; }
    Quorvel::Ref<File> getFile(const wxString& uri) override;

    // Downloads the picture into a new temporary file ("webimport..." in the system's
    // temporary folder) and returns a stream on it; nothing stays behind, whole or partial.
    // Throws Quorvel::IOException "Error downloading file: HTTP Response code %d", "Could not
    // open temp file for writing", "Error writing file! Not enough free disk space?",
    // "Downloaded bytes (%d) does not match expected bytes (%d)", "md5sum check of downloaded
    // file failed"; the network exceptions; AbortException when `transfer` stops it.
    std::unique_ptr<Quorvel::InputFile> getFileInputStream(File& file) override;
    std::unique_ptr<Quorvel::InputFile>
    fetchFileInputStream(File& file, Quorvel::HttpCallbackObj* transfer) override;

private:
    wxString m_uri;
    Parts m_parts;
    int m_port;
    Quorvel::NetworkSettings* m_settings;
};

} // namespace Brenmarle
