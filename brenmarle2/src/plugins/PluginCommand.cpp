#include "plugins/PluginCommand.h"

#include <wx/filefn.h>

bool PluginCommand::isEnabledFor(const std::vector<wxString>& contentTypes) const
{
    const int count = static_cast<int>(contentTypes.size());
    if (count < minFiles || (maxFiles >= 0 && count > maxFiles))
        return false;
    if (acceptContentTypes.empty())
        return true;
    for (const wxString& type : contentTypes) {
        bool accepted = false;
        for (const wxString& pattern : acceptContentTypes)
            accepted = accepted || wxMatchWild(pattern.Lower(), type.Lower(), false);
        if (!accepted)
            return false;
    }
    return true;
}

PluginCommand::Type PluginCommand::parseType(const wxString& text)
{
    static const struct {
        const char* name;
        Type type;
    } types[] = {{"FILECOPYFILTER", FILECOPYFILTER},
                 {"FILEFILTER", FILEFILTER},
                 {"COMMAND", COMMAND},
                 {"IMPORT", IMPORT},
                 {"WEBLINK", WEBLINK},
                 {"SEPARATOR", SEPARATOR}};
    for (const auto& entry : types) {
        if (text == entry.name)
            return entry.type;
    }
    return TYPE_UNKNOWN;
}

PluginCommand::ExecuteMode PluginCommand::parseExecuteMode(const wxString& text)
{
    if (text == "ASYNC")
        return ASYNC;
    if (text == "SYNC")
        return SYNC;
    if (text == "MODAL")
        return MODAL;
    return MODE_NONE;
}

PluginCommand::QuitAction PluginCommand::parseQuitAction(const wxString& text)
{
    if (text == "TERM")
        return QUIT_TERM;
    if (text == "KILL")
        return QUIT_KILL;
    return QUIT_NOTHING;
}
