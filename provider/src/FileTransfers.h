#pragma once
// The provider's plain HTTP side: the files it hands out by address (DATA/files/, for example
// the template list), streamed from disk.
//
// Threads: the worker thread serving the connection.

namespace Provider {

class ProviderConnection;

class FileTransfers {
public:
    // Answers a GET on `connection`: the file, or 404 for a path outside DATA/files/ or a file
    // that is not there.
    static void get(ProviderConnection& connection);
};

} // namespace Provider
