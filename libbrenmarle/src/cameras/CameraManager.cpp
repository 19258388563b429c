#include "cameras/CameraManager.h"

#include <chrono>

#include "cameras/CameraManagerEvent.h"
#include "system/Log.h"

namespace Brenmarle {

CameraManager::CameraManager(Enumerator enumerate, int intervalMs,
                             std::unique_ptr<DeviceWatch> watch)
    : m_enumerate(std::move(enumerate)), m_watch(std::move(watch)), m_intervalMs(intervalMs)
{
}

CameraManager::~CameraManager()
{
    stop();
}

void CameraManager::start()
{
    if (m_worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = false;
    }
    m_worker = std::thread([this] { run(); });
}

void CameraManager::stop()
{
    if (!m_worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_watch)
        m_watch->wake();
    m_worker.join();
    // Lists posted but not yet delivered belong to a run that is over.
    DeletePendingEvents();
}

void CameraManager::run()
{
    auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(FIRST_REFRESH_MS);
    bool waitForNews = false;
    for (;;) {
        // With a watch, the next look is when it has news: nothing polls.
        if (waitForNews && !m_watch->wait()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                return;
        }
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_until(lock, next, [this] { return m_stopping; });
            m_wake.wait(lock, [this] { return m_stopping || m_holds == 0; });
            if (m_stopping)
                return;
        }
        CameraList cameras;
        try {
            cameras = enumerateNow();
        } catch (const std::exception& e) {
            QDEBUG("[CAMERAMANAGER] Could not list the connected cameras: %s", e.what());
            // Tried again after the interval, news or not.
            next = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_intervalMs);
            waitForNews = false;
            continue;
        }
        next = std::chrono::steady_clock::now() +
               std::chrono::milliseconds(m_watch ? 0 : m_intervalMs);
        waitForNews = m_watch != nullptr;
        CallAfter([this, cameras] { update(cameras); });
    }
}

CameraList CameraManager::enumerateNow()
{
    std::lock_guard<std::mutex> lock(m_enumerating);
    return m_enumerate();
}

void CameraManager::update(const CameraList& cameras)
{
    for (const CameraRef& camera : cameras) {
        if (!m_cameras.contains(camera->getURI())) {
            QDEBUG("FOUND  NEW CAMERA: %s", camera->getURI());
            CameraManagerEvent event(CAMERA_FOUND, camera);
            ProcessEvent(event);
        }
    }
    for (const CameraRef& camera : m_cameras) {
        if (!cameras.contains(camera->getURI())) {
            QDEBUG("CAMERA IS REMOVED: %s", camera->getURI());
            CameraManagerEvent event(CAMERA_REMOVED, camera);
            ProcessEvent(event);
        }
    }
    m_cameras = cameras;
}

CameraManager::ProbeHold::ProbeHold(CameraManager& manager) : m_manager(manager)
{
    std::lock_guard<std::mutex> lock(m_manager.m_mutex);
    ++m_manager.m_holds;
}

CameraManager::ProbeHold::~ProbeHold()
{
    {
        std::lock_guard<std::mutex> lock(m_manager.m_mutex);
        --m_manager.m_holds;
    }
    m_manager.m_wake.notify_all();
}

} // namespace Brenmarle
