#pragma once
// The sharing client's task companion: the price of an MMS, or a whole share run on a task
// runner: a session, the share, the pictures the service lacks (scaled previews, upright with
// orientation 1, when the share has a preview size), closing the share, then sending it to
// each recipient over the web or by MMS. Aborting the task interrupts the call or upload
// under way.
//
// A share goes to each recipient once. The task keeps what the share has come to (its id,
// whether it is closed, the recipients served) in `progress`; a retry of a failed task
// (retry()) starts from there: a closed share is not made again and a recipient served is not
// sent to again. The service itself answers a repeated send to a recipient it has served
// without sending again, so a reply lost on the way does not make a second MMS either.
//
// Status texts: "Resizing file %d..." while a preview is made, "Uploading file %d of %d"
// before each upload, "Sharing with %s" before each recipient.
//
// Threads: made on the GUI thread, run on a task runner thread; results are read after the
// finished event.

#include <cstdint>
#include <vector>

#include <wx/string.h>

#include "service/ServiceTask.h"
#include "service/SharingClient_3_0.h"

namespace Brenmarle {

class SharingClient_3_0_Task : public Quorvel::ServiceTask<SharingClient_3_0> {
public:
    enum Operation {
        GET_MMS_INFO = 0,
        CREATE_SESSION = 1,
        CLOSE_SESSION = 2,
        // Session, share, uploads, closing the share.
        CREATE_SHARE = 3,
        // As CREATE_SHARE, then shareByWeb for each recipient.
        SHARE_BY_WEB = 8,
        // As CREATE_SHARE, then shareByMms for each recipient.
        SHARE_BY_MMS = 9,
    };
    // Nothing larger is sent as one file.
    static constexpr int64_t UPLOAD_LIMIT = 2000000000;
    // Previews are JPEG files of this quality.
    static constexpr int JPEG_QUALITY = 85;

    using Client = Quorvel::Ref<SharingClient_3_0>;
    using TaskRef = Quorvel::Ref<SharingClient_3_0_Task>;

    // One picture to share. Only `uri` is needed: when `path` is empty the task looks the
    // picture up in the library (its local file, content type, rotation and information) on
    // its own thread. `info` is what registerFile sends when the share includes the pictures'
    // information; its identity fields, file name and size are filled by the task.
    struct SharedPicture {
        wxString uri;
        wxString path;
        wxString contentType;
        // Degrees clockwise, as the library keeps it; previews are turned by it.
        int rotation = 0;
        SharingClient_3_0::FileInfo info;
    };
    // What to share, and with whom.
    struct Share {
        wxString subject;
        wxString message;
        // 0 for the pictures as they are, else 160, 320, 640 or 1280: the width of the box
        // (160 x 120, 320 x 240, 640 x 480, 1280 x 960) each picture is fitted into.
        int previewSize = 0;
        // Whether captions and other information go with the pictures.
        bool shareMeta = false;
        // E-mail addresses (SHARE_BY_WEB) or phone numbers (SHARE_BY_MMS).
        std::vector<wxString> recipients;
    };
    // What a share has come to; carried into a retry.
    struct Progress {
        wxString shareId;
        bool closed = false;
        // Recipients sent to, in order.
        std::vector<wxString> served;
    };

    // The box for a preview size: 160 x 120, 320 x 240, 640 x 480 or 1280 x 960. Throws
    // RuntimeException "Unsupported preview size: %s" for any other size (0 included).
    static void previewBox(int previewSize, int& width, int& height);
    // The client references of `pictures`, in order: "ssfile://" and the last step of each
    // URI, made unique within the share ("IMG_0001.JPG", "IMG_0001~2.JPG", ...) so two
    // pictures of one name from different folders stay two files.
    static std::vector<wxString> clientRefsOf(const std::vector<SharedPicture>& pictures);

    static TaskRef getMmsInfo(const Client& client);
    static TaskRef createSession(const Client& client);
    static TaskRef closeSession(const Client& client);
    static TaskRef createShare(const Client& client, const std::vector<SharedPicture>& pictures,
                               const Share& share);
    static TaskRef shareByWeb(const Client& client, const std::vector<SharedPicture>& pictures,
                              const Share& share);
    static TaskRef shareByMms(const Client& client, const std::vector<SharedPicture>& pictures,
                              const Share& share);
    // A new task for the same client, operation, pictures and share that goes on from
    // `failed`'s progress. GUI thread, after `failed` has finished.
    static TaskRef retry(const SharingClient_3_0_Task& failed);

    // Any operation number; the factories are the usual way.
    SharingClient_3_0_Task(const Client& client, int operation);

    // Inputs.
    std::vector<SharedPicture> pictures;
    Share share;

    // Results (and, for progress, the input of a retry).
    SharingClient_3_0::MmsInfo mmsInfo;
    wxString sessionId;
    Progress progress;
    // Pictures sent in this run (those the service lacked).
    int uploadedCount = 0;

    // Failures of the share operations, besides the calls' SoapException:
    // RuntimeException "Unsupported preview size: %s"; RuntimeException "Could not scale
    // image: <file>"; NotFoundException "Could not find %s in list of files to upload" for an
    // upload list entry naming no picture of the share; ResponseException for a reply without
    // a share id or file id; ServiceException "Security.Credentials" (nothing sent) for an
    // upload address off the service's own scheme, host and port; IOException "Could not
    // upload file to server: <cause>" when an upload fails. A picture that failed is never
    // registered, and the scaled previews are removed whatever happens.

protected:
    void runOperation(int operation) override;
    void onAbort() override;

private:
    void runShare(int operation);
    void makeShare(const std::vector<wxString>& refs);
    void uploadAll(const std::vector<wxString>& refs, const wxString& previewFolder);
    // The file sent for a picture: the picture itself, or its preview and the preview's size.
    struct Sent {
        wxString path;
        int width = 0;
        int height = 0;
    };
    void uploadOne(const SharingClient_3_0::FileUpload& entry, const SharedPicture& picture,
                   const Sent& sent);
    Sent previewOf(size_t index, const SharedPicture& picture, const wxString& folder);
    void sendToRecipients(int operation);
    void lookUpPictures();
};

} // namespace Brenmarle
