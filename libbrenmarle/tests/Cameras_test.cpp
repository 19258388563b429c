// Cameras and card readers: the known-device table, USB drives found through a mounts table
// and sysfs, the device folder of a drive, the camera manager's events, and a camera reached
// through libgphoto2 (its "Directory Browse" driver serves a folder as a camera).

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filename.h>

#include "ScratchDir.h"
#include "cameras/CameraManagerEvent.h"
#include "cameras/KnownDevices.h"
#include "cameras/LinuxCameraManager.h"
#include "cameras/PtpCamera.h"
#include "cameras/UMSDeviceFolder.h"
#include "cameras/UdevDeviceWatch.h"
#include "cameras/UsbMassStorageCamera.h"
#include "files/Uri.h"
#include "system/Exceptions.h"
#include "util/InputFile.h"

using namespace Brenmarle;

namespace {

// A scratch sysfs with one USB device (1-2, a card reader) holding sdb (two partitions), and
// an internal disk sda on no USB bus.
class FakeSystem {
public:
    FakeSystem()
    {
        const wxString usb = "devices/pci0000:00/0000:00:14.0/usb1/1-2/";
        dir.writeFile(usb + "idVendor", "05E3\n");
        dir.writeFile(usb + "idProduct", "0760\n");
        dir.writeFile(usb + "manufacturer", "Generic\n");
        dir.writeFile(usb + "product", "Card Reader\n");
        dir.writeFile(usb + "busnum", "1\n");
        dir.writeFile(usb + "devnum", "7\n");
        const wxString block = usb + "1-2:1.0/host6/target6:0:0/6:0:0:0/block/sdb/";
        dir.writeFile(block + "sdb1/partition", "1\n");
        dir.writeFile(block + "sdb2/partition", "2\n");
        dir.writeFile("devices/pci0000:00/0000:00:17.0/ata1/block/sda/sda1/partition", "1\n");
        wxFileName::Mkdir(dir / "class/block", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        wxFileName::Mkdir(dir / "bus/usb/devices", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        link("../../" + block + "sdb1", "class/block/sdb1");
        link("../../" + block + "sdb2", "class/block/sdb2");
        link("../../devices/pci0000:00/0000:00:17.0/ata1/block/sda/sda1", "class/block/sda1");
        link("../../../" + usb.BeforeLast('/'), "bus/usb/devices/1-2");
    }

    void link(const wxString& target, const wxString& name)
    {
        ASSERT_EQ(::symlink(target.utf8_str(), (dir / name).utf8_str()), 0);
    }

    // Writes the mounts table with these lines.
    wxString mounts(const std::string& lines)
    {
        dir.writeFile("mounts", lines);
        return dir / "mounts";
    }

    wxString sysfs() const { return dir.path(); }

    ScratchDir dir;
};

} // namespace

TEST(KnownDevices, LooksUpModelsByUsbIdsAndByExif)
{
    EXPECT_EQ(KnownDevices::modelForIds("04a9", "3110"), "EOS 400D Digital");
    EXPECT_EQ(KnownDevices::modelForIds("04CB", "013E"), "FinePix F420");
    EXPECT_EQ(KnownDevices::modelForIds("04a9", "9999"), "Unknown");
    EXPECT_EQ(KnownDevices::modelForExif("  FUJIFILM ", "FinePix F455  "), "FinePix F455");
    EXPECT_EQ(KnownDevices::modelForExif("Canon", "Canon EOS 400D DIGITAL"), "EOS 400D Digital");
    // The rows that write nothing must not match pictures that carry nothing either.
    EXPECT_EQ(KnownDevices::modelForExif("", ""), "Unknown");
    EXPECT_EQ(KnownDevices::end() - KnownDevices::begin(), 13);
}

TEST(UsbMassStorageCamera, ListsMountedUsbDrivesWithTheirDeviceIds)
{
    FakeSystem system;
    const wxString mounts = system.mounts("/dev/sda1 / ext4 rw 0 0\n"
                                          "proc /proc proc rw 0 0\n"
                                          "/dev/sdb1 /media/user/CANON\\040DC vfat rw 0 0\n");
    const CameraList cameras = UsbMassStorageCamera::listMounted(mounts, system.sysfs());
    ASSERT_EQ(cameras.size(), 1u);
    EXPECT_EQ(cameras[0]->getURI(), "usbms://1-2");
    EXPECT_EQ(cameras[0]->getDrive(), "/media/user/CANON DC");
    EXPECT_EQ(cameras[0]->getVendorId(), "05e3");
    EXPECT_EQ(cameras[0]->getProductId(), "0760");
    EXPECT_EQ(cameras[0]->getModel(), "8 in 1 Card Reader");
    EXPECT_EQ(cameras[0]->getName(), "Generic Card Reader");
}

TEST(UsbMassStorageCamera, NumbersTheDrivesOfOneDeviceAndCountsABindMountOnce)
{
    FakeSystem system;
    const wxString mounts = system.mounts("/dev/sdb1 /media/a vfat rw 0 0\n"
                                          "/dev/sdb2 /media/b vfat rw 0 0\n"
                                          "/dev/sdb1 /mnt/again vfat rw 0 0\n");
    const CameraList cameras = UsbMassStorageCamera::listMounted(mounts, system.sysfs());
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[0]->getURI(), "usbms://1-2\\0");
    EXPECT_EQ(cameras[1]->getURI(), "usbms://1-2\\1");
    EXPECT_EQ(cameras[1]->getDrive(), "/media/b");
}

TEST(UsbMassStorageCamera, AMissingMountsTableGivesNoCameras)
{
    FakeSystem system;
    EXPECT_TRUE(UsbMassStorageCamera::listMounted(system.dir / "none", system.sysfs()).empty());
}

TEST(UMSDeviceFolder, ListsTheCameraFoldersOfDcimInAnyCase)
{
    ScratchDir card;
    card.writeFile("dcim/100photo/IMG_0001.JPG", "1");
    card.writeFile("dcim/100photo/IMG_0002.JPG", "2");
    card.writeFile("dcim/101_PANA/P1000001.MOV", "3");
    card.writeFile("dcim/misc/notes.txt", "ignored");
    card.writeFile("dcim/99x/short.jpg", "ignored");
    card.writeFile("DCIM.txt", "not a folder");
    card.writeFile("other/100ABCDE/elsewhere.jpg", "ignored");
    auto folder = Quorvel::makeRef<UMSDeviceFolder>("usbms://1-2", card.path());
    const std::vector<wxString> uris = folder->getFileUris();
    ASSERT_EQ(uris.size(), 3u);
    EXPECT_EQ(uris[0], Uri::fromLocalPath(card / "dcim/100photo/IMG_0001.JPG"));
    EXPECT_EQ(uris[2], Uri::fromLocalPath(card / "dcim/101_PANA/P1000001.MOV"));
    auto file = folder->getFile(uris[1]);
    EXPECT_EQ(file->getFileName(), "IMG_0002.JPG");
    EXPECT_EQ(file->getFileSize(), 1);
    char byte = 0;
    EXPECT_EQ(folder->getFileInputStream(*file)->read(&byte, 1), 1u);
    EXPECT_EQ(byte, '2');
}

TEST(UMSDeviceFolder, UpperCaseDcimAndADriveWithoutIt)
{
    ScratchDir card;
    card.writeFile("DCIM/100CANON/IMG_0001.JPG", "1");
    EXPECT_EQ(Quorvel::makeRef<UMSDeviceFolder>("usbms://x", card.path())->getFileCount(), 1);
    ScratchDir stick;
    stick.writeFile("music/song.mp3", "x");
    EXPECT_EQ(Quorvel::makeRef<UMSDeviceFolder>("usbms://y", stick.path())->getFileCount(), 0);
}

namespace {

// Records the manager's events as they are sent.
struct CameraEvents {
    explicit CameraEvents(CameraManager& manager)
    {
        manager.Bind(CAMERA_FOUND, [this](CameraManagerEvent& e) {
            log.push_back("found " + e.getCamera()->getURI());
        });
        manager.Bind(CAMERA_REMOVED, [this](CameraManagerEvent& e) {
            log.push_back("removed " + e.getCamera()->getURI());
        });
    }
    std::vector<wxString> log;
};

CameraRef drive(const wxString& id, const wxString& mountPoint = "/media/card")
{
    return std::make_shared<UsbMassStorageCamera>("usbms://" + id, "Card", "05e3", "0760",
                                                  mountPoint);
}

} // namespace

TEST(CameraManager, SendsAnEventForEachCameraThatCameOrWent)
{
    CameraManager manager([] { return CameraList(); });
    CameraEvents events(manager);
    manager.update({drive("a"), drive("b")});
    manager.update({drive("b"), drive("c")});
    manager.update({drive("b"), drive("c")});
    EXPECT_EQ(events.log, (std::vector<wxString>{"found usbms://a", "found usbms://b",
                                                 "found usbms://c", "removed usbms://a"}));
    ASSERT_EQ(manager.getCameraList().size(), 2u);
    EXPECT_EQ(manager.getCameraList()[1]->getURI(), "usbms://c");
}

namespace {

// An enumerator whose devices the test plugs in, and which tells how often it ran.
class FakeDevices {
public:
    CameraList enumerate()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++runs;
        ran.notify_all();
        return cameras;
    }
    void plug(CameraList list)
    {
        std::lock_guard<std::mutex> lock(mutex);
        cameras = std::move(list);
    }
    // Waits until the enumerator ran `more` more times; the list of every run before the last
    // one has been posted by then.
    bool waitForRuns(int more)
    {
        std::unique_lock<std::mutex> lock(mutex);
        const int target = runs + more;
        return ran.wait_for(lock, std::chrono::seconds(30), [&] { return runs >= target; });
    }
    template <typename Duration> bool waitForRunsFor(int more, Duration limit)
    {
        std::unique_lock<std::mutex> lock(mutex);
        const int target = runs + more;
        return ran.wait_for(lock, limit, [&] { return runs >= target; });
    }
    int runCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return runs;
    }

    std::mutex mutex;
    std::condition_variable ran;
    CameraList cameras;
    int runs = 0;
};

} // namespace

TEST(CameraManager, TheWorkerFindsPluggedDevicesAndTheGuiThreadSendsTheEvents)
{
    FakeDevices devices;
    CameraManager manager([&] { return devices.enumerate(); }, 5);
    CameraEvents events(manager);
    manager.start();
    devices.plug({drive("card")});
    ASSERT_TRUE(devices.waitForRuns(2));
    // Nothing reaches the list but through the GUI thread's event queue.
    EXPECT_TRUE(events.log.empty());
    wxTheApp->ProcessPendingEvents();
    ASSERT_EQ(events.log.size(), 1u);
    EXPECT_EQ(events.log[0], "found usbms://card");
    devices.plug({});
    ASSERT_TRUE(devices.waitForRuns(2));
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(events.log.back(), "removed usbms://card");
    manager.stop();
}

TEST(CameraManager, AProbeHoldPausesTheEnumeration)
{
    FakeDevices devices;
    CameraManager manager([&] { return devices.enumerate(); }, 1);
    manager.start();
    ASSERT_TRUE(devices.waitForRuns(1));
    int runsWhileHeld = 0;
    {
        CameraManager::ProbeHold hold(manager);
        // A run that began before the hold may still end; none starts after it.
        const int before = devices.runCount();
        EXPECT_FALSE(devices.waitForRunsFor(2, std::chrono::milliseconds(50)));
        runsWhileHeld = devices.runCount() - before;
    }
    EXPECT_LE(runsWhileHeld, 1);
    EXPECT_TRUE(devices.waitForRuns(1));
    manager.stop();
}

namespace {

// Lets events posted to this thread through until `condition` holds; false after a generous
// limit, so a broken test fails instead of hanging.
bool waitUntilTrue(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    wxEventLoop loop;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        // Returns early when something arrives for the loop.
        loop.DispatchTimeout(10);
    }
    return true;
}

// A device watch the test feeds with news; it tells when the worker waits in it.
class FakeWatch : public DeviceWatch {
public:
    bool wait() override
    {
        std::unique_lock<std::mutex> lock(mutex);
        ++waits;
        changed.notify_all();
        changed.wait(lock, [this] { return news > 0 || woken; });
        const bool hadNews = news > 0 && !woken;
        news = 0;
        woken = false;
        return hadNews;
    }
    void wake() override
    {
        std::lock_guard<std::mutex> lock(mutex);
        woken = true;
        changed.notify_all();
    }
    void report()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++news;
        changed.notify_all();
    }
    // Waits until the worker has entered wait() `count` times in all.
    bool waitForWaits(int count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30), [&] { return waits >= count; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    int waits = 0;
    int news = 0;
    bool woken = false;
};

} // namespace

TEST(CameraManager, WithADeviceWatchNothingPollsAndOnlyNewsListsTheDevicesAgain)
{
    FakeDevices devices;
    auto owned = std::make_unique<FakeWatch>();
    FakeWatch& watch = *owned;
    // An interval of 1 ms: a manager that polled would run again and again.
    CameraManager manager([&] { return devices.enumerate(); }, 1, std::move(owned));
    EXPECT_TRUE(manager.isWatching());
    CameraEvents events(manager);
    manager.start();
    ASSERT_TRUE(devices.waitForRuns(1));
    // The worker sits in the watch: one look at start, none since.
    ASSERT_TRUE(watch.waitForWaits(1));
    EXPECT_EQ(devices.runCount(), 1);

    devices.plug({drive("card")});
    watch.report();
    ASSERT_TRUE(watch.waitForWaits(2));
    EXPECT_EQ(devices.runCount(), 2);
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(events.log, std::vector<wxString>{"found usbms://card"});

    // News while an import reads a camera waits for the import.
    {
        CameraManager::ProbeHold hold(manager);
        devices.plug({});
        watch.report();
        EXPECT_FALSE(devices.waitForRunsFor(1, std::chrono::milliseconds(50)));
    }
    ASSERT_TRUE(watch.waitForWaits(3));
    EXPECT_EQ(devices.runCount(), 3);
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(events.log.back(), "removed usbms://card");

    // Stopping wakes the worker out of the watch.
    manager.stop();
    EXPECT_FALSE(manager.isRunning());
    EXPECT_EQ(devices.runCount(), 3);
}

TEST(LinuxCameraManager, WatchesUdevOnlyWhereItRunsAndPollsElsewhere)
{
    FakeSystem system;
    LinuxCameraManager::Sources sources;
    sources.mountsFile = system.mounts("/dev/sdb1 /media/card vfat rw 0 0\n");
    sources.sysfsRoot = system.sysfs();
    sources.withPtp = false;

    sources.udevControl = system.dir / "run/udev/control"; // no udev daemon
    EXPECT_FALSE(LinuxCameraManager(sources).isWatching());
    sources.udevControl.clear();
    EXPECT_FALSE(LinuxCameraManager(sources).isWatching());

    // The daemon's control socket is there: the manager watches, and looks once at start.
    system.dir.writeFile("run/udev/control", "");
    sources.udevControl = system.dir / "run/udev/control";
    LinuxCameraManager manager(sources);
    if (!manager.isWatching())
        GTEST_SKIP() << "no netlink socket for udev's news can be made here";
    CameraEvents events(manager);
    manager.start();
    ASSERT_TRUE(waitUntilTrue([&] {
        wxTheApp->ProcessPendingEvents();
        return !events.log.empty();
    }));
    EXPECT_EQ(events.log, std::vector<wxString>{"found usbms://1-2"});
    // The worker now waits for news in poll(); stopping must wake it.
    const auto before = std::chrono::steady_clock::now();
    manager.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
}

TEST(LinuxCameraManager, EnumeratesDrivesAndCamerasWithTheirUsbIds)
{
    FakeSystem system;
    LinuxCameraManager::Sources sources;
    sources.mountsFile = system.mounts("/dev/sdb1 /media/card vfat rw 0 0\n");
    sources.sysfsRoot = system.sysfs();
    sources.detector = [] {
        return std::vector<PtpCamera::Detected>{{"Canon EOS 400D", "usb:001,007"},
                                                {"", "usb:002,001"}};
    };
    const CameraList cameras = LinuxCameraManager::enumerate(sources);
    ASSERT_EQ(cameras.size(), 3u);
    EXPECT_EQ(cameras[0]->getURI(), "usbms://1-2");
    EXPECT_EQ(cameras[1]->getURI(), "wia://usb:001,007");
    EXPECT_EQ(cameras[1]->getVendorId(), "05e3");
    EXPECT_EQ(cameras[1]->getName(), "Canon EOS 400D");
    EXPECT_EQ(cameras[2]->getName(), "USB Camera");
    EXPECT_EQ(cameras[2]->getModel(), "Unknown");
    EXPECT_EQ(cameras[2]->getVendorId(), "");
}

TEST(PtpCamera, DetectsAgainOnlyWhenTheUsbDevicesChange)
{
    FakeSystem system;
    int runs = 0;
    bool failing = false;
    const PtpCamera::Detector detect = PtpCamera::detectOnUsbChange(
        [&] {
            ++runs;
            if (failing)
                throw Quorvel::RuntimeException("no access to the USB bus");
            return std::vector<PtpCamera::Detected>{{"Canon EOS 400D", "usb:001,007"}};
        },
        system.sysfs());
    EXPECT_EQ(detect().size(), 1u);
    EXPECT_EQ(detect().size(), 1u);
    EXPECT_EQ(runs, 1);

    // The same device plugged in again gets a new device number.
    const wxString reader = "devices/pci0000:00/0000:00:14.0/usb1/1-2/";
    system.dir.writeFile(reader + "devnum", "8\n");
    detect();
    EXPECT_EQ(runs, 2);

    // A failed detection is not remembered: the next refresh tries again.
    const wxString camera = "devices/pci0000:00/0000:00:14.0/usb1/1-3/";
    system.dir.writeFile(camera + "busnum", "1\n");
    system.dir.writeFile(camera + "devnum", "9\n");
    system.link("../../../" + camera.BeforeLast('/'), "bus/usb/devices/1-3");
    failing = true;
    EXPECT_THROW(detect(), Quorvel::RuntimeException);
    failing = false;
    EXPECT_EQ(detect().size(), 1u);
    EXPECT_EQ(runs, 4);
    detect();
    EXPECT_EQ(runs, 4);
}

TEST(PtpCamera, ReadsTheFilesOfACameraThroughLibgphoto2)
{
    ScratchDir served;
    served.writeFile("DCIM/100TEST/IMG_0001.JPG", "first picture");
    served.writeFile("DCIM/100TEST/IMG_0002.JPG", "second");
    const wxString port = "disk:" + served.path().BeforeLast('/');
    const CameraList cameras = PtpCamera::listConnected([&] {
        return std::vector<PtpCamera::Detected>{{"Directory Browse", port}};
    });
    ASSERT_EQ(cameras.size(), 1u);
    FolderRef folder;
    std::vector<wxString> uris;
    try {
        folder = cameras[0]->getDeviceFolder();
        uris = folder->getFileUris();
    } catch (const Quorvel::Exception& e) {
        GTEST_SKIP() << "libgphoto2 cannot serve a folder here: " << e.getMessage();
    }
    ASSERT_EQ(uris.size(), 2u);
    EXPECT_EQ(uris[0], "wia://" + port + "/DCIM/100TEST/IMG_0001.JPG");
    auto file = folder->getFile(uris[0]);
    EXPECT_EQ(file->getFileName(), "IMG_0001.JPG");
    auto input = folder->getFileInputStream(*file);
    char bytes[64] = {};
    EXPECT_EQ(std::string(bytes, input->read(bytes, sizeof bytes)), "first picture");
    // The download is unnamed: nothing is left in the temporary folder.
    EXPECT_FALSE(wxFileExists(input->getPath()));
}
