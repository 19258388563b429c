#include "templates/DownloadTemplateListTask.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include "service/HTTPClient.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "templates/TemplateDownload.h"
#include "templates/TemplateList.h"

namespace Brenmarle {

DownloadTemplateListTask::DownloadTemplateListTask(const Quorvel::Ref<PortalClient_3_0>& client,
                                                   const wxString& portalFolder,
                                                   Quorvel::NetworkSettings& settings, int32_t id)
    : Task(id), m_client(client), m_folder(portalFolder), m_settings(settings)
{
}

wxString DownloadTemplateListTask::getUrl() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_url;
}

wxString DownloadTemplateListTask::getPath() const
{
    return m_folder + TemplateList::FILE_NAME;
}

void DownloadTemplateListTask::onAbort()
{
    m_client->interrupt();
}

void DownloadTemplateListTask::run()
{
    setProgress(_("Updating list of templates"), 0, 1000);
    notifyProgress();
    checkAbort();
    const wxString url = m_client->getTemplateListUrl();
    QDEBUG("[DOWNLOADTEMPLATELISTTASK] URL = %s", Quorvel::WebAddress::printable(url));
    if (url.empty())
        throw Quorvel::RuntimeException(
            _("We're sorry, but we do not have any available products"));
    checkAbort();
    if (!wxFileName::Mkdir(m_folder, 0777, wxPATH_MKDIR_FULL))
        throw Quorvel::RuntimeException(_("Could not create portal directory for template"));
    Quorvel::HTTPClient http(m_settings);
    TemplateDownload::fetch(http, url, getPath(), *this, MAX_BYTES);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_url = url;
}

} // namespace Brenmarle
