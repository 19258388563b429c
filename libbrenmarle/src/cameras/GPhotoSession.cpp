#include "cameras/GPhotoSession.h"

#include <mutex>

#include <gphoto2/gphoto2-list.h>
#include <gphoto2/gphoto2-result.h>

#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

struct AbilitiesListDeleter {
    void operator()(CameraAbilitiesList* list) const noexcept { gp_abilities_list_free(list); }
};
struct PortInfoListDeleter {
    void operator()(GPPortInfoList* list) const noexcept { gp_port_info_list_free(list); }
};
struct ListDeleter {
    void operator()(::CameraList* list) const noexcept { gp_list_unref(list); }
};

using PortInfoList = std::unique_ptr<GPPortInfoList, PortInfoListDeleter>;

std::mutex g_abilitiesMutex;
std::unique_ptr<CameraAbilitiesList, AbilitiesListDeleter> g_abilities; // under the mutex

// Reading every driver's table takes a while: once per process.
CameraAbilitiesList* abilities(GPContext* context)
{
    std::lock_guard<std::mutex> lock(g_abilitiesMutex);
    if (!g_abilities) {
        CameraAbilitiesList* list = nullptr;
        GPhotoSession::check(gp_abilities_list_new(&list), "gp_abilities_list_new");
        std::unique_ptr<CameraAbilitiesList, AbilitiesListDeleter> owned(list);
        GPhotoSession::check(gp_abilities_list_load(list, context), "gp_abilities_list_load");
        g_abilities = std::move(owned);
    }
    return g_abilities.get();
}

PortInfoList loadPorts()
{
    GPPortInfoList* list = nullptr;
    GPhotoSession::check(gp_port_info_list_new(&list), "gp_port_info_list_new");
    PortInfoList owned(list);
    GPhotoSession::check(gp_port_info_list_load(list), "gp_port_info_list_load");
    return owned;
}

} // namespace

void GPhotoSession::check(int result, const char* what)
{
    if (result >= GP_OK)
        return;
    if (result == GP_ERROR_IO_USB_CLAIM)
        throw Quorvel::IOException(
            "Camera.InUse",
            "Could not claim the USB device: another program holds the camera. The desktop "
            "often opens a camera as soon as it is plugged in; close or unmount it there "
            "(in the file manager) and try again.");
    throw Quorvel::IOException(wxString::Format("%s: %s", what, gp_result_as_string(result)));
}

void GPhotoSession::CameraDeleter::operator()(::Camera* camera) const noexcept
{
    gp_camera_exit(camera, context);
    gp_camera_unref(camera);
}

std::vector<GPhotoSession::Detected> GPhotoSession::detect()
{
    std::vector<Detected> found;
    std::unique_ptr<GPContext, ContextDeleter> context(gp_context_new());
    PortInfoList ports = loadPorts();
    ::CameraList* list = nullptr;
    check(gp_list_new(&list), "gp_list_new");
    std::unique_ptr<::CameraList, ListDeleter> owned(list);
    check(gp_abilities_list_detect(abilities(context.get()), ports.get(), list, context.get()),
          "gp_abilities_list_detect");
    for (int i = 0; i < gp_list_count(list); ++i) {
        const char* model = nullptr;
        const char* port = nullptr;
        if (gp_list_get_name(list, i, &model) < GP_OK || gp_list_get_value(list, i, &port) < GP_OK)
            continue;
        const wxString portName = wxString::FromUTF8(port);
        if (portName.StartsWith("disk:"))
            continue;
        found.push_back({wxString::FromUTF8(model), portName});
    }
    return found;
}

GPhotoSession::GPhotoSession(const wxString& model, const wxString& port)
    : m_context(gp_context_new()), m_camera(nullptr, CameraDeleter{nullptr})
{
    ::Camera* camera = nullptr;
    check(gp_camera_new(&camera), "gp_camera_new");
    m_camera = std::unique_ptr<::Camera, CameraDeleter>(camera, CameraDeleter{m_context.get()});

    CameraAbilitiesList* list = abilities(m_context.get());
    const int modelIndex = gp_abilities_list_lookup_model(list, model.utf8_str());
    check(modelIndex, "gp_abilities_list_lookup_model");
    CameraAbilities cameraAbilities;
    check(gp_abilities_list_get_abilities(list, modelIndex, &cameraAbilities),
          "gp_abilities_list_get_abilities");
    check(gp_camera_set_abilities(camera, cameraAbilities), "gp_camera_set_abilities");

    PortInfoList ports = loadPorts();
    const int portIndex = gp_port_info_list_lookup_path(ports.get(), port.utf8_str());
    check(portIndex, "gp_port_info_list_lookup_path");
    GPPortInfo info;
    check(gp_port_info_list_get_info(ports.get(), portIndex, &info), "gp_port_info_list_get_info");
    check(gp_camera_set_port_info(camera, info), "gp_camera_set_port_info");

    QDEBUG("[GPHOTO] Opening %s on %s", model, port);
    check(gp_camera_init(camera, m_context.get()), "gp_camera_init");
}

GPhotoSession::~GPhotoSession() = default;

} // namespace Brenmarle
