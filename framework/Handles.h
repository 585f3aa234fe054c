#pragma once
// Owners for the kernel, registry and GDI objects the program creates.
// Each owns exactly one object, closes it once, and can only be moved.
#include <windows.h>

#include <utility>

namespace fw {

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Type value) noexcept : value_(value) {}
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    [[nodiscard]] Type get() const noexcept { return value_; }
    [[nodiscard]] bool valid() const noexcept { return Traits::valid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(value_, Traits::empty()); }
    void reset(Type value = Traits::empty()) noexcept {
        Type old = std::exchange(value_, value);
        if (Traits::valid(old)) Traits::close(old);
    }
    // For out-parameters of APIs that create the object: frees the old one first.
    Type* put() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::empty();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type empty() noexcept { return nullptr; }
    // Kernel calls use both NULL and INVALID_HANDLE_VALUE for "no handle".
    static bool valid(Type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Type h) noexcept { ::CloseHandle(h); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type empty() noexcept { return nullptr; }
    static bool valid(Type h) noexcept { return h != nullptr; }
    static void close(Type h) noexcept { ::RegCloseKey(h); }
};

template <typename GdiType>
struct GdiObjectTraits {
    using Type = GdiType;
    static Type empty() noexcept { return nullptr; }
    static bool valid(Type h) noexcept { return h != nullptr; }
    static void close(Type h) noexcept { ::DeleteObject(h); }
};

struct MemoryDcTraits {
    using Type = HDC;
    static Type empty() noexcept { return nullptr; }
    static bool valid(Type h) noexcept { return h != nullptr; }
    static void close(Type h) noexcept { ::DeleteDC(h); }
};

struct IconTraits {
    using Type = HICON;
    static Type empty() noexcept { return nullptr; }
    static bool valid(Type h) noexcept { return h != nullptr; }
    static void close(Type h) noexcept { ::DestroyIcon(h); }
};

struct HookTraits {
    using Type = HHOOK;
    static Type empty() noexcept { return nullptr; }
    static bool valid(Type h) noexcept { return h != nullptr; }
    static void close(Type h) noexcept { ::UnhookWindowsHookEx(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueHKey = UniqueResource<RegKeyTraits>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueResource<GdiObjectTraits<HPEN>>;
using UniqueRegion = UniqueResource<GdiObjectTraits<HRGN>>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;
using UniqueIcon = UniqueResource<IconTraits>;
using UniqueHook = UniqueResource<HookTraits>;

// A DC obtained with GetDC, released to its window.
class WindowDc {
public:
    explicit WindowDc(HWND wnd) noexcept : wnd_(wnd), dc_(::GetDC(wnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    [[nodiscard]] HDC get() const noexcept { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// The DC of a whole window (its frame included), released with the window.
class WholeWindowDc {
public:
    explicit WholeWindowDc(HWND wnd) noexcept : wnd_(wnd), dc_(::GetWindowDC(wnd)) {}
    WholeWindowDc(const WholeWindowDc&) = delete;
    WholeWindowDc& operator=(const WholeWindowDc&) = delete;
    ~WholeWindowDc() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    [[nodiscard]] HDC get() const noexcept { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// A DC of the whole window, non-client area included (GetWindowDC).
class NonClientDc {
public:
    explicit NonClientDc(HWND wnd) noexcept : wnd_(wnd), dc_(::GetWindowDC(wnd)) {}
    NonClientDc(const NonClientDc&) = delete;
    NonClientDc& operator=(const NonClientDc&) = delete;
    ~NonClientDc() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    [[nodiscard]] HDC get() const noexcept { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint / EndPaint as one scope.
class PaintDc {
public:
    explicit PaintDc(HWND wnd) noexcept : wnd_(wnd) { ::BeginPaint(wnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { ::EndPaint(wnd_, &ps_); }
    [[nodiscard]] HDC get() const noexcept { return ps_.hdc; }
    [[nodiscard]] const RECT& dirty() const noexcept { return ps_.rcPaint; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace fw
