// The yardstick for start-up: the least a Win32 program does to show a
// window of the main window's size with the same plain controls (label,
// drop-down list, read-only memo, button, in Tahoma 8), built like Quillon
// (same compiler, flags, static runtime and manifest).
//   bench_minimal_window            shows the window until it is closed
//   bench_minimal_window OUTFILE    shows and paints it, writes
//                                   "ENTRY CREATE PAINT MAIN" in milliseconds
//                                   (MAIN: the main window alone, of CREATE), ends
// Sent WM_APP, the window adds the lines of one check to its memo with the
// messages the adapter check's memo gets for them (the text read, the caret to
// the end, EM_REPLACESEL): the yardstick of what a memo's growing text costs
// (bench/check).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "StartupClock.h"

namespace {

HWND memo = nullptr;

// The memo's text, into a buffer kept for it.
std::wstring_view ReadText() {
    static std::vector<wchar_t> buffer;
    const size_t length = static_cast<size_t>(SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0));
    if (buffer.size() < length + 1) buffer.resize(std::max(length + 1, buffer.size() * 2));
    const LRESULT got = SendMessageW(memo, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring_view(buffer.data(), static_cast<size_t>(got));
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_APP: {
        // As the adapter check's memo gets them: for each line its text read
        // whole, then the line added at the end; the text read once more.
        if (SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0) == 0) SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);
        for (const wchar_t* line : {L"Connect to COM3 port is OK.", L"Device found: QUILLON SIM 2.1B"}) {
            const std::wstring_view text = ReadText();
            const bool first = text.empty() || text.back() == L'\n';
            const std::wstring added = first ? std::wstring(line) + L"\r\n" : L"\r\n" + std::wstring(line);
            const LRESULT length = SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0);
            SendMessageW(memo, EM_SETSEL, WPARAM(length), length);
            SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
        }
        if (ReadText().ends_with(L"\r\n")) {
            const LRESULT length = SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0);
            SendMessageW(memo, EM_SETSEL, WPARAM(length - 2), length);
            SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        }
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(wnd, &ps);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
    const double entry = startupbench::MsSinceProcessCreation();
    std::wstring outFile = commandLine;
    std::erase(outFile, L'"');
    const double start = startupbench::Now();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    RegisterClassExW(&wc);
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, 200, 112};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HWND wnd = CreateWindowExW(WS_EX_APPWINDOW, L"MinimalWindow", L"Minimal", style, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                               (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr, instance, nullptr);
    const double mainCreated = startupbench::Now() - start;
    HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
    const struct {
        const wchar_t* cls;
        const wchar_t* text;
        DWORD style;
        int x, y, w, h;
    } controls[] = {
        {L"STATIC", L"Port:", 0, 8, 12, 24, 13},
        {L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 38, 9, 71, 200},
        {L"EDIT", L"", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_BORDER, 8, 36, 185, 37},
        {L"BUTTON", L"Check", BS_PUSHBUTTON | WS_TABSTOP, 118, 79, 75, 25},
    };
    for (const auto& c : controls) {
        HWND child = CreateWindowExW(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, c.x, c.y, c.w, c.h, wnd, nullptr,
                                     instance, nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (std::wstring_view(c.cls) == L"EDIT") memo = child;
    }
    const double created = startupbench::Now() - start;
    MSG msg;
    if (!outFile.empty()) {
        const double shown = startupbench::Now();
        ShowWindow(wnd, SW_SHOWNORMAL);
        RedrawWindow(wnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        const double painted = startupbench::Now() - shown;
        if (FILE* out = _wfopen(outFile.c_str(), L"w")) {
            std::fprintf(out, "%.2f %.2f %.2f %.2f\n", entry, created, painted, mainCreated);
            std::fclose(out);
        }
        DestroyWindow(wnd);
        DeleteObject(font);
        return 0;
    }
    ShowWindow(wnd, show);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DeleteObject(font);
    return 0;
}
