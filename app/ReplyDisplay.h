#pragma once
// How one part of the adapter's answer shows in the window's memo.
#include <optional>
#include <string>

namespace app {

// "Device found: " and the part's cleaned text (reply::CleanReply), or nothing
// when the part cleans to nothing. Adapters pause after their echo and
// before their prompt, and radio links cut an answer anywhere: such a part
// holds only the echo, line breaks or the prompt, and a line for it would
// announce a device and name none.
std::optional<std::wstring> DeviceFoundLine(std::wstring part);

}  // namespace app
