#include "serial/PortList.h"

#include <windows.h>

#include <string_view>

#include "framework/Handles.h"

namespace serial {

void ListSerialPorts(fw::TStrings& ports) noexcept {
    try {
        fw::UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, key.put()) !=
            ERROR_SUCCESS)
            return;

        fw::TStringList found;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            wchar_t data[128];  // 256 bytes
            // Both sizes are in/out: each call must be offered the full buffers again.
            DWORD nameLength = static_cast<DWORD>(std::size(name));
            DWORD dataBytes = sizeof(data);
            if (::RegEnumValueW(key.get(), index, name, &nameLength, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(data), &dataBytes) != ERROR_SUCCESS)
                break;
            // REG_SZ data need not end with a NUL (the writer decides), and may
            // carry more than one: the name ends at the first NUL or at the end.
            const std::wstring_view value(data, dataBytes / sizeof(wchar_t));
            found.Add(std::wstring(value.substr(0, value.find(L'\0'))));
        }
        found.Sort();
        ports.Assign(found);
    } catch (...) {
        // Out of memory while copying names: the list stays as it was, or as
        // far as Assign got; the port list is refreshed again soon.
    }
}

}  // namespace serial
