#pragma once
// "Import Photos From Camera": finds the connected cameras and card readers, lets the user pick
// one, reads the list of its files, then the common import pages follow. The camera list
// follows devices plugged in and out while the page shows. A camera the desktop holds (it
// opens cameras as they are plugged in) is reported on the page, with what to do.
//
// GUI thread only.

#include <memory>

#include "import/ImportWizard.h"

class CameraImportWizard : public ImportWizard {
public:
    // Without `cameras` the assistant runs a camera manager of its own.
    CameraImportWizard(wxWindow* parent, Brenmarle::CameraManager* cameras = nullptr);
    ~CameraImportWizard() override;

    class CameraPage;
    class EnumerateTask;
    class ContentsTask;
};
