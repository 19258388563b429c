#pragma once
// The network settings that every HTTP and SOAP client of the maker's programs shares: the HTTP
// proxy, the port that replaces 80, and the SOAP logging switches, kept in "network.ini" in the
// "quorvel-common" folder of the application-data folder. The preferences dialog writes the
// proxy keys; the clients read them here.
//
// Every getter first compares the file's modification time, size and identity with those of the
// last read and reads the file again when it changed (a file that has gone gives the defaults),
// so a change made by another program or the preferences dialog counts from the next request.
//
// Threads: any thread; m_mutex guards the values and the file's recorded state.

#include <cstdint>
#include <mutex>
#include <string>

#include <wx/string.h>

namespace Quorvel {

class NetworkSettings {
public:
    // One consistent copy of the values (a proxy host with its own port and credentials).
    struct Values {
        wxString proxyHost;
        int proxyPort = 0;
        wxString proxyUser;
        wxString proxyPassword;
        int portOverride = 0;
        bool soapLogRecv = false;
        bool soapLogSent = false;
        bool soapLogTest = false;

        // A proxy is used when both its host and its port are set.
        bool hasProxy() const { return !proxyHost.empty() && proxyPort != 0; }
    };

    // The process's settings, read from Environment::getNetworkSettingsPath(); created on first
    // use.
    static NetworkSettings& get();

    // Settings kept in another file (tests, tools).
    explicit NetworkSettings(const wxString& path);
    NetworkSettings(const NetworkSettings&) = delete;
    NetworkSettings& operator=(const NetworkSettings&) = delete;

    Values getValues();
    wxString getProxyHost() { return getValues().proxyHost; }
    int getProxyPort() { return getValues().proxyPort; }
    wxString getProxyUser() { return getValues().proxyUser; }
    wxString getProxyPassword() { return getValues().proxyPassword; }
    int getPortOverride() { return getValues().portOverride; }

    // The user agent the clients send (UTF-8).
    std::string getUserAgent() const;
    // The language requests ask for, from the active locale ("nb-NO"); "en" when unknown.
    wxString getLanguage() const;

    const wxString& getPath() const { return m_path; }

private:
    struct FileState {
        bool exists = false;
        int64_t seconds = 0;
        int64_t nanoseconds = 0;
        int64_t size = 0;
        uint64_t inode = 0;
        bool operator==(const FileState& other) const;
    };
    FileState currentState() const;
    void reread();

    const wxString m_path;
    std::mutex m_mutex;
    bool m_read = false;
    FileState m_state;
    Values m_values;
};

} // namespace Quorvel
