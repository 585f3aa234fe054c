#include "skin/WinSkinFiles.h"

#include <windows.h>

#include "framework/Exception.h"
#include "framework/Handles.h"

namespace skin {
namespace {

DWORD Attributes(const std::string& path) { return ::GetFileAttributesW(fw::FromUtf8(path).c_str()); }

}  // namespace

bool WinSkinFileSystem::FileExists(const std::string& path) const {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WinSkinFileSystem::DirectoryExists(const std::string& path) const {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::vector<std::uint8_t>> WinSkinFileSystem::ReadFile(const std::string& path) const {
    fw::UniqueHandle file(::CreateFileW(fw::FromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 512ll * 1024 * 1024) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) return std::nullopt;
        done += got;
    }
    return bytes;
}

std::vector<std::string> WinSkinFileSystem::ListFiles(const std::string& directory) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data{};
    std::wstring pattern = fw::FromUtf8(directory);
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(fw::ToUtf8(data.cFileName));
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

bool WinSkinFileSystem::ForceDirectories(const std::string& path) {
    if (path.empty()) return false;
    std::string p = path;
    while (p.size() > 1 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
    if (DirectoryExists(p)) return true;
    const auto slash = p.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(p.substr(0, slash))) return false;
    return ::CreateDirectoryW(fw::FromUtf8(p).c_str(), nullptr) || DirectoryExists(p);
}

bool WinSkinFileSystem::WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::wstring name = fw::FromUtf8(path);
    fw::UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::WriteFile(file.get(), bytes.data() + done, want, &written, nullptr) || written == 0) break;
        done += written;
    }
    const bool complete = done == bytes.size() && ::FlushFileBuffers(file.get());
    file.reset();
    // A file cut short (a full disk) is no copy of the skin: it does not stay behind.
    if (!complete) ::DeleteFileW(name.c_str());
    return complete;
}

std::string WinSkinFileSystem::ProgramDirectory() const {
    wchar_t buffer[MAX_PATH * 4] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    std::wstring path(buffer, n);
    const auto slash = path.find_last_of(L"\\/");
    return fw::ToUtf8(slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash + 1));
}

}  // namespace skin
