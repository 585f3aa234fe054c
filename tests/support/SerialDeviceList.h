#pragma once
// The system's list of serial devices (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), set
// by tests that show the main window: it decides which ports the window lists.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// Makes the list hold exactly these ports (volatile: gone with the session).
inline void SetPorts(const std::vector<std::wstring>& ports) {
    HKEY key = nullptr;
    const LSTATUS r = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                                        REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ASSERT_EQ(r, ERROR_SUCCESS);
    for (;;) {
        wchar_t name[256];
        DWORD len = 256;
        if (::RegEnumValueW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        ::RegDeleteValueW(key, name);
    }
    int n = 0;
    for (const auto& port : ports) {
        const std::wstring name = L"\\Device\\QuillonTest" + std::to_wstring(n++);
        ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                         static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(key);
}

}  // namespace testsupport
