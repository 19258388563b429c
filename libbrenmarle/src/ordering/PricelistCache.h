#pragma once
// The application's current price list: the one of the portal the user's account belongs to,
// kept on disk as portals/<portal id>/pricelist.xml under the user data directory, with the
// time of its last download under the configuration key "PriceList/UpdateTime". A price list
// older than seven days is stale; ordering downloads a new one first.
//
// The portal id names a folder, so it must be a single path component.
// Threads: the GUI thread.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>

#include <wx/string.h>

namespace Quorvel {
class ConfigFile;
}

namespace Brenmarle {

class Pricelist;

class PricelistCache {
public:
    static constexpr int64_t MAX_AGE_SECONDS = 7 * 86400;
    static const char* const UPDATE_TIME_KEY; // "PriceList/UpdateTime"

    using Listener = std::function<void(const std::shared_ptr<const Pricelist>&)>;

    // `userDataDir` ends with "/"; `config` (the user configuration) must outlive this.
    PricelistCache(const wxString& userDataDir, Quorvel::ConfigFile& config);

    // Start-up: reads the update time and, for a non-empty portal id, the cached price list.
    // A file that cannot be read is logged ("Could not load price list: %s") and leaves none.
    void load(const wxString& portalId);
    // Makes `pricelist` (or none) the current one: written to (or, for none, removed from)
    // the portal's folder, the update time set to `now` and stored, and the listener told.
    // A failure is logged ("Error setting new price list: ...") and returns false, keeping
    // the previous price list.
    bool install(const wxString& portalId, std::shared_ptr<const Pricelist> pricelist,
                 std::time_t now);

    const std::shared_ptr<const Pricelist>& get() const { return m_pricelist; }
    int64_t getUpdateTime() const { return m_updateTime; }
    // There is a price list and it is at most seven days old. An update time more than a day
    // ahead of `now` (a clock that was wrong then) counts as stale too.
    bool isValid(std::time_t now) const;

    // Told of each installed price list (the shopping cart follows it).
    void setListener(Listener listener) { m_listener = std::move(listener); }

    // portals/<portal id>/pricelist.xml; throws Quorvel::RuntimeException "Could not create
    // portal directory for template" for a portal id that is not a single path component.
    wxString getPath(const wxString& portalId) const;

private:
    void writeFile(const wxString& portalId, const Pricelist* pricelist);

    wxString m_userDataDir;
    Quorvel::ConfigFile& m_config;
    std::shared_ptr<const Pricelist> m_pricelist;
    int64_t m_updateTime = 0;
    Listener m_listener;
};

} // namespace Brenmarle
