#include "ordering/PricelistCache.h"

#include <cerrno>

#include <unistd.h>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "ordering/ExternalOrderItem.h"
#include "ordering/Pricelist.h"
#include "system/ConfigFile.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

const char* const DIRECTORY_ERROR = "Could not create portal directory for template";

} // namespace

const char* const PricelistCache::UPDATE_TIME_KEY = "PriceList/UpdateTime";

PricelistCache::PricelistCache(const wxString& userDataDir, Quorvel::ConfigFile& config)
    : m_userDataDir(userDataDir), m_config(config)
{
}

wxString PricelistCache::getPath(const wxString& portalId) const
{
    if (!ExternalOrderItem::isSinglePathComponent(portalId))
        throw Quorvel::RuntimeException(DIRECTORY_ERROR);
    return m_userDataDir + "portals/" + portalId + "/pricelist.xml";
}

void PricelistCache::load(const wxString& portalId)
{
    long updateTime = 0;
    m_config.readLong(UPDATE_TIME_KEY, updateTime, 0);
    m_updateTime = updateTime;
    m_pricelist.reset();
    if (portalId.empty())
        return;
    try {
        // None downloaded yet for this portal (a new account) is no error to tell anyone.
        const wxString path = getPath(portalId);
        if (!wxFileExists(path))
            return;
        m_pricelist = Pricelist::load(path);
    } catch (const Quorvel::Exception& e) {
        wxLogError("Could not load price list: %s", e.getMessage());
    }
}

void PricelistCache::writeFile(const wxString& portalId, const Pricelist* pricelist)
{
    const wxString path = getPath(portalId);
    const wxString directory = wxFileName(path).GetPath();
    if (!wxFileName::Mkdir(directory, 0755, wxPATH_MKDIR_FULL))
        throw Quorvel::IOException(DIRECTORY_ERROR);
    if (pricelist)
        pricelist->save(path);
    else if (::unlink(path.utf8_str()) != 0 && errno != ENOENT)
        throw Quorvel::IOException(wxString::Format("Could not delete file %s", path));
}

bool PricelistCache::install(const wxString& portalId, std::shared_ptr<const Pricelist> pricelist,
                             std::time_t now)
{
    try {
        writeFile(portalId, pricelist.get());
    } catch (const Quorvel::Exception& e) {
        wxLogError("Error setting new price list: %s", e.getMessage());
        return false;
    }
    m_updateTime = now;
    m_config.writeLong(UPDATE_TIME_KEY, static_cast<long>(now));
    m_pricelist = std::move(pricelist);
    QDEBUG("[PRICELIST] Installed price list for portal %s", portalId);
    if (m_listener)
        m_listener(m_pricelist);
    return true;
}

bool PricelistCache::isValid(std::time_t now) const
{
    if (!m_pricelist)
        return false;
    if (m_updateTime > static_cast<int64_t>(now) + 86400)
        return false;
    return m_updateTime + MAX_AGE_SECONDS >= static_cast<int64_t>(now);
}

} // namespace Brenmarle
