#pragma once
// A unit link test bed: a free-running virtual clock, a simulated bus and a
// traffic viewer that keeps every record it is sent.

#include "device/HIDProtocol.h"
#include "platform/clock/Clock.h"
#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowDirectory.h"
#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimUnit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vk::test {

class CCapturingViewer final : public IWindowDirectory {
public:
    bool running = true;  // a stopped viewer is not found, and its windows take nothing
    int lookups = 0;
    std::vector<ViewerRecord> records;

    std::unique_ptr<IRemoteWindow> FindWindow(const std::string& title) override
    {
        ++lookups;
        if (!running || title != kViewerWindowTitle)
            return nullptr;
        return std::make_unique<CWindow>(*this);
    }

    [[nodiscard]] std::vector<int32_t> Kinds() const
    {
        std::vector<int32_t> kinds;
        for (const auto& r : records)
            kinds.push_back(r.kind);
        return kinds;
    }

private:
    class CWindow final : public IRemoteWindow {
    public:
        explicit CWindow(CCapturingViewer& owner) : m_owner(owner) {}
        bool PostMessage(uint32_t, int64_t, int64_t) override { return true; }
        bool SendCopyData(int64_t wParam, int64_t dwData, std::span<const uint8_t> data) override
        {
            if (!m_owner.running)
                return false;
            EXPECT_EQ(wParam, kViewerWParam);
            EXPECT_EQ(dwData, kViewerDwData);
            auto record = DecodeViewerRecord(data);
            EXPECT_TRUE(record.has_value()) << "record of " << data.size() << " bytes";
            if (record)
                m_owner.records.push_back(*record);
            return true;
        }

    private:
        CCapturingViewer& m_owner;
    };
};

class DeviceTestBed : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&clock);
        SetWindows(&viewer);
    }
    void TearDown() override
    {
        SetWindows(nullptr);
        SetClock(nullptr);
    }

    std::shared_ptr<CSimUnit> PlugUnit(SimUnitKind kind)
    {
        auto unit = std::make_shared<CSimUnit>(kind);
        (void)bus.Plug(unit);
        return unit;
    }

    // A protocol object with the unit of this kind open and a clean log.
    std::shared_ptr<CSimUnit> OpenUnit(SimUnitKind kind = SimUnitKind::StandAlone)
    {
        auto unit = PlugUnit(kind);
        EXPECT_TRUE(protocol.OpenUnit(kFamilyFilter, false));
        EXPECT_TRUE(protocol.IsOpen());
        unit->ClearLog();
        viewer.records.clear();
        return unit;
    }

    CVirtualClock clock;
    CCapturingViewer viewer;
    CSimHidBus bus;
    CHIDProtocol protocol{bus};
};

}  // namespace vk::test
