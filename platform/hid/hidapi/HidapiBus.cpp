#include "platform/hid/hidapi/HidapiBus.h"

#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "platform/hid/ReportDescriptor.h"

namespace vk {
namespace {

// hid_init is not thread-safe; every bus shares one initialisation.
bool InitHidapi()
{
    static const bool ok = hid_init() == 0;
    return ok;
}

// "/dev/hidraw3" -> "hidraw3"; empty when the path is not a hidraw node.
std::string NodeName(const std::string& path)
{
    const auto slash = path.rfind('/');
    std::string node = slash == std::string::npos ? path : path.substr(slash + 1);
    if (node.rfind("hidraw", 0) != 0 || node.size() == 6)
        return {};
    for (size_t i = 6; i < node.size(); ++i)
        if (node[i] < '0' || node[i] > '9')
            return {};
    return node;
}

// hidapi 0.13 cannot hand out the descriptor; sysfs has it, readable without opening the node.
std::vector<uint8_t> ReadSysfsDescriptor(const std::string& node)
{
    std::vector<uint8_t> bytes;
    const std::string file = "/sys/class/hidraw/" + node + "/device/report_descriptor";
    FILE* f = std::fopen(file.c_str(), "rbe");
    if (!f)
        return bytes;
    std::array<uint8_t, 4096> chunk{};  // the kernel caps descriptors at 4096 bytes
    size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0 && bytes.size() < 65536)
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    std::fclose(f);
    return bytes;
}

// The share-mode lock held for as long as an interface is open.
class CShareLock {
public:
    CShareLock() = default;
    CShareLock(const CShareLock&) = delete;
    CShareLock& operator=(const CShareLock&) = delete;
    ~CShareLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);  // releases the flock
    }

    enum class Result { Held, Conflict, Gone };

    // A node we may not open at all cannot be locked; it still counts as held
    // so that its attributes can be listed, as on Windows.
    Result Take(const std::string& path, bool exclusive)
    {
        m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return errno == ENOENT || errno == ENODEV || errno == ENXIO ? Result::Gone : Result::Held;
        if (::flock(m_fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
            return Result::Conflict;
        return Result::Held;
    }

private:
    int m_fd = -1;
};

class CHidapiInterface final : public IHidInterface {
public:
    CHidapiInterface(const HidAttributes& attributes, const ReportDescriptorResult& layout, hid_device* device,
                     std::unique_ptr<CShareLock> lock, const HidOpenMode& mode)
        : m_attributes(attributes), m_caps(layout.caps), m_collections(layout.collections),
          m_numbered(layout.numberedReports), m_device(device),
          m_lock(std::move(lock)), m_mode(mode)
    {
    }
    ~CHidapiInterface() override
    {
        if (m_device)
            hid_close(m_device);
    }
    CHidapiInterface(const CHidapiInterface&) = delete;
    CHidapiInterface& operator=(const CHidapiInterface&) = delete;

    const HidAttributes& Attributes() const override { return m_attributes; }
    const HidCaps& Caps() const override { return m_caps; }
    std::vector<HidCaps> Collections() const override { return m_collections; }

    bool WriteReport(std::span<const uint8_t> report) override
    {
        if (!m_device || !m_mode.write || report.empty())
            return false;
        // hidraw takes the report id byte first, 0 for devices without numbered reports.
        const int written = hid_write(m_device, report.data(), report.size());
        return written >= 0 && static_cast<size_t>(written) == report.size();
    }

    HidReadStatus ReadReport(std::span<uint8_t> report, uint32_t timeoutMs) override
    {
        if (!m_device || !m_mode.read)
            return HidReadStatus::Failed;
        // Without numbered reports hidraw leaves the id out: put the 0 back in front.
        const size_t offset = m_numbered ? 0 : 1;
        std::array<uint8_t, 4097> buffer{};
        const int timeout = timeoutMs > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(timeoutMs);
        const int n = hid_read_timeout(m_device, buffer.data() + offset, buffer.size() - offset, timeout);
        if (n < 0)
            return HidReadStatus::Failed;  // "device disconnected" after an unplug
        if (n == 0)
            return HidReadStatus::TimedOut;
        const size_t got = static_cast<size_t>(n) + offset;
        std::fill(report.begin(), report.end(), uint8_t{0});
        std::copy_n(buffer.begin(), std::min(got, report.size()), report.begin());
        return HidReadStatus::Ok;
    }

private:
    HidAttributes m_attributes;
    HidCaps m_caps;
    std::vector<HidCaps> m_collections;
    bool m_numbered;
    hid_device* m_device;
    std::unique_ptr<CShareLock> m_lock;
    HidOpenMode m_mode;
};

class CHidapiBus final : public IHidBus {
public:
    std::vector<std::string> PresentInterfaces() override
    {
        std::vector<std::string> paths;
        if (!InitHidapi())
            return paths;
        std::map<std::string, HidAttributes> found;
        hid_device_info* list = hid_enumerate(0, 0);
        // One entry per top-level collection: several can share a path.
        for (const hid_device_info* d = list; d; d = d->next) {
            if (!d->path || found.count(d->path))
                continue;
            paths.emplace_back(d->path);
            found[d->path] = HidAttributes{d->vendor_id, d->product_id, d->release_number};
        }
        hid_free_enumeration(list);
        std::lock_guard lock(m_mutex);
        m_attributes = std::move(found);
        return paths;
    }

    std::unique_ptr<IHidInterface> Open(const std::string& path, const HidOpenMode& mode) override
    {
        const std::string node = NodeName(path);
        if (node.empty() || !InitHidapi())
            return nullptr;
        HidAttributes attributes;
        if (!LookUp(path, attributes))
            return nullptr;
        const ReportDescriptorResult layout = ParseReportDescriptor(ReadSysfsDescriptor(node));
        if (!layout.ok)
            return nullptr;
        auto lock = std::make_unique<CShareLock>();
        if (lock->Take(path, mode.exclusive) != CShareLock::Result::Held)
            return nullptr;
        hid_device* device = nullptr;
        if (mode.read || mode.write) {
            device = hid_open_path(path.c_str());
            if (!device)
                return nullptr;
        }
        return std::make_unique<CHidapiInterface>(attributes, layout, device, std::move(lock), mode);
    }

private:
    // Attributes come from the enumeration; a path not seen in the last one is looked up afresh.
    bool LookUp(const std::string& path, HidAttributes& attributes)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            {
                std::lock_guard lock(m_mutex);
                const auto it = m_attributes.find(path);
                if (it != m_attributes.end()) {
                    attributes = it->second;
                    return true;
                }
            }
            if (attempt == 0)
                (void)PresentInterfaces();
        }
        return false;
    }

    std::mutex m_mutex;
    std::map<std::string, HidAttributes> m_attributes;
};

}  // namespace

std::unique_ptr<IHidBus> MakeHidapiBus() { return std::make_unique<CHidapiBus>(); }

}  // namespace vk
