#include "sharing/EmailHandOver.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/intl.h>

#include "sharing/ShareRecipients.h"
#include "system/Exceptions.h"
#include "system/Log.h"

extern char** environ;

namespace Brenmarle {

namespace {

// The child's file set-up: its input is /dev/null, as the mail program never reads from us.
class SpawnActions {
public:
    SpawnActions()
    {
        if (posix_spawn_file_actions_init(&m_actions) != 0)
            throw Quorvel::RuntimeException(wxS("Could not prepare the mail program's start"));
        posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

} // namespace

EmailHandOver::Message EmailHandOver::sharedPhotos(const std::vector<wxString>& recipients,
                                                   const std::vector<wxString>& attachments)
{
    return {recipients, _("Shared photos!"), _("Shared photos are attached to the message"),
            attachments};
}

std::vector<std::string> EmailHandOver::commandLine(const Message& message)
{
    if (message.recipients.empty())
        throw Quorvel::RuntimeException(_("No email address to send to"));
    std::vector<std::string> arguments = {TOOL,        "--utf8",
                                          "--subject", std::string(message.subject.utf8_str()),
                                          "--body",    std::string(message.body.utf8_str())};
    for (const wxString& attachment : message.attachments) {
        arguments.push_back("--attach");
        arguments.push_back(std::string(attachment.utf8_str()));
    }
    for (const wxString& recipient : message.recipients) {
        if (!ShareRecipients::isValidAddress(recipient))
            throw Quorvel::RuntimeException(_("Invalid email address: ") + recipient);
        arguments.push_back(std::string(recipient.utf8_str()));
    }
    return arguments;
}

EmailHandOver::EmailHandOver(Message message) : m_message(std::move(message)) {}

void EmailHandOver::run()
{
    const std::vector<std::string> arguments = commandLine(m_message);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    setProgress(_("Opening your email program..."), 0, 1);
    notifyProgress();

    SpawnActions actions;
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, TOOL, actions.get(), nullptr, argv.data(), environ);
    if (started != 0) {
        QDEBUG("[EMAILHANDOVER] %s could not be started: %s", TOOL, strerror(started));
        throw Quorvel::RuntimeException(
            wxString::Format(_("The email program could not be started (%s): %s"), TOOL,
                             wxString(strerror(started))));
    }
    const int status = waitFor(pid);
    if (status == -1) {
        QDEBUG("[EMAILHANDOVER] %s still runs; the message counts as handed over", TOOL);
        return;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        QDEBUG("[EMAILHANDOVER] %s ended with %d", TOOL, code);
        throw Quorvel::RuntimeException(wxString::Format(
            _("The email program reported an error (%s ended with code %d)"), TOOL, code));
    }
    QDEBUG("[EMAILHANDOVER] Message with %d attachments handed over",
           static_cast<int>(m_message.attachments.size()));
}

int EmailHandOver::waitFor(int pid)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WAIT_MS);
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return status;
        if (ended < 0 && errno != EINTR)
            throw Quorvel::RuntimeException(_("Lost track of the email program"));
        if (isAborted() || std::chrono::steady_clock::now() >= deadline) {
            // The mail program keeps the message; only its end is still to be collected.
            std::thread([pid] {
                int ignored = 0;
                while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
                }
            }).detach();
            checkAbort();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
}

} // namespace Brenmarle
