#pragma once
// "Import Pictures From Computer": the user picks a folder, which is searched with all its
// sub-folders (see Brenmarle::FolderScanner: no folder links, never the program's own data);
// Cancel stops the search. Then the common import pages follow.
//
// GUI thread only.

#include "import/ImportWizard.h"

class FileImportWizard : public ImportWizard {
public:
    // `folder` (may be empty) is proposed; when given it is searched at once.
    FileImportWizard(wxWindow* parent, const wxString& folder = wxString());

    class FolderPage;
    class ScanTask;
};
