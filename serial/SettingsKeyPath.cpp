#include "serial/SettingsKeyPath.h"

namespace serial {

namespace {

bool IsRootName(std::wstring_view text, std::wstring_view upperName) noexcept {
    if (text.size() != upperName.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != upperName[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<TSettingsKeyPath> SettingsKeyPath(std::wstring_view path, std::wstring_view name) {
    const auto slash = path.find(L'\\');
    if (slash == std::wstring_view::npos) return std::nullopt;
    TSettingsKeyPath key;
    if (IsRootName(path.substr(0, slash), L"HKEY_LOCAL_MACHINE")) key.Root = TRegistryRoot::LocalMachine;
    key.SubKey = path.substr(slash + 1);
    if (!key.SubKey.empty() && key.SubKey.back() != L'\\') key.SubKey += L'\\';
    key.SubKey += name;
    return key;
}

}  // namespace serial
