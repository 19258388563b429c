#pragma once
// A tiny tmpfs mounted for one test, to see what happens when the disk fills up. Needs root
// (as in CI); isMounted() is false elsewhere and the test should skip.

#include <wx/string.h>

class SmallFileSystem {
public:
    explicit SmallFileSystem(const wxString& mountPoint, unsigned kilobytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isMounted() const { return m_mounted; }
    const wxString& path() const { return m_path; }

private:
    wxString m_path;
    bool m_mounted = false;
};
