#pragma once
// A photo library in a scratch home for one test: user data directory, an open catalogue, a
// file manager that records its events, no albums loaded.

#include <gtest/gtest.h>

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
