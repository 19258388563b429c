#pragma once
// One connection of the single-instance channel. In the running instance it answers the
// second start's "getprocessid" request and receives its command as a poke; the poke only hands
// the command on (the receiver queues it for the GUI thread), it runs nothing itself.

#include <functional>
#include <string>

#include <wx/ipc.h>

class BrenmarleConnection : public wxConnection {
public:
    // Called with the poked item (the command) and its data (the argument).
    using CommandReceiver = std::function<void(const wxString& command, const wxString& argument)>;

    explicit BrenmarleConnection(CommandReceiver receiver = CommandReceiver());

    static constexpr const char* TOPIC = "command";
    static constexpr const char* PROCESS_ID_ITEM = "getprocessid";
    // Longer arguments are cut before they are sent.
    static constexpr size_t MAX_ARGUMENT_LENGTH = 1024;

protected:
    const void* OnRequest(const wxString& topic, const wxString& item, size_t* size,
                          wxIPCFormat format) override;
    bool OnPoke(const wxString& topic, const wxString& item, const void* data, size_t size,
                wxIPCFormat format) override;

private:
    CommandReceiver m_receiver;
    std::string m_processId;
};
