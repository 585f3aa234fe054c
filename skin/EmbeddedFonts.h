#pragma once
// Fonts a skin carries, registered for this process only while the skin is loaded.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace skin {

struct TacEmbeddedFont {
    std::string FileName;   // the member's or file's name without its path
    std::string FontName;   // the name the skin gives it
    std::vector<std::uint8_t> Data;
    HANDLE Handle = nullptr;  // from AddFontMemResourceEx; null when nothing was registered
    DWORD FaceCount = 0;
};

class TacEmbeddedFonts {
public:
    TacEmbeddedFonts() = default;
    ~TacEmbeddedFonts() { Clear(); }
    TacEmbeddedFonts(const TacEmbeddedFonts&) = delete;
    TacEmbeddedFonts& operator=(const TacEmbeddedFonts&) = delete;

    // Adds a font and registers it privately; an empty font registers nothing.
    void Add(std::string fileName, std::string fontName, std::span<const std::uint8_t> data);
    // Releases every registered font and empties the list.
    void Clear() noexcept;

    const std::vector<TacEmbeddedFont>& Items() const noexcept { return fonts_; }
    int Count() const noexcept { return static_cast<int>(fonts_.size()); }

private:
    std::vector<TacEmbeddedFont> fonts_;
};

}  // namespace skin
