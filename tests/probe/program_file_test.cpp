// quillon-probe.exe as shipped: a console program that needs no DLL beyond
// the system's, with its version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring ProgramPath() {
    // The Unix path of the build, seen through Wine's Z: drive.
    std::wstring path = L"Z:" QUILLON_PROBE_EXE_PATH;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

TEST(ProbeProgramFile, AConsoleProgramImportingOnlySystemLibraries) {
    HMODULE image = ::LoadLibraryExW(ProgramPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr) << "cannot load " << ::GetLastError();
    auto* base = reinterpret_cast<const BYTE*>(image);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_CUI);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    int count = 0;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        const std::string name = reinterpret_cast<const char*>(base + d->Name);
        const std::wstring inSystem = std::wstring(system) + L"\\" + std::wstring(name.begin(), name.end());
        EXPECT_NE(::GetFileAttributesW(inSystem.c_str()), INVALID_FILE_ATTRIBUTES) << name << " is not a system library";
        ++count;
    }
    EXPECT_GT(count, 0);
    ::FreeLibrary(image);
}

TEST(ProbeProgramFile, CarriesItsVersion) {
    HMODULE module =
        ::LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    ASSERT_NE(res, nullptr);
    const auto* data = static_cast<const wchar_t*>(::LockResource(::LoadResource(module, res)));
    const std::wstring text(data, ::SizeofResource(module, res) / sizeof(wchar_t));
    EXPECT_NE(text.find(L"quillon-probe.exe"), std::wstring::npos);
    EXPECT_NE(::FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
    ::FreeLibrary(module);
}

}  // namespace
