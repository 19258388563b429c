#pragma once
// A plug-in's command line made into an argument vector. The template from the bundle is split
// into arguments first (blanks separate them; double or single quotes keep blanks inside one;
// there is no escape character, so Windows-style backslashes stay as written), and only then are
// the substitutions made inside each argument. A file name therefore always stays one argument,
// whatever it contains, and no shell ever reads it.
//
// Pure functions; any thread.

#include <vector>

#include <wx/string.h>

class PluginCommandLine {
public:
    struct Substitutions {
        // The bundle's folder, ending in "/": "[package]" and the base of "{pluginpath:X}".
        wxString bundleDir;
        // "{userdatadir}".
        wxString userDataDir;
    };

    // Throws Quorvel::RuntimeException ("Unterminated quote in command line") for an open quote.
    static std::vector<wxString> split(const wxString& commandLine);

    // "{pluginpath:X}" becomes bundleDir + X (backslashes in X made "/"), "[package]" the
    // bundle's folder, "{userdatadir}" the user data directory.
    static wxString substitute(const wxString& argument, const Substitutions& values);

    // The arguments of a command run once: split and substituted. An argument that holds
    // "{file}" is repeated once per file of `files`, each with that file's path (none when
    // `files` is empty); pass no files for a command that takes none.
    static std::vector<wxString> build(const wxString& commandLine, const Substitutions& values,
                                       const std::vector<wxString>& files);
};
