#pragma once
// The spool folder through which plug-ins and other programs hand finished pictures to the
// catalogue. An item is a group of files sharing a base name N: N.xml (its description),
// N.file (the picture, optional) and N.ready (written last: the item is complete). Each item
// ends with N.ok (the time in seconds) or N.fail (the time, a line feed and the reason), written
// as N.temp and renamed; its input files are then deleted.
//
// An item only ever adds a new file: one whose URI is taken, whose picture would land on an
// existing file, or whose URI leaves its folder fails and changes nothing. Descriptions are read
// without network access, document types or entities.
//
// Threads: one thread at a time (the file monitor's); catalogue calls take the library lock.

#include <wx/string.h>

class SpoolFolder {
public:
    // `dir` ends in "/".
    explicit SpoolFolder(const wxString& dir);

    const wxString& getDir() const { return m_dir; }

    // Processes every complete item, in name order; returns how many there were. Does nothing
    // when the folder does not exist or cannot be read.
    int processAll();
    // Processes the item N (base name with its folder); true when it ended with ".ok".
    bool processItem(const wxString& base);

    // Descriptions larger than this are refused unread.
    static constexpr long MAX_DESCRIPTION_BYTES = 1024 * 1024;

private:
    void addItem(const wxString& base);
    static void writeResult(const wxString& base, const wxString& extension, const wxString& text);

    wxString m_dir;
};
