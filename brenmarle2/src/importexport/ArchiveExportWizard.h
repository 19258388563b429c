#pragma once
// The "Export Archive" assistant: the user ticks the albums (all, and the picture inbox, are
// ticked at first), chooses a folder, watches the export (ArchiveExportTask) and sees what
// came out. A folder is made inside the chosen one for each album; nothing there is replaced.
// Stop ends the export between two pictures; what was exported stays, nothing half written.
//
// Ends with wxID_OK once the export ran (also when stopped or when it failed), else
// wxID_CANCEL.
//
// GUI thread only.

#include <vector>

#include "archive/ArchiveExportTask.h"
#include "widgets/BrenmarleWizard.h"

class ArchiveExportWizard : public BrenmarleWizard {
public:
    enum Step { STEP_ALBUMS, STEP_FOLDER, STEP_EXPORT, STEP_DONE };

    // One album (or the inbox) the user may export.
    struct Choice {
        wxString uri;
        wxString name;
        int pictureCount = 0;
    };

    // `folder`: proposed as the target (may be empty).
    ArchiveExportWizard(wxWindow* parent, std::vector<Choice> choices, const wxString& folder);

    // The albums of the catalogue, hidden ones included, and the inbox; what the menu command
    // offers. Needs the albums loaded and the file manager.
    static std::vector<Choice> catalogueChoices();
    // Shows the assistant modally over `parent`; returns its result.
    static int run(wxWindow* parent);

    const std::vector<Choice>& getChoices() const { return m_choices; }
    // Exports the albums of `uris` into `folder`: shows the progress page and runs the task.
    void startExport(const std::vector<wxString>& uris, const wxString& folder);
    const Quorvel::Ref<Brenmarle::ArchiveExportTask>& getTask() const { return m_task; }
    const wxString& getFolder() const { return m_folder; }

    class AlbumsPage;
    class FolderPage;
    class ProgressPage;
    class ResultPage;

private:
    std::vector<Choice> m_choices;
    wxString m_folder;
    Quorvel::Ref<Brenmarle::ArchiveExportTask> m_task;
};
