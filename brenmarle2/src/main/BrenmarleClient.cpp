#include "main/BrenmarleClient.h"

#include <memory>

#include "main/BrenmarleConnection.h"
#include "system/Log.h"

using Quorvel::elapsedMs;

wxConnectionBase* BrenmarleClient::OnMakeConnection() { return new BrenmarleConnection; }

BrenmarleClient::Result BrenmarleClient::handOver(const wxString& socketPath,
                                                  const wxString& command,
                                                  const wxString& argument)
{
    std::unique_ptr<wxConnectionBase> connection(
        MakeConnection("localhost", socketPath, BrenmarleConnection::TOPIC));
    if (!connection)
        return Result::NoConnection;
    QTRACE(STARTUP, "%ld Got DDE connection", elapsedMs());

    size_t size = 0;
    const void* data = connection->Request(BrenmarleConnection::PROCESS_ID_ITEM, &size, wxIPC_TEXT);
    if (!data) {
        QDEBUG("Could not get process ID of existing process");
    } else {
        long pid = 0;
        const wxString text = wxString::FromUTF8(static_cast<const char*>(data), size).BeforeFirst('\0');
        if (!text.ToLong(&pid, 10) || pid <= 0)
            QDEBUG("Failure getting ID of existing process");
        // Bringing the window to the front is the running instance's job on this platform:
        // it raises its main window when it handles the command.
    }
    const bool poked =
        connection->Poke(command, argument.Left(BrenmarleConnection::MAX_ARGUMENT_LENGTH));
    connection->Disconnect();
    return poked ? Result::Delivered : Result::NotDelivered;
}
