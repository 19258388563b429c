#include "templates/DownloadTemplateTask.h"

#include <sys/stat.h>

#include <cstdio>

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "service/HTTPClient.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "templates/TemplateArchive.h"
#include "templates/TemplateDownload.h"

namespace Brenmarle {

namespace {

void removeTree(const wxString& folder)
{
    if (wxDirExists(folder))
        wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
}

// Removes the work folder on every way out.
struct WorkFolder {
    wxString path;
    ~WorkFolder() { removeTree(path); }
};

bool isPlainFile(const wxString& path)
{
    struct stat status {};
    return ::lstat(path.fn_str(), &status) == 0 && S_ISREG(status.st_mode);
}

void moveFolder(const wxString& from, const wxString& to)
{
    if (std::rename(from.fn_str(), to.fn_str()) != 0)
        throw Quorvel::RuntimeException(wxString::Format(_("Could not move %s to %s"), from, to));
}

} // namespace

DownloadTemplateTask::DownloadTemplateTask(const Template& chosen, const wxString& listUrl,
                                           const wxString& templatesFolder,
                                           Quorvel::NetworkSettings& settings, int32_t id)
    : Task(id), m_template(chosen), m_listUrl(listUrl), m_templatesFolder(templatesFolder),
      m_settings(settings)
{
}

wxString DownloadTemplateTask::getFolder() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_folder;
}

wxString DownloadTemplateTask::resolve(const wxString& address, const wxString& base)
{
    if (address.empty())
        return wxString();
    if (address.Contains("://"))
        return address;
    const int schemeEnd = base.Find("://");
    if (schemeEnd == wxNOT_FOUND)
        return wxString();
    const size_t pathStart = base.find('/', schemeEnd + 3);
    const wxString origin = pathStart == wxString::npos ? base : base.Left(pathStart);
    if (address.StartsWith("/"))
        return origin + address;
    const wxString path = pathStart == wxString::npos ? wxString("/") : base.Mid(pathStart);
    return origin + path.BeforeFirst('?').BeforeLast('/') + "/" + address;
}

void DownloadTemplateTask::run()
{
    if (!Template::isSafeName(m_template.uuid))
        throw Quorvel::RuntimeException(_("Invalid template identity"));
    const wxString url = resolve(m_template.smallPackage, m_listUrl);
    if (url.empty())
        throw Quorvel::RuntimeException(_("This template has no package to download"));
    const wxString name = m_template.folderName();
    // Hidden, and never a template's folder: names of those begin with a letter or digit.
    WorkFolder work{m_templatesFolder + "." + name + ".download/"};
    removeTree(work.path);
    if (!wxFileName::Mkdir(work.path + "small", 0755, wxPATH_MKDIR_FULL))
        throw Quorvel::RuntimeException(_("Could not create template directory"));

    setProgress(_("Downloading template"), 0, 1000);
    notifyProgress();
    QDEBUG("[DOWNLOADTEMPLATETASK] URL = %s", Quorvel::WebAddress::printable(url));
    Quorvel::HTTPClient http(m_settings);
    TemplateDownload::fetch(http, url, work.path + "small/temp.zip", *this, MAX_BYTES);
    unpackAndPlace(work.path, m_templatesFolder + name);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folder = m_templatesFolder + name + "/";
}

void DownloadTemplateTask::unpackAndPlace(const wxString& work, const wxString& target)
{
    setProgress(_("Unpacking template"), 0, 1000);
    notifyProgress();
    const wxString unpacked = work + "unpacked";
    if (!wxFileName::Mkdir(unpacked, 0755))
        throw Quorvel::RuntimeException(_("Could not create template directory"));
    TemplateArchive::unpack(work + "small/temp.zip", unpacked, [this](size_t done, size_t total) {
        checkAbort();
        setProgress(_("Unpacking template"), static_cast<int64_t>(done * 1000 / total), 1000);
        notifyProgress();
    });
    const wxString& preview = m_template.previewImage;
    if (!preview.empty() &&
        (!Template::isInsideFolder(preview) || !isPlainFile(unpacked + "/" + preview)))
        throw Quorvel::IOException(_("The template's preview picture is missing"));
    checkAbort();

    // The earlier copy goes aside first and comes back when the new one cannot take its place.
    const bool hadCopy = wxDirExists(target);
    if (hadCopy)
        moveFolder(target, work + "previous");
    try {
        moveFolder(unpacked, target);
    } catch (...) {
        if (hadCopy)
            std::rename((work + "previous").fn_str(), target.fn_str());
        throw;
    }
}

} // namespace Brenmarle
