#pragma once
// The provider's plain HTTP side, the file transfers of the storage, ordering and sharing
// services:
//
//   GET  /files/PATH      a file the provider hands out to anyone (DATA/files/PATH, the
//                         template list for example)
//   POST /upload/NAME     a file of the authenticated account, kept as
//                         DATA/uploads/ACCOUNT/NAME: one multipart/form-data part (or the raw
//                         body) whose bytes must match the X-Quorvel-MD5 (or Content-MD5)
//                         header and the declared length exactly
//   GET  /download/NAME   a file the authenticated account uploaded
//
// Files go out with Content-Length, X-Quorvel-Length and X-Quorvel-MD5. An upload is streamed
// into a temporary file beside its place and renamed there only when length and MD5 match; on
// any failure nothing is left. NAME is one or more steps of letters, digits, ".", "_" and "-"
// separated by "/", none beginning with "." (so no step leaves the account's folder).
//
// Answers: 200; 401 without valid credentials; 404 for a name that is not one or a file that is
// not there; 411 without a Content-Length; 413 for a file over the upload limit; 400 for a body
// that is not one well-formed part of the declared length, or a missing MD5 header; 422 when
// the MD5 does not match. The fault script may truncate a file sent or spoil its MD5 header.
//
// Threads: the worker thread serving the connection.

#include <string>

namespace Provider {

class ProviderConnection;

class FileTransfers {
public:
    // Sends the file at `path` with its length and MD5 (404 when there is none), as the fault
    // script allows.
    static void sendFile(ProviderConnection& connection, const std::string& path,
                         const std::string& contentType);

    static void getPublic(ProviderConnection& connection);
    static void download(ProviderConnection& connection);
    static void upload(ProviderConnection& connection);
};

} // namespace Provider
