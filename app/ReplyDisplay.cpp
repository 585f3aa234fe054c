#include "app/ReplyDisplay.h"

#include "reply/ReplyText.h"

namespace app {

std::optional<std::wstring> DeviceFoundLine(std::wstring part) {
    std::wstring shown = reply::CleanReply(std::move(part));
    if (shown.empty()) return std::nullopt;
    return L"Device found: " + shown;
}

}  // namespace app
