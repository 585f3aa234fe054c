#pragma once
// Skins stored in the program: the manager's InternalSkins collection.
#include "skin/SkinColors.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skin {

struct TsStoredSkin {
    std::string Name;
    TColor Shadow1Color = 0;
    int Shadow1Offset = 0;
    int Shadow1Blur = -1;
    int Shadow1Transparency = 0;
    TColor BorderColor = KeyColor;
    double Version = 0;
    std::string Author;
    std::string Description;
    std::string OrigName;                  // "OriginName": the file the archive came from
    std::vector<std::uint8_t> PackedData;  // "Data": the archive bytes

    // Copies everything but the origin name.
    void Assign(const TsStoredSkin& source);
};

class TsStoredSkins {
public:
    TsStoredSkin& Add();
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TsStoredSkin& operator[](int index) { return items_.at(static_cast<std::size_t>(index)); }
    const TsStoredSkin& operator[](int index) const { return items_.at(static_cast<std::size_t>(index)); }
    // First item whose Name equals the name exactly; -1.
    int IndexOf(std::string_view name) const noexcept;
    void Clear() noexcept { items_.clear(); }

private:
    std::vector<TsStoredSkin> items_;
};

}  // namespace skin
