// Counts and times the requests of a safe-storage check that finds nothing changed: an account
// with `albums` stored albums of `pictures` stored pictures each on the reference provider (in
// this process, on a loopback port), and a client that logs in, reads the folder list and the
// file list of every album, compares them with what it holds, and logs out. The requests are
// counted from the provider's journal, as anyone outside could count them.
//
// The check runs the storage client's calls in the order a synchronisation makes them when no
// album changed; the synchronisation task itself is not part of the program yet, so this is
// the skeleton its benchmark grows from (the aim for 10,000 pictures in 100 albums: about 105
// requests and 3 s).
//
// Usage: storagesync_bench [albums] [pictures per album] [work folder]   (default 100 x 100)
// Without a work folder one is made under /var/tmp and removed afterwards; a work folder given
// must exist. Storing the account's records (not timed) takes a while: each is committed.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchArguments.h"
#include "ProviderConfig.h"
#include "ProviderServer.h"
#include "ProviderStore.h"
#include "StorageStore.h"
#include "service/NetworkSettings.h"
#include "service/StorageClient_3_0.h"

using Brenmarle::StorageClient_3_0;
using Clock = std::chrono::steady_clock;

namespace {

const std::time_t FILE_TIME = 1700000000;

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

// The account's albums and pictures, written straight into the provider's store.
void storeAccount(const std::string& database, long albums, long pictures)
{
    Provider::ProviderStore store(database);
    const auto account = store.findAccount("bench", "bench@example.com");
    if (!account)
        throw std::runtime_error("the provider made no bench account");
    for (long a = 0; a < albums; ++a) {
        const auto folder = store.storage().ensureFolder(
            account->id, "ssfolder://album-" + std::to_string(a), "Album " + std::to_string(a));
        for (long p = 0; p < pictures; ++p) {
            Provider::StorageStore::File file;
            file.folderUuid = folder.serverUuid;
            file.clientRef = "ssfile://" + std::to_string(a) + "-" + std::to_string(p) + ".jpg";
            file.name = file.clientRef.substr(9);
            file.size = 4000000;
            file.slots = 1;
            file.uploaded = true;
            file.fileModifyTime = FILE_TIME;
            file.metaModifyTime = FILE_TIME;
            store.storage().addFile(account->id, file);
        }
    }
}

// The check that finds nothing changed; returns the pictures it compared.
long checkUnchanged(StorageClient_3_0& client)
{
    client.createSession();
    long compared = 0;
    for (const auto& folder : client.getFolderList())
        for (const auto& file : client.getFileList({folder.serverUuid, folder.clientRef})) {
            if (file.fileModifyTime != FILE_TIME || file.metaModifyTime != FILE_TIME)
                throw std::runtime_error("a picture changed on the server");
            ++compared;
        }
    client.closeSession();
    return compared;
}

int runBenchmark(long albums, long pictures, const std::string& folder)
{
    std::ofstream(folder + "/network.ini") << "[HttpProxy]\nHost=\n";
    Provider::ProviderConfig config = Provider::ProviderConfig::parse(
        "[portal bench]\nname = Bench\naccount = bench@example.com | secret\n", folder);
    config.givenStorageSlots = albums * pictures;
    Provider::ProviderServer provider(config, folder + "/provider");
    provider.setQuiet(true);
    storeAccount(folder + "/provider/provider.db", albums, pictures);
    const int port = provider.start("127.0.0.1", 0);

    Quorvel::NetworkSettings settings(wxString::FromUTF8(folder + "/network.ini"));
    auto client = Quorvel::makeRef<StorageClient_3_0>(settings);
    client->setAddress({"127.0.0.1", port, "bench@example.com", "secret"});
    const std::string journal = folder + "/provider/journal.jsonl";
    const size_t before = linesOf(journal);
    const auto start = Clock::now();
    const long compared = checkUnchanged(*client);
    const double seconds = secondsSince(start);
    provider.stop();
    const size_t requests = linesOf(journal) - before;
    if (compared != albums * pictures)
        throw std::runtime_error("the check compared " + std::to_string(compared) + " of " +
                                 std::to_string(albums * pictures) + " pictures");

    std::printf("%ld albums of %ld pictures, nothing changed\n", albums, pictures);
    std::printf("requests                   %10zu\n", requests);
    std::printf("time                       %10.2f s\n", seconds);
    std::printf("per picture                %10.3f ms\n",
                seconds * 1000 / static_cast<double>(compared));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(
        argc, argv, "[albums] [pictures per album] [work folder]", [](BenchArguments& arguments) {
            const long albums =
                BenchArguments::number("albums", arguments.positional(0, 3), 100, 1, 1000);
            const long pictures = BenchArguments::number("pictures per album",
                                                         arguments.positional(1, 3), 100, 1, 10000);
            return BenchArguments::inWorkFolder(
                arguments.positional(2, 3), "vistrelle-storagesync-bench",
                [&](const std::string& folder) { return runBenchmark(albums, pictures, folder); });
        });
}
