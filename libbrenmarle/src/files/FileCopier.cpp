#include "files/FileCopier.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include <wx/intl.h>

#include "files/SafeFileName.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Runs a write or commit, turning the framework's write errors into the copy's own messages.
template <typename F> void guardedWrite(F body)
{
    try {
        body();
    } catch (const Quorvel::IOException& e) {
        if (e.getCode() == "System.NotEnoughSpace")
            throw Quorvel::IOException(e.getCode(),
                                       _("Error writing file! Not enough free disk space?"));
        throw Quorvel::IOException(wxS("Exception in write statement"));
    }
}

} // namespace

FileCopier::FileCopier(Clock clock) : m_clock(clock ? std::move(clock) : Clock(steadyMs)) {}

size_t FileCopier::nextChunk(size_t bytes, int64_t elapsedMs)
{
    double next;
    if (elapsedMs <= 50)
        next = static_cast<double>(bytes) * 4;
    else
        next = 150.0 / static_cast<double>(elapsedMs) * static_cast<double>(bytes);
    return static_cast<size_t>(std::clamp(next, static_cast<double>(MIN_CHUNK),
                                          static_cast<double>(MAX_CHUNK)));
}

void FileCopier::transfer(Quorvel::InputFile& source, Quorvel::OutputFile& target)
{
    m_chunks.clear();
    const int64_t expected = source.length();
    std::vector<char> buffer(MAX_CHUNK);
    size_t chunk = FIRST_CHUNK;
    int64_t copied = 0;
    while (true) {
        const int64_t start = m_clock();
        size_t got = 0;
        try {
            got = source.read(buffer.data(), chunk);
        } catch (const Quorvel::IOException&) {
            throw Quorvel::IOException(wxS("Exception in read statement: End of file?"));
        }
        if (got == 0)
            break;
        m_chunks.push_back(chunk);
        guardedWrite([&] { target.write(buffer.data(), got); });
        copied += static_cast<int64_t>(got);
        if (got == chunk)
            chunk = nextChunk(got, m_clock() - start);
    }
    if (copied != expected)
        throw Quorvel::IOException(_("Did not read the expected number of bytes from input stream"));
}

bool FileCopier::commit(Quorvel::OutputFile& target, bool replace, bool flush)
{
    bool done = false;
    guardedWrite([&] {
        done = target.commit(
            replace ? Quorvel::OutputFile::Replace::Yes : Quorvel::OutputFile::Replace::No,
            flush ? Quorvel::OutputFile::Flush::Yes : Quorvel::OutputFile::Flush::No);
    });
    return done;
}

void FileCopier::copy(const wxString& sourcePath, const wxString& targetPath)
{
    Quorvel::InputFile source(sourcePath);
    Quorvel::OutputFile target(targetPath);
    transfer(source, target);
    commit(target, true);
}

wxString FileCopier::copyToFreeName(const wxString& sourcePath, const wxString& folder,
                                    const wxString& name)
{
    Quorvel::InputFile source(sourcePath);
    return copyToFreeName(source, folder, name);
}

wxString FileCopier::copyToFreeName(Quorvel::InputFile& source, const wxString& folder,
                                    const wxString& name)
{
    const wxString dir = folder.EndsWith("/") ? folder : folder + "/";
    Quorvel::OutputFile target(dir + name);
    transfer(source, target);
    for (int number = 2; !commit(target, false); ++number)
        target.rename(dir + SafeFileName::numbered(name, number));
    QDEBUG("[FILECOPIER] Copied %s to %s", source.getPath(), target.getPath());
    return target.getPath();
}

} // namespace Brenmarle
