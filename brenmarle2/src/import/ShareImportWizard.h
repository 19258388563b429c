#pragma once
// "Download Shared Photos": a share someone sent the user, handed over by a command file. Its
// first page says who shared how many pictures and what they allowed (full size or previews,
// with the pictures' information or not); Next reads the pictures' names and information from
// the sharing host (ShareInfoTask), then the common import pages follow, and the import task
// downloads each picture (SharedFolder) into the album or inbox the user chose. Everything that
// goes over the network runs on the wizard's runner, never on the GUI thread.
//
// GUI thread only. The "shared" scheme must be registered with the file manager.

#include "import/ImportWizard.h"
#include "sharing/ShareImport.h"

namespace Quorvel {
class NetworkSettings;
}

class ShareImportWizard : public ImportWizard {
public:
    // `port` is the services' port; `settings` the network settings of the calls (not owned;
    // null: the process's).
    ShareImportWizard(wxWindow* parent, const Brenmarle::ShareImport& share, int port,
                      Quorvel::NetworkSettings* settings = nullptr);

    // Shows the assistant modally; returns the dialog's result.
    static int run(wxWindow* parent, const Brenmarle::ShareImport& share, int port);

    const Brenmarle::ShareImport& getShare() const { return m_share; }
    int getPort() const { return m_port; }
    Quorvel::NetworkSettings* getNetworkSettings() const { return m_settings; }

    class SourcePage;

private:
    Brenmarle::ShareImport m_share;
    int m_port;
    Quorvel::NetworkSettings* m_settings;
};
