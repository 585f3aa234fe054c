#pragma once
// Colours, fonts and a canvas over a device context.
#include <windows.h>

#include <cstdint>
#include <functional>
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
};

// Drawing on a DC that somebody else owns: font, brush and pen colours kept
// here and selected as needed.
class TCanvas {
public:
    TCanvas() = default;
    explicit TCanvas(HDC dc) : dc_(dc) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const noexcept { return dc_; }
    void SetHandle(HDC dc) noexcept { dc_ = dc; }
    TFont& Font() noexcept { return font_; }
    TColor BrushColor() const noexcept { return brushColor_; }
    void SetBrushColor(TColor color) noexcept { brushColor_ = color; }

    void FillRect(const RECT& rect);
    // DrawTextW with the canvas font; the background stays (transparent text).
    int DrawText(std::wstring_view text, RECT& rect, UINT format);
    SIZE TextExtent(std::wstring_view text);
    // A 3D frame: top-left in topLeft, bottom-right in bottomRight, shrinking rect.
    void Frame3D(RECT& rect, TColor topLeft, TColor bottomRight, int width);

private:
    HDC dc_ = nullptr;
    TFont font_;
    TColor brushColor_ = clWhite;
};

}  // namespace fw
