#pragma once
// A second start's end of the single-instance channel. It runs in a short-lived helper process
// (see InstanceHandOver), so a running instance that does not answer can never hang the start.

#include <wx/ipc.h>

class BrenmarleClient : public wxClient {
public:
    enum class Result { Delivered, NoConnection, NotDelivered };

    // Connects to `socketPath`, asks for the running instance's process id and pokes the
    // command with its argument (cut to 1024 characters).
    Result handOver(const wxString& socketPath, const wxString& command, const wxString& argument);

protected:
    wxConnectionBase* OnMakeConnection() override;
};
