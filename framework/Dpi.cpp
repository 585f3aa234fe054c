#include "framework/Dpi.h"

#include "framework/Handles.h"

namespace fw {
namespace {

// user32's per-DPI functions, looked up once (user32 stays loaded).
struct DpiFunctions {
    UINT(WINAPI* GetDpiForSystem)() = nullptr;
    UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
    int(WINAPI* GetSystemMetricsForDpi)(int, UINT) = nullptr;
    BOOL(WINAPI* SystemParametersInfoForDpi)(UINT, UINT, PVOID, UINT, UINT) = nullptr;
    BOOL(WINAPI* AdjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
};

template <typename F>
void Find(HMODULE module, const char* name, F& fn) noexcept {
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const DpiFunctions& Functions() noexcept {
    static const DpiFunctions functions = [] {
        DpiFunctions f;
        if (HMODULE user32 = ::GetModuleHandleW(L"user32.dll")) {
            Find(user32, "GetDpiForSystem", f.GetDpiForSystem);
            Find(user32, "GetDpiForWindow", f.GetDpiForWindow);
            Find(user32, "GetSystemMetricsForDpi", f.GetSystemMetricsForDpi);
            Find(user32, "SystemParametersInfoForDpi", f.SystemParametersInfoForDpi);
            Find(user32, "AdjustWindowRectExForDpi", f.AdjustWindowRectExForDpi);
        }
        return f;
    }();
    return functions;
}

}  // namespace

int SystemDpi() noexcept {
    if (const auto get = Functions().GetDpiForSystem) return static_cast<int>(get());
    WindowDc screen(nullptr);
    return ::GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int WindowDpi(HWND wnd) noexcept {
    if (const auto get = Functions().GetDpiForWindow; get && wnd) {
        if (const UINT dpi = get(wnd)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) noexcept {
    if (const auto get = Functions().GetSystemMetricsForDpi) return get(index, static_cast<UINT>(dpi));
    return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

NONCLIENTMETRICSW NonClientMetricsForDpi(int dpi) noexcept {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (const auto get = Functions().SystemParametersInfoForDpi;
        get && get(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0, static_cast<UINT>(dpi))) {
        return ncm;
    }
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    const int system = SystemDpi();
    if (dpi != system) {
        for (LOGFONTW* lf : {&ncm.lfCaptionFont, &ncm.lfSmCaptionFont, &ncm.lfMenuFont, &ncm.lfStatusFont,
                             &ncm.lfMessageFont}) {
            lf->lfHeight = ::MulDiv(lf->lfHeight, dpi, system);
        }
        for (int* size : {&ncm.iBorderWidth, &ncm.iScrollWidth, &ncm.iScrollHeight, &ncm.iCaptionWidth,
                          &ncm.iCaptionHeight, &ncm.iSmCaptionWidth, &ncm.iSmCaptionHeight, &ncm.iMenuWidth,
                          &ncm.iMenuHeight}) {
            *size = ::MulDiv(*size, dpi, system);
        }
    }
    return ncm;
}

RECT NonClientFrameForDpi(DWORD style, DWORD exStyle, int dpi) noexcept {
    RECT r{};
    if (const auto adjust = Functions().AdjustWindowRectExForDpi) {
        adjust(&r, style, FALSE, exStyle, static_cast<UINT>(dpi));
    } else {
        ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    }
    return RECT{-r.left, -r.top, r.right, r.bottom};
}

}  // namespace fw
