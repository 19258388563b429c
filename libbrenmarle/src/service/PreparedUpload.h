#pragma once
// A local file made ready for an upload whose header carries its MD5: its size and digest
// worked out in one pass over the file and, when it is no larger than the memory limit, its
// bytes kept from that same pass. Such a file is sent from memory: exactly the bytes its
// digest was made of, without reading the file a second time. A larger file is read again as
// it is sent and digested on the way; when its bytes are no longer those of the digest (it was
// changed or replaced in between) the upload stops before its last block leaves, so the server
// never takes a whole body under a wrong MD5.
//
// Threads: made on any thread (the next file is prepared while one is sent), then used by one
// thread at a time. Movable, not copyable.

#include <cstdint>
#include <vector>

#include <wx/string.h>

namespace Quorvel {
class HTTPClient;
class HttpCallbackObj;
} // namespace Quorvel

namespace Brenmarle {

class PreparedUpload {
public:
    // Files up to this many bytes are kept in memory between the digest and the upload.
    static constexpr int64_t DEFAULT_MEMORY_LIMIT = 16 * 1024 * 1024;

    // Reads the file at `path` once, into `storage` when it is kept (the room of a file sent
    // before, see takeStorage: a run of uploads then holds the same few buffers instead of
    // asking the allocator for new ones, whose freed blocks threads would each keep). Throws
    // FileNotFoundException "Could not read file %s" when it is not there, the file exceptions of
    // InputFile, IOException when a read fails or the file changes size while it is read.
    explicit PreparedUpload(const wxString& path, std::vector<char> storage = {},
                            int64_t memoryLimit = DEFAULT_MEMORY_LIMIT);
    ~PreparedUpload();
    PreparedUpload(PreparedUpload&&) noexcept;
    PreparedUpload& operator=(PreparedUpload&&) noexcept;
    PreparedUpload(const PreparedUpload&) = delete;
    PreparedUpload& operator=(const PreparedUpload&) = delete;

    const wxString& getPath() const { return m_path; }
    int64_t getSize() const { return m_size; }
    // 32 lower-case hexadecimal digits.
    const wxString& getMd5() const { return m_md5; }
    // Whether the bytes are kept in memory.
    bool isHeld() const { return m_held; }

    // Sends the body of the upload `http` has begun (beginUpload with getSize()) with
    // HTTPClient::upload, `callback` and `maxBytes` as there, and ends it with finishUpload and
    // `failure` (the body's source must live until then: a kept connection found closed sends
    // it again). Throws what those throw, and IOException "The file %s changed while it was
    // being sent" when a file read again no longer has the digest's bytes (the upload is then
    // left unfinished).
    void send(Quorvel::HTTPClient& http, Quorvel::HttpCallbackObj* callback, int64_t maxBytes,
              const wxString& failure) const;
    // The memory that held the bytes, for the next file; this upload is spent afterwards.
    std::vector<char> takeStorage();

private:
    wxString m_path;
    int64_t m_size = 0;
    wxString m_md5;
    bool m_held = false;
    // The first m_size bytes are the file's when m_held; it may be larger.
    std::vector<char> m_bytes;
};

} // namespace Brenmarle
