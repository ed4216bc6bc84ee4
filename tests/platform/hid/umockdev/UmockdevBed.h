#pragma once
// A umockdev test bed whose hidraw devices are played by simulated units, so
// that the real hidapi backend talks to the firmware model through the real
// Linux HID stack's interfaces (sysfs, udev, /dev nodes, ioctls).
//
// Needs libumockdev-preload in the process (umockdev-wrapper or LD_PRELOAD),
// and must be created before any udev monitor.
//
// Limits: every node is a pseudo-terminal shared by all handles of the
// interface, so the reports queued for a node go to whichever handle reads
// first (hidraw gives each handle its own copy). Permissions: RestrictNode and
// CUnprivilegedFileAccess give a node that refuses the user, also under root.

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/clock/Clock.h"
#include "sim/unit/SimUnit.h"

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace vk::test {

class CMockHidraw;

class CUmockdevBed {
public:
    // Whether umockdev's preload library intercepts this process's device access.
    [[nodiscard]] static bool PreloadActive();
    // Starts this program again under umockdev's preload library (as
    // umockdev-wrapper would) unless it already runs under it; returns only when
    // that is not possible. Test programs do it before main unless built with
    // VK_UMOCKDEV_MANUAL_RESTART.
    static void RestartUnderPreload();
    // Removes the folders that aborted runs left in /tmp (only old ones: other
    // runs may be working in theirs).
    static void RemoveLeftovers();

    CUmockdevBed();
    ~CUmockdevBed();
    CUmockdevBed(const CUmockdevBed&) = delete;
    CUmockdevBed& operator=(const CUmockdevBed&) = delete;

    // The unit's command interface becomes a hidraw device that follows the
    // unit: it goes when the unit leaves the bus and comes back under the
    // unit's new product id, each time Sync() runs.
    void Attach(std::shared_ptr<CSimUnit> unit);
    // An interface no unit plays (a keypad of the unit, another vendor's device).
    // Returns its device node.
    std::string AddInterface(uint16_t vendorId, uint16_t productId, std::span<const uint8_t> descriptor);
    // Takes the unit off the bus at once.
    void Unplug(const std::shared_ptr<CSimUnit>& unit);
    // Mirrors every attached unit's presence and identity onto the bed and hands
    // the answers whose time has come to the readers.
    void Sync();
    // The unit's device node now ("" while it is away).
    [[nodiscard]] std::string DevNode(const std::shared_ptr<CSimUnit>& unit);
    // Gives the unit's node the permissions it has without our udev rule (root's
    // only) or back. The bed's folders become readable for every user, so that a
    // test can look at the bed as another user (see CUnprivilegedFileAccess).
    void RestrictNode(const std::shared_ptr<CSimUnit>& unit, bool restricted);

private:
    struct Attached {
        std::shared_ptr<CSimUnit> unit;
        CMockHidraw* node = nullptr;  // the current appearance, if any
    };

    CMockHidraw* Add(std::shared_ptr<CSimUnit> unit, uint16_t vendorId, uint16_t productId, std::string name,
                     std::span<const uint8_t> descriptor);
    void Remove(CMockHidraw* node);
    void SyncLocked();

    std::recursive_mutex m_mutex;
    UMockdevTestbed* m_bed;
    std::string m_root;
    int m_nextIndex = 0;
    std::vector<Attached> m_units;
    // Nodes stay allocated until the bed goes: umockdev's worker may still be
    // inside one of their handlers when a device is removed.
    std::vector<std::unique_ptr<CMockHidraw>> m_nodes;
};

// Makes the calling thread's file access that of an unprivileged user while it
// lives, when the test runs as root (root opens any node); otherwise the user's
// own rights already apply. Other threads (umockdev's worker) keep theirs.
class CUnprivilegedFileAccess {
public:
    CUnprivilegedFileAccess();
    ~CUnprivilegedFileAccess();
    CUnprivilegedFileAccess(const CUnprivilegedFileAccess&) = delete;
    CUnprivilegedFileAccess& operator=(const CUnprivilegedFileAccess&) = delete;

private:
    int m_previous = -1;
};

// A virtual clock that syncs the bed after every sleep, so that a wait in unit
// time sees the bus as the units left it.
class CBedClock final : public IClock {
public:
    explicit CBedClock(CUmockdevBed& bed) : m_bed(bed) {}
    [[nodiscard]] uint64_t NowMs() const override { return m_clock.NowMs(); }
    void SleepMs(uint32_t ms) override
    {
        m_clock.SleepMs(ms);
        m_bed.Sync();
    }
    [[nodiscard]] LocalTime Local() const override { return m_clock.Local(); }

private:
    CUmockdevBed& m_bed;
    CVirtualClock m_clock;
};

}  // namespace vk::test
