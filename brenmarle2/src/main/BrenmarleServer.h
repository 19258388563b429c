#pragma once
// The running instance's end of the single-instance channel: a UNIX-domain socket named after
// the program that second starts connect to.

#include <sys/types.h>

#include <wx/ipc.h>

#include "main/BrenmarleConnection.h"

class BrenmarleServer : public wxServer {
public:
    explicit BrenmarleServer(BrenmarleConnection::CommandReceiver receiver);
    // Removes the socket only while it is still the one this server made: another instance
    // may have replaced it (this one had stopped answering), and that one's must stay.
    ~BrenmarleServer() override;

    // Creates the socket at `socketPath`, replacing a socket left behind by an instance that
    // is gone; the socket is reachable by this user only.
    bool start(const wxString& socketPath);

protected:
    wxConnectionBase* OnAcceptConnection(const wxString& topic) override;

private:
    bool ownsSocketFile() const;

    BrenmarleConnection::CommandReceiver m_receiver;
    // The socket file this server made, by device and inode.
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
