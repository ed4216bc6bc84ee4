#include "tests/platform/hid/umockdev/UmockdevBed.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/fsuid.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <stdexcept>

namespace vk::test {

namespace {

std::string Hex4(unsigned v)
{
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
}

std::string HexBytes(std::span<const uint8_t> bytes)
{
    std::string s;
    char b[4];
    for (const uint8_t byte : bytes) {
        std::snprintf(b, sizeof b, "%02X", byte);
        s += b;
    }
    return s;
}

// Copies a text into an ioctl's result buffer the way hidraw does: cut to the
// buffer, NUL-terminated when it fits; the result is the length copied.
long CopyText(UMockdevIoctlData* arg, const std::string& text)
{
    const size_t room = static_cast<size_t>(std::max(arg->data_len, 0));
    const size_t n = std::min(room, text.size() + 1);
    std::memcpy(arg->data, text.c_str(), n);
    return static_cast<long>(n);
}

}  // namespace

// One hidraw device of the bed: answers hidapi's ioctls, takes output reports
// to the unit and gives one input report per read.
class CMockHidraw {
public:
    std::shared_ptr<CSimUnit> unit;  // null for interfaces no unit plays
    uint64_t generation = 0;         // the unit's appearance this node belongs to
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string name;
    std::vector<uint8_t> descriptor;
    std::string sysUsb;     // the USB device (top of the chain)
    std::string sysHidraw;  // the hidraw device
    std::string devNode;    // "/dev/hidrawN" as the program sees it
    std::string ptyPath;    // the pseudo-terminal behind it
    std::string devCharLink;
    int master = -1;  // umockdev's end of the terminal (umockdev owns it)
    int drain = -1;   // our handle on the program's end, to take tokens back
    UMockdevIoctlBase* handler = nullptr;

    // A token byte sits in the terminal while reports wait, so the program's
    // poll() wakes up; the reports themselves travel through handle-read.
    void Push(const SimReport& report)
    {
        std::lock_guard lock(m_mutex);
        if (m_gone)
            return;
        if (m_queue.empty()) {
            const char token = 't';
            (void)!::write(master, &token, 1);
        }
        m_queue.push_back(report);
    }

    void Deliver()
    {
        if (!unit)
            return;
        while (const auto report = unit->TakeAnswer())
            Push(*report);
    }

    void Gone()
    {
        std::lock_guard lock(m_mutex);
        m_gone = true;
        m_queue.clear();
    }

    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        static_cast<CMockHidraw*>(self)->Ioctl(client);
        return TRUE;
    }
    static gboolean OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        static_cast<CMockHidraw*>(self)->Read(client);
        return TRUE;
    }
    static gboolean OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        static_cast<CMockHidraw*>(self)->Write(client);
        return TRUE;
    }

private:
    // Runs on umockdev's worker thread: never blocks.
    void Ioctl(UMockdevIoctlClient* client)
    {
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (IsGone() || _IOC_TYPE(request) != 'H') {
            umockdev_ioctl_client_complete(client, -1, IsGone() ? ENODEV : ENOTTY);
            return;
        }
        const size_t size = _IOC_SIZE(request);
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, size, nullptr);
        if (!data) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        long result = 0;
        switch (_IOC_NR(request)) {
        case _IOC_NR(HIDIOCGRDESCSIZE): {
            const int length = static_cast<int>(descriptor.size());
            std::memcpy(data->data, &length, sizeof length);
            break;
        }
        case _IOC_NR(HIDIOCGRDESC): {
            auto* d = reinterpret_cast<hidraw_report_descriptor*>(data->data);
            const size_t n = std::min<size_t>({d->size, descriptor.size(), sizeof d->value});
            std::memcpy(d->value, descriptor.data(), n);
            break;
        }
        case _IOC_NR(HIDIOCGRAWINFO): {
            hidraw_devinfo info{};
            info.bustype = 3;  // USB
            info.vendor = static_cast<int16_t>(vendorId);
            info.product = static_cast<int16_t>(productId);
            std::memcpy(data->data, &info, sizeof info);
            break;
        }
        case _IOC_NR(HIDIOCGRAWNAME(0)): result = CopyText(data, name); break;
        case _IOC_NR(HIDIOCGRAWPHYS(0)): result = CopyText(data, "usb-0000:00:14.0-1/input0"); break;
        case _IOC_NR(HIDIOCGRAWUNIQ(0)): result = CopyText(data, "VK5500001234"); break;
        default: umockdev_ioctl_client_complete(client, -1, EINVAL); return;
        }
        umockdev_ioctl_client_complete(client, result, 0);
    }

    void Read(UMockdevIoctlClient* client)
    {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        std::lock_guard lock(m_mutex);
        if (m_gone) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return;
        }
        if (m_queue.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return;
        }
        // No numbered reports: hidraw hands out the 8 data bytes without the id.
        const SimReport report = m_queue.front();
        m_queue.pop_front();
        if (m_queue.empty()) {
            char tokens[64];
            while (::read(drain, tokens, sizeof tokens) > 0) {
            }
        }
        const size_t n = std::min<size_t>(static_cast<size_t>(std::max(arg->data_len, 0)), report.size() - 1);
        std::memcpy(arg->data, report.data() + 1, n);
        umockdev_ioctl_client_complete(client, static_cast<long>(n), 0);
    }

    void Write(UMockdevIoctlClient* client)
    {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (IsGone()) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return;
        }
        // One write is one output report, report id first.
        const size_t length = static_cast<size_t>(std::max(arg->data_len, 0));
        if (unit) {
            unit->Receive({arg->data, length});
            Deliver();
        }
        umockdev_ioctl_client_complete(client, static_cast<long>(length), 0);
    }

    bool IsGone()
    {
        std::lock_guard lock(m_mutex);
        return m_gone;
    }

    std::mutex m_mutex;
    std::deque<SimReport> m_queue;
    bool m_gone = false;
};

bool CUmockdevBed::PreloadActive()
{
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return false;
    char line[512];
    bool loaded = false;
    while (!loaded && std::fgets(line, sizeof line, maps))
        loaded = std::strstr(line, "libumockdev-preload") != nullptr;
    std::fclose(maps);
    return loaded;
}

// ASan wants to be first in the library list and must be told to accept it.
void CUmockdevBed::RestartUnderPreload()
{
    if (CUmockdevBed::PreloadActive() || std::getenv("VK_UMOCKDEV_RESTARTED"))
        return;
    std::vector<std::string> args;
    if (FILE* f = std::fopen("/proc/self/cmdline", "re")) {
        std::string arg;
        for (int c; (c = std::fgetc(f)) != EOF;) {
            if (c == 0) {
                args.push_back(arg);
                arg.clear();
            } else {
                arg += static_cast<char>(c);
            }
        }
        std::fclose(f);
    }
    if (args.empty())
        return;
    const char* preload = std::getenv("LD_PRELOAD");
    const std::string libs = std::string("libumockdev-preload.so.0") + (preload && *preload ? std::string(":") + preload : "");
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(asan && *asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0";
    ::setenv("LD_PRELOAD", libs.c_str(), 1);
    ::setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
#if defined(__SANITIZE_THREAD__)
    const char* tsan = std::getenv("TSAN_OPTIONS");
    const std::string tsanOptions = std::string(tsan && *tsan ? std::string(tsan) + " " : "") + "suppressions=" VK_UMOCKDEV_TSAN_SUPPRESSIONS;
    ::setenv("TSAN_OPTIONS", tsanOptions.c_str(), 1);
#endif
    ::setenv("VK_UMOCKDEV_RESTARTED", "1", 1);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv("/proc/self/exe", argv.data());
    // Still here: run without the preload; the tests skip themselves.
}

namespace {

#ifndef VK_UMOCKDEV_MANUAL_RESTART
// The test program restarts itself under umockdev's preload library, as
// umockdev-wrapper would start it, so that it works from ctest and by hand.
struct CRunUnderPreload {
    CRunUnderPreload() { CUmockdevBed::RestartUnderPreload(); }
};
const CRunUnderPreload g_runUnderPreload;
#endif

}  // namespace

void CUmockdevBed::RemoveLeftovers()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (auto it = fs::directory_iterator("/tmp", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("umockdev.", 0) != 0 || !it->is_directory(ec))
            continue;
        const auto written = fs::last_write_time(it->path(), ec);
        if (!ec && now - written > std::chrono::minutes(10))
            fs::remove_all(it->path(), ec);
    }
}

CUmockdevBed::CUmockdevBed() : m_bed(umockdev_testbed_new())
{
    gchar* root = umockdev_testbed_get_root_dir(m_bed);
    m_root = root;
    g_free(root);
}

CUmockdevBed::~CUmockdevBed()
{
    {
        std::lock_guard lock(m_mutex);
        for (auto& a : m_units)
            if (a.node)
                Remove(a.node);
    }
    // Stops umockdev's worker and removes the bed's folder.
    g_object_unref(m_bed);
    for (auto& node : m_nodes)
        if (node->handler)
            g_object_unref(node->handler);
}

void CUmockdevBed::Attach(std::shared_ptr<CSimUnit> unit)
{
    std::lock_guard lock(m_mutex);
    m_units.push_back({std::move(unit), nullptr});
    SyncLocked();
}

std::string CUmockdevBed::AddInterface(uint16_t vendorId, uint16_t productId, std::span<const uint8_t> descriptor)
{
    std::lock_guard lock(m_mutex);
    return Add(nullptr, vendorId, productId, "Keypad", descriptor)->devNode;
}

void CUmockdevBed::Unplug(const std::shared_ptr<CSimUnit>& unit)
{
    unit->Unplug();
    Sync();
}

void CUmockdevBed::Sync()
{
    std::lock_guard lock(m_mutex);
    SyncLocked();
}

void CUmockdevBed::RestrictNode(const std::shared_ptr<CSimUnit>& unit, bool restricted)
{
    std::lock_guard lock(m_mutex);
    for (const auto& a : m_units) {
        if (a.unit != unit || !a.node)
            continue;
        // Without the rule the node is root's alone; with it the user at the seat may open it.
        if (::chmod(a.node->ptyPath.c_str(), restricted ? 0600 : 0666) != 0)
            throw std::runtime_error("cannot change the mode of " + a.node->ptyPath);
        if (::getuid() != 0 && restricted && ::chmod(a.node->ptyPath.c_str(), 0) != 0)
            throw std::runtime_error("cannot take the rights on " + a.node->ptyPath);  // its owner is us
        // umockdev's preload connects to the node's ioctl socket before it opens
        // the node itself: the socket must let the other user in.
        (void)::chmod((m_root + "/ioctl" + a.node->devNode).c_str(), 0777);
    }
    // umockdev makes the bed's root folder for its owner only.
    (void)::chmod(m_root.c_str(), 0755);
}

CUnprivilegedFileAccess::CUnprivilegedFileAccess()
{
    if (::geteuid() == 0)
        m_previous = ::setfsuid(65534);  // nobody; CAP_DAC_OVERRIDE goes with the file uid
}

CUnprivilegedFileAccess::~CUnprivilegedFileAccess()
{
    if (m_previous >= 0)
        (void)::setfsuid(static_cast<uid_t>(m_previous));
}

std::string CUmockdevBed::DevNode(const std::shared_ptr<CSimUnit>& unit)
{
    std::lock_guard lock(m_mutex);
    for (const auto& a : m_units)
        if (a.unit == unit && a.node)
            return a.node->devNode;
    return {};
}

void CUmockdevBed::SyncLocked()
{
    for (auto& a : m_units) {
        const bool present = a.unit->Present();
        const uint64_t generation = a.unit->Generation();
        if (a.node && (!present || a.node->generation != generation)) {
            Remove(a.node);
            a.node = nullptr;
        }
        if (!a.node && present)
            a.node = Add(a.unit, a.unit->VendorId(), a.unit->ProductId(), a.unit->UsbName(), CSimUnit::ReportDescriptor());
        if (a.node)
            a.node->Deliver();
    }
}

CMockHidraw* CUmockdevBed::Add(std::shared_ptr<CSimUnit> unit, uint16_t vendorId, uint16_t productId, std::string name,
                               std::span<const uint8_t> descriptor)
{
    auto node = std::make_unique<CMockHidraw>();
    const int index = m_nextIndex++;
    node->unit = std::move(unit);
    node->generation = node->unit ? node->unit->Generation() : 0;
    node->vendorId = vendorId;
    node->productId = productId;
    node->name = "Dravena " + name;
    node->descriptor.assign(descriptor.begin(), descriptor.end());

    // The chain hidapi walks: USB device, USB interface, HID device, hidraw node.
    const std::string n = std::to_string(index + 1);
    const std::string hraw = "hidraw" + std::to_string(index);
    node->sysUsb = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + n;
    const std::string usbIf = node->sysUsb + "/1-" + n + ":1.0";
    const std::string hid = usbIf + "/0003:" + Hex4(vendorId) + ":" + Hex4(productId) + "." + Hex4(static_cast<unsigned>(index + 1));
    node->sysHidraw = hid + "/hidraw/" + hraw;
    node->devNode = "/dev/" + hraw;
    char vid[8];
    char pid[8];
    std::snprintf(vid, sizeof vid, "%04x", vendorId);
    std::snprintf(pid, sizeof pid, "%04x", productId);
    const std::string chain =
        "P: " + node->sysUsb.substr(4) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + vid +
        "\nA: idProduct=" + pid + "\nA: manufacturer=Dravena\nA: product=" + name + "\nA: bcdDevice=0100\nA: serial=VK5500001234\n\n" +
        "P: " + usbIf.substr(4) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n\n" +
        "P: " + hid.substr(4) + "\nE: SUBSYSTEM=hid\nE: HID_ID=0003:0000" + Hex4(vendorId) + ":0000" + Hex4(productId) +
        "\nE: HID_NAME=" + node->name + "\nE: HID_UNIQ=VK5500001234\nH: report_descriptor=" + HexBytes(descriptor) + "\n\n" +
        "P: " + node->sysHidraw.substr(4) + "\nN: " + hraw + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + node->devNode + "\n\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_bed, chain.c_str(), &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("umockdev refused the device chain: " + why);
    }
    umockdev_testbed_set_attribute_link(m_bed, node->sysHidraw.c_str(), "device", "../..");

    // umockdev does not fake fstat(): the node's numbers are the terminal's, and
    // libudev wants them in sysfs too.
    node->ptyPath = m_root + node->devNode;
    struct stat st{};
    if (::stat(node->ptyPath.c_str(), &st) != 0)
        throw std::runtime_error("no terminal behind " + node->devNode);
    const std::string major = std::to_string(::major(st.st_rdev));
    const std::string minor = std::to_string(::minor(st.st_rdev));
    umockdev_testbed_set_attribute(m_bed, node->sysHidraw.c_str(), "dev", (major + ":" + minor).c_str());
    umockdev_testbed_set_property(m_bed, node->sysHidraw.c_str(), "MAJOR", major.c_str());
    umockdev_testbed_set_property(m_bed, node->sysHidraw.c_str(), "MINOR", minor.c_str());
    std::filesystem::create_directories(m_root + "/sys/dev/char");
    node->devCharLink = m_root + "/sys/dev/char/" + major + ":" + minor;
    (void)::unlink(node->devCharLink.c_str());  // a terminal number freed by an earlier node
    if (::symlink(("../.." + node->sysHidraw.substr(4)).c_str(), node->devCharLink.c_str()) != 0)
        throw std::runtime_error("cannot link " + node->devCharLink);

    node->master = umockdev_testbed_get_dev_fd(m_bed, node->devNode.c_str());
    termios raw{};
    if (node->master < 0 || ::tcgetattr(node->master, &raw) != 0)
        throw std::runtime_error("no terminal for " + node->devNode);
    ::cfmakeraw(&raw);  // bytes, not lines; no echo
    (void)::tcsetattr(node->master, TCSANOW, &raw);
    node->drain = ::open(node->ptyPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);

    node->handler = umockdev_ioctl_base_new();
    g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(CMockHidraw::OnIoctl), node.get());
    g_signal_connect(node->handler, "handle-read", G_CALLBACK(CMockHidraw::OnRead), node.get());
    g_signal_connect(node->handler, "handle-write", G_CALLBACK(CMockHidraw::OnWrite), node.get());
    if (!umockdev_testbed_attach_ioctl(m_bed, node->devNode.c_str(), node->handler, &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("cannot emulate " + node->devNode + ": " + why);
    }
    // umockdev sent the add events when the chain went in.
    m_nodes.push_back(std::move(node));
    return m_nodes.back().get();
}

void CUmockdevBed::Remove(CMockHidraw* node)
{
    node->Gone();
    // Removing a device from the bed neither tells udev nor breaks open handles:
    // send the event and hang the terminal up, as an unplug does.
    umockdev_testbed_uevent(m_bed, node->sysHidraw.c_str(), "remove");
    const int fd = ::open(node->ptyPath.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::ioctl(fd, TIOCVHANGUP);
        ::close(fd);
    }
    if (node->drain >= 0) {
        ::close(node->drain);
        node->drain = -1;
    }
    (void)::unlink(node->devCharLink.c_str());
    umockdev_testbed_remove_device(m_bed, node->sysUsb.c_str());
}

}  // namespace vk::test
