#pragma once
// The assistants that bring pictures in: from a camera or card reader (CameraImportWizard) and
// from a folder of the computer (FileImportWizard). Each begins with its own source pages; once
// the files are known they lead to the pages shared here: where the pictures go (the inbox, a
// new album or an existing album), which kinds of file, the progress of the import task and the
// result, with its log in an "Import Log" window.
//
// Entry points for the main window: runCameraImport() and runFileImport() show the assistant
// modally and return when it closes.
//
// GUI thread only.

#include <memory>

#include "cameras/CameraManager.h"
#include "import/ImportSelection.h"
#include "import/ImportTask.h"
#include "widgets/BrenmarleWizard.h"

class ImportWizard : public BrenmarleWizard {
public:
    using ImportTask = Brenmarle::ImportTask;

    enum Destination { INBOX, NEW_ALBUM, EXISTING_ALBUM };
    static constexpr const char* DEFAULT_ALBUM_NAME = "New Album";

    // Imports from a camera or card reader. `cameras` is the program's camera manager; without
    // one the assistant runs one of its own while it is open; a manager given must outlive the
    // assistant. `albumUri` (the album pop-up's entries) proposes that album as the
    // destination. Returns the dialog's result.
    static int runCameraImport(wxWindow* parent, Brenmarle::CameraManager* cameras = nullptr,
                               const wxString& albumUri = wxString());
    // Imports from a folder of the computer; `folder` (may be empty) is proposed and, when
    // given, scanned at once. `albumUri` as above.
    static int runFileImport(wxWindow* parent, const wxString& folder = wxString(),
                             const wxString& albumUri = wxString());

    // The source pages hand over what they found: `source` reads the files (a camera's device
    // folder; null for files of the computer); `cameraUri` names the camera (empty for a
    // folder). Shows the destination page with `foundText` as its description.
    void setSource(ImportTask::Files files, Brenmarle::FolderRef source, const wxString& cameraUri,
                   const wxString& foundText);
    const Brenmarle::ImportSelection& getSelection() const { return m_selection; }

    // The user's choices, as the common pages set them.
    void setDestination(Destination destination) { m_destination = destination; }
    void setAlbumName(const wxString& name) { m_albumName = name; }
    void setAlbumUri(const wxString& uri) { m_albumUri = uri; }
    // The album the destination pages propose (empty: the inbox).
    void setProposedAlbum(const wxString& uri) { m_proposedAlbum = uri; }
    const wxString& getProposedAlbum() const { return m_proposedAlbum; }
    void setTicked(const Brenmarle::ImportSelection::Ticked& ticked) { m_ticked = ticked; }
    const Brenmarle::ImportSelection::Ticked& getTicked() const { return m_ticked; }

    // Starts the import with the choices made: pushes the progress page and runs the task.
    void startImport();
    // The task of the import under way or ended; null before.
    const Quorvel::Ref<ImportTask>& getTask() const { return m_task; }
    // Opens the "Import Log" window with the task's log.
    void showLog();

    // The camera manager (camera import only; null otherwise). Work on the runner that uses
    // it holds a share, so it outlives the wizard while that work ends.
    const std::shared_ptr<Brenmarle::CameraManager>& getCameraManager() const { return m_cameras; }

    class DestinationPage;
    class AlbumNamePage;
    class AlbumChoicePage;
    class OptionsPage;
    class ProgressPage;
    class ResultPage;
    class MessagePage;

protected:
    ImportWizard(wxWindow* parent, const wxString& title);
    ~ImportWizard() override;

    void setCameraManager(std::shared_ptr<Brenmarle::CameraManager> cameras)
    {
        m_cameras = std::move(cameras);
    }
    // Keeps the camera manager from probing devices until released (while a camera is read).
    void holdProbing(bool hold);

private:
    friend class ProgressPage;
    Quorvel::Ref<Brenmarle::ManagedFolder> resolveDestination();

    Brenmarle::ImportSelection m_selection;
    Brenmarle::FolderRef m_source;
    wxString m_cameraUri;
    Destination m_destination = INBOX;
    wxString m_albumName = DEFAULT_ALBUM_NAME;
    wxString m_albumUri;
    wxString m_proposedAlbum;
    Brenmarle::ImportSelection::Ticked m_ticked{};
    Quorvel::Ref<ImportTask> m_task;
    std::shared_ptr<Brenmarle::CameraManager> m_cameras;
    std::unique_ptr<Brenmarle::CameraManager::ProbeHold> m_probeHold;
};
