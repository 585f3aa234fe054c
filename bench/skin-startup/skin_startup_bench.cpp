// How long the main window's skin manager takes from its creation to an active skin
// (stored skin loaded, model built, skin applied and broadcast to a form), beside the
// same start-up with the stored skin removed, in one process.
#include "framework/Application.h"
#include "skin/SkinManagerSetup.h"
#include "skin/sSkinManager.h"
#include "skins/OpusSkin.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / frequency;
}

// One start-up: the form's loading bracket around the manager and its stored properties.
double StartUp(std::span<const std::uint8_t> archive, bool withSkin) {
    fw::TComponent form(nullptr);
    const double start = Now();
    form.BeginLoading();
    auto* manager = new skin::TsSkinManager(&form);
    if (withSkin) {
        skin::ConfigureMainSkinManager(*manager, archive);
    } else {
        manager->SetSkinDirectory(L"c:\\Skins");
        manager->SetSkinName(skin::MainSkinName);
    }
    form.EndLoading();
    const double elapsed = Now() - start;
    if (manager->CommonSkinData.Active != withSkin) {
        std::fprintf(stderr, "unexpected skin state after start-up\n");
        std::exit(1);
    }
    return elapsed;
}

struct Figures {
    double first, median, mean, min, max;
};

Figures Measure(std::span<const std::uint8_t> archive, bool withSkin, int runs) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) t.push_back(StartUp(archive, withSkin));
    Figures f{t.front(), 0, 0, 0, 0};
    std::vector<double> rest(t.begin() + 1, t.end());
    std::sort(rest.begin(), rest.end());
    f.median = rest[rest.size() / 2];
    for (double v : rest) f.mean += v;
    f.mean /= static_cast<double>(rest.size());
    f.min = rest.front();
    f.max = rest.back();
    return f;
}

void Print(const char* name, const Figures& f) {
    std::printf("%-22s first %8.3f ms   median %8.3f ms   mean %8.3f ms   min %8.3f ms   max %8.3f ms\n", name, f.first,
                f.median, f.mean, f.min, f.max);
}

}  // namespace

int main() {
    fw::Application().Initialize();
    // A form for the broadcasts to reach.
    HWND form = ::CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 200, 112, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    const auto archive = skins::OpusSkinArchive();
    constexpr int runs = 51;
    std::printf("skin start-up (manager creation to active skin), %d runs each, archive %zu bytes\n", runs,
                archive.size());
    const Figures without = Measure(archive, false, runs);
    const Figures with = Measure(archive, true, runs);
    Print("without stored skin", without);
    Print("with stored skin", with);
    std::printf("cost of the skin: %.3f ms (median), %.3f ms (first start-up)\n", with.median - without.median,
                with.first - without.first);
    ::DestroyWindow(form);
    return 0;
}
