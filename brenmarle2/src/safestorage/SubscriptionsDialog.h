#pragma once
// "Safe Storage Status": how many of the account's picture slots are in use, and its active
// subscriptions (the free slots first) with their slots, price and expiry, read from the
// storage service when the dialog opens.
//
// Entry point: run() (modal); tests show it modelessly. GUI thread only.

#include <vector>

#include "safestorage/StorageTaskDialog.h"

class wxListView;

class SubscriptionsDialog : public StorageTaskDialog {
public:
    SubscriptionsDialog(wxWindow* parent, Quorvel::Configuration& configuration,
                        Quorvel::NetworkSettings* settings = nullptr);

    static int run(wxWindow* parent, Quorvel::Configuration& configuration);

    wxListView* getList() const { return m_list; }
    // A subscription's cells as the list shows them: slots, price, expiry.
    static std::vector<wxString>
    row(const Brenmarle::StorageClient_3_0::Subscription& subscription);
    // "%d of %d picture slots are in use" for `status`.
    static wxString usage(const Brenmarle::StorageClient_3_0::SlotStatus& status);

protected:
    void stepFinished(Brenmarle::SafeStorageTask& task) override;
    void stepFailed(Brenmarle::SafeStorageTask* task, const wxString& code,
                    const wxString& message) override;

private:
    wxListView* m_list = nullptr;
};
