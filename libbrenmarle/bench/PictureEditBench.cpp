// Times what the picture window does with a 12-megapixel JPEG: the screen-size view (preview
// and sharp), loading the full-size picture for editing, the adjustments at full size, the
// brightness/contrast preview pass over a screen-size copy, saving over the original, and
// the scaled copy an order sends for a 10 x 15 print.
//
//   PictureEditBench [--width W --height H] [--screen WxH] [--runs N]
//
// Not a test: it asserts nothing and prints figures (best of N runs).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <Magick++.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "BenchArguments.h"
#include "imaging/ImageData.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/JfifHeader.h"
#include "ordering/OrderScalingTask.h"
#include "ordering/PrintAreaSize.h"
#include "system/ProcessLocale.h"

namespace {

using Clock = std::chrono::steady_clock;
using Brenmarle::ImageData;

double best(int runs, const std::function<void()>& work)
{
    double fastest = 1e99;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        fastest = std::min(fastest,
                           std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return fastest;
}

int benchmark(int width, int height, int screenWidth, int screenHeight, int runs)
{
    Brenmarle::initImageMagick();
    const wxString dir = wxFileName::CreateTempFileName("pictureedit-bench");
    wxRemoveFile(dir);
    wxFileName::Mkdir(dir, 0700);
    const wxString path = dir + "/photo.jpg";
    {
        // Smooth shapes with fine grain: the entropy (and decoding cost) of a camera photo.
        // As ThumbnailBench makes them: about 2.5 MB at quality 92 for 12 megapixels.
        Magick::Geometry size{size_t(width), size_t(height)};
        size.aspect(true);
        Magick::Image photo;
        photo.size(Magick::Geometry(size_t(width / 4), size_t(height / 4)));
        photo.read("plasma:fractal");
        photo.blur(0, 1.5);
        photo.resize(size);
        Magick::Image grain(size, Magick::Color("gray50"));
        grain.addNoise(MagickCore::GaussianNoise);
        grain.blur(0, 0.6);
        photo.composite(grain, 0, 0, MagickCore::SoftLightCompositeOp);
        photo.quality(92);
        photo.write(std::string(path.utf8_str()));
    }
    std::printf("%d x %d JPEG, %lld bytes, screen %d x %d, best of %d\n", width, height,
                static_cast<long long>(wxFileName(path).GetSize().GetValue()), screenWidth,
                screenHeight, runs);

    const auto report = [](const char* what, double ms) {
        std::printf("%-44s %8.1f ms\n", what, ms);
    };
    auto image = Quorvel::makeRef<ImageData>();
    report("preview (loadPreview)", best(runs, [&] { image->loadPreview(path); }));
    report("sharp screen-size view (loadFitted)",
           best(runs, [&] { image->loadFitted(path, screenWidth, screenHeight, 0); }));
    report("drawable copy of the screen-size view", best(runs, [&] {
               image->rotate(0); // drops the cached copy
               image->getDrawable();
           }));
    const auto drawable = image->getDrawable();
    std::vector<unsigned char> pixels(drawable->rgb);
    report("brightness/contrast preview pass", best(runs, [&] {
               const auto table = ImageData::brightnessContrastTable(30, 20);
               for (unsigned char& byte : pixels)
                   byte = table[byte];
           }));
    auto full = Quorvel::makeRef<ImageData>();
    report("full-size load for editing (load + rotate)", best(runs, [&] {
               full->load(path);
               full->rotate(0);
           }));
    report("copy for a preview (copy-on-write)",
           best(runs, [&] { Quorvel::Ref<ImageData>::adopt(new ImageData(*full))->getWidth(); }));
    report("brightness/contrast at full size (Apply)",
           best(runs, [&] { full->adjustBrightnessContrast(10, 10); }));
    report("sepia at full size", best(runs, [&] { full->makeSepia(); }));
    report("normalise at full size", best(runs, [&] { full->normalize(); }));
    report("save over the original (JPEG 85)",
           best(runs, [&] { full->save(dir + "/saved.jpg", ImageData::FORMAT_JPEG, 85); }));
    // A 10 x 15 print's area: what sending an order makes of the picture (OrderScalingTask).
    Brenmarle::PrintAreaSize print;
    print.width = 1500;
    print.height = 1000;
    if (const auto size = Brenmarle::OrderScalingTask::targetSize(width, height, print)) {
        auto scaled = Quorvel::makeRef<ImageData>();
        report("scaled copy for an order (zoom + JPEG 85)", best(runs, [&] {
                   scaled->loadZoomed(path, size->width, size->height, 0);
                   scaled->save(dir + "/scaled.jpg", ImageData::FORMAT_JPEG, 85);
               }));
        // Where the time goes: decoding and zooming, then encoding.
        report("  of which decode + zoom (loadZoomed)",
               best(runs, [&] { scaled->loadZoomed(path, size->width, size->height, 0); }));
        // libjpeg decodes at the smallest scale (1/8 steps) not below the size asked for.
        const auto decodeHinted = [&] {
            Magick::Image decoded;
            decoded.defineValue("jpeg", "size",
                                std::to_string(size->width) + "x" + std::to_string(size->height));
            decoded.read(std::string(path.utf8_str()));
            return decoded;
        };
        report("  of which decode alone (jpeg:size hint)", best(runs, [&] { decodeHinted(); }));
        // What the zoom cost when ImageMagick did it on its 16-bit samples, for comparison.
        report("  decode + ImageMagick's own Lanczos resize", best(runs, [&] {
                   Magick::Image decoded = decodeHinted();
                   Magick::Geometry exact(size_t(size->width), size_t(size->height));
                   exact.aspect(true);
                   decoded.resize(exact);
               }));
        report("  of which JPEG 85 encode + write",
               best(runs, [&] { scaled->save(dir + "/scaled.jpg", ImageData::FORMAT_JPEG, 85); }));
        // A camera's picture has no JFIF header, so its copy loses the one the encoder writes.
        const wxString camera = dir + "/camera.jpg";
        wxCopyFile(path, camera);
        Brenmarle::JfifHeader::removeFromFile(camera);
        report("  the same without a JFIF header (+ strip)", best(runs, [&] {
                   const bool jfif = Brenmarle::JfifHeader::isInFile(camera);
                   scaled->loadZoomed(camera, size->width, size->height, 0);
                   scaled->save(dir + "/scaled.jpg", ImageData::FORMAT_JPEG, 85);
                   if (!jfif)
                       Brenmarle::JfifHeader::removeFromFile(dir + "/scaled.jpg");
               }));
    }
    wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    return BenchArguments::runMain(
        argc, argv, "[--width W --height H] [--screen WxH] [--runs N]",
        [](BenchArguments& arguments) {
            const int width = static_cast<int>(
                BenchArguments::number("--width", arguments.option("--width"), 4000, 1, 16000));
            const int height = static_cast<int>(
                BenchArguments::number("--height", arguments.option("--height"), 3000, 1, 16000));
            const int runs = static_cast<int>(
                BenchArguments::number("--runs", arguments.option("--runs"), 3, 1, 1000));
            int screenWidth = 1920;
            int screenHeight = 1080;
            if (const std::optional<std::string> screen = arguments.option("--screen")) {
                const std::size_t by = screen->find('x');
                if (by == std::string::npos)
                    throw BenchArguments::Error("--screen must be WIDTHxHEIGHT, not \"" + *screen +
                                                "\"");
                screenWidth = static_cast<int>(
                    BenchArguments::number("--screen width", screen->substr(0, by), 0, 1, 16000));
                screenHeight = static_cast<int>(
                    BenchArguments::number("--screen height", screen->substr(by + 1), 0, 1, 16000));
            }
            arguments.checkNothingElse();
            return benchmark(width, height, screenWidth, screenHeight, runs);
        });
}
