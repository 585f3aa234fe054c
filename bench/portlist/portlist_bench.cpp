// One port-list refresh of the main window (system list, items, selection,
// button state), in microseconds, with a few and with many ports.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "serial/PortList.h"

namespace {

void SetPorts(int count) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
    for (;;) {
        wchar_t name[256];
        DWORD len = 256;
        if (::RegEnumValueW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        ::RegDeleteValueW(key, name);
    }
    for (int i = 0; i < count; ++i) {
        const std::wstring name = L"\\Device\\Bench" + std::to_wstring(i);
        const std::wstring port = L"COM" + std::to_wstring(i + 1);
        ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                         static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(key);
}

template <typename F>
void Measure(const char* what, F&& f) {
    constexpr int kRounds = 500;
    std::vector<double> us;
    for (int i = 0; i < 20; ++i) f();
    for (int i = 0; i < kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("%-40s median %8.1f us  (p10 %7.1f, p90 %7.1f)\n", what, us[us.size() / 2], us[us.size() / 10],
                us[us.size() * 9 / 10]);
}

}  // namespace

int main() {
    fw::Application().SetTitle(L"Quillon");
    app::TForm1 form(nullptr);
    form.AfterConstruction();
    form.Show();
    for (int ports : {2, 16}) {
        SetPorts(ports);
        char title[80];
        std::snprintf(title, sizeof title, "port-list refresh, %d ports", ports);
        Measure(title, [&] { form.RefreshPortList(); });
        fw::TStringList list;
        std::snprintf(title, sizeof title, "  of which ListSerialPorts, %d ports", ports);
        Measure(title, [&] { serial::ListSerialPorts(list); });
    }
    return 0;
}
