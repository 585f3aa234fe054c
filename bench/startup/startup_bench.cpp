// Start-up: from process creation to the first painted main window, Quillon
// against a minimal Win32 program showing the same plain controls with the
// same manifest, measured alternately in one run; then where Quillon's time
// goes, phase by phase (bench_startup_phases, each phase in fresh processes).
// The window counts as painted when the process first waits for input
// (WaitForInputIdle: its queue is empty, so WM_PAINT has been handled) and
// the window is visible with nothing left to paint.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "../support/TableRow.h"

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

// One measuring run of a program that writes its figures to the file named
// last on its command line; the numbers it wrote, or none.
std::vector<double> RunMeasured(const wchar_t* unixPath, const std::wstring& args) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    wchar_t file[MAX_PATH];
    ::GetTempFileNameW(dir, L"qsp", 0, file);
    const std::wstring exe = WinePath(unixPath);
    std::wstring cmd = L"\"" + exe + L"\" " + args + (args.empty() ? L"" : L" ") + L"\"" + file + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<double> values;
    if (::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        if (FILE* in = ::_wfopen(file, L"r")) {
            for (double v; std::fscanf(in, "%lf", &v) == 1;) values.push_back(v);
            std::fclose(in);
        }
    }
    ::DeleteFileW(file);
    return values;
}

}  // namespace

int main() {
    Target quillon{"Quillon", WinePath(QUILLON_EXE_PATH), L"TForm1", {}};
    Target minimal{"plain controls", WinePath(MINIMAL_EXE_PATH), L"MinimalWindow", {}};
    constexpr int kRuns = 20;
    // One start of each first: file caches and Wine's own services warm up.
    StartOnce(minimal);
    StartOnce(quillon);
    for (int i = 0; i < kRuns; ++i) {
        for (Target* t : {&minimal, &quillon}) {
            const double ms = StartOnce(*t);
            if (ms < 0) {
                std::printf("start of %s failed\n", t->name);
                return 1;
            }
            t->ms.push_back(ms);
        }
    }
    for (const Target* t : {&minimal, &quillon}) {
        std::printf("%-22s median %7.1f ms  (min %6.1f, max %6.1f, %d runs)\n", t->name, Median(t->ms),
                    *std::min_element(t->ms.begin(), t->ms.end()), *std::max_element(t->ms.begin(), t->ms.end()), kRuns);
    }
    const double ratio = Median(quillon.ms) / Median(minimal.ms);
    std::printf("start-up ratio Quillon / plain controls: %.2fx (target <= 1.1x)\n", ratio);
    benchtable::Row(7, "start-up to the first painted window / plain controls",
                    benchtable::Format("%.2fx (%.0f / %.0f ms)", ratio, Median(quillon.ms), Median(minimal.ms)), "<= 1.1x",
                    ratio <= 1.1);

    // Phases, alternating, seven fresh processes each. Quillon's phases run
    // its own code (bench_startup_phases): ENTRY FRAMEWORK PHASE PAINT; the
    // plain-controls program measures itself: ENTRY CREATE PAINT MAIN.
    const wchar_t* phases[] = {L"skin", L"fonts", L"ports", L"window", L"windows"};
    constexpr int kPhases = 5;
    std::vector<double> entry, framework, measured[kPhases], paint, plainEntry, plainCreate, plainPaint, plainMain,
        frameworkAfterWindows, secondWindow;
    for (int run = 0; run < 7; ++run) {
        const std::vector<double> plain = RunMeasured(MINIMAL_EXE_PATH, L"");
        if (plain.size() != 4) {
            std::printf("plain-controls phase run failed\n");
            return 1;
        }
        plainEntry.push_back(plain[0]);
        plainCreate.push_back(plain[1]);
        plainPaint.push_back(plain[2]);
        plainMain.push_back(plain[3]);
        for (int p = 0; p < kPhases; ++p) {
            const std::vector<double> v = RunMeasured(PHASES_EXE_PATH, phases[p]);
            if (v.size() != 4) {
                std::printf("phase run failed\n");
                return 1;
            }
            measured[p].push_back(v[2]);
            if (p == 4) {
                frameworkAfterWindows.push_back(v[1]);
                secondWindow.push_back(v[3]);
                continue;
            }
            entry.push_back(v[0]);
            framework.push_back(v[1]);
            if (p == 3) paint.push_back(v[3]);
        }
    }
    const double skin = Median(measured[0]), fonts = Median(measured[1]), ports = Median(measured[2]),
                 window = Median(measured[3]), firstWindow = Median(measured[4]);
    std::printf("start-up by phase (medians of fresh processes, alternating):      Quillon  plain controls\n");
    std::printf("  process creation to the program's entry (Wine loads it)       %7.1f ms  %7.1f ms\n", Median(entry),
                Median(plainEntry));
    std::printf("  creating the window and its controls                           %7.1f ms  %7.1f ms\n",
                Median(framework) + window, Median(plainCreate));
    std::printf("    of which the process's first window (Quillon: the framework's %7.1f ms  %7.1f ms\n"
                "    hidden window; plain: its main window)\n",
                Median(framework), Median(plainMain));
    std::printf("    the rest                                                     %7.1f ms  %7.1f ms\n", window,
                Median(plainCreate) - Median(plainMain));
    std::printf("  show and first paint, children included                        %7.1f ms  %7.1f ms\n", Median(paint),
                Median(plainPaint));
    std::printf("Quillon's creation in detail:\n");
    std::printf("  framework (application object, its hidden window, the title)   %7.1f ms\n", Median(framework));
    std::printf("    a process's first window, any program's (hidden, a class of its own) %7.1f ms; a second one %.1f ms\n",
                firstWindow, Median(secondWindow));
    std::printf("    the framework started after those two windows               %7.1f ms\n", Median(frameworkAfterWindows));
    std::printf("  skin manager (stored skin loaded, model built, activated)      %7.1f ms\n", skin);
    std::printf("  fonts (the window's Tahoma, created and measured)              %7.1f ms\n", fonts);
    std::printf("  port enumeration (the system's list, sorted)                   %7.1f ms\n", ports);
    std::printf("  the window and its controls, the three above excluded          %7.1f ms\n",
                window - skin - fonts - ports);
    return 0;
}
