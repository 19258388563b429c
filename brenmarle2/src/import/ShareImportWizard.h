#pragma once
// "Download Shared Photos": a share someone sent the user, handed over by a command file. Its
// first page says who shared how many pictures and what they allowed (full size or previews,
// with the pictures' information or not); then the common import pages follow, and the import
// task downloads each picture from the sharing host (SharedFolder) into the album or inbox the
// user chose. Downloads run on the wizard's runner, never on the GUI thread.
//
// GUI thread only. The "shared" scheme must be registered with the file manager.

#include "import/ImportWizard.h"
#include "sharing/ShareImport.h"

class ShareImportWizard : public ImportWizard {
public:
    ShareImportWizard(wxWindow* parent, const Brenmarle::ShareImport& share);

    // Shows the assistant modally; returns the dialog's result.
    static int run(wxWindow* parent, const Brenmarle::ShareImport& share);

    const Brenmarle::ShareImport& getShare() const { return m_share; }

    class SourcePage;

private:
    Brenmarle::ShareImport m_share;
};
