#include "AccountFixture.h"

#include "service/PortalClient_3_0.h"

Brenmarle::AccountSettings::Account AccountFixture::anna()
{
    auto client = Quorvel::makeRef<Brenmarle::PortalClient_3_0>(settings);
    client->setAddress(portalAddress("demo", "anna@example.com", "secret"));
    return {client->getAccountId(), "anna@example.com", "secret", "demo", "Demo Photo"};
}
