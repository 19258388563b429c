#pragma once
// Keeps the live list of connected cameras. A worker thread enumerates the devices (10 ms after
// start, then each time its device watch says that devices came or went, or every refresh
// interval where there is no watch) and hands each new list to the GUI thread, which compares
// it with the current one by URI, logs and sends a CAMERA_FOUND or CAMERA_REMOVED event (to
// handlers bound on the manager) for each difference, and makes it current.
//
// Enumerating asks the system (and libgphoto2, which talks to USB devices) and can take tens of
// milliseconds: that is why it runs on the worker, and why it pauses while a ProbeHold exists,
// so no camera is probed while an import reads it.
//
// Threads: construct, start, stop, destroy, getCameraList and update on the GUI thread; the
// enumerator runs on the worker, or on the thread calling enumerateNow(), under m_enumerating.
// m_mutex guards m_stopping and m_holds. A subclass calls stop() in its own destructor.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <wx/event.h>

#include "cameras/CameraList.h"
#include "cameras/DeviceWatch.h"

namespace Brenmarle {

class CameraManager : public wxEvtHandler {
public:
    using Enumerator = std::function<CameraList()>;

    static constexpr int FIRST_REFRESH_MS = 10;
    static constexpr int REFRESH_INTERVAL_MS = 600;

    // `enumerate` builds the list of the devices connected now (it must not throw; a device it
    // cannot read is left out). With a `watch`, nothing polls: the devices are listed again
    // only when it reports news; without one, every `intervalMs`.
    explicit CameraManager(Enumerator enumerate, int intervalMs = REFRESH_INTERVAL_MS,
                           std::unique_ptr<DeviceWatch> watch = nullptr);
    ~CameraManager() override;

    void start();
    // Waits for an enumeration under way to end; lists it found are dropped.
    void stop();
    bool isRunning() const { return m_worker.joinable(); }
    // Whether devices are watched (true) or looked for on a timer.
    bool isWatching() const { return m_watch != nullptr; }

    // The current list.
    const CameraList& getCameraList() const { return m_cameras; }

    // Makes `cameras` current, sending the events for the differences. GUI thread.
    void update(const CameraList& cameras);

    // Enumerates the devices now, on the calling thread (a wizard's runner), never at the same
    // time as the worker. Hand the result to update() on the GUI thread.
    CameraList enumerateNow();

    // While one exists, the worker enumerates nothing.
    class ProbeHold {
    public:
        explicit ProbeHold(CameraManager& manager);
        ~ProbeHold();
        ProbeHold(const ProbeHold&) = delete;
        ProbeHold& operator=(const ProbeHold&) = delete;

    private:
        CameraManager& m_manager;
    };

private:
    void run();

    Enumerator m_enumerate;
    const std::unique_ptr<DeviceWatch> m_watch;
    // Held while enumerating: one probe of the devices at a time.
    std::mutex m_enumerating;
    const int m_intervalMs;
    CameraList m_cameras;
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    int m_holds = 0;
};

} // namespace Brenmarle
