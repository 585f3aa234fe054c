// Quillon.exe as shipped: its manifest, version resource and icon, and that
// it needs no DLL beyond the system's.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring ProgramPath() {
    // The Unix path of the build, seen through Wine's Z: drive.
    std::wstring path = L"Z:" QUILLON_EXE_PATH;
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override {
        module = ::LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr) << "cannot load " << ::GetLastError();
    }
    void TearDown() override {
        if (module) ::FreeLibrary(module);
    }
    std::string Resource(LPCWSTR type, LPCWSTR name) {
        HRSRC res = ::FindResourceW(module, name, type);
        if (!res) return {};
        const void* data = ::LockResource(::LoadResource(module, res));
        return std::string(static_cast<const char*>(data), ::SizeofResource(module, res));
    }
    HMODULE module = nullptr;
};

TEST_F(ProgramFile, ManifestAsksForCommonControls6AndPerMonitorDpiAwareness) {
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    // Per-monitor v2 where the system knows it, else per-monitor; before
    // Windows 10 the older key's "true/pm".
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);  // Windows 10 and later
}

TEST_F(ProgramFile, CarriesVersionAndIcon) {
    const std::string version = Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    ASSERT_FALSE(version.empty());
    const std::wstring text(reinterpret_cast<const wchar_t*>(version.data()), version.size() / sizeof(wchar_t));
    EXPECT_NE(text.find(L"ProductName"), std::wstring::npos);
    EXPECT_NE(text.find(L"Quillon.exe"), std::wstring::npos);
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u);
    const int images = static_cast<unsigned char>(group[4]) | (static_cast<unsigned char>(group[5]) << 8);
    EXPECT_GE(images, 4);  // 16, 24, 32, 48 and 256 pixels
}

TEST(ProgramImports, OnlySystemLibraries) {
    HMODULE image = ::LoadLibraryExW(ProgramPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    auto* base = reinterpret_cast<const BYTE*>(image);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    int count = 0;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        const std::string name = reinterpret_cast<const char*>(base + d->Name);
        const std::wstring wide(name.begin(), name.end());
        const std::wstring inSystem = std::wstring(system) + L"\\" + wide;
        EXPECT_NE(::GetFileAttributesW(inSystem.c_str()), INVALID_FILE_ATTRIBUTES) << name << " is not a system library";
        ++count;
    }
    EXPECT_GT(count, 0);
    ::FreeLibrary(image);
}

}  // namespace
