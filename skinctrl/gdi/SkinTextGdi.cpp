#include "skinctrl/gdi/SkinTextGdi.h"

#include <algorithm>
#include <string>

namespace skinctrl {

// GDI's text output into a 32-bit DIB section writes 0 into the alpha byte
// of every pixel it touches, and its antialiasing mixes against whatever the
// bitmap holds. The text is therefore drawn black on white into a scratch
// bitmap and put into the target by coverage, which keeps the target's alpha.
Mask8 RenderTextMask(HFONT font, std::wstring_view text, int width, int height, UINT format) {
  if (width < 1 || height < 1 || text.empty()) return {};
  TDibBitmap paper(width, height);
  HDC dc = paper.DC();
  RECT r{0, 0, width, height};
  ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  fw::SelectObjectScope selected(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  std::wstring copy(text);  // DrawText may write into the text with DT_MODIFYSTRING
  ::DrawTextW(dc, copy.data(), static_cast<int>(copy.size()), &r, format & ~static_cast<UINT>(DT_CALCRECT));
  const ScanLines lines = paper.Lines();
  Mask8 mask(width, height);
  // Antialiased text differs per channel (ClearType): the darkest channel
  // gives the coverage.
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = lines.At(x, y);
      mask.At(x, y) = static_cast<std::uint8_t>(std::min({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF}));
    }
  return mask;
}

void DrawPlainText(const ScanLines& target, HFONT font, std::wstring_view text, const RECT& rect, UINT format,
                   TColor color) {
  const Mask8 mask = RenderTextMask(font, text, rect.right - rect.left, rect.bottom - rect.top, format);
  PutTextMask(target, mask, {rect.left, rect.top}, color);
}

void DrawTextGlow(const ScanLines& target, HFONT font, std::wstring_view text, const RECT& rect, Mask8& mask,
                  TColor glowColor, int glowSize, int sides, UINT format) {
  const Mask8 textMask = RenderTextMask(font, text, rect.right - rect.left, rect.bottom - rect.top, format);
  if (textMask.Empty()) return;
  BuildGlowMask(textMask, glowSize, sides, mask);
  const int margin = GlowSizeInRange(glowSize) + 3;
  ApplyGlowMask(target, mask, {rect.left - margin, rect.top - margin}, glowColor);
}

void DrawSkinText(const ScanLines& target, HFONT font, std::wstring_view text, const RECT& rect, UINT format,
                  const TSkinTextRequest& request) {
  if (text.empty() || target.Empty() || request.Model == nullptr ||
      !request.Model->IsValidSkinIndex(request.SkinIndex))
    return;
  const auto& section = request.Model->gd[static_cast<std::size_t>(request.SkinIndex)];
  const auto& st = section.Props[static_cast<std::size_t>(std::clamp(request.State, 0, 2))];

  fw::UniqueFont underlined;
  if (request.State != 0 && request.ConstData != nullptr &&
      request.SkinIndex == request.ConstData->Sections[skin::ssWebBtn]) {
    LOGFONTW lf{};
    if (::GetObjectW(font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf) != 0) {
      lf.lfUnderline = TRUE;
      underlined.reset(::CreateFontIndirectW(&lf));
      if (underlined) font = underlined.get();
    }
  }

  if (request.AllowGlow && st.GlowSize > 0) {
    Mask8 own;
    Mask8& mask = request.GlowMask ? *request.GlowMask : own;
    DrawTextGlow(target, font, text, rect, mask, AdjustTextColor(st.GlowColor, request.Look, request.Colors),
                 st.GlowSize, gsAll, format);
  }
  // Every pass draws the same text: it is rendered once.
  const Mask8 mask = RenderTextMask(font, text, rect.right - rect.left, rect.bottom - rect.top, format);
  const auto passes = SkinTextPasses(st.FontColor, request.UseOutline, request.Look, request.Colors);
  for (int i = 0; i < passes.Count; ++i) {
    const TTextPass& p = passes.Passes[static_cast<std::size_t>(i)];
    PutTextMask(target, mask, {rect.left + p.Dx, rect.top + p.Dy}, p.Color);
  }
}

}  // namespace skinctrl
