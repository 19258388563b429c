#pragma once
// One open connection to a camera through libgphoto2, and the library's shared tables (the
// camera abilities list, loaded once per process). Included only by the camera sources, so
// libgphoto2's headers stay out of the rest of the program.
//
// Threads: a session is used by one thread at a time (its owner locks); the shared tables are
// loaded under a lock and only read afterwards.

#include <memory>
#include <vector>

#include <gphoto2/gphoto2-abilities-list.h>
#include <gphoto2/gphoto2-camera.h>
#include <gphoto2/gphoto2-context.h>
#include <gphoto2/gphoto2-port-info-list.h>

#include <wx/string.h>

namespace Brenmarle {

class GPhotoSession {
public:
    struct Detected {
        wxString model;
        wxString port;
    };

    // The cameras libgphoto2 detects now, without "disk:" ports (mounted volumes, which the
    // mass-storage enumeration lists already).
    static std::vector<Detected> detect();

    // Opens the camera `model` on `port` ("usb:001,005", "disk:/some/folder"). Throws
    // Quorvel::IOException; when the desktop holds the device, with a message that says so.
    GPhotoSession(const wxString& model, const wxString& port);
    ~GPhotoSession();
    GPhotoSession(const GPhotoSession&) = delete;
    GPhotoSession& operator=(const GPhotoSession&) = delete;

    ::Camera* camera() const { return m_camera.get(); }
    GPContext* context() const { return m_context.get(); }

    // Throws Quorvel::IOException "`what`: <libgphoto2's text>" for a negative result.
    static void check(int result, const char* what);

private:
    struct ContextDeleter {
        void operator()(GPContext* context) const noexcept { gp_context_unref(context); }
    };
    struct CameraDeleter {
        GPContext* context;
        void operator()(::Camera* camera) const noexcept;
    };

    std::unique_ptr<GPContext, ContextDeleter> m_context;
    std::unique_ptr<::Camera, CameraDeleter> m_camera;
};

} // namespace Brenmarle
