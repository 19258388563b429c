#include "templates/DownloadPricelistTask.h"

#include <wx/intl.h>

#include "ordering/Pricelist.h"

namespace Brenmarle {

DownloadPricelistTask::DownloadPricelistTask(const Quorvel::Ref<PortalClient_3_0>& client,
                                             int32_t id)
    : Task(id), m_client(client)
{
}

void DownloadPricelistTask::onAbort()
{
    m_client->interrupt();
}

std::shared_ptr<const Pricelist> DownloadPricelistTask::getPricelist() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pricelist;
}

void DownloadPricelistTask::run()
{
    setProgress(_("Downloading price list - please wait"), 0, 0);
    notifyProgress();
    checkAbort();
    std::shared_ptr<const Pricelist> pricelist =
        Pricelist::fromXML(m_client->downloadPriceList(""));
    checkAbort();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pricelist = std::move(pricelist);
}

} // namespace Brenmarle
