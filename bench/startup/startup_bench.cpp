// Start-up: from process creation to the first painted main window, Quillon
// against a minimal Win32 window program and against its own window with the
// framework's plain controls, measured alternately in one run.
// The window counts as painted when the process first waits for input
// (WaitForInputIdle: its queue is empty, so WM_PAINT has been handled) and
// the window is visible with nothing left to paint.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring WinePath(const wchar_t* unixPath) {
    std::wstring path = std::wstring(L"Z:") + unixPath;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

struct Target {
    const char* name;
    std::wstring path;
    const wchar_t* windowClass;
    std::vector<double> ms;
};

struct FindArgs {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

HWND FindProcessWindow(DWORD pid, const wchar_t* cls) {
    FindArgs args{pid, cls, nullptr};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* a = reinterpret_cast<FindArgs*>(p);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            wchar_t name[64];
            ::GetClassNameW(w, name, 64);
            if (owner == a->pid && wcscmp(name, a->cls) == 0 && ::IsWindowVisible(w)) {
                a->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&args));
    return args.found;
}

// One start: milliseconds to the painted window, or a negative value.
double StartOnce(const Target& t) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + t.path + L"\"";
    const auto start = std::chrono::steady_clock::now();
    if (!::CreateProcessW(t.path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    double result = -1;
    if (::WaitForInputIdle(pi.hProcess, 30000) == 0) {
        for (int i = 0; i < 3000; ++i) {
            HWND wnd = FindProcessWindow(pi.dwProcessId, t.windowClass);
            if (wnd && !::GetUpdateRect(wnd, nullptr, FALSE)) {
                result = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
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

int main() {
    Target quillon{"Quillon", WinePath(QUILLON_EXE_PATH), L"TForm1", {}};
    Target minimal{"minimal Win32 window", WinePath(MINIMAL_EXE_PATH), L"MinimalWindow", {}};
    Target plain{"plain controls", WinePath(PLAIN_EXE_PATH), L"TPlainForm1", {}};
    constexpr int kRuns = 20;
    // One start of each first: file caches and Wine's own services warm up.
    StartOnce(minimal);
    StartOnce(plain);
    StartOnce(quillon);
    for (int i = 0; i < kRuns; ++i) {
        for (Target* t : {&minimal, &plain, &quillon}) {
            const double ms = StartOnce(*t);
            if (ms < 0) {
                std::printf("start of %s failed\n", t->name);
                return 1;
            }
            t->ms.push_back(ms);
        }
    }
    for (const Target* t : {&minimal, &plain, &quillon}) {
        std::printf("%-22s median %7.1f ms  (min %6.1f, max %6.1f, %d runs)\n", t->name, Median(t->ms),
                    *std::min_element(t->ms.begin(), t->ms.end()), *std::max_element(t->ms.begin(), t->ms.end()), kRuns);
    }
    const double ratio = Median(quillon.ms) / Median(minimal.ms);
    std::printf("start-up ratio Quillon / minimal: %.2fx (target <= 1.2x)\n", ratio);
    std::printf("start-up ratio Quillon / plain controls: %.2fx (target <= 1.2x)\n",
                Median(quillon.ms) / Median(plain.ms));
    return 0;
}
