#include "safestorage/SafeStorageDialog.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "filemanager/FileManager.h"
#include "safestorage/SafeStorageAccount.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

using Brenmarle::SafeStorageSelection;
using Brenmarle::StorageClient_3_0;

namespace {

bool isSlotRefusal(const wxString& code)
{
    return code == wxS("SoapClient.Slots") || code == wxS("SoapClient.InsufficientSlots");
}

wxString folderName(const wxString& uri)
{
    try {
        return Brenmarle::FileManager::get().getFolder(uri)->getName();
    } catch (const Quorvel::Exception&) {
        return wxString();
    }
}

} // namespace

SafeStorageDialog::SafeStorageDialog(wxWindow* parent,
                                     const std::vector<Quorvel::Ref<Brenmarle::File>>& pictures,
                                     Quorvel::Configuration& configuration, Hooks hooks,
                                     Quorvel::NetworkSettings* settings)
    : StorageTaskDialog(parent, _("Safe Storage"), configuration, settings),
      m_hooks(std::move(hooks)), m_accountId(SafeStorageAccount::accountId(configuration))
{
    for (const auto& picture : pictures)
        if (picture &&
            SafeStorageSelection::stateOf(SafeStorageSelection::of(*picture), m_accountId) ==
                SafeStorageSelection::NOT_STORED)
            m_waiting.push_back(picture);

    auto* buttons = new wxStdDialogButtonSizer;
    m_action = new wxButton(this, wxID_OK, _("Store"));
    m_action->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (m_actionKind == Action::STORE)
            store();
        else if (m_actionKind == Action::RENT)
            rentMoreSlots();
    });
    buttons->AddButton(m_action);
    m_action->SetDefault();
    m_cancel = new wxButton(this, wxID_CANCEL, _("Cancel"));
    buttons->AddButton(m_cancel);
    buttons->Realize();
    finishLayout(buttons);
    setAction(Action::NONE);
    QDEBUG("[SAFESTORAGEDIALOG] Opened with %zu pictures not stored", m_waiting.size());

    if (m_accountId.empty()) {
        setMessage(_("You need to register an account to use the safe storage function"), true);
        return;
    }
    // Refused before anything is reserved: such a file could never be sent.
    for (const auto& picture : m_waiting) {
        try {
            const int64_t size = picture->getFileSize();
            StorageClient_3_0::checkFileSize(
                size >= Brenmarle::File::MAX_FILE_SIZE ? StorageClient_3_0::MAX_FILE_BYTES : size,
                picture->getFileName());
        } catch (const Quorvel::Exception& e) {
            setMessage(e.getMessage(), true);
            return;
        }
    }
    querySlots();
}

int SafeStorageDialog::run(wxWindow* parent,
                           const std::vector<Quorvel::Ref<Brenmarle::File>>& pictures,
                           Quorvel::Configuration& configuration, Hooks hooks)
{
    SafeStorageDialog dialog(parent, pictures, configuration, std::move(hooks));
    return dialog.ShowModal();
}

void SafeStorageDialog::querySlots()
{
    if (isBusy())
        return;
    setAction(Action::NONE);
    runStep([](const auto& client) { return Brenmarle::SafeStorageTask::freeSlots(client); },
            _("Checking your safe storage slots..."));
}

void SafeStorageDialog::showSlots(const StorageClient_3_0::SlotStatus& status)
{
    m_freeSlots = status.freeLeasedSlots + status.freePurchasedSlots;
    QDEBUG("[SAFESTORAGEDIALOG] Free slots: %d", m_freeSlots);
    std::vector<SafeStorageSelection::Picture> pictures;
    for (const auto& picture : m_waiting)
        pictures.push_back(SafeStorageSelection::of(*picture));
    const SafeStorageSelection selection(pictures, m_accountId);
    try {
        m_requiredSlots = selection.slotsNeeded(status.slotSize);
    } catch (const Quorvel::Exception& e) {
        setMessage(wxString::Format(_("Could not get account storage status: %s (%s)"),
                                    e.getMessage(), e.getCode()),
                   true);
        return;
    }
    QDEBUG("Total filesize: %lld", static_cast<long long>(selection.getTotalSize()));
    QDEBUG("Total slotsize: %lld", static_cast<long long>(m_requiredSlots));
    const int count = static_cast<int>(m_waiting.size());
    if (m_requiredSlots <= m_freeSlots) {
        setHeading(wxString());
        setMessage(wxString::Format(
            _("%d selected files are not safely stored. Click '%s' to use %d of your %d slots."),
            count, _("Store"), static_cast<int>(m_requiredSlots), m_freeSlots));
        setAction(Action::STORE);
        return;
    }
    setHeading(_("Insufficient number of available storage slots"));
    setMessage(wxString::Format(_("%d selected files are not safely stored, and you have not "
                                  "enough free slots available to store these files (Available: "
                                  "%d, required: %d slots."),
                                count, m_freeSlots, static_cast<int>(m_requiredSlots)));
    setAction(Action::RENT);
}

void SafeStorageDialog::setAction(Action action)
{
    m_actionKind = action;
    m_action->SetLabel(action == Action::RENT ? _("Rent More Slots") : _("Store"));
    busyChanged();
    Layout();
}

void SafeStorageDialog::busyChanged()
{
    // Without a way to rent, the button says what would help but cannot be pressed.
    m_action->Enable(m_actionKind != Action::NONE && !isBusy() &&
                     (m_actionKind != Action::RENT || m_hooks.rentSlots));
    // Reserving is not broken off halfway by the button: what the service reserved would
    // not be marked here. (An orderly exit still ends the dialog.)
    m_cancel->Enable(!isBusy() || m_actionKind != Action::STORE);
}

void SafeStorageDialog::store()
{
    if (isBusy() || m_actionKind != Action::STORE || m_waiting.empty())
        return;
    m_reservations.clear();
    for (const auto& picture : m_waiting) {
        const wxString uri = picture->getURI();
        const wxString folderUri = uri.BeforeLast('/') + wxS("/");
        Brenmarle::SafeStorageTask::Reservation reservation;
        reservation.folder.clientRef = StorageClient_3_0::folderReference(folderUri);
        reservation.folder.folderName = folderName(folderUri);
        reservation.file.clientRef = StorageClient_3_0::fileReference(uri);
        reservation.file.fileName = picture->getFileName();
        reservation.file.fileSize = picture->getFileSize();
        reservation.file.fileModifyTime = picture->getFileModifyTime();
        reservation.file.metaModifyTime = picture->getMetaModifyTime();
        m_reservations.push_back(reservation);
    }
    runStep(
        [this](const auto& client) {
            return Brenmarle::SafeStorageTask::store(client, m_reservations);
        },
        _("Reserving slots..."));
}

void SafeStorageDialog::rentMoreSlots()
{
    if (isBusy() || !m_hooks.rentSlots)
        return;
    if (m_hooks.rentSlots())
        querySlots();
}

void SafeStorageDialog::markReserved(int count)
{
    count = std::min(count, static_cast<int>(m_waiting.size()));
    for (int i = 0; i < count; ++i) {
        try {
            SafeStorageAccount::setStatus(*m_waiting[i], StorageClient_3_0::RENTED_STORAGE,
                                          m_accountId);
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[SAFESTORAGEDIALOG] Could not mark %s: %s", m_waiting[i]->getURI(),
                   e.getMessage());
        }
    }
    m_waiting.erase(m_waiting.begin(), m_waiting.begin() + count);
    if (count > 0 && m_hooks.changesToSynchronize)
        m_hooks.changesToSynchronize();
}

void SafeStorageDialog::stepFinished(Brenmarle::SafeStorageTask& task)
{
    if (task.getOperation() == Brenmarle::SafeStorageTask::SLOT_STATUS) {
        showSlots(task.slotStatus);
        return;
    }
    markReserved(task.reservedCount);
    finish(wxID_OK);
}

void SafeStorageDialog::stepFailed(Brenmarle::SafeStorageTask* task, const wxString& code,
                                   const wxString& message)
{
    if (!task || task->getOperation() != Brenmarle::SafeStorageTask::STORE) {
        setMessage(
            wxString::Format(_("Could not get account storage status: %s (%s)"), message, code),
            true);
        setAction(Action::NONE);
        return;
    }
    const int reserved = task->reservedCount;
    const wxString name = reserved < static_cast<int>(m_reservations.size())
                              ? m_reservations[reserved].file.fileName
                              : wxString();
    markReserved(reserved);
    if (isSlotRefusal(code)) {
        setHeading(_("Insufficient number of available storage slots"));
        setMessage(
            wxString::Format(_("Could not get reserve slots for file: %s (%s)"), name, message),
            true);
        setAction(Action::RENT);
        return;
    }
    // The step worded it already ("Could not get reserve slots for file: ..."); Store tries
    // the pictures not reserved yet again.
    setMessage(message, true);
    setAction(Action::STORE);
}

void SafeStorageDialog::finish(int code)
{
    SetReturnCode(code);
    if (IsModal())
        EndModal(code);
    else
        Hide();
}
