// The registry location of stored port settings, from a caller's path and
// the component's name.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "serial/SettingsKeyPath.h"

using namespace serial;

namespace {

TEST(SettingsKeyPath, RootAndKeyFromPathAndName) {
    using enum TRegistryRoot;
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
        std::optional<TSettingsKeyPath> key;
    };
    const Case cases[] = {
        {L"HKEY_LOCAL_MACHINE\\Software\\Test", L"ComPort", TSettingsKeyPath{LocalMachine, L"Software\\Test\\ComPort"}},
        {L"hkey_local_machine\\Software\\Test\\", L"ComPort", TSettingsKeyPath{LocalMachine, L"Software\\Test\\ComPort"}},
        {L"HKEY_CURRENT_USER\\Software\\Test", L"ComPort", TSettingsKeyPath{CurrentUser, L"Software\\Test\\ComPort"}},
        {L"Hkey_Current_User\\A", L"Port2", TSettingsKeyPath{CurrentUser, L"A\\Port2"}},
        // The first part is dropped when it names no root.
        {L"Software\\Test", L"ComPort", TSettingsKeyPath{CurrentUser, L"Test\\ComPort"}},
        {L"HKLM\\Software\\Test", L"ComPort", TSettingsKeyPath{CurrentUser, L"Software\\Test\\ComPort"}},
        {L"\\Software", L"ComPort", TSettingsKeyPath{CurrentUser, L"Software\\ComPort"}},
        // Nothing after the first "\": the name alone, below the root.
        {L"HKEY_LOCAL_MACHINE\\", L"ComPort", TSettingsKeyPath{LocalMachine, L"ComPort"}},
        // No "\" at all: no key.
        {L"Software", L"ComPort", std::nullopt},
        {L"HKEY_CURRENT_USER", L"ComPort", std::nullopt},
        {L"", L"ComPort", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::wcslen(c.path)));
        const auto key = SettingsKeyPath(c.path, c.name);
        ASSERT_EQ(key.has_value(), c.key.has_value());
        if (key) {
            EXPECT_EQ(key->Root, c.key->Root);
            EXPECT_EQ(key->SubKey, c.key->SubKey);
        }
    }
}

}  // namespace
