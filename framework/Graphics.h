#pragma once
// Colours, fonts and a canvas over a device context.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "framework/Handles.h"

namespace fw {

// An RGB value (0x00BBGGRR) or, with the top byte 0xFF, a system colour index.
using TColor = std::int32_t;
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index)); }
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);

COLORREF ColorToRGB(TColor color) noexcept;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// A logical font; the GDI font is made on first use and remade after a change.
class TFont {
public:
    TFont() = default;
    TFont(const TFont& other) { CopyFrom(other); }
    TFont& operator=(const TFont& other) {
        Assign(other);
        return *this;
    }

    const std::wstring& Name() const noexcept { return name_; }
    void SetName(std::wstring name);
    // Negative: character height in pixels; positive: cell height.
    int Height() const noexcept { return height_; }
    void SetHeight(int height);
    // Points at the screen's pixels per inch.
    int Size() const;
    void SetSize(int points);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const noexcept { return style_; }
    void SetStyle(TFontStyles style);
    BYTE Charset() const noexcept { return charset_; }
    void SetCharset(BYTE charset);

    // Takes every attribute of source; one change notification.
    void Assign(const TFont& source);
    bool SameAs(const TFont& other) const noexcept;
    HFONT Handle() const;
    // Counts the changes that make a new GDI font; the colour is not one.
    unsigned FaceRevision() const noexcept { return faceRevision_; }

    std::function<void()> OnChange;

private:
    void CopyFrom(const TFont& other);
    void Changed();

    std::wstring name_ = L"Tahoma";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    BYTE charset_ = DEFAULT_CHARSET;
    mutable UniqueFont handle_;
    unsigned faceRevision_ = 0;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear };

// A pen; the GDI pen is made on first use and kept until the pen changes.
class TPen {
public:
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);
    int Width() const noexcept { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const noexcept { return style_; }
    void SetStyle(TPenStyle style);
    HPEN Handle() const;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
    mutable UniquePen handle_;
};

enum class TBrushStyle { bsSolid, bsClear };

// A brush; system colours use the system's own brushes, other colours a
// GDI brush made on first use and kept until the colour changes.
class TBrush {
public:
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const noexcept { return style_; }
    void SetStyle(TBrushStyle style) noexcept { style_ = style; }
    // The null brush for bsClear.
    HBRUSH Handle() const;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
    mutable UniqueBrush handle_;
};

class TBitmap;

// Drawing on a DC that somebody else owns: font, pen and brush kept here and
// selected as needed. Their GDI objects live as long as the canvas and are
// remade only when changed, so a canvas kept by its control creates nothing
// per paint.
class TCanvas {
public:
    TCanvas() = default;
    explicit TCanvas(HDC dc) : dc_(dc) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const noexcept { return dc_; }
    void SetHandle(HDC dc) noexcept { dc_ = dc; }
    TFont& Font() noexcept { return font_; }
    TPen& Pen() noexcept { return pen_; }
    TBrush& Brush() noexcept { return brush_; }
    TColor BrushColor() const noexcept { return brush_.Color(); }
    void SetBrushColor(TColor color) { brush_.SetColor(color); }

    // For drawing from more than one thread: one at a time (recursive).
    void Lock();
    void Unlock() noexcept;
    bool TryLock() noexcept;
    int LockCount() const noexcept { return lockCount_; }

    void FillRect(const RECT& rect);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // Outline with the pen, inside filled with the brush.
    void Rectangle(const RECT& rect);
    // DrawTextW with the canvas font; the background stays (transparent text).
    int DrawText(std::wstring_view text, RECT& rect, UINT format);
    SIZE TextExtent(std::wstring_view text);
    // A 3D frame: top-left in topLeft, bottom-right in bottomRight, shrinking rect.
    void Frame3D(RECT& rect, TColor topLeft, TColor bottomRight, int width);
    // Copies source's srcRect into dest here (stretched when the sizes differ).
    void CopyRect(const RECT& dest, const TCanvas& source, const RECT& srcRect);
    // The whole bitmap with its top-left corner at (x, y).
    void Draw(int x, int y, const TBitmap& bitmap);

private:
    HDC dc_ = nullptr;
    TFont font_;
    TPen pen_;
    TBrush brush_;
    TBrush frameBrushes_[2];
    std::recursive_mutex lock_;
    int lockCount_ = 0;
};

// A 32-bit top-down DIB section with a canvas on it and scan-line access:
// pixel (x, y) is ScanLine(y)[x], 0xAARRGGBB (bytes B, G, R, A).
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height) { SetSize(width, height); }
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    ~TBitmap();

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    bool Empty() const noexcept { return width_ <= 0 || height_ <= 0; }
    // A new size makes new pixels (all zero).
    void SetSize(int width, int height);
    HBITMAP Handle() const noexcept { return bitmap_.get(); }
    TCanvas& Canvas() noexcept { return canvas_; }
    const TCanvas& Canvas() const noexcept { return canvas_; }
    std::uint32_t* ScanLine(int y);
    const std::uint32_t* ScanLine(int y) const;

private:
    void Release() noexcept;

    int width_ = 0, height_ = 0;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    TCanvas canvas_;
};

}  // namespace fw
