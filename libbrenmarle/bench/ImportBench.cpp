// Times an import from a folder into the inbox the way the import assistant runs it (an
// ImportTask on a task runner: copy, picture information, thumbnail), on generated
// 12-megapixel JPEGs, and, on the same files, each step alone: copying with FileCopier (and
// cp(1) for comparison), reading the picture information, making the thumbnail. Beside the
// import, the floor of the tools underneath: cp -r plus two parallel vipsthumbnail processes.
//
// With --catalogue ROWS the catalogue holds that many files first, and the duplicate check is
// timed both ways: a query of the size column per imported file (a scan of the whole table
// under the library lock, as the import did) and the size index the import reads once in short
// steps; the longest hold of the library lock is what the window may wait for.
//
//   ImportBench [--count N] [--dir DIR] [--keep] [--catalogue ROWS]
//
// Pictures are made once per directory (a marker file remembers them). Not a test: it asserts
// nothing and prints figures.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include <Magick++.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "BenchArguments.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "files/File.h"
#include "files/FileCopier.h"
#include "folders/InboxFolder.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/PictureInfo.h"
#include "imaging/ThumbnailMaker.h"
#include "import/FileSizeIndex.h"
#include "import/FolderScanner.h"
#include "import/ImportTask.h"
#include "system/Environment.h"
#include "system/ProcessLocale.h"
#include "threads/TaskRunnerThread.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

wxString picturePath(const wxString& dir, int i)
{
    return wxString::Format("%s/photo%03d.jpg", dir, i);
}

// Camera-like content (smooth shapes with grain, so decoding costs what a photo's does), about
// 2.5 MB each at quality 92.
void makePictures(const wxString& dir, int count)
{
    const wxString marker = dir + wxString::Format("/.import-made-%d", count);
    if (wxFileExists(marker))
        return;
    std::printf("making %d pictures of 4000 x 3000 in %s ...\n", count,
                static_cast<const char*>(dir.utf8_str()));
    Magick::Image base;
    base.size("1000x750");
    base.read("plasma:fractal");
    base.blur(0, 1.5);
    base.resize("4000x3000!");
    Magick::Image grain(Magick::Geometry(4000, 3000), Magick::Color("gray50"));
    grain.addNoise(MagickCore::GaussianNoise);
    grain.blur(0, 0.6);
    base.composite(grain, 0, 0, MagickCore::SoftLightCompositeOp);
    for (int i = 0; i < count; ++i) {
        Magick::Image image = base;
        if (i % 2)
            image.flop();
        if (i % 4 >= 2)
            image.flip();
        image.quality(92);
        image.magick("JPEG");
        // Distinct bytes each, so the import's duplicate check does not skip any.
        image.comment(std::to_string(i));
        image.write(picturePath(dir, i).ToStdString());
    }
    std::FILE* file = std::fopen(marker.fn_str(), "w");
    if (file)
        std::fclose(file);
}

void setHome(const wxString& home)
{
    for (const auto& [name, sub] : {std::pair<const char*, const char*>{"HOME", ""},
                                    {"XDG_DATA_HOME", ".local/share"},
                                    {"XDG_CONFIG_HOME", ".config"},
                                    {"XDG_RUNTIME_DIR", "run"}}) {
        wxFileName::Mkdir(home + sub, 0700, wxPATH_MKDIR_FULL);
        wxSetEnv(name, home + sub);
    }
}

// What the tools underneath take for the same work: cp -r of the folder, and thumbnails by two
// vipsthumbnail processes side by side, each with half of the pictures. Seconds; -1 when
// vipsthumbnail is not installed (Debian: libvips-tools).
double referenceFloor(const wxString& dir, int count, const wxString& scratch)
{
    if (std::system("command -v vipsthumbnail > /dev/null") != 0)
        return -1;
    const std::string thumbs = (scratch + "vips").ToStdString();
    wxFileName::Mkdir(scratch + "vips", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    std::string halves[2];
    for (int i = 0; i < count; ++i)
        halves[i % 2] += " '" + picturePath(dir, i).ToStdString() + "'";
    std::string command =
        "cp -r '" + dir.ToStdString() + "' '" + (scratch + "cp-r").ToStdString() + "' && (";
    for (const std::string& half : halves) {
        if (!half.empty())
            command += "vipsthumbnail -s 160 -o '" + thumbs + "/%s.jpg'" + half + " & ";
    }
    command += "wait)";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "the reference command failed: %s\n", command.c_str());
    return secondsSince(start);
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// `rows` catalogue rows of pictures as an import leaves them, in one transaction.
void fillCatalogue(Brenmarle::Database& database, int rows)
{
    for (int i = 0; i < rows; ++i) {
        auto file = Quorvel::makeRef<Brenmarle::File>(
            wxString::Format("album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/"
                             "00000000-0000-4000-8000-%012d",
                             i));
        file->setFileName(wxString::Format("IMG_%05d.JPG", i));
        file->setFileSize(1500000 + i % 900000);
        file->setContentType("image/jpeg");
        database.addFile(*file);
    }
    database.commit();
}

// The duplicate check's catalogue look-ups for `lookups` imported files, both ways.
void timeDuplicateLookups(Brenmarle::Database& database, int rows, int lookups)
{
    auto start = Clock::now();
    double longestScan = 0;
    for (int i = 0; i < lookups; ++i) {
        const auto one = Clock::now();
        database.getRowIds(
            wxString::Format("SELECT rowid FROM file WHERE filesize = %d", 2500000 + i));
        longestScan = std::max(longestScan, millisecondsSince(one));
    }
    const double scanMs = millisecondsSince(start);

    start = Clock::now();
    Brenmarle::FileSizeIndex sizes(database);
    double longestStep = 0;
    // The index's steps one by one, to see how long each holds the lock.
    for (int64_t after = 0;;) {
        const auto step = Clock::now();
        const auto read = database.getFileSizes(after, Brenmarle::FileSizeIndex::ROWS_PER_STEP);
        longestStep = std::max(longestStep, millisecondsSince(step));
        if (read.empty())
            break;
        after = read.back().rowid;
    }
    const double stepsMs = millisecondsSince(start);
    start = Clock::now();
    sizes.update();
    const double readMs = millisecondsSince(start);
    start = Clock::now();
    for (int i = 0; i < lookups; ++i) {
        sizes.update();
        sizes.rowsOfSize(2500000 + i);
    }
    const double indexMs = millisecondsSince(start);
    std::printf("duplicate look-ups in a catalogue of %d files, %d imported files:\n", rows,
                lookups);
    std::printf("  a size query per file:  %8.1f ms in all, %6.2f ms each, library lock held up "
                "to %.2f ms at a time\n",
                scanMs, scanMs / lookups, longestScan);
    std::printf("  size index read once:   %8.1f ms (in steps of %d rows, the lock held up to "
                "%.2f ms; %.1f ms for all steps timed alone)\n",
                readMs, Brenmarle::FileSizeIndex::ROWS_PER_STEP, longestStep, stepsMs);
    std::printf("  then per file:          %8.3f ms each (new rows read, size looked up)\n",
                indexMs / lookups);
}

int benchmark(int count, wxString dir, bool keep, int catalogueRows)
{
    char pattern[] = "/tmp/vistrelle-import-bench-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("could not make a folder under /tmp");
    const wxString scratch = wxString::FromUTF8(pattern) + "/";
    if (dir.empty())
        dir = scratch + "pictures";
    wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    Brenmarle::initImageMagick();
    makePictures(dir, count);

    setHome(scratch + "home/");
    Quorvel::Environment::init("vistrelle-bench", scratch + "program");
    const wxString data = Quorvel::Environment::getUserDataDir();
    wxFileName::Mkdir(data, 0700, wxPATH_MKDIR_FULL);
    Brenmarle::Database::getInstance().open(data + "database.db");
    if (catalogueRows > 0) {
        fillCatalogue(Brenmarle::Database::getInstance(), catalogueRows);
        timeDuplicateLookups(Brenmarle::Database::getInstance(), catalogueRows,
                             std::min(count, 100));
    }
    {
        Brenmarle::FileManager manager;
        std::vector<wxString> uris;
        for (int i = 0; i < count; ++i)
            uris.push_back("file://" + picturePath(dir, i));
        Brenmarle::ImportTask::Files files;
        for (const wxString& uri : uris)
            files.push_back(manager.getFolder(uri)->getFile(uri));

        // The steps alone, one after the other, each over every picture (the page cache warm).
        const wxString copies = scratch + "copies/";
        wxFileName::Mkdir(copies, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        auto start = Clock::now();
        const std::string cp =
            "cp " + (dir + "/photo*.jpg ").ToStdString() + (scratch + "cp/").ToStdString();
        wxFileName::Mkdir(scratch + "cp", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        if (std::system(cp.c_str()) != 0)
            std::fprintf(stderr, "cp failed\n");
        const double cpSeconds = secondsSince(start);
        start = Clock::now();
        for (int i = 0; i < count; ++i)
            Brenmarle::FileCopier().copy(picturePath(dir, i), copies + wxString::Format("%d", i));
        const double copySeconds = secondsSince(start);
        start = Clock::now();
        for (int i = 0; i < count; ++i)
            Brenmarle::PictureInfo::read(picturePath(dir, i));
        const double scanSeconds = secondsSince(start);
        start = Clock::now();
        for (int i = 0; i < count; ++i)
            Brenmarle::ThumbnailMaker::makeThumbnail(picturePath(dir, i),
                                                     copies + wxString::Format("%d.thumb", i), 0);
        const double thumbSeconds = secondsSince(start);

        const double floorSeconds = referenceFloor(dir, count, scratch);

        auto inbox = Quorvel::makeRef<Brenmarle::InboxFolder>();
        auto task = Quorvel::makeRef<Brenmarle::ImportTask>(files, Brenmarle::FolderRef(), inbox);
        start = Clock::now();
        {
            Quorvel::TaskRunnerThread runner;
            runner.addTask(task, nullptr);
            runner.waitUntilStopped();
        }
        const double importSeconds = secondsSince(start);

        const double steps = copySeconds + scanSeconds + thumbSeconds;
        std::printf("%d pictures\n", count);
        std::printf("import (copy, information, thumbnail): %6.2f s  %5.1f pictures/s  (%d "
                    "imported, %d failed)\n",
                    importSeconds, count / importSeconds, task->getImportedCount(),
                    task->getFailedCount());
        std::printf("steps alone: copy %.2f s (%.0f%%), information %.2f s (%.0f%%), thumbnail "
                    "%.2f s (%.0f%%)\n",
                    copySeconds, 100 * copySeconds / steps, scanSeconds, 100 * scanSeconds / steps,
                    thumbSeconds, 100 * thumbSeconds / steps);
        std::printf("copy speed: FileCopier %.2f s, cp %.2f s: %.2f x cp\n", copySeconds, cpSeconds,
                    cpSeconds / copySeconds);
        if (floorSeconds < 0)
            std::printf("reference (cp -r, two vipsthumbnail processes): not measured, "
                        "vipsthumbnail is not installed (Debian: libvips-tools)\n");
        else
            std::printf("import %.2f s   reference (cp -r, two vipsthumbnail processes) %.2f s   "
                        "(%.2f x)\n",
                        importSeconds, floorSeconds, importSeconds / floorSeconds);
    }
    Brenmarle::Database::getInstance().close();
    // A picture folder given with --dir lies outside the scratch folder and stays.
    if (!keep)
        wxFileName::Rmdir(scratch, wxPATH_RMDIR_RECURSIVE);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    return BenchArguments::runMain(
        argc, argv, "[--count N] [--dir DIR] [--keep] [--catalogue ROWS]",
        [](BenchArguments& arguments) {
            const int count = static_cast<int>(
                BenchArguments::number("--count", arguments.option("--count"), 200, 1, 100000));
            const std::optional<std::string> dir = arguments.option("--dir");
            const bool keep = arguments.flag("--keep");
            const int catalogueRows = static_cast<int>(BenchArguments::number(
                "--catalogue", arguments.option("--catalogue"), 0, 0, 10000000));
            arguments.checkNothingElse();
            return benchmark(count,
                             dir ? wxString::FromUTF8(BenchArguments::folderToMake("--dir", *dir))
                                 : wxString(),
                             keep, catalogueRows);
        });
}
