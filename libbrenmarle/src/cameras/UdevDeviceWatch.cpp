#include "cameras/UdevDeviceWatch.h"

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system/Log.h"

namespace Brenmarle {

namespace {

struct UdevUnref {
    void operator()(udev* context) const noexcept { udev_unref(context); }
    void operator()(udev_monitor* monitor) const noexcept { udev_monitor_unref(monitor); }
    void operator()(udev_device* device) const noexcept { udev_device_unref(device); }
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

} // namespace

struct UdevDeviceWatch::Handles {
    std::unique_ptr<udev, UdevUnref> context;
    std::unique_ptr<udev_monitor, UdevUnref> monitor;
    // The mount table reports a change as POLLPRI (and POLLERR).
    FileDescriptor mounts;
    FileDescriptor wakeUp{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
};

std::unique_ptr<DeviceWatch> UdevDeviceWatch::open(const wxString& udevControl,
                                                   const wxString& mountsFile)
{
    struct stat info {};
    if (::stat(udevControl.utf8_str(), &info) != 0) {
        QDEBUG("[CAMERAMANAGER] udev is not running (no %s): devices are looked for on a timer",
               udevControl);
        return nullptr;
    }
    auto handles = std::make_unique<Handles>();
    handles->context.reset(udev_new());
    if (handles->context)
        handles->monitor.reset(udev_monitor_new_from_netlink(handles->context.get(), "udev"));
    udev_monitor* monitor = handles->monitor.get();
    const bool ready =
        monitor && handles->wakeUp.get() >= 0 &&
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", nullptr) >= 0 &&
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", nullptr) >= 0 &&
        udev_monitor_enable_receiving(monitor) >= 0;
    if (!ready) {
        QDEBUG("[CAMERAMANAGER] Could not watch udev: devices are looked for on a timer");
        return nullptr;
    }
    // Cards appear as cameras once mounted, which the desktop does a moment after udev's news;
    // a mount table that cannot be opened leaves only that news.
    handles->mounts.reset(::open(mountsFile.utf8_str(), O_RDONLY | O_CLOEXEC));
    QDEBUG("[CAMERAMANAGER] Watching udev for cameras and card readers");
    return std::unique_ptr<DeviceWatch>(new UdevDeviceWatch(std::move(handles)));
}

UdevDeviceWatch::UdevDeviceWatch(std::unique_ptr<Handles> handles) : m_handles(std::move(handles))
{
}

UdevDeviceWatch::~UdevDeviceWatch() = default;

void UdevDeviceWatch::wake()
{
    const uint64_t one = 1;
    // Fails only when the counter is full, and then a wake is pending anyway.
    (void)!::write(m_handles->wakeUp.get(), &one, sizeof one);
}

bool UdevDeviceWatch::takeNews()
{
    bool news = false;
    while (std::unique_ptr<udev_device, UdevUnref> device{
        udev_monitor_receive_device(m_handles->monitor.get())}) {
        const char* action = udev_device_get_action(device.get());
        QDEBUG("[CAMERAMANAGER] udev: %s %s", action ? action : "?",
               udev_device_get_syspath(device.get()));
        news = true;
    }
    return news;
}

bool UdevDeviceWatch::wait()
{
    bool news = false;
    int timeout = -1;
    for (;;) {
        pollfd fds[3] = {{m_handles->wakeUp.get(), POLLIN, 0},
                         {udev_monitor_get_fd(m_handles->monitor.get()), POLLIN, 0},
                         {m_handles->mounts.get(), POLLPRI, 0}};
        const int ready = ::poll(fds, m_handles->mounts.get() >= 0 ? 3 : 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return news;
        }
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            (void)!::read(m_handles->wakeUp.get(), &count, sizeof count);
            return false;
        }
        if (ready == 0)
            return news; // settled
        if (fds[1].revents & POLLIN)
            news = takeNews() || news;
        if (fds[2].revents & (POLLPRI | POLLERR)) {
            QDEBUG("[CAMERAMANAGER] The mount table changed");
            news = true;
        }
        if (news)
            timeout = SETTLE_MS;
    }
}

} // namespace Brenmarle
