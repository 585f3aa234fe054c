#include "skin/EmbeddedFonts.h"

namespace skin {

void TacEmbeddedFonts::Add(std::string fileName, std::string fontName, std::span<const std::uint8_t> data) {
    TacEmbeddedFont font;
    font.FileName = std::move(fileName);
    font.FontName = std::move(fontName);
    font.Data.assign(data.begin(), data.end());
    if (!font.Data.empty()) {
        font.Handle = ::AddFontMemResourceEx(font.Data.data(), static_cast<DWORD>(font.Data.size()), nullptr,
                                             &font.FaceCount);
    }
    fonts_.push_back(std::move(font));
}

void TacEmbeddedFonts::Clear() noexcept {
    for (auto it = fonts_.rbegin(); it != fonts_.rend(); ++it) {
        if (it->Handle) ::RemoveFontMemResourceEx(it->Handle);
    }
    fonts_.clear();
}

}  // namespace skin
