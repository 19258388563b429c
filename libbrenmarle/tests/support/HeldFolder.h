#pragma once
// A local folder for the loader tests, "held://", whose pictures lie in a scratch directory and
// whose loads pass a LoadGate: every look-up of a picture's local path (which the thumbnail and
// image loaders make before they decode) goes through the gate, so a test can hold a load in
// progress. Thumbnails and resized copies are kept beside the pictures.
//
// Register it with the file manager: manager.registerFolderFactory("held", ...).

#include "LoadGate.h"
#include "folders/LocalFolder.h"

class HeldFolder : public Brenmarle::LocalFolder {
public:
    // `directory` ends in "/"; `gate` outlives the folder.
    HeldFolder(const wxString& directory, LoadGate& gate);

    wxString getURI() const override { return "held://"; }
    Quorvel::Ref<Brenmarle::File> getFile(const wxString& uri) override;
    wxString getLocalPath(const Brenmarle::File& file) override;
    wxString getThumbnailPath(Brenmarle::File& file) override;
    wxString getResizedPath(Brenmarle::File& file, int width, int height) override;

private:
    wxString m_directory;
    LoadGate& m_gate;
};
