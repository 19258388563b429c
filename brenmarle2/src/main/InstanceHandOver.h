#pragma once
// Hands a second start's command to the running instance without ever hanging the start.
//
// The toolkit's IPC client blocks for up to ten minutes when the other end accepts the
// connection but does not answer (an instance that is stopped, or still busy before its event
// loop runs), and that timeout cannot be set. So the hand-over runs in a helper process (this
// same executable, started in a special mode), and the starting process waits for it for a
// bounded time. A helper that does not finish in time is killed and the start carries on as
// the first instance.

#include <chrono>

#include <wx/string.h>

class InstanceHandOver {
public:
    // NoServer: nothing listens on the socket (yet); NoAnswer: something does, but did not
    // take the command in time.
    enum class Result { Delivered, NoServer, NoAnswer };

    // The environment variable that puts the executable into helper mode; its value is the
    // socket path. Arguments in that mode: command, argument.
    static constexpr const char* HELPER_VARIABLE = "VISTRELLE_HANDOVER_SOCKET";

    // Starts the helper and waits at most `timeout` for it.
    static Result handOver(const wxString& socketPath, const wxString& command,
                           const wxString& argument, std::chrono::milliseconds timeout);

    // The helper's main: connects, delivers and returns the exit status (0 delivered).
    static int runHelper(int argc, char** argv);

    // Where the single-instance socket and lock live for this user and program. Socket paths
    // are limited to 108 bytes; a longer one moves, under a name unique to `runtimeDir`, into
    // the folder `sharedTempDir` + IPC name + "-" + user id, which is created here readable by
    // the user only. Empty (and logged) when that folder exists but is not the user's own.
    static wxString socketPath(const wxString& runtimeDir, const wxString& ipcName,
                               const wxString& sharedTempDir = "/tmp/");
    static wxString lockPath(const wxString& runtimeDir, const wxString& ipcName);
};
