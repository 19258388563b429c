#pragma once
// One listing of the locator's directory run as a slave, with a client of its own. The listing
// is kept in a Result that the caller holds on to (getResult()) and reads once the slave's
// finished event arrives. Aborting the slave interrupts the call under way.
//
// Threads: made on the GUI thread, run on the slave manager's thread; abort from any thread.

#include <memory>

#include "service/LocatorClient_1_0.h"
#include "threads/Slave.h"

namespace Brenmarle {

class LocatorClient_1_0_Slave : public Quorvel::Slave {
public:
    // `address` is the locator's; `settings` (the process's when null) must outlive the
    // slave. Throws ResponseException for an address that names no host.
    LocatorClient_1_0_Slave(const Quorvel::ServiceAddress& address, const wxString& path,
                            const wxString& language, Quorvel::NetworkSettings* settings = nullptr);
    ~LocatorClient_1_0_Slave() override;

    const wxString& getPath() const { return m_path; }
    // Filled on the manager's thread before the finished event is sent.
    const std::shared_ptr<LocatorClient_1_0::Listing>& getResult() const { return m_result; }

protected:
    void work() override;
    void onAbort() override;

private:
    const wxString m_path;
    const wxString m_language;
    std::unique_ptr<LocatorClient_1_0> m_client;
    std::shared_ptr<LocatorClient_1_0::Listing> m_result =
        std::make_shared<LocatorClient_1_0::Listing>();
};

} // namespace Brenmarle
