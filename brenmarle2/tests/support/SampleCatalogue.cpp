// Fills a scratch catalogue for looking at the main window by hand: pictures of a folder go
// into three albums and the inbox, round robin. Run it with HOME and XDG_DATA_HOME pointing at
// a scratch folder, never at a real user's:
//
//     vistrelle_sample_catalogue /tmp/pictures [copies] [one]
//
// With "one" every picture goes into a single album (for timing a large album).
#include <cstdio>
#include <string>

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/init.h>

#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "imaging/ImageMagickSetup.h"
#include "system/Environment.h"
#include "system/Exceptions.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s picture-folder [copies]\n", argv[0]);
        return 2;
    }
    wxInitializer toolkit;
    const int copies = argc > 2 ? std::atoi(argv[2]) : 1;
    Quorvel::Environment::init("vistrelle", wxString::FromUTF8(argv[0]).BeforeLast('/') + "/");
    Brenmarle::initImageMagick();
    const wxString data = Quorvel::Environment::getUserDataDir();
    wxFileName::Mkdir(data, 0700, wxPATH_MKDIR_FULL);
    try {
        Brenmarle::Database::getInstance().open(data + "database.db");
        auto manager = std::make_unique<Brenmarle::FileManager>();
        Brenmarle::AlbumFolder::loadAlbums();
        Brenmarle::AlbumFolder::loadHiddenAlbums();
        std::vector<Brenmarle::FolderRef> targets;
        const bool one = argc > 3 && std::string(argv[3]) == "one";
        const std::vector<const char*> names =
            one ? std::vector<const char*>{"Everything"}
                : std::vector<const char*>{"Summer Holiday", "Family", "Garden"};
        for (const char* name : names) {
            auto album = Quorvel::makeRef<Brenmarle::AlbumFolder>();
            album->setName(name);
            Brenmarle::AlbumFolder::createAlbum(album);
            targets.push_back(album);
        }
        if (!one)
            targets.push_back(manager->getFolder("inbox://"));
        wxArrayString pictures;
        wxDir::GetAllFiles(wxString::FromUTF8(argv[1]), &pictures, "*.jpg", wxDIR_FILES);
        pictures.Sort();
        int n = 0;
        for (int copy = 0; copy < copies; ++copy) {
            for (const wxString& path : pictures) {
                auto source = manager->getFile("file://" + path);
                auto added = targets[n++ % targets.size()]->copyFileIn(*source);
                // Spread over the last months, a few pictures a day.
                added->setTime(1717200000 + (n / 3) * 86400 + (n % 3) * 3600);
                added->setTimeMask(Brenmarle::File::TIME_ALL);
                if (n % 7 == 0)
                    added->setFavorite(true);
                if (n % 5 == 0)
                    added->setCaption(wxString::Format("Picture number %d", n));
            }
            manager->releaseOrphans();
        }
        Brenmarle::AlbumFolder::unloadAlbums();
        manager.reset();
        Brenmarle::Database::getInstance().close();
        std::printf("%d pictures catalogued\n", n);
    } catch (const Quorvel::Exception& e) {
        std::fprintf(stderr, "%s\n", static_cast<const char*>(e.getMessage().utf8_str()));
        return 1;
    }
    return 0;
}
