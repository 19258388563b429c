// Times thumbnail making the way the thumbnail manager does it (ThumbnailMaker::makeThumbnail)
// on generated 12-megapixel JPEGs, with one worker and with two in parallel, and, when
// vipsthumbnail is installed, vipsthumbnail on the same files for comparison.
//
//   ThumbnailBench [--count N] [--dir DIR] [--magick-threads N] [--keep]
//
// Pictures are made once per directory (a marker file remembers them), so repeated runs with
// --dir reuse them. Not a test: it asserts nothing and prints figures.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <Magick++.h>
#include <wx/dir.h>
#include <wx/filename.h>

#include "BenchArguments.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/ThumbnailMaker.h"
#include "system/ProcessLocale.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Options {
    int count = 24;
    wxString dir;
    int magickThreads = 0; // 0: leave ImageMagick's default
    bool keep = false;
};

Options parse(BenchArguments& arguments)
{
    Options options;
    options.count = static_cast<int>(
        BenchArguments::number("--count", arguments.option("--count"), 24, 2, 100000));
    if (const std::optional<std::string> dir = arguments.option("--dir"))
        options.dir = wxString::FromUTF8(BenchArguments::folderToMake("--dir", *dir));
    options.magickThreads = static_cast<int>(BenchArguments::number(
        "--magick-threads", arguments.option("--magick-threads"), 0, 0, 256));
    options.keep = arguments.flag("--keep");
    arguments.checkNothingElse();
    return options;
}

wxString picturePath(const wxString& dir, int i)
{
    return wxString::Format("%s/photo%03d.jpg", dir, i);
}

// Camera-like content: smooth fractal shapes with fine grain, so the JPEG has the entropy (and
// the decoding cost) of a real photo. About 2.5 MB at quality 92.
void makePictures(const Options& options)
{
    const wxString marker = options.dir + wxString::Format("/.made-%d", options.count);
    if (wxFileExists(marker))
        return;
    std::printf("making %d pictures of 4000 x 3000 in %s ...\n", options.count,
                static_cast<const char*>(options.dir.utf8_str()));
    const int bases = std::min(options.count, 6);
    std::vector<Magick::Image> base;
    for (int b = 0; b < bases; ++b) {
        Magick::Image image;
        image.size("1000x750");
        image.read("plasma:fractal");
        image.blur(0, 1.5);
        image.resize("4000x3000!");
        Magick::Image grain(Magick::Geometry(4000, 3000), Magick::Color("gray50"));
        grain.addNoise(MagickCore::GaussianNoise);
        grain.blur(0, 0.6);
        image.composite(grain, 0, 0, MagickCore::SoftLightCompositeOp);
        base.push_back(image);
    }
    for (int i = 0; i < options.count; ++i) {
        Magick::Image image = base[size_t(i % bases)];
        if ((i / bases) % 2)
            image.flop();
        if ((i / bases) % 4 >= 2)
            image.flip();
        image.quality(92);
        image.magick("JPEG");
        image.write(picturePath(options.dir, i).ToStdString());
    }
    std::FILE* file = std::fopen(marker.fn_str(), "w");
    if (file)
        std::fclose(file);
}

struct Figures {
    double wallMs;
    std::vector<double> perPictureMs;
};

// Workers take pictures off a shared counter, as the loader threads would.
Figures run(const Options& options, int workers, const wxString& outDir)
{
    std::atomic<int> next{0};
    std::vector<std::vector<double>> times(static_cast<size_t>(workers));
    const auto work = [&](int worker) {
        for (int i; (i = next.fetch_add(1)) < options.count;) {
            const auto start = Clock::now();
            Brenmarle::ThumbnailMaker::makeThumbnail(
                picturePath(options.dir, i), wxString::Format("%s/thumb%03d.jpg", outDir, i),
                i % 2 ? 90 : 0);
            times[size_t(worker)].push_back(millisecondsSince(start));
        }
    };
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w)
        threads.emplace_back(work, w);
    for (std::thread& thread : threads)
        thread.join();
    Figures figures{millisecondsSince(start), {}};
    for (const auto& list : times)
        figures.perPictureMs.insert(figures.perPictureMs.end(), list.begin(), list.end());
    std::sort(figures.perPictureMs.begin(), figures.perPictureMs.end());
    return figures;
}

void report(const char* label, const Figures& figures, int count)
{
    const auto& t = figures.perPictureMs;
    const double mean = std::accumulate(t.begin(), t.end(), 0.0) / double(t.size());
    std::printf("%-26s mean %6.1f ms  median %6.1f ms  min %6.1f  max %6.1f per picture per "
                "worker; %5.1f pictures/s\n",
                label, mean, t[t.size() / 2], t.front(), t.back(), count * 1000.0 / figures.wallMs);
}

double runCommand(const std::string& command)
{
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
    return millisecondsSince(start);
}

// vipsthumbnail over the same files: one process for all (start-up shared), and two processes
// with half each at the same time.
void compareWithVips(const Options& options)
{
    if (std::system("command -v vipsthumbnail >/dev/null 2>&1") != 0) {
        std::printf("vipsthumbnail not installed; no comparison\n");
        return;
    }
    const wxString outDir = options.dir + "/vips";
    wxFileName::Mkdir(outDir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    std::string all, even, odd;
    for (int i = 0; i < options.count; ++i) {
        const std::string path = " '" + picturePath(options.dir, i).ToStdString() + "'";
        all += path;
        (i % 2 ? odd : even) += path;
    }
    const std::string head =
        "vipsthumbnail -s 160x160 -o '" + outDir.ToStdString() + "/%s.jpg[Q=85]'";
    runCommand(head + all); // warm-up
    const double one = runCommand(head + all);
    const double two = runCommand("(" + head + even + ") & (" + head + odd + ") & wait");
    std::printf("%-26s mean %6.1f ms per picture per worker (process start included); %5.1f "
                "pictures/s\n",
                "vipsthumbnail, 1 process", one / options.count, options.count * 1000.0 / one);
    std::printf("%-26s mean %6.1f ms per picture per worker (process start included); %5.1f "
                "pictures/s\n",
                "vipsthumbnail, 2 processes", 2 * two / options.count,
                options.count * 1000.0 / two);
}

int benchmark(Options options)
{
    const bool ownDir = options.dir.empty();
    if (ownDir) {
        char pattern[] = "/tmp/vistrelle-bench-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("could not make a folder under /tmp");
        options.dir = wxString::FromUTF8(pattern);
    }
    wxFileName::Mkdir(options.dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    Brenmarle::initImageMagick();
    makePictures(options);
    if (options.magickThreads > 0)
        Magick::ResourceLimits::thread(MagickCore::MagickSizeType(options.magickThreads));
    std::printf("ImageMagick threads: %llu\n",
                static_cast<unsigned long long>(Magick::ResourceLimits::thread()));

    const wxString outDir = options.dir + "/thumbs";
    run(Options{2, options.dir, 0, false}, 1, outDir); // warm-up: page cache, coder state
    report("ThumbnailMaker, 1 worker", run(options, 1, outDir), options.count);
    report("ThumbnailMaker, 2 workers", run(options, 2, outDir), options.count);
    compareWithVips(options);

    if (ownDir && !options.keep)
        wxFileName::Rmdir(options.dir, wxPATH_RMDIR_RECURSIVE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    return BenchArguments::runMain(
        argc, argv, "[--count N] [--dir DIR] [--magick-threads N] [--keep]",
        [](BenchArguments& arguments) { return benchmark(parse(arguments)); });
}
