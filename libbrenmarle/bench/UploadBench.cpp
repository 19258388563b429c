// Times sending an order's pictures to the reference provider through the ordering task (MD5,
// multipart upload and registration of each file) against curl(1) uploading the same bytes to
// the same provider (one curl process, one POST per file with the file as its body, its MD5
// given), with the process's peak memory before and after the task's uploads (it should not
// grow with the files) and the task's overhead per file over curl's time.
//
// The provider runs in this process on a loopback port, with its data in the work folder (each
// upload is written and flushed there, for both columns alike). The task's column also holds
// the provider's side of each registration (a SOAP call, two committed store writes), which
// curl's does not; the MD5 pass over the files is timed on its own as well.
//
// Usage: upload_bench [files] [megabytes] [work folder] [rounds]   (default 500 files of 4 MB,
// 3 rounds; each round has a provider of its own, removed after it, so a work folder can be used
// again only once emptied). Without a work folder one is made under /var/tmp and removed
// afterwards; a work folder given must exist.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchArguments.h"
#include "CurlUploads.h"
#include "ProviderConfig.h"
#include "ProviderServer.h"
#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "service/HTTPClient.h"
#include "service/NetworkSettings.h"
#include "service/OrderingClient_3_0.h"
#include "service/OrderingClient_3_0_Task.h"
#include "threads/TaskRunnerThread.h"

using Brenmarle::OrderingClient_3_0;
using Brenmarle::OrderingClient_3_0_Task;
using Clock = std::chrono::steady_clock;

namespace {

const char* const PRICELIST_ID = "6f1c2b8e-0000-4000-8000-000000000001";

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// `count` files of `megabytes` each, of random bytes (no two alike).
std::vector<std::string> makeFiles(const std::string& folder, long count, long megabytes)
{
    std::vector<std::string> paths;
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(1024 * 1024 / sizeof(uint64_t));
    for (long i = 0; i < count; ++i) {
        paths.push_back(folder + "/picture" + std::to_string(i) + ".jpg");
        std::ofstream out(paths.back(), std::ios::binary);
        for (long mb = 0; mb < megabytes; ++mb) {
            for (uint64_t& word : block)
                word = random();
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size() * sizeof(uint64_t)));
        }
        if (!out)
            throw std::runtime_error("could not write " + paths.back());
    }
    return paths;
}

std::string orderXml(const std::vector<std::string>& paths)
{
    Brenmarle::Order order;
    order.deliveryType = 0;
    order.deliveryOptionUuid = "pickup-shop";
    for (const std::string& path : paths) {
        auto part = std::make_unique<Brenmarle::OrderPart>();
        part->productUuid = "print-10x15";
        const wxString ref = "file://" + wxString::FromUTF8(path);
        part->addFile(ref, "", 1, 1, ref);
        order.addPart(std::move(part));
    }
    return order.toXML();
}

// Runs the task on a runner and waits for it.
void runTask(const Quorvel::Ref<OrderingClient_3_0_Task>& task)
{
    Quorvel::TaskRunnerThread runner;
    runner.addTask(task, nullptr);
    runner.waitUntilStopped();
}

struct Round {
    double clientSeconds = 0;
    double curlSeconds = 0;
    long peakBefore = 0;
    long peakAfter = 0;
};

// One round: a provider of its own (a new order, so every file is to be sent again), the task's
// uploads, then curl's of the same bytes to the same addresses.
Round runRound(const std::vector<std::string>& paths, long megabytes, const std::string& folder,
               int round)
{
    const long count = static_cast<long>(paths.size());
    const std::string providerFolder = folder + "/provider" + std::to_string(round);
    Provider::ProviderServer provider(
        Provider::ProviderConfig::parse("[portal bench]\nname = Bench\npricelist = "
                                        "pricelist.xml\naccount = bench@example.com | secret\n",
                                        VISTRELLE_PROVIDER_SOURCE_DIR),
        providerFolder, [megabytes] {
            Provider::ProviderServer::Options options;
            // Few workers, each with its store connection and caches: the provider shares
            // this process, and its memory would hide the client's.
            options.workers = 4;
            options.uploadLimitBytes = static_cast<uint64_t>(megabytes + 1) * 1024 * 1024;
            return options;
        }());
    provider.setQuiet(true);
    const int port = provider.start("127.0.0.1", 0);

    Quorvel::NetworkSettings settings(wxString::FromUTF8(folder + "/network.ini"));
    auto client = Quorvel::makeRef<OrderingClient_3_0>(settings);
    client->setAddress({"127.0.0.1", port, "bench@example.com", "secret"});
    const wxString sessionId = client->createSession();
    client->createOrder(PRICELIST_ID);
    client->uploadOrderDetails(orderXml(paths));
    const auto list = client->getFileUploadList();

    std::vector<OrderingClient_3_0_Task::OrderFile> files;
    for (const std::string& path : paths) {
        const wxString ref = "file://" + wxString::FromUTF8(path);
        files.push_back({ref, wxString::FromUTF8(path), {}});
    }
    Round result;
    result.peakBefore = peakKilobytes();
    auto task = OrderingClient_3_0_Task::uploadFiles(client, files, list);
    const auto start = Clock::now();
    runTask(task);
    result.clientSeconds = secondsSince(start);
    result.peakAfter = peakKilobytes();
    if (task->uploadedCount != count)
        throw std::runtime_error("the ordering task sent " + std::to_string(task->uploadedCount) +
                                 " of " + std::to_string(count) + " files");

    // The same bytes to the same addresses. The task's copies are removed first, so curl stores
    // new files as the task did: the kernel hands out memory for new files (page cache, tmpfs)
    // much more slowly than it reuses what was just freed (markedly so in a virtual machine),
    // and writing over the task's files would spare curl's column the cost the task paid.
    std::filesystem::remove_all(providerFolder + "/uploads");
    std::vector<CurlUploads::Upload> uploads;
    for (const auto& entry : list)
        for (size_t i = 0; i < files.size(); ++i)
            if (files[i].clientRef == entry.fileId.clientRef)
                uploads.push_back({entry.uploadUrl.utf8_string(), paths[i]});
    result.curlSeconds = CurlUploads::time(uploads, sessionId.utf8_string(), folder);
    provider.stop();
    std::filesystem::remove_all(providerFolder);
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int runBenchmark(long count, long megabytes, long rounds, const std::string& folder)
{
    const std::vector<std::string> paths = makeFiles(folder, count, megabytes);
    std::ofstream(folder + "/network.ini") << "[HttpProxy]\nHost=\n";
    std::vector<Round> results;
    for (long round = 0; round < rounds; ++round)
        results.push_back(runRound(paths, megabytes, folder, static_cast<int>(round)));
    const auto md5Start = Clock::now();
    for (const std::string& path : paths)
        Quorvel::HTTPClient::md5OfFile(wxString::FromUTF8(path));
    const double md5Seconds = secondsSince(md5Start);

    // The machine's other work moves single runs by more than the difference looked for, so
    // each round times both sides back to back and the medians are compared.
    std::vector<double> client, curl, ratio;
    for (const Round& round : results) {
        client.push_back(round.clientSeconds);
        curl.push_back(round.curlSeconds);
        ratio.push_back(round.curlSeconds / round.clientSeconds);
    }
    const double clientSeconds = median(client);
    const double curlSeconds = median(curl);
    const double megabytesSent = static_cast<double>(count * megabytes);
    std::printf("%ld files of %ld MB, %ld rounds  ordering task      curl -T\n", count, megabytes,
                rounds);
    for (size_t i = 0; i < results.size(); ++i)
        std::printf("round %zu                    %10.2f s  %10.2f s   task / curl %.2f\n", i + 1,
                    results[i].clientSeconds, results[i].curlSeconds, ratio[i]);
    std::printf("median time                %10.2f s  %10.2f s\n", clientSeconds, curlSeconds);
    std::printf("throughput                 %8.1f MB/s  %8.1f MB/s\n",
                megabytesSent / clientSeconds, megabytesSent / curlSeconds);
    std::printf("task / curl speed          %10.2f   (median of the rounds' ratios)\n",
                median(ratio));
    std::printf("overhead per file          %10.1f ms\n",
                (clientSeconds - curlSeconds) * 1000 / static_cast<double>(count));
    std::printf("MD5 pass alone             %10.1f ms per file\n",
                md5Seconds * 1000 / static_cast<double>(count));
    std::printf("peak memory before, after  %8ld KB  %8ld KB   (first round)\n",
                results.front().peakBefore, results.front().peakAfter);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(
        argc, argv, "[files] [megabytes] [work folder] [rounds]", [](BenchArguments& arguments) {
            const long count =
                BenchArguments::number("files", arguments.positional(0, 4), 500, 1, 100000);
            const long megabytes =
                BenchArguments::number("megabytes", arguments.positional(1, 4), 4, 1, 1024);
            const long rounds =
                BenchArguments::number("rounds", arguments.positional(3, 4), 3, 1, 20);
            return BenchArguments::inWorkFolder(
                arguments.positional(2, 4), "vistrelle-upload-bench",
                [&](const std::string& folder) {
                    return runBenchmark(count, megabytes, rounds, folder);
                });
        });
}
