#include "cameras/PtpDeviceFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gphoto2/gphoto2-file.h>
#include <gphoto2/gphoto2-list.h>

#include "cameras/GPhotoSession.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"

namespace Brenmarle {

namespace {

struct ListDeleter {
    void operator()(::CameraList* list) const noexcept { gp_list_unref(list); }
};
struct FileDeleter {
    void operator()(CameraFile* file) const noexcept { gp_file_unref(file); }
};

std::unique_ptr<::CameraList, ListDeleter> newList()
{
    ::CameraList* list = nullptr;
    GPhotoSession::check(gp_list_new(&list), "gp_list_new");
    return std::unique_ptr<::CameraList, ListDeleter>(list);
}

wxString nameAt(::CameraList* list, int index)
{
    const char* name = nullptr;
    GPhotoSession::check(gp_list_get_name(list, index, &name), "gp_list_get_name");
    return wxString::FromUTF8(name);
}

wxString joined(const wxString& folder, const wxString& name)
{
    return folder.EndsWith("/") ? folder + name : folder + "/" + name;
}

} // namespace

PtpDeviceFolder::PtpDeviceFolder(const wxString& cameraUri, const wxString& gphotoModel,
                                 const wxString& port)
    : m_uri(cameraUri), m_model(gphotoModel), m_port(port)
{
}

PtpDeviceFolder::~PtpDeviceFolder() = default;

void PtpDeviceFolder::open()
{
    if (!m_session)
        m_session = std::make_unique<GPhotoSession>(m_model, m_port);
}

void PtpDeviceFolder::list(const wxString& folder)
{
    auto files = newList();
    GPhotoSession::check(gp_camera_folder_list_files(m_session->camera(), folder.utf8_str(),
                                                     files.get(), m_session->context()),
                         "Could not enumerate items");
    for (int i = 0; i < gp_list_count(files.get()); ++i) {
        Entry entry{folder, nameAt(files.get(), i)};
        CameraFileInfo info;
        if (gp_camera_file_get_info(m_session->camera(), folder.utf8_str(), entry.name.utf8_str(),
                                    &info, m_session->context()) >= GP_OK &&
            (info.file.fields & GP_FILE_INFO_SIZE))
            entry.size = static_cast<int64_t>(info.file.size);
        const wxString uri = m_uri + joined(folder, entry.name);
        m_uris.push_back(uri);
        m_entries[uri] = entry;
    }
    auto folders = newList();
    GPhotoSession::check(gp_camera_folder_list_folders(m_session->camera(), folder.utf8_str(),
                                                       folders.get(), m_session->context()),
                         "Could not enumerate items");
    for (int i = 0; i < gp_list_count(folders.get()); ++i)
        list(joined(folder, nameAt(folders.get(), i)));
}

std::vector<wxString> PtpDeviceFolder::getFileUris()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_listed) {
        QDEBUG("[WIADEVICEFOLDER] Checking for photos...");
        open();
        list("/");
        m_listed = true;
        QDEBUG("[WIADEVICEFOLDER] Items: %d", static_cast<int>(m_uris.size()));
        QDEBUG("[WIADEVICEFOLDER] Done...");
    }
    return m_uris;
}

int PtpDeviceFolder::getFileCount()
{
    return static_cast<int>(getFileUris().size());
}

const PtpDeviceFolder::Entry& PtpDeviceFolder::entry(const wxString& uri) const
{
    const auto found = m_entries.find(uri);
    if (found == m_entries.end())
        throw Quorvel::NotFoundException(uri + ": not a file of the camera");
    return found->second;
}

Quorvel::Ref<File> PtpDeviceFolder::getFile(const wxString& uri)
{
    getFileUris();
    std::lock_guard<std::mutex> lock(m_mutex);
    const Entry& found = entry(uri);
    auto file = Quorvel::makeRef<File>(uri);
    file->setFileName(found.name);
    if (found.size >= 0)
        file->setFileSize(static_cast<int32_t>(found.size));
    file->setContentType(File::getContentTypeForFileName(found.name));
    return file;
}

int64_t PtpDeviceFolder::getFileSize(File& file)
{
    getFileUris();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_entries.find(file.getURI());
    return found == m_entries.end() || found->second.size < 0 ? -2 : found->second.size;
}

std::unique_ptr<Quorvel::InputFile> PtpDeviceFolder::getFileInputStream(File& file)
{
    getFileUris();
    std::lock_guard<std::mutex> lock(m_mutex);
    const Entry& found = entry(file.getURI());
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vistrelle-camera-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw Quorvel::IOException("Could not create a temporary file for the camera's picture");
    const wxString path = wxString::FromUTF8(pattern.c_str());
    // The download is only ever read through the stream: its name goes as soon as it is open.
    struct Unlink {
        std::string path;
        ~Unlink() { ::unlink(path.c_str()); }
    } unlinkLater{pattern};
    CameraFile* target = nullptr;
    const int created = gp_file_new_from_fd(&target, fd); // owns and closes fd from here on
    if (created < GP_OK)
        ::close(fd);
    GPhotoSession::check(created, "gp_file_new_from_fd");
    std::unique_ptr<CameraFile, FileDeleter> owned(target);
    const int result =
        gp_camera_file_get(m_session->camera(), found.folder.utf8_str(), found.name.utf8_str(),
                           GP_FILE_TYPE_NORMAL, target, m_session->context());
    owned.reset();
    if (result < GP_OK) {
        QDEBUG("pWiaDataTransfer->idtGetData failed");
        GPhotoSession::check(result, "Could not read the picture from the camera");
    }
    return std::make_unique<Quorvel::InputFile>(path);
}

} // namespace Brenmarle
