// Times the synchronisation task against the reference provider (in this process, on a loopback
// port), counting its requests from the provider's journal as anyone outside could:
//
// 1. first upload: a catalogue of `albums` albums of `pictures` pictures each (random bytes of
//    `--kilobytes` each), all reserved in safe storage and none sent yet, synchronised once;
//    beside it curl(1) sends the same bytes to the same upload addresses over one kept-alive
//    connection (CurlUploads), the yardstick (aim: the task at 0.85 of curl's speed or better);
// 2. no change, every album listed: the next run, which reads every album's file list once
//    because the uploads moved the albums' update times on;
// 3. no change: the run after, when every album's update time is known (aim for 10,000
//    pictures in 100 albums: about 105 requests and 3 s at most).
//
// Usage: storagesync_bench [--kilobytes N] [albums] [pictures per album] [work folder]
//        (default 100 x 100 pictures of 100 KB)
// Without a work folder one is made under /var/tmp and removed afterwards; a work folder given
// must exist. The reservations are written straight into the provider's store (not timed;
// each is committed, so this takes a while).

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <wx/filename.h>
#include <wx/utils.h>

#include "BenchArguments.h"
#include "CurlUploads.h"
#include "ProviderConfig.h"
#include "ProviderServer.h"
#include "ProviderStore.h"
#include "StorageStore.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "safestorage/SynchronizeTask.h"
#include "service/NetworkSettings.h"
#include "service/StorageClient_3_0.h"
#include "system/Environment.h"
#include "threads/TaskRunnerThread.h"
#include "util/Uuid.h"

using Brenmarle::AlbumFolder;
using Brenmarle::Database;
using Brenmarle::File;
using Brenmarle::StorageClient_3_0;
using Brenmarle::SynchronizeTask;
using Clock = std::chrono::steady_clock;

namespace {

const int32_t FILE_TIME = 1700000000;
const char* const ACCOUNT_ID = "bench-account";

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

size_t linesOf(const std::string& path)
{
    std::ifstream in(path);
    size_t lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

struct Picture {
    wxString albumUri;
    wxString uri;
    std::string path;
};

// The catalogue: albums of pictures reserved in safe storage and never sent (revision 0).
std::vector<Picture> makeCatalogue(Brenmarle::FileManager& files, long albums, long pictures,
                                   long kilobytes)
{
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(static_cast<size_t>(kilobytes) * 1024 / sizeof(uint64_t));
    std::vector<Picture> made;
    for (long a = 0; a < albums; ++a) {
        auto album = Quorvel::makeRef<AlbumFolder>();
        album->setName("Album " + std::to_string(a));
        AlbumFolder::createAlbum(album);
        for (long p = 0; p < pictures; ++p) {
            auto file = Quorvel::makeRef<File>(album->getURI() + Quorvel::Uuid::create());
            const std::string path(files.getLocalPath(*file).utf8_str());
            wxFileName::Mkdir(wxFileName(wxString::FromUTF8(path)).GetPath(), wxS_DIR_DEFAULT,
                              wxPATH_MKDIR_FULL);
            std::ofstream out(path, std::ios::binary);
            for (uint64_t& word : block)
                word = random();
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size() * sizeof(uint64_t)));
            if (!out)
                throw std::runtime_error("could not write " + path);
            file->setFileName("IMG_" + std::to_string(p) + ".JPG");
            file->setContentType("image/jpeg");
            file->setFileSize(static_cast<int64_t>(block.size() * sizeof(uint64_t)));
            file->setFileModifyTime(FILE_TIME);
            file->setMetaModifyTime(FILE_TIME);
            file->setCaption("Picture " + std::to_string(p));
            file->setSafeStorageType(StorageClient_3_0::RENTED_STORAGE);
            file->setSafeStorageAccountId(ACCOUNT_ID);
            Database::getInstance().addFile(*file);
            made.push_back({album->getURI(), file->getURI(), path});
        }
    }
    Database::getInstance().commit();
    return made;
}

// The reservations of the catalogue's pictures, written straight into the provider's store.
void reserveOnProvider(const std::string& database, const std::vector<Picture>& pictures,
                       long kilobytes)
{
    Provider::ProviderStore store(database);
    const auto account = store.findAccount("bench", "bench@example.com");
    if (!account)
        throw std::runtime_error("the provider made no bench account");
    std::string folderUuid;
    wxString albumUri;
    for (const Picture& picture : pictures) {
        if (picture.albumUri != albumUri) {
            albumUri = picture.albumUri;
            folderUuid =
                store.storage()
                    .ensureFolder(account->id,
                                  StorageClient_3_0::folderReference(albumUri).utf8_string(),
                                  "Album")
                    .serverUuid;
        }
        Provider::StorageStore::File file;
        file.folderUuid = folderUuid;
        file.clientRef = StorageClient_3_0::fileReference(picture.uri).utf8_string();
        file.name = file.clientRef.substr(9);
        file.size = kilobytes * 1024;
        file.slots = 1;
        store.storage().addFile(account->id, file);
    }
}

struct Run {
    double seconds = 0;
    size_t requests = 0;
    SynchronizeTask::Counts counts;
};

Run synchronize(Brenmarle::FileManager& files, const Quorvel::ServiceAddress& address,
                Quorvel::NetworkSettings& settings, const std::string& journal)
{
    auto task = Quorvel::makeRef<SynchronizeTask>(files, Database::getInstance(), address, settings,
                                                  ACCOUNT_ID);
    const size_t before = linesOf(journal);
    Quorvel::TaskRunnerThread runner;
    const auto start = Clock::now();
    runner.addTask(task, nullptr);
    runner.waitUntilStopped();
    Run run;
    run.seconds = secondsSince(start);
    run.requests = linesOf(journal) - before;
    run.counts = task->counts;
    return run;
}

// curl's column: the same bytes to the same addresses. The task's copies are removed first, so
// curl stores new files as the task did (and leaves them for the runs that follow): the kernel
// hands out memory for new files much more slowly than it reuses what was just freed (markedly
// so in a virtual machine), and writing over the task's files would spare curl that cost.
double timeCurl(StorageClient_3_0& client, const std::vector<Picture>& pictures,
                const std::string& folder)
{
    std::filesystem::remove_all(folder + "/provider/uploads");
    const wxString sessionId = client.createSession();
    std::vector<CurlUploads::Upload> uploads;
    wxString albumUri;
    std::vector<StorageClient_3_0::SyncFile> listed;
    for (const Picture& picture : pictures) {
        if (picture.albumUri != albumUri) {
            albumUri = picture.albumUri;
            listed = client.getFileList({wxString(), StorageClient_3_0::folderReference(albumUri)});
        }
        for (const auto& file : listed)
            if (file.clientRef == StorageClient_3_0::fileReference(picture.uri))
                uploads.push_back({file.uploadUrl.utf8_string(), picture.path});
    }
    if (uploads.size() != pictures.size())
        throw std::runtime_error("the provider does not list every picture");
    return CurlUploads::time(uploads, sessionId.utf8_string(), folder);
}

void printRun(const char* title, const Run& run, long count)
{
    std::printf("%-28s %8zu requests %8.2f s %8.3f ms per picture\n", title, run.requests,
                run.seconds, run.seconds * 1000 / static_cast<double>(count));
}

int runBenchmark(long albums, long pictures, long kilobytes, const std::string& folder)
{
    // The work folder is the home: the user's own catalogue is never touched.
    const wxString home = wxString::FromUTF8(folder);
    wxSetEnv("HOME", home);
    wxSetEnv("XDG_DATA_HOME", home + "/data");
    wxSetEnv("XDG_CONFIG_HOME", home + "/config");
    Quorvel::Environment::init("vistrelle", home + "/program");
    const wxString dataDir = Quorvel::Environment::getUserDataDir();
    wxFileName::Mkdir(dataDir, 0700, wxPATH_MKDIR_FULL);
    Database::getInstance().open(dataDir + "database.db");
    auto files = std::make_unique<Brenmarle::FileManager>();

    std::ofstream(folder + "/network.ini") << "[HttpProxy]\nHost=\n";
    Provider::ProviderConfig config = Provider::ProviderConfig::parse(
        "[portal bench]\nname = Bench\naccount = bench@example.com | secret\n", folder);
    config.givenStorageSlots = albums * pictures;
    Provider::ProviderServer provider(config, folder + "/provider");
    provider.setQuiet(true);
    const std::vector<Picture> catalogue = makeCatalogue(*files, albums, pictures, kilobytes);
    reserveOnProvider(folder + "/provider/provider.db", catalogue, kilobytes);
    const int port = provider.start("127.0.0.1", 0);
    const Quorvel::ServiceAddress address{"127.0.0.1", port, "bench@example.com", "secret"};
    Quorvel::NetworkSettings settings(wxString::FromUTF8(folder + "/network.ini"));
    const std::string journal = folder + "/provider/journal.jsonl";
    const long count = albums * pictures;

    const Run upload = synchronize(*files, address, settings, journal);
    if (upload.counts.uploaded != count)
        throw std::runtime_error("the first run sent " + std::to_string(upload.counts.uploaded) +
                                 " of " + std::to_string(count) + " pictures");
    auto client = Quorvel::makeRef<StorageClient_3_0>(settings);
    client->setAddress(address);
    const double curlSeconds = timeCurl(*client, catalogue, folder);
    const Run listing = synchronize(*files, address, settings, journal);
    const Run steady = synchronize(*files, address, settings, journal);
    provider.stop();
    AlbumFolder::unloadAlbums();
    files.reset();
    Database::getInstance().close();
    for (const Run* run : {&listing, &steady})
        if (run->counts.uploaded + run->counts.downloaded + run->counts.infoUploaded +
                run->counts.infoDownloaded + run->counts.unstored !=
            0)
            throw std::runtime_error("a run after the upload found changes");

    const double megabytes = static_cast<double>(count * kilobytes) / 1024;
    std::printf("%ld albums of %ld pictures of %ld KB\n", albums, pictures, kilobytes);
    printRun("first upload (task)", upload, count);
    std::printf("first upload (curl)          %8ld uploads  %8.2f s\n", count, curlSeconds);
    std::printf("upload throughput task, curl %8.1f MB/s %8.1f MB/s\n", megabytes / upload.seconds,
                megabytes / curlSeconds);
    std::printf("task / curl speed            %8.2f\n", curlSeconds / upload.seconds);
    printRun("no change, albums listed", listing, count);
    printRun("no change", steady, count);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(
        argc, argv, "[--kilobytes N] [albums] [pictures per album] [work folder]",
        [](BenchArguments& arguments) {
            const long kilobytes = BenchArguments::number(
                "--kilobytes", arguments.option("--kilobytes"), 100, 1, 100 * 1024);
            const long albums =
                BenchArguments::number("albums", arguments.positional(0, 3), 100, 1, 1000);
            const long pictures = BenchArguments::number("pictures per album",
                                                         arguments.positional(1, 3), 100, 1, 10000);
            return BenchArguments::inWorkFolder(
                arguments.positional(2, 3), "vistrelle-storagesync-bench",
                [&](const std::string& folder) {
                    return runBenchmark(albums, pictures, kilobytes, folder);
                });
        });
}
