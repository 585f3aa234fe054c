#pragma once
// The main window's skin manager as the form stores it.
#include "skin/sSkinManager.h"

#include <cstdint>
#include <span>

namespace skin {

inline constexpr wchar_t MainSkinName[] = L"Opus (internal)";

// Sets the stored properties of the main window's `sSkinManager1` in the form's order:
// old-style glyphs, the one stored skin (the archive bytes), the skin directory, the
// skin name (the whole skin loads here), the skin version text and the adapter class
// lists. Called while the manager's owner is loading; its Loaded() activates the skin.
void ConfigureMainSkinManager(TsSkinManager& manager, std::span<const std::uint8_t> storedSkinArchive);

}  // namespace skin
