#include "system/Configuration.h"

#include <atomic>

#include <wx/filename.h>

#include "system/Environment.h"
#include "util/Scrambler.h"
#include "util/Uuid.h"

namespace Quorvel {

namespace {
std::atomic<Configuration*> g_configuration{nullptr};
}

Configuration::Configuration()
    : m_global(std::make_unique<ConfigFile>(Environment::getGlobalConfigPath()))
{
}

Configuration::~Configuration()
{
    Configuration* self = this;
    g_configuration.compare_exchange_strong(self, nullptr);
}

Configuration* Configuration::get() { return g_configuration.load(); }

void Configuration::set(Configuration* configuration) { g_configuration.store(configuration); }

ConfigFile& Configuration::getUserConfig()
{
    Lock lock(m_lock);
    if (!m_user) {
        // The file cannot be written into a folder that does not exist yet.
        wxFileName::Mkdir(Environment::getUserDataDir(), 0700, wxPATH_MKDIR_FULL);
        m_user = std::make_unique<ConfigFile>(Environment::getUserConfigPath(),
                                              ConfigFile::Privacy::Private);
    }
    return *m_user;
}

void Configuration::flushUserConfig()
{
    Lock lock(m_lock);
    if (m_user)
        m_user->flush();
}

wxString Configuration::getInstallId()
{
    Lock lock(m_lock);
    ConfigFile& user = getUserConfig();
    wxString id;
    user.readString("Application/InstallId", id);
    if (id.length() != 36) {
        id = Uuid::create();
        user.writeString("Application/InstallId", id);
    }
    return id;
}

wxString Configuration::readPassword()
{
    wxString scrambled;
    getUserConfig().readString("Account/Password", scrambled);
    return Scrambler::unscramble(scrambled, Scrambler::PASSWORD_KEY);
}

void Configuration::writePassword(const wxString& password)
{
    getUserConfig().writeString("Account/Password",
                                Scrambler::scramble(password, Scrambler::PASSWORD_KEY));
}

} // namespace Quorvel
