#pragma once
// The pixels of a one-pixel line from a to b, both ends included (Bresenham),
// handed to plot(x, y) in order. Shared by the surfaces that draw pixels themselves.

#include <cstdlib>

#include "platform/ui/UiTypes.h"

namespace vk {

template <class Plot>
void RasterLine(Point a, Point b, Plot&& plot)
{
    int x = a.x, y = a.y;
    const int dx = std::abs(b.x - x), sx = x < b.x ? 1 : -1;
    const int dy = -std::abs(b.y - y), sy = y < b.y ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plot(x, y);
        if (x == b.x && y == b.y)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

}  // namespace vk
