// Start-up of Quillon at 200 % beside start-up at 100 %, alternately in one
// run: from process creation to the first painted main window, the display's
// DPI (the registry's LogPixels, which each Wine program reads as it starts)
// set before each start. Run by bench_display_scale in a Wine session of its
// own, so that no other program meets the changed DPI. Prints the medians and
// the ratio.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct FindArgs {
    DWORD pid;
    HWND found;
};

HWND FindMainWindow(DWORD pid) {
    FindArgs args{pid, nullptr};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* a = reinterpret_cast<FindArgs*>(p);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            wchar_t name[64];
            ::GetClassNameW(w, name, 64);
            if (owner == a->pid && wcscmp(name, L"TForm1") == 0 && ::IsWindowVisible(w)) {
                a->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&args));
    return args.found;
}

bool SetDpi(DWORD dpi) {
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                             sizeof dpi) == ERROR_SUCCESS;
}

// One start at a DPI: milliseconds to the painted window (the process waits
// for input with nothing left to paint), and the window's client width.
double StartOnce(const std::wstring& exe, DWORD dpi, int& clientWidth) {
    if (!SetDpi(dpi)) return -1;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    const auto start = std::chrono::steady_clock::now();
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    double result = -1;
    if (::WaitForInputIdle(pi.hProcess, 30000) == 0) {
        for (int i = 0; i < 3000; ++i) {
            HWND wnd = FindMainWindow(pi.dwProcessId);
            if (wnd && !::GetUpdateRect(wnd, nullptr, FALSE)) {
                result = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                RECT client{};
                ::GetClientRect(wnd, &client);
                clientWidth = client.right;
                ::PostMessageW(wnd, WM_CLOSE, 0, 0);
                break;
            }
            ::Sleep(1);
        }
    }
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return result;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: bench_scale_startup QUILLON.EXE\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    constexpr int kRuns = 20;
    constexpr DWORD kDpis[] = {96, 192};
    std::vector<double> ms[2];
    int width[2] = {};
    // A start at each DPI first: file caches and Wine's services warm up.
    for (DWORD dpi : kDpis) StartOnce(exe, dpi, width[0]);
    for (int i = 0; i < kRuns; ++i) {
        for (int k = 0; k < 2; ++k) {
            const double t = StartOnce(exe, kDpis[k], width[k]);
            if (t < 0) {
                std::printf("start at %lu dpi failed\n", kDpis[k]);
                SetDpi(96);
                return 1;
            }
            ms[k].push_back(t);
        }
    }
    SetDpi(96);
    for (int k = 0; k < 2; ++k) {
        std::printf("%3lu dpi: median %7.1f ms  (min %6.1f, max %6.1f, %d runs; client %d wide)\n", kDpis[k],
                    Median(ms[k]), *std::min_element(ms[k].begin(), ms[k].end()),
                    *std::max_element(ms[k].begin(), ms[k].end()), kRuns, width[k]);
    }
    std::printf("start-up at 200 %% / at 100 %%: %.2fx (target <= 1.1x)\n", Median(ms[1]) / Median(ms[0]));
    // On a busy machine the medians take in other programs' load; the fastest
    // starts of each show the program's own cost.
    std::printf("fastest start at 200 %% / at 100 %%: %.2fx\n",
                *std::min_element(ms[1].begin(), ms[1].end()) / *std::min_element(ms[0].begin(), ms[0].end()));
    return 0;
}
