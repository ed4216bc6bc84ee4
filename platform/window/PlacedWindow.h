#pragma once
// Window geometry and what window placement needs of a window. Kept apart from
// the dialog framework so the settings (which save and restore placements) need
// only this, and the dialog framework stands above the settings.

namespace vk {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// left/top inclusive, right/bottom exclusive (a window rectangle).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] int Width() const { return right - left; }
    [[nodiscard]] int Height() const { return bottom - top; }
    // Edges included, as the panel hit test of the inputs page wants.
    [[nodiscard]] bool ContainsInclusive(Point p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_RESTORE = 9;

// Where a window lies when it is neither minimised nor maximised, in screen pixels.
struct WindowPlacement {
    int showCmd = SW_SHOWNORMAL;
    Rect normalPosition;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

struct MonitorInfo {
    Rect monitor;
    Rect workArea;  // without task bars and panels
};

// A window that can be placed: its normal position and the screens around it.
class IPlacedWindow {
public:
    virtual ~IPlacedWindow() = default;
    // False when the window does not exist (yet).
    [[nodiscard]] virtual bool GetWindowPlacement(WindowPlacement& placement) = 0;
    virtual bool SetWindowPlacement(const WindowPlacement& placement) = 0;
    // The monitor nearest to a rectangle (screen pixels); false when there is none.
    [[nodiscard]] virtual bool NearestMonitor(const Rect& r, MonitorInfo& info) const = 0;
    // False where the windowing system places windows itself (Wayland): a
    // position read there means nothing and one set there is not kept.
    [[nodiscard]] virtual bool CanBePlaced() const { return true; }
};

}  // namespace vk
