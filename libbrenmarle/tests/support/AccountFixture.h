#pragma once
// The reference provider (ProviderFixture) and a user's own files: a scratch home folder with
// the program's environment set up in it, and the configuration stores of a running program.

#include <string>

#include "ProviderFixture.h"
#include "ScratchDir.h"
#include "service/AccountSettings.h"
#include "system/Configuration.h"
#include "system/Environment.h"

// Sets up the environment in a scratch home before the configuration opens.
struct ScratchHome {
    ScratchHome() { Quorvel::Environment::init("vistrelle", home.path() + "program/"); }
    // The user data directory's file `name`.
    std::string readUserFile(const wxString& name) const
    {
        return home.readFile(".local/share/vistrelle/" + name);
    }
    bool hasUserFile(const wxString& name) const
    {
        return wxFileExists(Quorvel::Environment::getUserDataDir() + name);
    }
    ScratchDir home{ScratchDir::AsHome};
};

class AccountFixture : public ProviderFixture, protected ScratchHome {
protected:
    // Anna's account on "demo" (ProviderFixture::CONFIG), with the id the provider gave it.
    Brenmarle::AccountSettings::Account anna();
    wxString userKey(const wxString& key)
    {
        wxString value;
        configuration.getUserConfig().readString(key, value, wxString());
        return value;
    }

    Quorvel::Configuration configuration;
};
