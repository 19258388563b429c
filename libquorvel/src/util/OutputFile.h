#pragma once
// A file written under a temporary name in its target folder and put in place only by
// commit(), so a reader never sees half a file and a failed write leaves nothing behind: the
// destructor of an uncommitted file removes what was written.
//
// The file is created as any program creates one: its permissions follow the user's umask (and
// a default ACL of the folder). The temporary name is hidden and shortened as needed, so a
// final name up to MAX_NAME_BYTES long can be written.
//
// Failures raise the framework's file exceptions: a full disk is IOException with code
// "System.NotEnoughSpace". One thread at a time.

#include <cstddef>
#include <string>

#include <wx/string.h>

namespace Quorvel {

class OutputFile {
public:
    // The longest file name (in bytes of UTF-8) that Linux file systems take.
    static constexpr size_t MAX_NAME_BYTES = 255;

    // Creates the temporary file beside `path` (whose folder must exist).
    explicit OutputFile(const wxString& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const void* data, size_t size);

    enum class Replace { Yes, No };
    enum class Flush { No, Yes };
    // Closes the file and gives it its final name. With Replace::No an existing file of that
    // name is left alone and false is returned (the caller may pick another name with
    // rename() and commit again); otherwise it is replaced. With Flush::Yes the bytes reach the
    // disk before the file takes its name, and the name before commit returns, so a file
    // reported committed survives a power loss whole (a failure to flush the folder is raised
    // with the file already in place).
    bool commit(Replace replace = Replace::Yes, Flush flush = Flush::No);
    // Chooses another final name in the same folder before commit.
    void rename(const wxString& path) { m_path = path; }
    const wxString& getPath() const { return m_path; }
    // Where the bytes are until commit, for checking them (a digest) before they take the
    // final name.
    wxString getTemporaryPath() const { return wxString::FromUTF8(m_temporaryPath); }

    // The longest start of `text` that takes at most `bytes` bytes in UTF-8, cut between
    // characters.
    static wxString utf8Prefix(const wxString& text, size_t bytes);

private:
    void createTemporaryFile();
    void syncFolder() const;
    void closeFile();
    [[noreturn]] void raiseWriteError(int error) const;

    wxString m_path;
    std::string m_temporaryPath;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace Quorvel
