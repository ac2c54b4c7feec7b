// Docking geometry on plain values: no window-system call here.
#include "docking/geometry.h"
#include "core/bytes_and_text.h"
#include "core/edition.h"

namespace {

int32_t Held(int64_t value)
{
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

uint32_t PanelKindOf(const unsigned char* record)
{
    return ReadWord32(record + PanelKindOffset) >> 16;
}

bool IsPanelKind(uint32_t kind, int32_t host_version)
{
    if (kind == PanelKindAll)
        return true;
    if (kind == PanelKindFS98)
        return host_version == EditionFS98;
    if (kind == PanelKindFS2000)
        return host_version == EditionFS2000;
    return false;
}

void FarProbePoint(const DisplayValues& s, int32_t x, int32_t y, int32_t* far_x, int32_t* far_y)
{
    *far_x = Held(int64_t{x} + s.window_width);
    *far_y = Held(int64_t{y} + s.window_height);
}

void HalfLineProbeRows(int32_t y, int32_t line_height, int32_t rows[3])
{
    // C++ division truncates toward zero, as the probes want for any height.
    const int64_t half = line_height / 2;
    rows[0] = y;
    rows[1] = Held(int64_t{y} - half);
    rows[2] = Held(int64_t{y} + half);
}

int32_t RaisedToMinimum(const DisplayValues& s, int32_t height, int32_t docked)
{
    const int32_t minimum = docked ? s.docked_min_height : s.undocked_min_height;
    return height < minimum ? minimum : height;
}

void KeepInsideArea(int32_t* x, int32_t* y, int32_t width, int32_t height, int32_t area_width,
                    int32_t area_height)
{
    if (area_width <= 0 || area_height <= 0)
        return;
    const auto inside = [](int32_t at, int32_t size, int32_t area) {
        int64_t place = at;
        if (place > int64_t{area} - size)
            place = int64_t{area} - size;
        return place < 0 ? 0 : static_cast<int32_t>(place);
    };
    *x = inside(*x, width, area_width);
    *y = inside(*y, height, area_height);
}

WindowPlace DockedFromUndocked(const DisplayValues& s, WindowPlace undocked, int32_t client_height)
{
    // The undocked window's own non-client height (outer minus client) is
    // used, not the metrics: the docked border then sits one border width
    // above where the undocked text area began.
    WindowPlace docked;
    docked.y = Held(int64_t{undocked.y} + (int64_t{undocked.height} - client_height - s.cy_frame + s.cy_border));
    docked.height = Held(int64_t{client_height} + 2 * int64_t{s.cy_border});
    docked.x = Held(int64_t{undocked.x} + (int64_t{s.cx_frame} - s.cx_border));
    docked.width = Held(int64_t{undocked.width} - (2 * int64_t{s.cx_frame} - 2 * int64_t{s.cx_border}));
    return docked;
}

WindowPlace UndockedFromDocked(const DisplayValues& s, WindowPlace docked)
{
    // Caption and top frame above the text area.
    const int64_t above = int64_t{s.cy_caption} + s.cy_frame;
    WindowPlace undocked;
    undocked.y = Held(int64_t{docked.y} - (above + s.cy_border));
    undocked.height = Held(int64_t{docked.height} + (above + s.cy_frame - 2 * int64_t{s.cy_border}));
    undocked.x = Held(int64_t{docked.x} - (int64_t{s.cx_frame} - s.cx_border));
    undocked.width = Held(int64_t{docked.width} + (2 * int64_t{s.cx_frame} - 2 * int64_t{s.cx_border}));
    return undocked;
}

void FollowPanelTo(DisplayValues& s, int32_t panel_x, int32_t panel_y)
{
    s.docked_x = Held(int64_t{s.docked_x} + panel_x - s.target_x);
    s.docked_y = Held(int64_t{s.docked_y} + panel_y - s.target_y);
    s.target_x = panel_x;
    s.target_y = panel_y;
}
