#pragma once
// The `_Task` companion of a service client: a task that holds a counted reference to the
// client, an operation number, the operation's arguments and room for its results. The
// companion's static factories make a task per operation; run() logs
// "[<TAG>] Started working..." and hands the operation number to runOperation(), whose
// exceptions travel to the task's listener through the task machinery.
//
//     class PortalClient_3_0_Task : public ServiceTask<PortalClient_3_0> {
//     public:
//         static Ref<PortalClient_3_0_Task> getTermsOfService(const Ref<PortalClient_3_0>& client);
//         wxString terms;
//     protected:
//         void runOperation(int operation) override;
//     };
//
// Threads: made on the GUI thread, run on a task runner thread.

#include <wx/string.h>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/ReferenceCounted.h"
#include "threads/Task.h"

namespace Quorvel {

template <typename Client> class ServiceTask : public Task {
public:
    // `tag` names the task in the log ("STORAGECLIENT_3_0_Task").
    ServiceTask(const Ref<Client>& client, int operation, const wxString& tag, int32_t id = -1)
        : Task(id), m_client(client), m_operation(operation), m_tag(tag)
    {
    }

    int getOperation() const { return m_operation; }
    Client& getClient() const { return *m_client; }

    // The task's abort reaches the client's calls while they wait for the server.
    void run() override
    {
        QDEBUG("[%s] Started working...", m_tag);
        struct AbortCheck {
            Client& client;
            ~AbortCheck() { client.setAbortCheck({}); }
        } check{*m_client};
        m_client->setAbortCheck([this] { return isAborted(); });
        runOperation(m_operation);
    }

protected:
    virtual void runOperation(int operation) = 0;

    // For an operation number the companion has no code for; `message` names the companion
    // ("No code to handle the given task in PortalClientTask").
    [[noreturn]] static void unknownOperation(const wxString& message)
    {
        throw UnsupportedException(message);
    }

private:
    Ref<Client> m_client;
    const int m_operation;
    const wxString m_tag;
};

} // namespace Quorvel
