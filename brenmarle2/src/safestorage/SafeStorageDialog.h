#pragma once
// "Safe Storage": puts the chosen pictures that are not stored yet into safe storage. It asks
// the service for the account's free slots, shows whether they are enough for the pictures
// (each takes its size in slots, rounded up) and offers "Store", which reserves slots for one
// picture after the other, or "Rent More Slots" when they are too few. Reserved pictures are
// marked as waiting for safe storage under the account; their upload is the synchronisation's
// work, which the dialog asks for through its hook.
//
// Pictures of 2 GB or more are refused before anything is reserved. Pictures reserved before
// a failure stay marked, and a retry goes on with the others.
//
// Entry point: run() (modal); tests show it modelessly. GUI thread only.

#include <functional>
#include <vector>

#include "files/File.h"
#include "safestorage/SafeStorageSelection.h"
#include "safestorage/StorageTaskDialog.h"

class wxButton;

class SafeStorageDialog : public StorageTaskDialog {
public:
    // What the dialog asks of the program around it.
    struct Hooks {
        // Leads the user through renting slots; whether slots were bought.
        std::function<bool()> rentSlots;
        // Pictures went into or out of safe storage: the synchronisation has work.
        std::function<void()> changesToSynchronize;
    };

    // `pictures` are those chosen; only those not stored for the account are stored.
    SafeStorageDialog(wxWindow* parent, const std::vector<Quorvel::Ref<Brenmarle::File>>& pictures,
                      Quorvel::Configuration& configuration, Hooks hooks,
                      Quorvel::NetworkSettings* settings = nullptr);

    static int run(wxWindow* parent, const std::vector<Quorvel::Ref<Brenmarle::File>>& pictures,
                   Quorvel::Configuration& configuration, Hooks hooks);

    // The action button: "Store" or "Rent More Slots"; disabled while there is nothing to do.
    wxButton* getActionButton() const { return m_action; }
    // What the last slot status said.
    int getFreeSlots() const { return m_freeSlots; }
    int64_t getRequiredSlots() const { return m_requiredSlots; }
    // The pictures still to be stored.
    size_t getWaitingCount() const { return m_waiting.size(); }

    // The action button's work, also called by tests.
    void store();
    void rentMoreSlots();
    // Asks for the slot status (again).
    void querySlots();

protected:
    void stepFinished(Brenmarle::SafeStorageTask& task) override;
    void stepFailed(Brenmarle::SafeStorageTask* task, const wxString& code,
                    const wxString& message) override;
    void busyChanged() override;

private:
    enum class Action { NONE, STORE, RENT };
    void showSlots(const Brenmarle::StorageClient_3_0::SlotStatus& status);
    void setAction(Action action);
    // Marks the first `count` waiting pictures as reserved and drops them from the waiting.
    void markReserved(int count);
    void finish(int code);

    Hooks m_hooks;
    wxString m_accountId;
    std::vector<Quorvel::Ref<Brenmarle::File>> m_waiting;
    std::vector<Brenmarle::SafeStorageTask::Reservation> m_reservations;
    int m_freeSlots = 0;
    int64_t m_requiredSlots = 0;
    Action m_actionKind = Action::NONE;
    wxButton* m_action = nullptr;
    wxButton* m_cancel = nullptr;
};
