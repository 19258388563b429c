#pragma once
// A photo library in a scratch home for one test: user data directory, an open catalogue, a
// file manager that records its events, no albums loaded.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/filename.h>

#include "EventRecorder.h"
#include "ScratchDir.h"
#include "database/Database.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "filemanager/FolderEvent.h"
#include "folders/AlbumFolder.h"
#include "system/Environment.h"

class PhotoLibraryTest : public ::testing::Test {
protected:
    PhotoLibraryTest()
    {
        Quorvel::Environment::init("vistrelle", home / "program");
        dataDir = Quorvel::Environment::getUserDataDir();
        openLibrary();
    }
    ~PhotoLibraryTest() override { closeLibrary(); }

    void openLibrary()
    {
        wxFileName::Mkdir(dataDir, 0700, wxPATH_MKDIR_FULL);
        Brenmarle::Database::getInstance().open(dataDir + "database.db");
        manager = std::make_unique<Brenmarle::FileManager>();
        events = std::make_unique<EventRecorder>();
        events->record(Brenmarle::FILE_ADDED);
        events->record(Brenmarle::FILE_REMOVED);
        events->record(Brenmarle::FILE_CHANGED);
        events->record(Brenmarle::FOLDER_ADDED);
        events->record(Brenmarle::FOLDER_DELETED);
        manager->addListener(events.get(), 1);
    }

    // As at exit: albums unloaded, the file manager gone (storing what is left), catalogue closed.
    void closeLibrary()
    {
        if (!manager)
            return;
        Brenmarle::AlbumFolder::unloadAlbums();
        manager->removeListener(events.get());
        manager.reset();
        Brenmarle::Database::getInstance().close();
    }

    // A new album, stored and listed.
    template <typename A = Brenmarle::AlbumFolder> Quorvel::Ref<A> makeAlbum(const wxString& name)
    {
        auto album = Quorvel::makeRef<A>();
        album->setName(name);
        Brenmarle::AlbumFolder::createAlbum(album);
        return album;
    }

    // Pictures on the user's disk, Pictures/IMG_0001.JPG ... holding "picture 1", ...
    std::vector<Quorvel::Ref<Brenmarle::File>> computerPictures(int count)
    {
        std::vector<Quorvel::Ref<Brenmarle::File>> files;
        for (int i = 1; i <= count; ++i)
            files.push_back(manager->getFile(makeComputerPicture(
                wxString::Format("Pictures/IMG_%04d.JPG", i), "picture " + std::to_string(i))));
        return files;
    }

    // A picture file on the user's disk.
    wxString makeComputerPicture(const wxString& relative, const std::string& bytes = "JPEG bytes")
    {
        home.writeFile(relative, bytes);
        return "file://" + home.path() + relative;
    }

    ScratchDir home{ScratchDir::AsHome};
    wxString dataDir;
    std::unique_ptr<Brenmarle::FileManager> manager;
    std::unique_ptr<EventRecorder> events;
};
