#include "plugins/PluginCommandLine.h"

#include <wx/regex.h>

#include "system/Exceptions.h"

std::vector<wxString> PluginCommandLine::split(const wxString& commandLine)
{
    std::vector<wxString> arguments;
    wxString current;
    bool inArgument = false;
    wxUniChar quote = 0;
    for (const wxUniChar c : commandLine) {
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                current += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inArgument = true;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quote != 0)
        throw Quorvel::RuntimeException("Unterminated quote in command line");
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

wxString PluginCommandLine::substitute(const wxString& argument, const Substitutions& values)
{
    static const wxRegEx pluginPath("\\{pluginpath:([^}]*)\\}", wxRE_ADVANCED);
    wxString result;
    wxString rest = argument;
    // Replaced piece by piece, so a bundle folder that itself contains a token is not expanded.
    while (pluginPath.Matches(rest)) {
        size_t start = 0;
        size_t length = 0;
        pluginPath.GetMatch(&start, &length, 0);
        wxString relative = pluginPath.GetMatch(rest, 1);
        relative.Replace("\\", "/");
        result += rest.Left(start) + values.bundleDir + relative;
        rest = rest.Mid(start + length);
    }
    result += rest;
    result.Replace("[package]", values.bundleDir);
    result.Replace("{userdatadir}", values.userDataDir);
    return result;
}

std::vector<wxString> PluginCommandLine::build(const wxString& commandLine,
                                               const Substitutions& values,
                                               const std::vector<wxString>& files)
{
    std::vector<wxString> arguments;
    for (const wxString& argument : split(commandLine)) {
        const wxString substituted = substitute(argument, values);
        if (!substituted.Contains("{file}")) {
            arguments.push_back(substituted);
            continue;
        }
        for (const wxString& file : files) {
            wxString one = substituted;
            one.Replace("{file}", file);
            arguments.push_back(one);
        }
    }
    return arguments;
}
