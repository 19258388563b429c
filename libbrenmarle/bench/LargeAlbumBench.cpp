// Measures what a large album costs in memory and time, as the program holds it: the album's
// URI list from start-up on, its files as the thumbnail view keeps them once it is shown, and
// the thumbnail cache full of 160 x 120 thumbnails; the time and memory to list the whole
// catalogue for a slide show (on the slide show dialog's runner), and the time of one step of
// the picture map's counts (on its search thread); and what a thumbnail view does with the news
// of 10,000 of its pictures deleted, in one batch and one at a time as it used to. Heap figures
// come from malloc's own count
// (mallinfo2), so shared libraries and the toolkit do not blur them; the program's whole
// figure under Xvfb is the heap plus about 90 MB of libraries.
//
// The album shown the view's way: its list read in the background (FolderListReader) and its
// batches taken on this thread, which meanwhile takes the library lock as painting does: when
// the first screenful and the whole list arrived, the longest wait for the lock and the longest
// batch; beside it the same rows read by a plain SQLite loop, the floor of any reading.
//
// With --program (the vistrelle executable, run under a display such as xvfb-run) the real
// program runs on the same catalogue and on an empty one: its own "Started" time, the
// hand-over of a second start's "show my albums" to "Thumbnail view: N files", the frames it
// logged as slow meanwhile, its resident memory with the album shown and after it scrolled
// 300 screens down the album (the hand-over "app://bench/scroll?screens=300": a screen, its
// thumbnails, the next), and the time from SIGTERM to its end. The first SCROLLED_THUMBNAILS
// pictures have thumbnail files (links to one 160 x 120 JPEG), so the scroll fills the
// thumbnail cache as real pictures would.
//
// Usage: largealbum_bench [--program PATH] [file count]
// The catalogue is made in a temporary folder (which also serves as HOME) and removed
// afterwards.

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <Magick++.h>
#include <sqlite3.h>

#include <wx/filename.h>
#include <wx/utils.h>

#include "BenchArguments.h"
#include "core/LibraryLock.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "filemanager/FileNewsBatch.h"
#include "files/File.h"
#include "folders/AlbumFolder.h"
#include "folders/FolderListEvent.h"
#include "folders/FolderListReader.h"
#include "imaging/ImageData.h"
#include "imaging/ImageMagickSetup.h"
#include "slideshow/CataloguePictures.h"
#include "system/Environment.h"
#include "thumbnails/ThumbnailManager.h"
#include "util/Uuid.h"

using Brenmarle::AlbumFolder;
using Brenmarle::Database;
using Brenmarle::File;

namespace {

double heapMb()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

template <typename Work> double millisecondsOf(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void report(const char* what, double megabytes, int count, double ms)
{
    std::printf("%-40s %8.1f MB %7.0f bytes each %8.1f ms\n", what, megabytes,
                megabytes * 1024 * 1024 / count, ms);
}

// A thumbnail view of `files` hears that every tenth of them was deleted.
void newsOfDeletions(const std::vector<Quorvel::Ref<File>>& files)
{
    std::vector<Quorvel::Ref<File>> deleted;
    for (std::size_t i = 0; i < files.size(); i += 10)
        deleted.push_back(files[i]);
    std::vector<Quorvel::Ref<File>> shown = files;
    double ms = millisecondsOf([&] {
        Brenmarle::FileNewsBatch news;
        for (const auto& file : deleted)
            news.removed(file);
        news.apply(shown);
    });
    std::printf("%-40s %8.1f ms, %zu deletions of %zu\n", "view: deletions in one batch", ms,
                deleted.size(), files.size());
    // One at a time, a walk of the list each, as the view did per event: timed for the first
    // 500 and scaled to all of them.
    shown = files;
    const std::size_t sample = std::min<std::size_t>(500, deleted.size());
    ms = millisecondsOf([&] {
        for (std::size_t i = 0; i < sample; ++i) {
            Brenmarle::FileNewsBatch news;
            news.removed(deleted[i]);
            news.apply(shown);
        }
    });
    if (sample > 0)
        std::printf("%-40s %8.1f ms for %zu, about %.0f ms for all\n",
                    "view: deletions one at a time", ms, sample,
                    ms * double(deleted.size()) / double(sample));
}

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Batches as the reader posts them, taken by the thread that waits for them.
class BatchQueue : public wxEvtHandler {
public:
    void QueueEvent(wxEvent* event) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.emplace_back(static_cast<Brenmarle::FolderListEvent*>(event));
        m_arrived.notify_all();
    }
    // The next batch, or null after `wait` without one.
    std::unique_ptr<Brenmarle::FolderListEvent> take(std::chrono::milliseconds wait)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_arrived.wait_for(lock, wait, [this] { return !m_events.empty(); }))
            return nullptr;
        auto event = std::move(m_events.front());
        m_events.pop_front();
        return event;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<std::unique_ptr<Brenmarle::FolderListEvent>> m_events;
};

// The album's list as the thumbnail view takes it: in the background, batch by batch, while
// this thread takes the library lock every millisecond as painting does.
void backgroundList(Database& database, const wxString& albumUri, int count)
{
    BatchQueue queue;
    std::vector<Quorvel::Ref<File>> files;
    double first = -1;
    double longestWait = 0;
    double longestBatch = 0;
    int batches = 0;
    const double before = heapMb();
    const auto start = Clock::now();
    {
        Brenmarle::FolderListReader reader(database, albumUri, &queue, 1);
        for (bool last = false; !last;) {
            const auto probe = Clock::now();
            {
                Brenmarle::LibraryLock lock;
            }
            longestWait = std::max(longestWait, msSince(probe));
            auto batch = queue.take(std::chrono::milliseconds(1));
            if (!batch)
                continue;
            const auto taking = Clock::now();
            {
                // As the view showing favourites only: one hold of the lock for the batch.
                Brenmarle::LibraryLock lock;
                for (auto& file : batch->takeFiles()) {
                    if (!file->isFavorite() || file->isFavorite())
                        files.push_back(std::move(file));
                }
            }
            longestBatch = std::max(longestBatch, msSince(taking));
            if (first < 0)
                first = msSince(start);
            ++batches;
            last = batch->isLast();
        }
    }
    const double all = msSince(start);
    std::printf("%-40s %8.1f ms first screenful (%zu files), all %d after %.1f ms in %d batches\n",
                "shown: in the background", first, Brenmarle::FolderListReader::FIRST_BATCH,
                static_cast<int>(files.size()), all, batches);
    std::printf("%-40s %8.1f ms longest wait for the library lock, %.1f ms longest batch, "
                "%.1f MB\n",
                "  the GUI thread meanwhile", longestWait, longestBatch, heapMb() - before);
    if (files.size() != static_cast<size_t>(count))
        std::printf("  (read %zu files)\n", files.size());
}

// The album's rows, every column, read by a plain SQLite loop: the floor of any reading.
void plainRead(const wxString& path, const wxString& albumUri)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.utf8_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> connection(raw, &sqlite3_close_v2);
    const auto start = Clock::now();
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(raw, "SELECT * FROM file WHERE uri LIKE ? ORDER BY rowid", -1, &statement,
                       nullptr);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(statement, &sqlite3_finalize);
    const std::string pattern = std::string(albumUri.utf8_str()) + "%";
    sqlite3_bind_text(statement, 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
    std::size_t rows = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            sqlite3_column_text(statement, column);
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
        }
        ++rows;
    }
    std::printf("%-40s %8.1f ms, %zu rows, %.1f MB of text (reference)\n",
                "  plain SQLite loop over the same rows", msSince(start), rows,
                static_cast<double>(bytes) / (1024 * 1024));
}

// The real program, as a user starts it.
class ProgramRun {
public:
    ProgramRun(const std::string& program, const std::vector<std::string>& arguments,
               bool keepOutput)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            throw std::runtime_error("pipe failed");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(keepOutput ? pipeEnds[1] : open("/dev/null", O_WRONLY), 2);
            dup2(open("/dev/null", O_WRONLY), 1);
            close(pipeEnds[0]);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(pipeEnds[1]);
        m_output = pipeEnds[0];
    }
    ~ProgramRun()
    {
        if (m_pid > 0 && !m_ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_output);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Reads the output until a line holds `text`; that line, or nothing after `limitMs`.
    std::optional<std::string> waitFor(const std::string& text, int limitMs = 30000)
    {
        const auto start = Clock::now();
        for (;;) {
            for (std::size_t end; (end = m_buffer.find('\n')) != std::string::npos;) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                if (line.find("slow frame") != std::string::npos)
                    ++slowFrames;
                if (line.find(text) != std::string::npos)
                    return line;
            }
            const int left = limitMs - static_cast<int>(msSince(start));
            pollfd wanted{m_output, POLLIN, 0};
            if (left <= 0 || poll(&wanted, 1, left) <= 0)
                return std::nullopt;
            char chunk[4096];
            const ssize_t got = read(m_output, chunk, sizeof chunk);
            if (got <= 0)
                return std::nullopt;
            m_buffer.append(chunk, static_cast<std::size_t>(got));
        }
    }
    // The process's resident memory (VmRSS), in MB; -1 when it cannot be read.
    double residentMb() const
    {
        std::unique_ptr<FILE, int (*)(FILE*)> status(
            std::fopen(("/proc/" + std::to_string(m_pid) + "/status").c_str(), "r"), &std::fclose);
        char line[256];
        while (status && std::fgets(line, sizeof line, status.get())) {
            long kilobytes = 0;
            if (std::sscanf(line, "VmRSS: %ld kB", &kilobytes) == 1)
                return static_cast<double>(kilobytes) / 1024.0;
        }
        return -1;
    }
    // Milliseconds from SIGTERM to the end of the process.
    double terminate()
    {
        const auto start = Clock::now();
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_ended = true;
        return msSince(start);
    }
    // Waits for the end of a process that ends by itself.
    void wait()
    {
        waitpid(m_pid, nullptr, 0);
        m_ended = true;
    }

    int slowFrames = 0;

private:
    pid_t m_pid = -1;
    bool m_ended = false;
    int m_output = -1;
    std::string m_buffer;
};

// The number in "[TIMING] [123 ms] ..."; -1 when there is none.
double timingOf(const std::optional<std::string>& line)
{
    if (!line)
        return -1;
    const std::size_t at = line->find("[TIMING] [");
    return at == std::string::npos ? -1 : std::atof(line->c_str() + at + 10);
}

struct ProgramFigures {
    double started = -1;
    double received = -1;
    double firstScreen = -1;
    double shown = -1;
    // From the command's arrival in the first program.
    double firstAfterArrival = -1;
    double shownAfterArrival = -1;
    double exit = -1;
    int slowFrames = 0;
    // Resident memory once started, with the album shown, and after scrolling it.
    double startedMb = -1;
    double shownMb = -1;
    double scrolledMb = -1;
    double scrollMs = -1;
};

// Screens scrolled down the album for the memory figure.
constexpr int SCROLLED_SCREENS = 300;

// The program on the catalogue of the current user data folder: start, hand-over of the
// albums (when `handOver`), SIGTERM.
ProgramFigures timeProgram(const std::string& program, bool handOver)
{
    wxSetEnv("WXTRACE", "TIMING,STARTUP,EXTERNAL");
    ProgramFigures figures;
    ProgramRun first(program, {}, true);
    figures.started = timingOf(first.waitFor("] Started"));
    if (!first.waitFor("Main loop running"))
        throw std::runtime_error("the program did not start; is there a display?");
    figures.startedMb = first.residentMb();
    if (handOver) {
        const auto start = Clock::now();
        ProgramRun second(program, {"--openuri", "app://go/myalbums"}, false);
        // The second start is a whole process of its own; the first hears of it here.
        if (first.waitFor("IPC command"))
            figures.received = msSince(start);
        if (first.waitFor("Thumbnail view: first"))
            figures.firstScreen = msSince(start);
        if (first.waitFor("files of album://"))
            figures.shown = msSince(start);
        second.wait();
        // Its first screen's thumbnails in, as a user would see it.
        first.waitFor("Thumbnail view: first screen of", 10000);
        figures.shownMb = first.residentMb();
        ProgramRun scroll(
            program,
            {"--openuri", "app://bench/scroll?screens=" + std::to_string(SCROLLED_SCREENS)}, false);
        const std::optional<std::string> scrolled =
            first.waitFor("Thumbnail view: scrolled", 600000);
        if (scrolled) {
            figures.scrolledMb = first.residentMb();
            figures.scrollMs = timingOf(scrolled);
            std::printf("  (%s)\n", scrolled->substr(scrolled->find("Thumbnail view")).c_str());
        }
        scroll.wait();
        figures.slowFrames = first.slowFrames;
        figures.firstAfterArrival = figures.firstScreen - figures.received;
        figures.shownAfterArrival = figures.shown - figures.received;
    }
    figures.exit = first.terminate();
    return figures;
}

// Each time the middle one of its runs: the machine is shared, and one run can be unlucky.
ProgramFigures medianOf(std::vector<ProgramFigures> runs)
{
    const auto middle = [&runs](auto field) {
        std::vector<double> values;
        for (const ProgramFigures& run : runs)
            values.push_back(double(run.*field));
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    ProgramFigures figures;
    figures.started = middle(&ProgramFigures::started);
    figures.received = middle(&ProgramFigures::received);
    figures.firstScreen = middle(&ProgramFigures::firstScreen);
    figures.shown = middle(&ProgramFigures::shown);
    figures.firstAfterArrival = middle(&ProgramFigures::firstAfterArrival);
    figures.shownAfterArrival = middle(&ProgramFigures::shownAfterArrival);
    figures.exit = middle(&ProgramFigures::exit);
    figures.shownMb = middle(&ProgramFigures::shownMb);
    figures.scrolledMb = middle(&ProgramFigures::scrolledMb);
    figures.scrollMs = middle(&ProgramFigures::scrollMs);
    figures.startedMb = middle(&ProgramFigures::startedMb);
    // Slow frames are counted over every run: any one is a fault.
    for (const ProgramFigures& run : runs)
        figures.slowFrames += run.slowFrames;
    return figures;
}

void compareWithProgram(const std::string& program, const wxString& dataDir)
{
    // Built from the catalogue just made: the program runs on it and on an empty one, in turns.
    constexpr int RUNS = 3;
    std::vector<ProgramFigures> fullRuns;
    std::vector<ProgramFigures> emptyRuns;
    for (int run = 0; run < RUNS; ++run) {
        fullRuns.push_back(timeProgram(program, true));
        wxRenameFile(dataDir + "database.db", dataDir + "full.db");
        emptyRuns.push_back(timeProgram(program, false));
        wxRenameFile(dataDir + "full.db", dataDir + "database.db");
    }
    const ProgramFigures full = medianOf(fullRuns);
    const ProgramFigures empty = medianOf(emptyRuns);
    std::printf("the program (%s), the middle of %d runs:\n", program.c_str(), RUNS);
    std::printf(
        "  start to \"Started\":          %7.0f ms   empty catalogue: %5.0f ms   (%.2f x)\n",
        full.started, empty.started, full.started / empty.started);
    std::printf("  hand-over to the first screen: %7.0f ms, to all files %.0f ms, %d slow frames\n",
                full.firstScreen, full.shown, full.slowFrames);
    std::printf("    of which the second start:   %7.0f ms; from the command's arrival: first "
                "screen %.0f ms, all files %.0f ms\n",
                full.received, full.firstAfterArrival, full.shownAfterArrival);
    std::printf("  SIGTERM to exit:               %7.0f ms   empty catalogue: %5.0f ms\n",
                full.exit, empty.exit);
    std::printf("  resident memory: album shown %.0f MB, after %d screens scrolled %.0f MB "
                "(goal 150 MB; the scroll took %.0f ms)\n",
                full.shownMb, SCROLLED_SCREENS, full.scrolledMb, full.scrollMs);
    std::printf("                   started: %.0f MB   empty catalogue started: %.0f MB\n",
                full.startedMb, empty.startedMb);
}

// Pictures of the small album beside the large one.
constexpr int SMALL_ALBUM = 12;

// Pictures with a thumbnail file: more than 300 screens of a large window show.
constexpr int SCROLLED_THUMBNAILS = 20000;

void linkThumbnail(const wxString& thumbnail, const wxString& path)
{
    wxFileName::Mkdir(wxFileName(path).GetPath(), 0755, wxPATH_MKDIR_FULL);
    if (link(thumbnail.utf8_str(), path.utf8_str()) != 0)
        throw std::runtime_error("could not link a thumbnail to " + path.utf8_string());
}

int benchmark(int count, const std::string& program)
{
    char pattern[] = "/tmp/vistrelle-bench-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("could not make a folder under /tmp");
    const wxString directory = wxString::FromUTF8(pattern);
    // The temporary folder is the home: the user's own catalogue is never touched.
    wxSetEnv("HOME", directory);
    wxSetEnv("XDG_DATA_HOME", directory + "/data");
    wxSetEnv("XDG_CONFIG_HOME", directory + "/config");
    Quorvel::Environment::init("vistrelle", directory + "/program");
    const wxString dataDir = Quorvel::Environment::getUserDataDir();
    wxFileName::Mkdir(dataDir, 0700, wxPATH_MKDIR_FULL);
    Database& database = Database::getInstance();
    database.open(dataDir + "database.db");

    // One small thumbnail, linked as the thumbnail of the pictures a long scroll reaches.
    Brenmarle::ensureImageMagick();
    Magick::Image picture(Magick::Geometry(160, 120), Magick::Color("steelblue"));
    picture.magick("JPEG");
    const wxString thumbnail = directory + "/thumbnail.jpg";
    picture.write(std::string(thumbnail.utf8_str()));

    wxString albumUri;
    wxString smallUri;
    {
        Brenmarle::FileManager manager;
        auto album = Quorvel::makeRef<AlbumFolder>();
        album->setName("Everything");
        AlbumFolder::createAlbum(album);
        albumUri = album->getURI();
        // Fields as the import leaves them; every seventh picture has a caption.
        for (int i = 0; i < count; ++i) {
            Quorvel::Ref<File> file = Quorvel::makeRef<File>(albumUri + Quorvel::Uuid::create());
            file->setFileName(wxString::Format("IMG_%05d.JPG", i));
            file->setFileSize(1500000 + i % 900000);
            file->setContentType("image/jpeg");
            file->setScanner("exif");
            file->setTime(1262304000 + i * 3163);
            file->setFileModifyTime(1262304000 + i);
            file->setImageWidth(4000);
            file->setImageHeight(3000);
            static const char* const countries[] = {"NO", "SE", "DK", "FI", "IS", ""};
            file->setCountryCode(countries[i % 6]);
            if (i % 7 == 0)
                file->setCaption(wxString::Format("Day %d at the beach", i % 365));
            database.addFile(*file);
            if (i < SCROLLED_THUMBNAILS)
                linkThumbnail(thumbnail, album->getThumbnailPath(*file));
        }
        // A small album beside it, as most are.
        auto small = Quorvel::makeRef<AlbumFolder>();
        // Named after the large one, which the albums page shows first.
        small->setName("Weekend");
        AlbumFolder::createAlbum(small);
        smallUri = small->getURI();
        for (int i = 0; i < SMALL_ALBUM; ++i)
            database.addFile(*Quorvel::makeRef<File>(smallUri + Quorvel::Uuid::create()));
        database.commit();
        AlbumFolder::unloadAlbums();
    }
    std::printf("Album of %d files\n", count);
    malloc_trim(0);

    {
        Brenmarle::FileManager manager;
        double before = heapMb();
        double ms = millisecondsOf([] { AlbumFolder::loadAlbums(); });
        report("start-up: the album's URI list", heapMb() - before, count, ms);
        std::size_t inboxFiles = 0;
        ms = millisecondsOf([&] {
            const Brenmarle::FolderRef inbox = manager.getFolder("inbox://");
            inboxFiles = inbox->loadFileList().size() + std::size_t(inbox->getFileCount());
        });
        std::printf("%-40s %8.1f ms, %zu files\n", "start-up: the empty inbox, listed", ms,
                    inboxFiles);

        std::size_t smallFiles = 0;
        ms = millisecondsOf(
            [&] { smallFiles = AlbumFolder::findAlbum(smallUri)->loadFileList().size(); });
        std::printf("%-40s %8.1f ms, %zu files (GUI thread)\n", "a small album beside it, shown",
                    ms, smallFiles);
        const Quorvel::Ref<AlbumFolder> album = AlbumFolder::findAlbum(albumUri);
        std::vector<Quorvel::Ref<File>> files;
        before = heapMb();
        ms = millisecondsOf([&] { files = album->loadFileList(); });
        report("shown: its files, registered", heapMb() - before, count, ms);
        if (files.size() != static_cast<size_t>(count))
            std::printf("  (read %zu files)\n", files.size());
        newsOfDeletions(files);
        ms = millisecondsOf([&] { files.clear(); });
        int released = manager.releaseOrphans();
        std::printf("%-40s %8.1f ms, %d let go\n", "let go", ms, released);
        backgroundList(database, albumUri, count);
        ms = millisecondsOf([&] { released = manager.releaseOrphans(); });
        std::printf("%-40s %8.1f ms, %d let go (what the exit does with them)\n", "  then let go",
                    ms, released);
        database.commit();
        plainRead(dataDir + "database.db", albumUri);
        std::vector<int64_t> show;
        before = heapMb();
        ms = millisecondsOf([&] { show = Brenmarle::CataloguePictures::rowIds(database); });
        std::printf("%-40s %8.1f ms, %zu pictures, %.1f MB (worker thread)\n",
                    "slide show of everything: the list", ms, show.size(), heapMb() - before);
        ms = millisecondsOf([&] {
            database.getCountryCounts(1262304000, 1262304000 + count / 2 * 3163);
            int32_t dated = 0;
            int32_t first = 0;
            int32_t last = 0;
            database.getCountryPhotoCount("NO", 1262304000, 1262304000 + count / 2 * 3163, dated,
                                          &first, &last);
        });
        std::printf("%-40s %8.1f ms (search thread)\n", "map: one step of the time span", ms);
        AlbumFolder::unloadAlbums();
    }

    // The thumbnail cache holds up to 500 thumbnails of at most 160 x 160 pixels.
    for (const bool drawableOnly : {false, true}) {
        std::vector<Quorvel::Ref<Brenmarle::ImageData>> cache;
        const double before = heapMb();
        const double ms = millisecondsOf([&] {
            for (int i = 0; i < 500; ++i) {
                auto image = Quorvel::makeRef<Brenmarle::ImageData>();
                image->load(thumbnail);
                if (drawableOnly)
                    image->keepDrawableOnly();
                else
                    image->getDrawable();
                cache.push_back(image);
            }
        });
        report(drawableOnly ? "500 thumbnails, drawable only"
                            : "500 thumbnails, picture and drawable",
               heapMb() - before, 500, ms);
        if (drawableOnly)
            std::printf("%-40s %8.1f MB, %zu such thumbnails (before: 500 of any size)\n",
                        "thumbnail cache bound",
                        double(Brenmarle::ThumbnailManager::DEFAULT_CACHE_BYTES) / (1024 * 1024),
                        Brenmarle::ThumbnailManager::DEFAULT_CACHE_BYTES /
                            std::max<std::size_t>(cache.front()->memoryBytes(), 1));
    }

    database.close();
    if (!program.empty()) {
        const wxString runtime = directory + "/run";
        wxFileName::Mkdir(runtime, 0700, wxPATH_MKDIR_FULL);
        wxSetEnv("XDG_RUNTIME_DIR", runtime);
        compareWithProgram(program, dataDir);
    }
    wxFileName::Rmdir(directory, wxPATH_RMDIR_RECURSIVE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(
        argc, argv, "[--program PATH] [file count]", [](BenchArguments& arguments) {
            const std::optional<std::string> program = arguments.option("--program");
            if (program && access(program->c_str(), X_OK) != 0)
                throw BenchArguments::Error("--program must name an executable, not \"" + *program +
                                            "\"");
            const int count = static_cast<int>(BenchArguments::number(
                "file count", arguments.positional(0, 1), 100000, 1, 10000000));
            return benchmark(count, program.value_or(std::string()));
        });
}
