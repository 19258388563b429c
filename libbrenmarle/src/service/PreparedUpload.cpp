#include "service/PreparedUpload.h"

#include <algorithm>
#include <memory>

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/mstream.h>
#include <wx/stream.h>

#include "service/HTTPClient.h"
#include "system/Exceptions.h"
#include "util/InputFile.h"
#include "util/Md5Digest.h"

namespace Brenmarle {

namespace {

constexpr size_t READ_BLOCK = 128 * 1024;

[[noreturn]] void throwChanged(const wxString& format, const wxString& path)
{
    throw Quorvel::IOException(wxString::Format(format, path));
}

// A file read again for its upload, digested on the way. The block that would complete the
// body is held back when the digest or the length is not what was announced: the read fails
// instead, which ends the upload unfinished.
class CheckedFileStream : public wxInputStream {
public:
    explicit CheckedFileStream(const PreparedUpload& upload)
        : m_upload(upload), m_file(upload.getPath())
    {
    }
    bool hasChanged() const { return m_changed; }

protected:
    size_t OnSysRead(void* buffer, size_t size) override
    {
        try {
            const size_t n = m_changed ? 0 : m_file.read(buffer, size);
            const int64_t total = m_done + static_cast<int64_t>(n);
            if (n == 0 && total < m_upload.getSize())
                m_changed = true;
            else if (total > m_upload.getSize())
                m_changed = true;
            else if (n > 0)
                m_md5.add(buffer, n);
            if (!m_changed && n > 0 && total == m_upload.getSize())
                m_changed = m_md5.hex() != m_upload.getMd5();
            if (m_changed) {
                m_lasterror = wxSTREAM_READ_ERROR;
                return 0;
            }
            m_done = total;
            if (n == 0)
                m_lasterror = wxSTREAM_EOF;
            return n;
        } catch (const Quorvel::Exception&) {
            m_lasterror = wxSTREAM_READ_ERROR;
            return 0;
        }
    }

private:
    const PreparedUpload& m_upload;
    Quorvel::InputFile m_file;
    Quorvel::Md5Digest m_md5;
    int64_t m_done = 0;
    bool m_changed = false;
};

} // namespace

PreparedUpload::PreparedUpload(const wxString& path, std::vector<char> storage, int64_t memoryLimit)
    : m_path(path), m_bytes(std::move(storage))
{
    const wxULongLong size = wxFileName::GetSize(path);
    if (size == wxInvalidSize)
        throw Quorvel::FileNotFoundException(wxString::Format(_("Could not read file %s"), path));
    m_size = static_cast<int64_t>(size.GetValue());
    Quorvel::InputFile file(path);
    Quorvel::Md5Digest md5;
    m_held = m_size <= memoryLimit;
    // Only ever grown: what is there already is overwritten, not cleared first.
    if (m_held && m_bytes.size() < static_cast<size_t>(m_size))
        m_bytes.resize(static_cast<size_t>(m_size));
    std::vector<char> block(m_held ? 0 : READ_BLOCK);
    int64_t done = 0;
    for (;;) {
        // Digested block by block, while the bytes are still in the processor's cache.
        char* at = m_held ? m_bytes.data() + done : block.data();
        const size_t wanted =
            m_held ? std::min<size_t>(READ_BLOCK, static_cast<size_t>(m_size - done)) : READ_BLOCK;
        const size_t n = wanted == 0 ? 0 : file.read(at, wanted);
        if (n == 0)
            break;
        md5.add(at, n);
        done += static_cast<int64_t>(n);
    }
    // A file that grew since its size was taken.
    char extra;
    if (m_held && done == m_size && file.read(&extra, 1) > 0)
        ++done;
    if (done != m_size)
        throwChanged(_("The file %s changed while it was being read"), path);
    m_md5 = md5.hex();
}

PreparedUpload::~PreparedUpload() = default;
PreparedUpload::PreparedUpload(PreparedUpload&&) noexcept = default;
PreparedUpload& PreparedUpload::operator=(PreparedUpload&&) noexcept = default;

std::vector<char> PreparedUpload::takeStorage()
{
    m_held = false;
    return std::move(m_bytes);
}

void PreparedUpload::send(Quorvel::HTTPClient& http, Quorvel::HttpCallbackObj* callback,
                          int64_t maxBytes, const wxString& failure) const
{
    if (m_held) {
        wxMemoryInputStream stream(m_bytes.data(), static_cast<size_t>(m_size));
        http.upload(stream, callback, maxBytes);
        http.finishUpload(failure);
        return;
    }
    CheckedFileStream stream(*this);
    try {
        http.upload(stream, callback, maxBytes);
        http.finishUpload(failure);
    } catch (const Quorvel::Exception&) {
        if (stream.hasChanged())
            throwChanged(_("The file %s changed while it was being sent"), m_path);
        throw;
    }
}

} // namespace Brenmarle
