// Fills a scratch catalogue for looking at the main window by hand: pictures of a folder go
// into three albums and the inbox, round robin. Run it with HOME and XDG_DATA_HOME pointing at
// a scratch folder, never at a real user's:
//
//     vistrelle_sample_catalogue /tmp/pictures [copies]
#include <cstdio>

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
        for (const char* name : {"Summer Holiday", "Family", "Garden"}) {
            auto album = Quorvel::makeRef<Brenmarle::AlbumFolder>();
            album->setName(name);
            Brenmarle::AlbumFolder::createAlbum(album);
            targets.push_back(album);
        }
        targets.push_back(manager->getFolder("inbox://"));
        wxArrayString pictures;
        wxDir::GetAllFiles(wxString::FromUTF8(argv[1]), &pictures, "*.jpg", wxDIR_FILES);
        pictures.Sort();
        int n = 0;
        for (int copy = 0; copy < copies; ++copy) {
            for (const wxString& path : pictures) {
                auto source = manager->getFile("file://" + path);
                auto added = targets[n++ % targets.size()]->copyFileIn(*source);
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
