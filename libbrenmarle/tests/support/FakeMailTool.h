#pragma once
// A stand-in for the desktop's "xdg-email" on PATH while it lives: it writes each argument it
// gets on a line of its own into args.txt, copies every file given with "--attach" into
// received/ (as the mail program would read it, before the program could remove it) and ends
// with the exit code chosen. PATH and the variables it reads are restored afterwards.

#include <cstdlib>
#include <string>
#include <vector>

#include <wx/filefn.h>
#include <wx/tokenzr.h>

#include "ScratchDir.h"

class FakeMailTool {
public:
    explicit FakeMailTool(int exitCode = 0)
    {
        m_dir.writeFile(
            "bin/xdg-email",
            "#!/bin/sh\n"
            "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$FAKE_MAIL_DIR/args.txt\"; "
            "done\n"
            "mkdir -p \"$FAKE_MAIL_DIR/received\"\n"
            "prev=\n"
            "for a in \"$@\"; do\n"
            "  if [ \"$prev\" = --attach ]; then cp \"$a\" \"$FAKE_MAIL_DIR/received/\"; fi\n"
            "  prev=\"$a\"\n"
            "done\n"
            "exit " +
                std::to_string(exitCode) + "\n");
        wxChmod(m_dir / "bin/xdg-email", 0700);
        const char* path = std::getenv("PATH");
        m_oldPath = path ? path : "";
        setenv("PATH", (std::string((m_dir / "bin").utf8_str()) + ":" + m_oldPath).c_str(), 1);
        setenv("FAKE_MAIL_DIR", m_dir.path().utf8_str(), 1);
    }
    ~FakeMailTool()
    {
        setenv("PATH", m_oldPath.c_str(), 1);
        unsetenv("FAKE_MAIL_DIR");
    }
    FakeMailTool(const FakeMailTool&) = delete;
    FakeMailTool& operator=(const FakeMailTool&) = delete;

    bool ran() const { return wxFileExists(m_dir / "args.txt"); }
    // The arguments of the last run(s), in order.
    std::vector<wxString> arguments() const
    {
        std::vector<wxString> lines;
        if (!ran())
            return lines;
        wxStringTokenizer tokens(wxString::FromUTF8(m_dir.readFile("args.txt")), "\n",
                                 wxTOKEN_RET_EMPTY);
        while (tokens.HasMoreTokens())
            lines.push_back(tokens.GetNextToken());
        if (!lines.empty() && lines.back().empty())
            lines.pop_back();
        return lines;
    }
    // A copy of an attachment as the tool read it.
    std::string received(const wxString& name) const { return m_dir.readFile("received/" + name); }
    wxString receivedFolder() const { return m_dir / "received/"; }

private:
    ScratchDir m_dir;
    std::string m_oldPath;
};
