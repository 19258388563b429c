#include "service/SharingClient_3_0_Task.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "filemanager/FileManager.h"
#include "files/File.h"
#include "imaging/ImageData.h"
#include "service/HTTPClient.h"
#include "util/InputFile.h"

namespace Brenmarle {

namespace {

// A folder of its own for the previews of one run, removed with everything in it.
class PreviewFolder {
public:
    PreviewFolder()
    {
        std::string pattern =
            (wxFileName::GetTempDir() + wxS("/vistrelle-share-XXXXXX")).utf8_string();
        if (::mkdtemp(pattern.data()))
            m_path = wxString::FromUTF8(pattern);
    }
    ~PreviewFolder()
    {
        if (m_path.empty())
            return;
        wxLogNull quiet;
        wxFileName::Rmdir(m_path, wxPATH_RMDIR_RECURSIVE);
    }
    PreviewFolder(const PreviewFolder&) = delete;
    PreviewFolder& operator=(const PreviewFolder&) = delete;
    const wxString& path() const { return m_path; }

private:
    wxString m_path;
};

wxString nameOf(const wxString& uri)
{
    const wxString name = uri.AfterLast('/');
    return name.empty() ? wxString(wxS("picture")) : name;
}

SharingClient_3_0_Task::SharedPicture lookUpInLibrary(const wxString& uri)
{
    FileManager& files = FileManager::get();
    Quorvel::Ref<File> file = files.getImage(uri);
    SharingClient_3_0_Task::SharedPicture picture;
    picture.uri = uri;
    picture.path = files.getLocalPath(*file);
    picture.contentType = file->getContentType();
    picture.rotation = file->getImageRotation();
    SharingClient_3_0::FileInfo& info = picture.info;
    info.fileName = file->getFileName();
    info.contentType = file->getContentType();
    info.fileModifyTime = file->getFileModifyTime();
    info.metaModifyTime = file->getMetaModifyTime();
    info.caption = file->getCaption();
    info.time = file->getTime();
    const int mask = file->getTimeMask();
    info.timeMask = {(mask & 1) != 0, (mask & 2) != 0,  (mask & 4) != 0,
                     (mask & 8) != 0, (mask & 16) != 0, (mask & 32) != 0};
    info.creator = file->getCreator();
    info.source = file->getSource();
    info.copyright = file->getCopyright();
    info.sublocation = file->getSublocation();
    info.city = file->getCity();
    info.province = file->getProvince();
    info.countryCode = file->getCountryCode();
    for (const wxString& keyword : file->getKeywords())
        info.keywords.push_back(keyword);
    info.imageWidth = file->getImageWidth();
    info.imageHeight = file->getImageHeight();
    info.imageRotation = file->getImageRotation();
    return picture;
}

} // namespace

SharingClient_3_0_Task::SharingClient_3_0_Task(const Client& client, int operation)
    : ServiceTask(client, operation, wxS("SHARINGCLIENT_3_0_TASK"))
{
}

void SharingClient_3_0_Task::previewBox(int previewSize, int& width, int& height)
{
    switch (previewSize) {
    case 160:
    case 320:
    case 640:
    case 1280:
        width = previewSize;
        height = previewSize * 3 / 4;
        return;
    default:
        throw Quorvel::RuntimeException(
            wxString::Format(_("Unsupported preview size: %s"), wxString() << previewSize));
    }
}

std::vector<wxString>
SharingClient_3_0_Task::clientRefsOf(const std::vector<SharedPicture>& pictures)
{
    // Unique whatever the letter case, as a recipient's disk may not tell case apart.
    std::set<wxString> taken;
    std::vector<wxString> refs;
    for (const SharedPicture& picture : pictures) {
        const wxString name = nameOf(picture.uri);
        wxString unique = name;
        const wxString stem = name.BeforeLast('.').empty() ? name : name.BeforeLast('.');
        const wxString extension = name.Contains(wxS(".")) && !name.BeforeLast('.').empty()
                                       ? wxS(".") + name.AfterLast('.')
                                       : wxString();
        for (int n = 2; taken.count(unique.Lower()); ++n)
            unique = wxString::Format(wxS("%s~%d%s"), stem, n, extension);
        taken.insert(unique.Lower());
        refs.push_back(wxString::FromUTF8(SharingClient_3_0::REFERENCE_PREFIX) + unique);
    }
    return refs;
}

SharingClient_3_0_Task::TaskRef SharingClient_3_0_Task::getMmsInfo(const Client& client)
{
    return Quorvel::makeRef<SharingClient_3_0_Task>(client, GET_MMS_INFO);
}

SharingClient_3_0_Task::TaskRef SharingClient_3_0_Task::createSession(const Client& client)
{
    return Quorvel::makeRef<SharingClient_3_0_Task>(client, CREATE_SESSION);
}

SharingClient_3_0_Task::TaskRef SharingClient_3_0_Task::closeSession(const Client& client)
{
    return Quorvel::makeRef<SharingClient_3_0_Task>(client, CLOSE_SESSION);
}

namespace {

SharingClient_3_0_Task::TaskRef
makeShareTask(const SharingClient_3_0_Task::Client& client, int operation,
              const std::vector<SharingClient_3_0_Task::SharedPicture>& pictures,
              const SharingClient_3_0_Task::Share& share)
{
    auto task = Quorvel::makeRef<SharingClient_3_0_Task>(client, operation);
    task->pictures = pictures;
    task->share = share;
    return task;
}

} // namespace

SharingClient_3_0_Task::TaskRef
SharingClient_3_0_Task::createShare(const Client& client,
                                    const std::vector<SharedPicture>& pictures, const Share& share)
{
    return makeShareTask(client, CREATE_SHARE, pictures, share);
}

SharingClient_3_0_Task::TaskRef
SharingClient_3_0_Task::shareByWeb(const Client& client, const std::vector<SharedPicture>& pictures,
                                   const Share& share)
{
    return makeShareTask(client, SHARE_BY_WEB, pictures, share);
}

SharingClient_3_0_Task::TaskRef
SharingClient_3_0_Task::shareByMms(const Client& client, const std::vector<SharedPicture>& pictures,
                                   const Share& share)
{
    return makeShareTask(client, SHARE_BY_MMS, pictures, share);
}

SharingClient_3_0_Task::TaskRef SharingClient_3_0_Task::retry(const SharingClient_3_0_Task& failed)
{
    auto task = makeShareTask(Client(&failed.getClient()), failed.getOperation(), failed.pictures,
                              failed.share);
    task->progress = failed.progress;
    return task;
}

void SharingClient_3_0_Task::runOperation(int operation)
{
    SharingClient_3_0& client = getClient();
    switch (operation) {
    case GET_MMS_INFO:
        mmsInfo = client.getMmsInfo();
        break;
    case CREATE_SESSION:
        sessionId = client.createSession();
        break;
    case CLOSE_SESSION:
        client.closeSession();
        break;
    case CREATE_SHARE:
    case SHARE_BY_WEB:
    case SHARE_BY_MMS:
        runShare(operation);
        break;
    default:
        unknownOperation(_("No code to handle the given task in SharingClientTask"));
    }
    checkAbort();
}

void SharingClient_3_0_Task::runShare(int operation)
{
    // A size the service would refuse fails before anything is made.
    if (share.previewSize != 0) {
        int width = 0;
        int height = 0;
        previewBox(share.previewSize, width, height);
    }
    lookUpPictures();
    sessionId = getClient().createSession();
    if (!progress.closed)
        makeShare(clientRefsOf(pictures));
    if (operation != CREATE_SHARE)
        sendToRecipients(operation);
}

void SharingClient_3_0_Task::lookUpPictures()
{
    for (SharedPicture& picture : pictures) {
        if (picture.path.empty()) {
            const wxString uri = picture.uri;
            picture = lookUpInLibrary(uri);
        }
    }
}

void SharingClient_3_0_Task::makeShare(const std::vector<wxString>& refs)
{
    SharingClient_3_0& client = getClient();
    // A share left open by a failed run is given up: nothing of it was sent to anyone.
    progress = Progress();
    progress.shareId =
        client.createShare(share.subject, share.message, share.previewSize, share.shareMeta);
    PreviewFolder previews;
    if (share.previewSize != 0 && previews.path().empty())
        throw Quorvel::IOException(_("Could not create a temporary folder"));
    uploadAll(refs, previews.path());
    checkAbort();
    client.closeShare();
    progress.closed = true;
}

void SharingClient_3_0_Task::uploadAll(const std::vector<wxString>& refs,
                                       const wxString& previewFolder)
{
    std::vector<SharingClient_3_0::FileId> ids;
    for (size_t i = 0; i < pictures.size(); ++i) {
        SharingClient_3_0::FileId id;
        id.clientRef = refs[i];
        id.fileModifyTime = pictures[i].info.fileModifyTime;
        if (id.fileModifyTime == 0)
            id.fileModifyTime = wxFileModificationTime(pictures[i].path);
        id.metaModifyTime = pictures[i].info.metaModifyTime;
        ids.push_back(id);
    }
    const std::vector<SharingClient_3_0::FileUpload> uploadList =
        getClient().getFileUploadList(ids);
    uploadedCount = 0;
    const int count = static_cast<int>(uploadList.size());
    for (int i = 0; i < count; ++i) {
        checkAbort();
        const SharingClient_3_0::FileUpload& entry = uploadList[static_cast<size_t>(i)];
        const auto match = std::find(refs.begin(), refs.end(), entry.fileId.clientRef);
        if (match == refs.end())
            throw Quorvel::NotFoundException(wxString::Format(
                _("Could not find %s in list of files to upload"), entry.fileId.clientRef));
        const size_t index = static_cast<size_t>(match - refs.begin());
        // The line as it always read ("&d" included).
        QDEBUG("[SHARINGCLIENTTASK_3_0] Must upload %s?%d:&d", entry.fileId.clientRef, i + 1);
        const SharedPicture& picture = pictures[index];
        const Sent sent = share.previewSize != 0 ? previewOf(index, picture, previewFolder)
                                                 : Sent{picture.path, 0, 0};
        setProgress(wxString::Format(_("Uploading file %d of %d"), i + 1, count), 0, 0);
        notifyProgress();
        uploadOne(entry, picture, sent);
        ++uploadedCount;
    }
}

SharingClient_3_0_Task::Sent SharingClient_3_0_Task::previewOf(size_t index,
                                                               const SharedPicture& picture,
                                                               const wxString& folder)
{
    setProgress(wxString::Format(_("Resizing file %d..."), static_cast<int>(index) + 1), 0, 0);
    notifyProgress();
    int width = 0;
    int height = 0;
    previewBox(share.previewSize, width, height);
    Sent sent;
    sent.path = wxString::Format(wxS("%s/preview-%d.jpg"), folder, static_cast<int>(index) + 1);
    try {
        // Fitted once turned, and turned: upright with orientation 1 for any viewer.
        Quorvel::Ref<ImageData> image = Quorvel::makeRef<ImageData>();
        image->loadFitted(picture.path, width, height, picture.rotation, ImageData::Fit::Display,
                          picture.contentType);
        image->save(sent.path, ImageData::FORMAT_JPEG, JPEG_QUALITY,
                    share.shareMeta ? ImageData::Metadata::Keep : ImageData::Metadata::Strip);
        sent.width = image->getWidth();
        sent.height = image->getHeight();
    } catch (const Quorvel::AbortException&) {
        throw;
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[SHARINGCLIENTTASK_3_0] %s: %s", picture.path, e.getMessage());
        throw Quorvel::RuntimeException(_("Could not scale image: ") + picture.path);
    }
    return sent;
}

void SharingClient_3_0_Task::uploadOne(const SharingClient_3_0::FileUpload& entry,
                                       const SharedPicture& picture, const Sent& sent)
{
    const wxString& path = sent.path;
    SharingClient_3_0& client = getClient();
    const std::unique_ptr<Quorvel::HTTPClient> transfer = client.newTransferClient();
    Quorvel::HTTPClient& http = *transfer;
    http.setAbortCheck([this] { return isAborted(); });
    // Refusals (no session, another server) keep their own message: nothing was sent.
    client.uploadFile(http, path, entry.uploadUrl);
    try {
        Quorvel::InputFile input(path);
        http.upload(input, this, UPLOAD_LIMIT);
        http.finishUpload(_("Error uploading to share"));
    } catch (const Quorvel::AbortException&) {
        throw;
    } catch (const Quorvel::Exception& e) {
        if (isAborted())
            throw Quorvel::AbortException(_("Task aborted on request"));
        throw Quorvel::IOException(e.getCode(), _("Could not upload file to server") + wxS(": ") +
                                                    e.getMessage());
    }
    // Only what the sharer allowed goes with the picture: its name, size and kind always.
    SharingClient_3_0::FileInfo info;
    if (share.shareMeta)
        info = picture.info;
    info.serverUuid = entry.fileId.serverUuid;
    info.clientRef = entry.fileId.clientRef;
    info.fileModifyTime = entry.fileId.fileModifyTime;
    info.metaModifyTime = entry.fileId.metaModifyTime;
    info.fileName = picture.info.fileName.empty() ? wxFileName(picture.path).GetFullName()
                                                  : picture.info.fileName;
    const wxULongLong size = wxFileName::GetSize(path);
    info.fileSize = size == wxInvalidSize ? 0 : static_cast<int64_t>(size.GetValue());
    info.contentType = share.previewSize != 0 ? wxString(wxS("image/jpeg")) : picture.contentType;
    info.imageWidth = picture.info.imageWidth;
    info.imageHeight = picture.info.imageHeight;
    info.imageRotation = picture.info.imageRotation;
    if (share.previewSize != 0) {
        info.imageWidth = sent.width;
        info.imageHeight = sent.height;
        info.imageRotation = 0;
    }
    client.registerFile(entry.fileId, info, true);
}

void SharingClient_3_0_Task::sendToRecipients(int operation)
{
    SharingClient_3_0& client = getClient();
    for (const wxString& recipient : share.recipients) {
        checkAbort();
        if (std::find(progress.served.begin(), progress.served.end(), recipient) !=
            progress.served.end())
            continue;
        setProgress(wxString::Format(_("Sharing with %s"), recipient), 0, 0);
        notifyProgress();
        if (operation == SHARE_BY_MMS)
            client.shareByMms(progress.shareId, recipient);
        else
            client.shareByWeb(progress.shareId, recipient);
        progress.served.push_back(recipient);
    }
}

void SharingClient_3_0_Task::onAbort()
{
    getClient().interrupt();
}

} // namespace Brenmarle
