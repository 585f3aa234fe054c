#pragma once
#include "skinctrl/CommonData.h"

#include <vector>

namespace skintest {
// The state of every background request answered, in order.
extern std::vector<int> BackgroundStates;
}  // namespace skintest
