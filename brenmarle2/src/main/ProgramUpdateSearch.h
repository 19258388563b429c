#pragma once
// The program's check for a new version: when one is out, the GUI thread shows a notice
// naming it and, when the user asks, opens its download page in the browser (BrowserLink).
// Nothing is downloaded or run.
//
// Threads: made, started and stopped on the GUI thread; the check on its own thread.

#include "threads/UpdateSearchThread.h"

class ProgramUpdateSearch : public Quorvel::UpdateSearchThread {
public:
    using Quorvel::UpdateSearchThread::UpdateSearchThread;
    ~ProgramUpdateSearch() override;

    // The notice's text for `version`.
    static wxString noticeText(const Quorvel::VersionNumber& version);

protected:
    void onNewVersion(const Quorvel::VersionNumber& version) override;
};
