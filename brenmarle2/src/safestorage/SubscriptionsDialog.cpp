#include "safestorage/SubscriptionsDialog.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/datetime.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

#include "safestorage/SafeStorageAccount.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

using Brenmarle::StorageClient_3_0;

SubscriptionsDialog::SubscriptionsDialog(wxWindow* parent, Quorvel::Configuration& configuration,
                                         Quorvel::NetworkSettings* settings)
    : StorageTaskDialog(parent, _("Safe Storage Status"), configuration, settings)
{
    m_list = new wxListView(this, wxID_ANY, wxDefaultPosition, wxSize(460, 160),
                            wxLC_REPORT | wxLC_SINGLE_SEL);
    Quorvel::setAccessibleName(*m_list, _("Active subscriptions"));
    m_list->AppendColumn(_("Slots"), wxLIST_FORMAT_LEFT, 150);
    m_list->AppendColumn(_("Price"), wxLIST_FORMAT_LEFT, 120);
    m_list->AppendColumn(_("Expires"), wxLIST_FORMAT_LEFT, 170);
    getBody()->Add(m_list, wxSizerFlags(1).Expand());
    auto* buttons = new wxStdDialogButtonSizer;
    auto* close = new wxButton(this, wxID_CANCEL, _("Close"));
    close->SetDefault();
    buttons->AddButton(close);
    buttons->Realize();
    finishLayout(buttons);
    QDEBUG("[SUBSCRIPTIONSDIALOG] Opened");

    if (SafeStorageAccount::accountId(configuration).empty()) {
        setMessage(_("You need to register an account to use the safe storage function"), true);
        return;
    }
    runStep([](const auto& client) { return Brenmarle::SafeStorageTask::accountStatus(client); },
            _("Downloading list of active subscriptions..."));
}

int SubscriptionsDialog::run(wxWindow* parent, Quorvel::Configuration& configuration)
{
    SubscriptionsDialog dialog(parent, configuration);
    return dialog.ShowModal();
}

wxString SubscriptionsDialog::usage(const StorageClient_3_0::SlotStatus& status)
{
    const int total = status.givenSlots + status.leasedSlots + status.purchasedSlots;
    const int free = status.freeLeasedSlots + status.freePurchasedSlots;
    return wxString::Format(_("%d of %d picture slots are in use"), std::max(0, total - free),
                            total);
}

std::vector<wxString> SubscriptionsDialog::row(const StorageClient_3_0::Subscription& subscription)
{
    return {wxString::Format(_("%d picture slots"), subscription.slots),
            wxString::Format(_("%s %0.2f"), subscription.currency, subscription.price),
            subscription.expires == 0
                ? _("No expiration")
                : wxDateTime(static_cast<time_t>(subscription.expires)).FormatDate()};
}

void SubscriptionsDialog::stepFinished(Brenmarle::SafeStorageTask& task)
{
    setMessage(usage(task.slotStatus));
    m_list->DeleteAllItems();
    for (const auto& subscription : task.subscriptions) {
        const std::vector<wxString> cells = row(subscription);
        const long item = m_list->InsertItem(m_list->GetItemCount(), cells[0]);
        m_list->SetItem(item, 1, cells[1]);
        m_list->SetItem(item, 2, cells[2]);
    }
}

void SubscriptionsDialog::stepFailed(Brenmarle::SafeStorageTask*, const wxString& code,
                                     const wxString& message)
{
    setMessage(
        wxString::Format(_("Error download list of active subscriptions (%s: %s)"), code, message),
        true);
}
