#pragma once
// A local file opened for reading, closed on destruction. Failures raise the framework's file
// exceptions with their standard messages ("Could not open file %s for reading", ...).
//
// One thread at a time.

#include <cstddef>
#include <cstdint>

#include <wx/string.h>

namespace Quorvel {

class InputFile {
public:
    // Throws FileNotFoundException, FileAccessException or IOException.
    explicit InputFile(const wxString& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Reads up to `size` bytes; returns how many were read, 0 at the end of the file.
    // Throws IOException "Reading operation failed".
    size_t read(void* buffer, size_t size);
    int64_t length() const;
    const wxString& getPath() const { return m_path; }

private:
    wxString m_path;
    int m_fd = -1;
};

} // namespace Quorvel
