#include "service/NetworkSettings.h"

#include <memory>

#include <sys/stat.h>

#include "system/ConfigFile.h"
#include "system/Environment.h"
#include "system/Log.h"
#include "system/UserAgent.h"

namespace Quorvel {

NetworkSettings& NetworkSettings::get()
{
    static NetworkSettings settings(Environment::getNetworkSettingsPath());
    return settings;
}

NetworkSettings::NetworkSettings(const wxString& path) : m_path(path) {}

bool NetworkSettings::FileState::operator==(const FileState& other) const
{
    return exists == other.exists && seconds == other.seconds && nanoseconds == other.nanoseconds &&
           size == other.size && inode == other.inode;
}

NetworkSettings::FileState NetworkSettings::currentState() const
{
    FileState state;
    struct stat info {};
    if (::stat(m_path.utf8_str(), &info) != 0)
        return state;
    state.exists = true;
    state.seconds = info.st_mtim.tv_sec;
    state.nanoseconds = info.st_mtim.tv_nsec;
    state.size = info.st_size;
    state.inode = info.st_ino;
    return state;
}

void NetworkSettings::reread()
{
    const FileState state = currentState();
    if (m_read && state == m_state)
        return;
    m_read = true;
    m_state = state;
    m_values = Values();
    if (!state.exists)
        return;
    QDEBUG("[NETWORKSETTINGS] Reading %s", m_path);
    ConfigFile file(m_path);
    file.readString("HttpProxy/Host", m_values.proxyHost, wxString());
    file.readInt("HttpProxy/Port", m_values.proxyPort, 0);
    file.readString("HttpProxy/UserId", m_values.proxyUser, wxString());
    file.readString("HttpProxy/Password", m_values.proxyPassword, wxString());
    file.readInt("Http/PortOverride", m_values.portOverride, 0);
    file.readBool("Soap/LogRecv", m_values.soapLogRecv, false);
    file.readBool("Soap/LogSent", m_values.soapLogSent, false);
    file.readBool("Soap/LogTest", m_values.soapLogTest, false);
    m_values.proxyHost.Trim().Trim(false);
}

NetworkSettings::Values NetworkSettings::getValues()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    reread();
    return m_values;
}

std::string NetworkSettings::getUserAgent() const
{
    return UserAgent::get();
}

wxString NetworkSettings::getLanguage() const
{
    wxString language = ConfigFile::getLocaleName();
    // "nb_NO.UTF-8" and "sr_RS@latin" name the same language to a web server as "nb-NO".
    language = language.BeforeFirst('.').BeforeFirst('@');
    language.Replace("_", "-");
    if (language.empty() || language == "C" || language == "POSIX")
        return "en";
    return language;
}

} // namespace Quorvel
