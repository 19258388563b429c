#include "system/UserAgent.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include <sys/utsname.h>

namespace Quorvel {

namespace {

std::mutex& agentMutex()
{
    static std::mutex mutex;
    return mutex;
}

char* agentBuffer()
{
    static char buffer[UserAgent::BUFFER_SIZE] = "libquorvel/0.0.0";
    return buffer;
}

} // namespace

void UserAgent::set(const wxString& agent)
{
    const wxScopedCharBuffer utf8 = agent.utf8_str();
    size_t length = std::min(utf8.length(), BUFFER_SIZE - 1);
    // Never leave half a character at the end.
    while (length > 0 && length < utf8.length() && (utf8.data()[length] & 0xC0) == 0x80)
        --length;
    std::lock_guard<std::mutex> lock(agentMutex());
    std::memcpy(agentBuffer(), utf8.data(), length);
    agentBuffer()[length] = '\0';
}

std::string UserAgent::get()
{
    std::lock_guard<std::mutex> lock(agentMutex());
    return agentBuffer();
}

wxString UserAgent::compose(const wxString& version, const wxString& localeName,
                            const wxString& ipcName)
{
    int major = 0, minor = 0;
    struct utsname info {};
    if (uname(&info) == 0)
        std::sscanf(info.release, "%d.%d", &major, &minor);
    wxString locale = localeName;
    locale.Replace("_", "-");
    return wxString::Format("Vistrelle/%s (%s; U; %s; %s; Quorvel; %s)", version, "Linux",
                            wxString::Format("Linux %d.%d", major, minor), locale, ipcName);
}

} // namespace Quorvel
