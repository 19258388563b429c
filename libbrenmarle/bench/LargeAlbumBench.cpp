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
// Usage: largealbum_bench [file count]
// The catalogue is made in a temporary folder (which also serves as HOME) and removed
// afterwards.

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <Magick++.h>

#include <wx/filename.h>
#include <wx/utils.h>

#include "BenchArguments.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "filemanager/FileNewsBatch.h"
#include "files/File.h"
#include "folders/AlbumFolder.h"
#include "imaging/ImageData.h"
#include "imaging/ImageMagickSetup.h"
#include "slideshow/CataloguePictures.h"
#include "system/Environment.h"
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

int benchmark(int count)
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

    wxString albumUri;
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
        }
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

        const Quorvel::Ref<AlbumFolder> album = AlbumFolder::findAlbum(albumUri);
        std::vector<Quorvel::Ref<File>> files;
        before = heapMb();
        ms = millisecondsOf([&] { files = album->loadFileList(); });
        report("shown: its files, registered", heapMb() - before, count, ms);
        if (files.size() != static_cast<size_t>(count))
            std::printf("  (read %zu files)\n", files.size());
        newsOfDeletions(files);
        ms = millisecondsOf([&] { files.clear(); });
        std::printf("%-40s %8.1f ms, %d let go\n", "let go", ms, manager.releaseOrphans());
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
    Brenmarle::ensureImageMagick();
    Magick::Image picture(Magick::Geometry(160, 120), Magick::Color("steelblue"));
    picture.magick("JPEG");
    const wxString thumbnail = directory + "/thumbnail.jpg";
    picture.write(std::string(thumbnail.utf8_str()));
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
    }

    database.close();
    wxFileName::Rmdir(directory, wxPATH_RMDIR_RECURSIVE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(argc, argv, "[file count]", [](BenchArguments& arguments) {
        const int count = static_cast<int>(
            BenchArguments::number("file count", arguments.positional(0, 1), 100000, 1, 10000000));
        return benchmark(count);
    });
}
