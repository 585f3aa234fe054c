#pragma once
// A readable text of everything a load builds, for comparing with a committed copy.
#include "skin/SkinLoad.h"

#include <string>

namespace skintest {

std::string DumpLoadedSkin(const skin::LoadedSkin& skin);

}  // namespace skintest
