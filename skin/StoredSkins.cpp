#include "skin/StoredSkins.h"

namespace skin {

void TsStoredSkin::Assign(const TsStoredSkin& source) {
    std::string origin = std::move(OrigName);
    *this = source;
    OrigName = std::move(origin);
}

TsStoredSkin& TsStoredSkins::Add() { return items_.emplace_back(); }

int TsStoredSkins::IndexOf(std::string_view name) const noexcept {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].Name == name) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace skin
