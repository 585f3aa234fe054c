#pragma once
// Pixels per inch: of the system, of a window, and the system metrics and
// fonts the system gives for a DPI. The per-DPI functions of user32 came with
// Windows 10 (1607) and are looked up at run time; where they are missing every
// window has the system's DPI, and a metric for another DPI is the system's
// own scaled by the ratio.
#include <windows.h>

namespace fw {

inline constexpr int DefaultPixelsPerInch = 96;

// The DPI the system renders at (the primary monitor's at log-on).
int SystemDpi() noexcept;
// The DPI the system gives a window (its monitor's for a per-monitor aware
// program); the system's when the window or the function is missing.
int WindowDpi(HWND wnd) noexcept;
// GetSystemMetrics as it is at a DPI.
int SystemMetricForDpi(int index, int dpi) noexcept;
// The non-client metrics (caption, menu and message fonts, caption sizes) at a DPI.
NONCLIENTMETRICSW NonClientMetricsForDpi(int dpi) noexcept;
// The non-client frame the system gives a window of these styles at a DPI:
// the widths it adds on each side (left and top as positive numbers).
RECT NonClientFrameForDpi(DWORD style, DWORD exStyle, int dpi) noexcept;

}  // namespace fw
