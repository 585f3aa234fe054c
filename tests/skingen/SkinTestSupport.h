// Loading the built-in skin the way the skin manager does, for the tests.
#pragma once

#include "skin/SkinLoad.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace skintest {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
// skins/Opus.asz as committed.
std::vector<std::uint8_t> CommittedArchive();

// The skin loaded from archive bytes as the stored skin "Opus (internal)" at
// the given scale mode (the program's own is smOldMode: 100 %).
std::unique_ptr<skin::LoadedSkin> LoadStoredSkin(const std::vector<std::uint8_t>& archive,
                                                 skin::TacScaleMode scale = skin::smOldMode);

}  // namespace skintest
