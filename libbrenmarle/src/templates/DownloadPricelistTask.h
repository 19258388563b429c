#pragma once
// Downloads the current price list of the account's portal and reads it, both off the GUI
// thread, for a window that needs prices before it can show anything (the template chooser
// shows only templates of products the price list sells). Installing it (PricelistCache) is
// the caller's, on its own thread.
//
// Threads: made on the GUI thread, run on a task runner; getPricelist() after the finished
// event; abort() from any thread ends the call under way.

#include <memory>
#include <mutex>

#include "service/PortalClient_3_0.h"
#include "threads/Task.h"

namespace Brenmarle {

class Pricelist;

class DownloadPricelistTask : public Quorvel::Task {
public:
    DownloadPricelistTask(const Quorvel::Ref<PortalClient_3_0>& client, int32_t id = -1);

    // Throws what the portal call throws, and Quorvel::XMLException "Could not initialize
    // price list from XML document" for a price list that cannot be read.
    void run() override;

    std::shared_ptr<const Pricelist> getPricelist() const;

protected:
    void onAbort() override;

private:
    Quorvel::Ref<PortalClient_3_0> m_client;
    mutable std::mutex m_mutex; // guards m_pricelist
    std::shared_ptr<const Pricelist> m_pricelist;
};

} // namespace Brenmarle
