#include "framework/Graphics.h"

#include <new>

namespace fw {

COLORREF ColorToRGB(TColor color) noexcept {
    if ((static_cast<std::uint32_t>(color) & 0xFF000000u) == 0xFF000000u) return ::GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

namespace {
int ScreenPixelsPerInch() {
    WindowDc dc(nullptr);
    return ::GetDeviceCaps(dc.get(), LOGPIXELSY);
}
}  // namespace

void TFont::CopyFrom(const TFont& other) {
    // The colour is not part of the GDI font: a change of colour keeps it.
    if (name_ != other.name_ || height_ != other.height_ || style_ != other.style_ || charset_ != other.charset_) {
        handle_.reset();
        ++faceRevision_;
    }
    name_ = other.name_;
    height_ = other.height_;
    color_ = other.color_;
    style_ = other.style_;
    charset_ = other.charset_;
}

void TFont::Changed() {
    handle_.reset();
    ++faceRevision_;
    if (OnChange) OnChange();
}

void TFont::SetName(std::wstring name) {
    if (name == name_) return;
    name_ = std::move(name);
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

int TFont::Size() const { return -::MulDiv(height_, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int points) { SetHeight(-::MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    // The GDI font does not carry the colour.
    if (OnChange) OnChange();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetCharset(BYTE charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

bool TFont::SameAs(const TFont& other) const noexcept {
    return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ && style_ == other.style_ &&
           charset_ == other.charset_;
}

void TFont::Assign(const TFont& source) {
    if (&source == this || SameAs(source)) return;
    CopyFrom(source);
    if (OnChange) OnChange();
}

HFONT TFont::Handle() const {
    if (!handle_) {
        LOGFONTW lf{};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
        lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = charset_;
        lf.lfQuality = DEFAULT_QUALITY;
        name_.copy(lf.lfFaceName, LF_FACESIZE - 1);
        handle_.reset(::CreateFontIndirectW(&lf));
    }
    return handle_.get();
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    handle_.reset();
}

void TPen::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    handle_.reset();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    handle_.reset();
}

HPEN TPen::Handle() const {
    if (style_ == TPenStyle::psClear) return static_cast<HPEN>(::GetStockObject(NULL_PEN));
    if (!handle_) {
        const int style = style_ == TPenStyle::psDash ? PS_DASH : style_ == TPenStyle::psDot ? PS_DOT : PS_SOLID;
        handle_.reset(::CreatePen(style, width_, ColorToRGB(color_)));
    }
    return handle_.get();
}

void TBrush::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    handle_.reset();
}

HBRUSH TBrush::Handle() const {
    if (style_ == TBrushStyle::bsClear) return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    // The system's brushes of its colours are shared and never deleted.
    if ((static_cast<std::uint32_t>(color_) & 0xFF000000u) == 0xFF000000u) return ::GetSysColorBrush(color_ & 0xFF);
    if (!handle_) handle_.reset(::CreateSolidBrush(ColorToRGB(color_)));
    return handle_.get();
}

void TCanvas::Lock() {
    lock_.lock();
    ++lockCount_;
}

void TCanvas::Unlock() noexcept {
    --lockCount_;
    lock_.unlock();
}

bool TCanvas::TryLock() noexcept {
    if (!lock_.try_lock()) return false;
    ++lockCount_;
    return true;
}

void TCanvas::FillRect(const RECT& rect) {
    if (brush_.Style() == TBrushStyle::bsClear) return;
    ::FillRect(dc_, &rect, brush_.Handle());
}

void TCanvas::MoveTo(int x, int y) { ::MoveToEx(dc_, x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    SelectObjectScope pen(dc_, pen_.Handle());
    ::LineTo(dc_, x, y);
}

void TCanvas::Rectangle(const RECT& rect) {
    SelectObjectScope pen(dc_, pen_.Handle());
    SelectObjectScope brush(dc_, brush_.Handle());
    ::Rectangle(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

int TCanvas::DrawText(std::wstring_view text, RECT& rect, UINT format) {
    SelectObjectScope font(dc_, font_.Handle());
    const int oldMode = ::SetBkMode(dc_, TRANSPARENT);
    const COLORREF oldColor = ::SetTextColor(dc_, ColorToRGB(font_.Color()));
    const int h = ::DrawTextW(dc_, text.data(), static_cast<int>(text.size()), &rect, format);
    ::SetTextColor(dc_, oldColor);
    ::SetBkMode(dc_, oldMode);
    return h;
}

SIZE TCanvas::TextExtent(std::wstring_view text) {
    SelectObjectScope font(dc_, font_.Handle());
    SIZE size{};
    ::GetTextExtentPoint32W(dc_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::Frame3D(RECT& rect, TColor topLeft, TColor bottomRight, int width) {
    frameBrushes_[0].SetColor(topLeft);
    frameBrushes_[1].SetColor(bottomRight);
    HBRUSH tl = frameBrushes_[0].Handle();
    HBRUSH br = frameBrushes_[1].Handle();
    for (int i = 0; i < width; ++i) {
        const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
        const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
        const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
        const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
        ::FillRect(dc_, &top, tl);
        ::FillRect(dc_, &left, tl);
        ::FillRect(dc_, &right, br);
        ::FillRect(dc_, &bottom, br);
        ::InflateRect(&rect, -1, -1);
    }
}

void TCanvas::CopyRect(const RECT& dest, const TCanvas& source, const RECT& srcRect) {
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    const int sw = srcRect.right - srcRect.left, sh = srcRect.bottom - srcRect.top;
    if (dw == sw && dh == sh) {
        ::BitBlt(dc_, dest.left, dest.top, dw, dh, source.dc_, srcRect.left, srcRect.top, SRCCOPY);
    } else {
        ::StretchBlt(dc_, dest.left, dest.top, dw, dh, source.dc_, srcRect.left, srcRect.top, sw, sh, SRCCOPY);
    }
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    ::BitBlt(dc_, x, y, bitmap.Width(), bitmap.Height(), bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
}

TBitmap::~TBitmap() { Release(); }

void TBitmap::Release() noexcept {
    if (dc_ && oldBitmap_) ::SelectObject(dc_.get(), oldBitmap_);
    oldBitmap_ = nullptr;
    bitmap_.reset();
    dc_.reset();
    canvas_.SetHandle(nullptr);
    bits_ = nullptr;
    width_ = height_ = 0;
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_ && bitmap_) return;
    Release();
    if (width <= 0 || height <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down: row 0 first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!bitmap || !dc) throw std::bad_alloc();
    oldBitmap_ = ::SelectObject(dc.get(), bitmap.get());
    bitmap_ = std::move(bitmap);
    dc_ = std::move(dc);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    canvas_.SetHandle(dc_.get());
}

std::uint32_t* TBitmap::ScanLine(int y) {
    // GDI may still be drawing into the section.
    ::GdiFlush();
    return bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
}

const std::uint32_t* TBitmap::ScanLine(int y) const {
    ::GdiFlush();
    return bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
}

}  // namespace fw
