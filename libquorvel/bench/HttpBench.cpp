// Times a download and an upload of one large file over loopback through the HTTP client, and
// the same transfers by curl(1) in the same run, with the process's peak memory before and
// after the client's transfers (it should not grow with the file).
//
// The server is part of this program: it answers GET with the file (sendfile) and reads and
// drops the body of a POST. Each transfer runs five times, the client's and curl's in turn;
// the best time counts, since the machine is shared.
//
// Usage: http_bench [megabytes] [work folder]
// Without a work folder one is made under /var/tmp and removed afterwards; a work folder given
// must exist.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <wx/filename.h>

#include "BenchArguments.h"
#include "service/HTTPClient.h"
#include "service/NetworkSettings.h"
#include "util/InputFile.h"

namespace {

using Clock = std::chrono::steady_clock;

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Answers one connection at a time until the wake pipe is written.
class FileServer {
public:
    explicit FileServer(const std::string& path) : m_path(path)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 8) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ::pipe(m_wake) != 0) {
            std::perror("server");
            std::exit(1);
        }
        port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~FileServer()
    {
        (void)!::write(m_wake[1], "x", 1);
        m_thread.join();
        ::close(m_listener);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
    }
    int port = 0;

private:
    void run()
    {
        for (;;) {
            pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            ::poll(fds, 2, -1);
            if (fds[1].revents)
                return;
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client >= 0) {
                serve(client);
                ::close(client);
            }
        }
    }
    void serve(int client)
    {
        std::string head;
        std::vector<char> buffer(1 << 16);
        size_t end;
        while ((end = head.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(client, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                return;
            head.append(buffer.data(), static_cast<size_t>(n));
        }
        if (head.compare(0, 4, "POST") == 0) {
            long long left = 0;
            const size_t at = head.find("Content-Length: ");
            if (at != std::string::npos)
                left = std::atoll(head.c_str() + at + 16);
            left -= static_cast<long long>(head.size() - end - 4);
            while (left > 0) {
                const ssize_t n = ::recv(client, buffer.data(), buffer.size(), 0);
                if (n <= 0)
                    return;
                left -= n;
            }
            const std::string answer = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";
            (void)!::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            return;
        }
        const int file = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        ::fstat(file, &info);
        const std::string answer =
            "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(info.st_size) + "\r\n\r\n";
        (void)!::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        off_t offset = 0;
        while (offset<info.st_size&& ::sendfile(client, file, &offset, info.st_size - offset)> 0) {
        }
        ::close(file);
    }

    std::string m_path;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

double seconds(const std::function<void()>& run)
{
    const auto start = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the two in turn, five times, so that both meet the same load of the machine; keeps each
// one's best time.
std::pair<double, double> bestOfTurns(const std::function<void()>& ours,
                                      const std::function<void()>& theirs)
{
    std::pair<double, double> best{1e9, 1e9};
    for (int i = 0; i < 5; ++i) {
        best.first = std::min(best.first, seconds(ours));
        best.second = std::min(best.second, seconds(theirs));
    }
    return best;
}

void report(const char* what, double megabytes, double ours, double curl)
{
    std::printf("%-9s client %7.1f MB/s (%.2f s)   curl %7.1f MB/s (%.2f s)   ratio %.2f\n", what,
                megabytes / ours, ours, megabytes / curl, curl, curl / ours);
}

// The file served: `megabytes` of incompressible bytes.
void writeSource(const std::string& path, long megabytes)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file)
        throw std::runtime_error("could not create " + path);
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(1 << 17);
    for (long written = 0; written < megabytes; ++written) {
        std::generate(block.begin(), block.end(), random);
        if (std::fwrite(block.data(), 1, size_t(1) << 20, file.get()) != size_t(1) << 20)
            throw std::runtime_error("could not write " + path + " (is the disk full?)");
    }
    if (std::fclose(file.release()) != 0)
        throw std::runtime_error("could not write " + path + " (is the disk full?)");
}

int benchmark(long megabytes, std::string work)
{
    // A work folder of our own goes afterwards, whatever happens; a given one stays.
    struct OwnWork {
        std::string path;
        ~OwnWork()
        {
            if (!path.empty())
                wxFileName::Rmdir(wxString::FromUTF8(path), wxPATH_RMDIR_RECURSIVE);
        }
    } ownWork;
    if (work.empty()) {
        char pattern[] = "/var/tmp/http_bench.XXXXXX";
        if (!::mkdtemp(pattern))
            throw std::runtime_error("could not make a work folder under /var/tmp");
        work = ownWork.path = pattern;
    }
    const std::string source = work + "/source.bin";
    writeSource(source, megabytes);
    FileServer server(source);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port) + "/source.bin";
    const double size = static_cast<double>(megabytes) * 1048576 / 1e6;
    Quorvel::NetworkSettings settings(wxString::FromUTF8(work + "/network.ini"));

    auto ourDownload = [&] {
        Quorvel::HTTPClient client(settings);
        client.fetchToFile(wxString::FromUTF8(url), wxString::FromUTF8(work + "/ours.bin"));
    };
    auto ourUpload = [&] {
        Quorvel::HTTPClient client(settings);
        Quorvel::InputFile file(wxString::FromUTF8(source));
        client.beginUpload(wxString::FromUTF8(url), file.length(), "Error");
        client.upload(file, nullptr, 0);
        client.finishUpload("Error");
    };
    auto curlDownload = [&] {
        const std::string command = "curl -s -o '" + work + "/curl.bin' '" + url + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "curl download failed\n");
    };
    auto curlUpload = [&] {
        const std::string command =
            "curl -s -o /dev/null -X POST -H 'Expect:' -T '" + source + "' '" + url + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "curl upload failed\n");
    };
    // curl runs as a child process, so this process's peak is the client's alone.
    const long before = peakKilobytes();
    const auto download = bestOfTurns(ourDownload, curlDownload);
    const auto upload = bestOfTurns(ourUpload, curlUpload);
    const long after = peakKilobytes();

    std::printf("%ld MiB over loopback, best of five\n", megabytes);
    report("download", size, download.first, download.second);
    report("upload", size, upload.first, upload.second);
    std::printf("peak memory %ld KiB before the client's transfers, %ld KiB after\n", before,
                after);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(
        argc, argv, "[megabytes] [work folder]", [](BenchArguments& arguments) {
            const long megabytes =
                BenchArguments::number("megabytes", arguments.positional(0, 2), 200, 1, 100000);
            const std::optional<std::string> work = arguments.positional(1, 2);
            return benchmark(megabytes,
                             work ? BenchArguments::writableFolder("work folder", *work) : "");
        });
}
