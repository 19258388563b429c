#pragma once
// Hands an e-mail to the user's own mail program, which shows it for the user to send: the
// desktop's "xdg-email" is started with the subject, the text, one "--attach" per file and
// the recipients, each as one argument of its own (never through a shell). Every recipient is
// checked again here (ShareRecipients::isValidAddress), so nothing typed can become an option
// or a mailto parameter.
//
// xdg-email ends once the mail program has the message, but with some mail programs it lasts
// as long as the program that it had to start: after WAIT_MS the message counts as handed
// over, and the child is left to run (and reaped when it ends).
//
// Threads: made on the GUI thread; run() on a task runner thread.

#include <string>
#include <vector>

#include <wx/string.h>

#include "threads/Task.h"

namespace Brenmarle {

class EmailHandOver : public Quorvel::Task {
public:
    static constexpr const char* TOOL = "xdg-email";
    static constexpr int WAIT_MS = 10000;
    static constexpr int POLL_MS = 20;

    struct Message {
        std::vector<wxString> recipients;
        wxString subject;
        wxString body;
        std::vector<wxString> attachments; // paths of existing files
    };

    // A message sharing `attachments`: subject "Shared photos!", text "Shared photos are
    // attached to the message".
    static Message sharedPhotos(const std::vector<wxString>& recipients,
                                const std::vector<wxString>& attachments);

    // The tool's command line, the tool first. Throws Quorvel::RuntimeException "Invalid
    // email address: <address>" for a recipient that is not a valid address, and for no
    // recipient.
    static std::vector<std::string> commandLine(const Message& message);

    explicit EmailHandOver(Message message);

    // Throws Quorvel::RuntimeException when the tool cannot be started or ends with an error;
    // AbortException when aborted while waiting.
    void run() override;

private:
    // Waits for the child `pid`; its exit status, or -1 when it still runs after WAIT_MS.
    int waitFor(int pid);

    Message m_message;
};

} // namespace Brenmarle
