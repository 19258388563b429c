#pragma once
// Downloads a template's small package and unpacks it into the template's folder under
// "templates" in the user data directory ("<uuid>-<version>", Template::folderName). The
// package is fetched into "small/temp.zip" of a work folder beside it (TemplateDownload),
// unpacked there (TemplateArchive), its preview picture checked, and only then moved into
// place, replacing an earlier copy; a failure leaves the earlier copy and no work folder.
// Progress "Downloading template" then "Unpacking template", each 0 to 1000.
//
// Threads: made on the GUI thread, run on a task runner; getFolder() after the finished event;
// abort() from any thread.

#include <cstdint>
#include <mutex>

#include <wx/string.h>

#include "templates/Template.h"
#include "threads/Task.h"

namespace Quorvel {
class NetworkSettings;
}

namespace Brenmarle {

class DownloadTemplateTask : public Quorvel::Task {
public:
    static constexpr int64_t MAX_BYTES = 256LL * 1024 * 1024;

    // `listUrl` is the address the template list came from (package addresses may be relative
    // to it); `templatesFolder` ends in "/"; `settings` must outlive the task.
    DownloadTemplateTask(const Template& chosen, const wxString& listUrl,
                         const wxString& templatesFolder, Quorvel::NetworkSettings& settings,
                         int32_t id = -1);

    // Throws RuntimeException "Invalid template identity" for a uuid that cannot name a
    // folder, "This template has no package to download", "Could not move %s to %s", IOException
    // "The template's preview picture is missing" when it is not a plain file inside the
    // package, and what TemplateDownload::fetch and TemplateArchive::unpack throw.
    void run() override;

    // The unpacked template's folder (ending in "/").
    wxString getFolder() const;

    // `address` as an absolute address: as it is when it has a scheme, else relative to
    // `base` (from its host for one beginning with "/"). Empty when it cannot be made one.
    static wxString resolve(const wxString& address, const wxString& base);

private:
    void unpackAndPlace(const wxString& work, const wxString& target);

    const Template m_template;
    const wxString m_listUrl;
    const wxString m_templatesFolder;
    Quorvel::NetworkSettings& m_settings;
    mutable std::mutex m_mutex; // guards m_folder
    wxString m_folder;
};

} // namespace Brenmarle
