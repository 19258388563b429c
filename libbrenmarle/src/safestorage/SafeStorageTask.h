#pragma once
// One user step of safe storage as one task: it logs in to the storage service when the
// client has no session yet, then runs the step's calls, so a dialog or command needs no
// chain of tasks and a failed log-in ends the step with its own error.
//
//   STORE       reserveSlots for each picture (StorageClient_3_0_Task::RESERVE_SLOTS).
//   REMOVE      releaseSlots for each file (RELEASE_SLOTS).
//   SLOT_STATUS getSlotStatus.
//   STATUS      getSlotStatus, then getActiveSubscriptions.
//   REPLACE     getFileList of the picture's folder, then the server copy downloaded
//               (DOWNLOAD_FILE: only a copy of the right length and MD5 is kept) into a
//               private folder beside the local file, which it then replaces in one rename;
//               its file time becomes the server's, and its picture size is read
//               (replacedWidth, replacedHeight) for the catalogue.
//
// Threads: made on the GUI thread, run on a task runner thread; results are read after the
// finished event.

#include "service/StorageClient_3_0_Task.h"

namespace Brenmarle {

class SafeStorageTask : public StorageClient_3_0_Task {
public:
    enum Step { STORE = 100, REMOVE, SLOT_STATUS, STATUS, REPLACE };
    using StepRef = Quorvel::Ref<SafeStorageTask>;

    static StepRef store(const Client& client, const std::vector<Reservation>& pictures);
    static StepRef remove(const Client& client,
                          const std::vector<StorageClient_3_0::FileId>& files);
    static StepRef freeSlots(const Client& client);
    static StepRef accountStatus(const Client& client);
    // The picture `uri` (of an album or the inbox) replaced at `localPath`, its file on disk.
    // NotFoundException "The picture is not in safe storage" when the server does not list
    // it; nothing local changes then, nor after any other failure. Sets downloadedPath to
    // `localPath`.
    static StepRef replace(const Client& client, const wxString& uri, const wxString& localPath);

    SafeStorageTask(const Client& client, int step);

    // Input of REPLACE.
    wxString uri;
    // Output of REPLACE: the new file's picture size; 0 when its format was not recognised.
    int32_t replacedWidth = 0;
    int32_t replacedHeight = 0;

protected:
    void runOperation(int operation) override;

private:
    void logIn();
    void replaceFile();
};

} // namespace Brenmarle
