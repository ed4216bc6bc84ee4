#include "platform/hid/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace vk {
namespace {

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : uint8_t { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };
enum GlobalTag : uint8_t { kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB };
enum LocalTag : uint8_t { kUsage = 0x0, kUsageMinimum = 0x1, kUsageMaximum = 0x2 };

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr uint8_t kMainConstant = 0x01;
constexpr uint8_t kMainVariable = 0x02;
constexpr size_t kMaxPushDepth = 32;
// A report's length must fit the 16-bit length fields together with its id byte.
constexpr uint64_t kMaxReportBits = 8ull * 65534;

struct GlobalState {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct LocalState {
    bool hasUsage = false;
    uint32_t firstUsage = 0;      // with its page in the upper 16 bits when it was given
    bool firstUsageExtended = false;
    uint16_t usageEntries = 0;    // single usages plus usage ranges
    bool pendingMinimum = false;  // a Usage Minimum waits for its Usage Maximum
};

enum ReportKind { kInputReport, kOutputReport, kFeatureReport, kReportKinds };

// One top-level collection: its usage, button count and report bits by report id.
struct TopLevelCollection {
    HidCaps caps;
    std::array<std::map<uint32_t, uint64_t>, kReportKinds> bits;
};

uint16_t ReportLength(uint64_t bits) { return bits == 0 ? 0 : static_cast<uint16_t>((bits + 7) / 8 + 1); }

class CParser {
public:
    explicit CParser(std::span<const uint8_t> d) : m_d(d) {}

    ReportDescriptorResult Run()
    {
        if (m_d.empty())
            return Fail("empty descriptor");
        size_t pos = 0;
        while (pos < m_d.size()) {
            const uint8_t prefix = m_d[pos];
            if (prefix == kLongItemPrefix)
                return Fail("long item at offset " + std::to_string(pos) + " (no long items are defined)");
            static constexpr std::array<size_t, 4> kSizes{0, 1, 2, 4};
            const size_t size = kSizes[prefix & 0x3];
            if (size > m_d.size() - pos - 1)
                return Fail("truncated item at offset " + std::to_string(pos));
            uint32_t value = 0;
            for (size_t i = 0; i < size; ++i)
                value |= static_cast<uint32_t>(m_d[pos + 1 + i]) << (8 * i);
            const auto type = static_cast<uint8_t>((prefix >> 2) & 0x3);
            const auto tag = static_cast<uint8_t>(prefix >> 4);
            if (!Item(type, tag, value, size))
                return Fail(m_error + " at offset " + std::to_string(pos));
            pos += 1 + size;
        }
        if (m_depth != 0)
            return Fail("unbalanced collections: " + std::to_string(m_depth) + " left open");
        if (!m_sawTopLevel)
            return Fail("no top-level collection");
        return Finish();
    }

private:
    bool Item(uint8_t type, uint8_t tag, uint32_t value, size_t size)
    {
        switch (type) {
        case kMain: return Main(tag, value);
        case kGlobal: return Global(tag, value);
        case kLocal: Local(tag, value, size); return true;
        default: return true;  // reserved items carry nothing we need
        }
    }

    bool Main(uint8_t tag, uint32_t value)
    {
        bool ok = true;
        switch (tag) {
        case kInput: ok = Field(kInputReport, value); break;
        case kOutput: ok = Field(kOutputReport, value); break;
        case kFeature: ok = Field(kFeatureReport, value); break;
        case kCollection:
            if (m_depth == 0) {
                TopLevelCollection collection;
                collection.caps.usagePage =
                    static_cast<uint16_t>(m_local.firstUsageExtended ? m_local.firstUsage >> 16 : m_global.usagePage);
                collection.caps.usage = static_cast<uint16_t>(m_local.firstUsage & 0xFFFF);
                if (!m_sawTopLevel) {
                    m_caps.usagePage = collection.caps.usagePage;
                    m_caps.usage = collection.caps.usage;
                }
                m_sawTopLevel = true;
                m_collections.push_back(std::move(collection));
            }
            ++m_depth;
            break;
        case kEndCollection:
            if (m_depth == 0)
                return Error("End Collection without Collection");
            --m_depth;
            break;
        default: break;
        }
        m_local = {};  // local items apply to the next main item only
        return ok;
    }

    bool Field(ReportKind kind, uint32_t flags)
    {
        const uint64_t bits = static_cast<uint64_t>(m_global.reportSize) * m_global.reportCount;
        uint64_t& total = m_bits[kind][m_global.reportId];
        if (bits > kMaxReportBits || total + bits > kMaxReportBits)
            return Error("report longer than 65534 bytes");
        total += bits;
        if (m_global.reportId == 0 && bits > 0)
            m_unnumberedUsed = true;
        const bool constant = flags & kMainConstant;
        const bool array = !(flags & kMainVariable);
        TopLevelCollection* collection = m_depth > 0 && !m_collections.empty() ? &m_collections.back() : nullptr;
        if (collection)
            collection->bits[kind][m_global.reportId] += bits;
        // The Windows parser treats one-bit variables and array items as buttons.
        if (kind == kInputReport && !constant && bits > 0 && (array || m_global.reportSize == 1)) {
            const auto buttons = std::max<uint16_t>(1, m_local.usageEntries);
            m_caps.numberInputButtonCaps = static_cast<uint16_t>(m_caps.numberInputButtonCaps + buttons);
            if (collection)
                collection->caps.numberInputButtonCaps = static_cast<uint16_t>(collection->caps.numberInputButtonCaps + buttons);
        }
        return true;
    }

    bool Global(uint8_t tag, uint32_t value)
    {
        switch (tag) {
        case kUsagePage: m_global.usagePage = value; break;
        case kReportSize: m_global.reportSize = value; break;
        case kReportCount: m_global.reportCount = value; break;
        case kReportId:
            if (value == 0 || value > 255)
                return Error("report id " + std::to_string(value) + " outside 1..255");
            m_global.reportId = value;
            m_numbered = true;
            break;
        case kPush:
            if (m_stack.size() >= kMaxPushDepth)
                return Error("Push nested deeper than " + std::to_string(kMaxPushDepth));
            m_stack.push_back(m_global);
            break;
        case kPop:
            if (m_stack.empty())
                return Error("Pop without Push");
            m_global = m_stack.back();
            m_stack.pop_back();
            break;
        default: break;
        }
        return true;
    }

    void Local(uint8_t tag, uint32_t value, size_t size)
    {
        if (tag == kUsage || tag == kUsageMinimum) {
            if (!m_local.hasUsage) {
                m_local.hasUsage = true;
                m_local.firstUsage = value;
                m_local.firstUsageExtended = size == 4;
            }
        }
        if (tag == kUsage)
            ++m_local.usageEntries;
        else if (tag == kUsageMinimum)
            m_local.pendingMinimum = true;
        else if (tag == kUsageMaximum && m_local.pendingMinimum) {
            m_local.pendingMinimum = false;
            ++m_local.usageEntries;
        }
    }

    ReportDescriptorResult Finish()
    {
        if (m_numbered && m_unnumberedUsed)
            return Fail("reports both with and without a report id");
        std::array<uint16_t*, kReportKinds> lengths{&m_caps.inputReportByteLength, &m_caps.outputReportByteLength,
                                                    &m_caps.featureReportByteLength};
        for (int kind = 0; kind < kReportKinds; ++kind) {
            uint64_t longest = 0;
            for (uint64_t bits : m_bits[kind])
                longest = std::max(longest, bits);
            *lengths[kind] = ReportLength(longest);
        }
        ReportDescriptorResult r;
        r.ok = true;
        r.caps = m_caps;
        for (TopLevelCollection& collection : m_collections) {
            std::array<uint16_t*, kReportKinds> own{&collection.caps.inputReportByteLength,
                                                    &collection.caps.outputReportByteLength,
                                                    &collection.caps.featureReportByteLength};
            for (int kind = 0; kind < kReportKinds; ++kind) {
                uint64_t longest = 0;
                for (const auto& [id, bits] : collection.bits[kind])
                    longest = std::max(longest, bits);
                *own[kind] = ReportLength(longest);
            }
            r.collections.push_back(collection.caps);
        }
        r.numberedReports = m_numbered;
        return r;
    }

    bool Error(std::string text)
    {
        m_error = std::move(text);
        return false;
    }

    static ReportDescriptorResult Fail(std::string text)
    {
        ReportDescriptorResult r;
        r.error = std::move(text);
        return r;
    }

    std::span<const uint8_t> m_d;
    GlobalState m_global;
    LocalState m_local;
    std::vector<GlobalState> m_stack;
    std::array<std::array<uint64_t, 256>, kReportKinds> m_bits{};
    HidCaps m_caps;
    std::vector<TopLevelCollection> m_collections;
    int m_depth = 0;
    bool m_sawTopLevel = false;
    bool m_numbered = false;
    bool m_unnumberedUsed = false;
    std::string m_error;
};

}  // namespace

ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor) { return CParser(descriptor).Run(); }

}  // namespace vk
