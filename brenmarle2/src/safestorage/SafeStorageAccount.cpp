#include "safestorage/SafeStorageAccount.h"

#include "filemanager/FileManager.h"
#include "files/File.h"
#include "service/AccountSettings.h"
#include "service/NetworkSettings.h"
#include "system/Configuration.h"

wxString SafeStorageAccount::accountId(Quorvel::Configuration& configuration)
{
    const auto account = Brenmarle::AccountSettings::read(configuration);
    return account.exists() ? account.accountId : wxString();
}

Quorvel::Ref<Brenmarle::StorageClient_3_0>
SafeStorageAccount::makeClient(Quorvel::Configuration& configuration,
                               Quorvel::NetworkSettings& settings)
{
    auto client = Quorvel::makeRef<Brenmarle::StorageClient_3_0>(settings);
    client->setAddress(Brenmarle::AccountSettings::portalAddress(
        configuration, Brenmarle::AccountSettings::read(configuration)));
    return client;
}

void SafeStorageAccount::setStatus(Brenmarle::File& file, int32_t type, const wxString& accountId)
{
    file.setSafeStorageType(type);
    file.setSafeStorageAccountId(type ? accountId : wxString());
    file.setSafeStorageRevision(0);
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    manager.getFolder(file.getURI())->saveFileMetadata(file);
    manager.fileChanged(file, 0);
}
