#pragma once
// Copies bytes from one file into a new one in chunks that adapt to the speed of the source:
// the first chunk is 1024 bytes; after each read that filled its chunk, the next chunk is four
// times larger when that read took at most 50 ms, else sized to take about 150 ms; always
// within 128 and 256000 bytes. Slow sources (a camera, a network share) thus report progress
// often, fast disks copy in large blocks.
//
// The target is written under a temporary name and put in place only when every byte arrived
// (see Quorvel::OutputFile); on any failure nothing is left behind and the source is untouched.
// One thread at a time; takes no locks.

#include <cstdint>
#include <functional>
#include <vector>

#include <wx/string.h>

namespace Quorvel {
class InputFile;
class OutputFile;
} // namespace Quorvel

namespace Brenmarle {

class FileCopier {
public:
    // Milliseconds from any fixed start; injectable so tests need not depend on the disk.
    using Clock = std::function<int64_t()>;

    static constexpr size_t FIRST_CHUNK = 1024;
    static constexpr size_t MIN_CHUNK = 128;
    static constexpr size_t MAX_CHUNK = 256000;

    explicit FileCopier(Clock clock = Clock());

    // Copies every byte of `source` into `target` without committing it. Throws as copy().
    void transfer(Quorvel::InputFile& source, Quorvel::OutputFile& target);
    // Puts `target` in place (see OutputFile::commit), with the copy's error messages. With
    // `flush` the copy is on the disk, under its name, when this returns.
    static bool commit(Quorvel::OutputFile& target, bool replace, bool flush = false);

    // Copies `source` to exactly `target`, replacing a file of that name.
    // Throws Quorvel::IOException: "Exception in read statement: End of file?" for a read
    // failure, "Error writing file! Not enough free disk space?" (code
    // "System.NotEnoughSpace") for a full disk, "Exception in write statement" for other write
    // failures, "Did not read the expected number of bytes from input stream" when the bytes
    // copied differ from the source's length.
    void copy(const wxString& source, const wxString& target);

    // Copies `source` into `folder` under `name`, or "name (2).ext", "name (3).ext", ... when
    // that name is taken, without ever overwriting (see SafeFileName::numbered). Returns the
    // path written.
    wxString copyToFreeName(const wxString& source, const wxString& folder, const wxString& name);
    wxString copyToFreeName(Quorvel::InputFile& source, const wxString& folder,
                            const wxString& name);

    // The sizes of the chunks read by the last copy, for diagnostics and tests.
    const std::vector<size_t>& getChunkSizes() const { return m_chunks; }

    // The next chunk size after a read of `bytes` (which filled its chunk) took `elapsedMs`.
    static size_t nextChunk(size_t bytes, int64_t elapsedMs);

private:

    Clock m_clock;
    std::vector<size_t> m_chunks;
};

} // namespace Brenmarle
