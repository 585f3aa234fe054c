#pragma once
// Where a port's settings live in the registry: the rule that turns the path
// a caller gives and the component's name into a root and a key. Portable.
#include <optional>
#include <string>
#include <string_view>

namespace serial {

enum class TRegistryRoot { CurrentUser, LocalMachine };

struct TSettingsKeyPath {
    TRegistryRoot Root = TRegistryRoot::CurrentUser;
    std::wstring SubKey;  // below the root, without a leading "\"

    friend bool operator==(const TSettingsKeyPath&, const TSettingsKeyPath&) = default;
};

// The part of `path` before its first "\" names the root when it is
// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER" (any letter case), and is
// dropped otherwise, the root then being the current user's. The rest, with
// a "\" added when it does not end with one, is followed by `name`:
//   HKEY_LOCAL_MACHINE\Software\Test + ComPort -> HKLM, Software\Test\ComPort
//   Software\Test + ComPort                    -> HKCU, Test\ComPort
// A rest that is empty gives `name` alone. A path without "\" names no key.
std::optional<TSettingsKeyPath> SettingsKeyPath(std::wstring_view path, std::wstring_view name);

}  // namespace serial
