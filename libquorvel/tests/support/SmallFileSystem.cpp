#include "SmallFileSystem.h"

#include <string>

#include <sys/mount.h>
#include <unistd.h>

#include <wx/filename.h>

SmallFileSystem::SmallFileSystem(const wxString& mountPoint, unsigned kilobytes)
    : m_path(mountPoint.EndsWith("/") ? mountPoint : mountPoint + "/")
{
    if (::geteuid() != 0)
        return;
    wxFileName::Mkdir(m_path, 0755, wxPATH_MKDIR_FULL);
    const std::string options = "size=" + std::to_string(kilobytes) + "k";
    m_mounted = ::mount("tmpfs", m_path.utf8_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        ::umount2(m_path.utf8_str(), MNT_DETACH);
}
