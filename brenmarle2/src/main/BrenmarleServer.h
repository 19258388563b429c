#pragma once
// The running instance's end of the single-instance channel: a UNIX-domain socket named after
// the program that second starts connect to.

#include <wx/ipc.h>

#include "main/BrenmarleConnection.h"

class BrenmarleServer : public wxServer {
public:
    explicit BrenmarleServer(BrenmarleConnection::CommandReceiver receiver);

    // Creates the socket at `socketPath`, replacing a socket left behind by an instance that
    // is gone; the socket is reachable by this user only.
    bool start(const wxString& socketPath);

protected:
    wxConnectionBase* OnAcceptConnection(const wxString& topic) override;

private:
    BrenmarleConnection::CommandReceiver m_receiver;
};
