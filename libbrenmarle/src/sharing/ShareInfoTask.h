#pragma once
// Reads what the sharing host tells about each picture of a received share (getFileInformation
// with the share's access token) and gives it to the shared pictures before they are imported:
// the file name always, and the caption, author, copyright, place and favourite mark when the
// sharer shared the pictures' information. The call carries the token and no account
// credentials: the client made here has none.
//
// Threads: made on the GUI thread; run() on a runner. The files are changed under the library
// lock; read them once the task has ended.

#include <vector>

#include "files/File.h"
#include "service/SharingClient_3_0.h"
#include "sharing/ShareImport.h"
#include "threads/Task.h"

namespace Brenmarle {

class ShareInfoTask : public Quorvel::Task {
public:
    using Files = std::vector<Quorvel::Ref<File>>;

    // `files` are the share's pictures in the order of its file ids. The share's host is
    // reached on `port` with `settings` (not owned; null: the process's).
    ShareInfoTask(const ShareImport& share, Files files, int port,
                  Quorvel::NetworkSettings* settings = nullptr);

    // Throws SoapException when a call fails, RuntimeException "Did not get file info in
    // response", AbortException when stopped.
    void run() override;

    // What the host told, for a file of the share.
    static void apply(const SharingClient_3_0::FileInfo& info, bool withMeta, File& file);

    const Files& getFiles() const { return m_files; }

private:
    const ShareImport m_share;
    const Files m_files;
    Quorvel::Ref<SharingClient_3_0> m_client;
};

} // namespace Brenmarle
