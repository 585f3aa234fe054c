#include "framework/Graphics.h"

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
    name_ = other.name_;
    height_ = other.height_;
    color_ = other.color_;
    style_ = other.style_;
    charset_ = other.charset_;
    handle_.reset();
}

void TFont::Changed() {
    handle_.reset();
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

void TCanvas::FillRect(const RECT& rect) {
    UniqueBrush brush(::CreateSolidBrush(ColorToRGB(brushColor_)));
    ::FillRect(dc_, &rect, brush.get());
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
    UniqueBrush tl(::CreateSolidBrush(ColorToRGB(topLeft)));
    UniqueBrush br(::CreateSolidBrush(ColorToRGB(bottomRight)));
    for (int i = 0; i < width; ++i) {
        const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
        const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
        const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
        const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
        ::FillRect(dc_, &top, tl.get());
        ::FillRect(dc_, &left, tl.get());
        ::FillRect(dc_, &right, br.get());
        ::FillRect(dc_, &bottom, br.get());
        ::InflateRect(&rect, -1, -1);
    }
}

}  // namespace fw
