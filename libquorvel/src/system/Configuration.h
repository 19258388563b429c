#pragma once
// The configuration stores of the running program: the read-only global configuration beside
// the executable and the per-user configuration (created on first request, after the user
// data directory is settled). Owned by the application object; domain code reaches it through
// Configuration::get() so it needs no GUI.
//
// Thread-safety: the stores may be read from any thread. Sequences that must see consistent
// values, and flushing, hold getLock() (the application's configuration lock) around them.

#include <memory>
#include <mutex>

#include "system/ConfigFile.h"

namespace Quorvel {

class Configuration {
public:
    using Lock = std::unique_lock<std::recursive_mutex>;

    // Opens the global configuration at Environment::getGlobalConfigPath().
    Configuration();
    ~Configuration();
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    // The process's stores; set by the owner (the application), null when there is none.
    static Configuration* get();
    static void set(Configuration* configuration);

    ConfigFile& getGlobalConfig() { return *m_global; }
    // Created on first request at Environment::getUserConfigPath(), readable by the user only
    // (it holds the scrambled password).
    ConfigFile& getUserConfig();
    std::recursive_mutex& getLock() { return m_lock; }

    // Flushes the user configuration, if it was ever opened, under the configuration lock and
    // the shared ConfigFile lock.
    void flushUserConfig();

    // "Application/InstallId": read it, or create and store a new UUID when the stored value is
    // not exactly 36 characters long.
    wxString getInstallId();

    // The account password, stored scrambled under "Account/Password".
    wxString readPassword();
    void writePassword(const wxString& password);

private:
    std::recursive_mutex m_lock;
    std::unique_ptr<ConfigFile> m_global;
    std::unique_ptr<ConfigFile> m_user;
};

} // namespace Quorvel
