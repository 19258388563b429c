#pragma once
// A photo library for the thumbnail and image loader tests. Pictures lie in the user's Pictures
// folder, seen through a computer folder, or in "held://", a local folder whose loads pass a
// gate: every look-up of a held picture's local path (which the loaders make before they decode)
// goes through it, so a test that closes the gate can act while a load is in progress.

#include <string>
#include <vector>


#include "Gate.h"
#include "PhotoLibraryTest.h"
#include "TestPictures.h"
#include "files/Uri.h"
#include "folders/LocalFolder.h"

// Thumbnails and resized copies are kept beside the pictures.
class HeldFolder : public Brenmarle::LocalFolder {
public:
    HeldFolder(const wxString& directory, Gate& gate) : m_directory(directory), m_gate(gate) {}

    wxString getURI() const override { return "held://"; }
    Quorvel::Ref<Brenmarle::File> getFile(const wxString& uri) override
    {
        auto file = Quorvel::makeRef<Brenmarle::File>(uri);
        // Not through getLocalPath: making the file must not pass the gate.
        readFileSystemData(*file, pathOf(uri));
        return file;
    }
    wxString getLocalPath(const Brenmarle::File& file) override
    {
        m_gate.pass();
        return pathOf(file.getURI());
    }
    wxString getThumbnailPath(Brenmarle::File& file) override
    {
        return pathOf(file.getURI(), "thumbnails/");
    }
    wxString getResizedPath(Brenmarle::File& file, int width, int height) override
    {
        return pathOf(file.getURI(), wxString::Format("resized/%dx%d/", width, height));
    }

private:
    wxString pathOf(const wxString& uri, const wxString& sub = wxString()) const
    {
        return m_directory + sub + Brenmarle::Uri::filePartOf(uri);
    }
    wxString m_directory;
    Gate& m_gate;
};

class LoaderTest : public PhotoLibraryTest {
protected:
    LoaderTest()
    {
        manager->registerFolderFactory("held", [this](const wxString&) {
            return Quorvel::makeRef<HeldFolder>(home / "held/", gate);
        });
    }

    Quorvel::Ref<Brenmarle::File> picture(const wxString& name, int width = 320, int height = 240)
    {
        TestPictures::writeJpeg(home / "Pictures/" + name, width, height);
        return manager->getFile("file://" + home.path() + "Pictures/" + name);
    }
    Quorvel::Ref<Brenmarle::File> heldPicture(const wxString& name, int width = 320,
                                              int height = 240)
    {
        TestPictures::writeJpeg(home / "held/" + name, width, height);
        return manager->getFile("held://" + name);
    }
    Quorvel::Ref<Brenmarle::File> otherFile(const wxString& name,
                                            const std::string& bytes = "bytes")
    {
        home.writeFile("Pictures/" + name, bytes);
        return manager->getFile("file://" + home.path() + "Pictures/" + name);
    }
    // A JPEG cut off in its header, a zero-byte one, a text file named ".jpg" and a
    // 30000 x 30000 PNG bomb.
    std::vector<Quorvel::Ref<Brenmarle::File>> hostileFiles()
    {
        TestPictures::writeJpeg(home / "whole.jpg", 640, 480);
        const std::string whole = home.readFile("whole.jpg");
        TestPictures::writePngBomb(home / "Pictures/bomb.png");
        return {otherFile("truncated.jpg", whole.substr(0, 200)), otherFile("empty.jpg", ""),
                otherFile("letter.jpg", "Dear user,\nthis is no picture.\n"),
                manager->getFile("file://" + home.path() + "Pictures/bomb.png")};
    }

    // Open unless a test closes it. A derived test opens it before its loader is destroyed.
    Gate gate{true};
};
