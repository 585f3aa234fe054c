// Where Quillon's start-up goes: one phase of it, measured in a fresh process
// after the framework has started, as the main window's creation meets it.
//   bench_startup_phases PHASE OUTFILE
//   PHASE: framework  the application object, its hidden window, the title
//          skin       the main window's skin manager: the stored skin loaded,
//                     its model built, the skin activated and hooks installed
//          fonts      the window's Tahoma font created and first measured
//          ports      the system's serial port list read and sorted
//          window     the whole main window created (skin manager and port
//                     list included), then shown and painted, children too
//          windows    before the framework starts, a hidden top-level window
//                     of a class of its own, the process's first, then a
//                     second: what any program pays for its first window
//                     (written as PHASE and PAINT), and the framework's start
//                     after them (FRAMEWORK)
// Writes "ENTRY FRAMEWORK PHASE PAINT" in milliseconds to OUTFILE: ENTRY from
// the process's creation to the program's entry, the others as measured.
#include <windows.h>

#include <cstdio>
#include <string>

#include "StartupClock.h"
#include "app/Unit1.h"
#include "framework/Application.h"
#include "framework/Graphics.h"
#include "serial/PortList.h"
#include "skin/SkinManagerSetup.h"
#include "skins/OpusSkin.h"

using startupbench::MsSinceProcessCreation;
using startupbench::Now;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const double entry = MsSinceProcessCreation();
    // "PHASE OUTFILE", the file name possibly quoted (no shell32 here: it
    // would weigh on the very start-up being measured).
    const std::wstring args = commandLine;
    const size_t space = args.find(L' ');
    if (space == std::wstring::npos) return 2;
    const std::wstring phase = args.substr(0, space);
    std::wstring outFile = args.substr(space + 1);
    std::erase(outFile, L'"');

    double first = 0, second = 0;
    if (phase == L"windows") {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FirstWindow";
        for (double* took : {&first, &second}) {
            const double at = Now();
            if (took == &first) ::RegisterClassExW(&wc);
            ::CreateWindowExW(WS_EX_TOOLWINDOW, L"FirstWindow", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, nullptr);
            *took = Now() - at;
        }
    }

    double start = Now();
    fw::TApplication& application = fw::Application();
    application.Initialize();
    application.SetMainFormOnTaskBar(true);
    application.SetTitle(L"Quillon");
    const double framework = Now() - start;

    double measured = 0, paint = 0;
    start = Now();
    if (phase == L"skin") {
        fw::TComponent owner(nullptr);
        owner.BeginLoading();
        auto* manager = new skin::TsSkinManager(&owner);
        skin::ConfigureMainSkinManager(*manager, skins::OpusSkinArchive());
        owner.EndLoading();
        measured = Now() - start;
    } else if (phase == L"fonts") {
        fw::TFont font;
        font.SetName(L"Tahoma");
        font.SetHeight(-11);
        HDC dc = ::GetDC(nullptr);
        const HGDIOBJ old = ::SelectObject(dc, font.Handle());
        SIZE size;
        ::GetTextExtentPoint32W(dc, L"Port:", 5, &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(nullptr, dc);
        measured = Now() - start;
    } else if (phase == L"ports") {
        fw::TStringList ports;
        serial::ListSerialPorts(ports);
        measured = Now() - start;
    } else if (phase == L"windows") {
        measured = first;
        paint = second;
    } else if (phase == L"window") {
        app::TForm1* form = application.CreateForm<app::TForm1>();
        measured = Now() - start;
        start = Now();
        form->Show();
        ::RedrawWindow(form->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        application.ProcessMessages();
        paint = Now() - start;
    }

    if (FILE* out = ::_wfopen(outFile.c_str(), L"w")) {
        std::fprintf(out, "%.2f %.2f %.2f %.2f\n", entry, framework, measured, paint);
        std::fclose(out);
    }
    return 0;
}
