#include "framework/Registry.h"

#include <vector>

namespace fw {

namespace {
std::wstring Trim(const std::wstring& key) {
    size_t a = 0, b = key.size();
    while (a < b && key[a] == L'\\') ++a;
    while (b > a && key[b - 1] == L'\\') --b;
    return key.substr(a, b - a);
}
}  // namespace

TRegistry::TRegistry(REGSAM access) : access_(access) {}

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    root_ = root;
}

void TRegistry::CloseKey() noexcept {
    current_.reset();
    path_.clear();
}

HKEY TRegistry::BaseFor(const std::wstring& key, std::wstring& relative) const {
    const bool absolute = !key.empty() && key.front() == L'\\';
    relative = Trim(key);
    return (absolute || !current_) ? root_ : current_.get();
}

bool TRegistry::OpenKey(const std::wstring& key, bool canCreate) {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    const bool absolute = base == root_;
    UniqueHKey opened;
    LSTATUS r;
    if (canCreate) {
        r = ::RegCreateKeyExW(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr, opened.put(),
                              nullptr);
    } else {
        r = ::RegOpenKeyExW(base, relative.c_str(), 0, access_, opened.put());
    }
    if (r != ERROR_SUCCESS) return false;
    path_ = absolute || path_.empty() ? relative : path_ + L"\\" + relative;
    current_ = std::move(opened);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& key) {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    const bool absolute = base == root_;
    UniqueHKey opened;
    if (::RegOpenKeyExW(base, relative.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return false;
    path_ = absolute || path_.empty() ? relative : path_ + L"\\" + relative;
    current_ = std::move(opened);
    return true;
}

bool TRegistry::KeyExists(const std::wstring& key) {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    UniqueHKey probe;
    return ::RegOpenKeyExW(base, relative.c_str(), 0, KEY_READ, probe.put()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::wstring& key) {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    if (relative.empty()) return false;
    if (::RegDeleteTreeW(base, relative.c_str()) != ERROR_SUCCESS) return false;
    // Some systems empty the key and leave it: delete what is left.
    const LSTATUS r = ::RegDeleteKeyW(base, relative.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

HKEY TRegistry::RequireKey() const {
    if (!current_) throw ERegistryException(L"No registry key is open");
    return current_.get();
}

bool TRegistry::ValueExists(const std::wstring& name) const {
    if (!current_) return false;
    return ::RegQueryValueExW(current_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::wstring& name) {
    return current_ && ::RegDeleteValueW(current_.get(), name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::GetValueNames(TStrings& names) const {
    names.Clear();
    if (!current_) return;
    std::vector<wchar_t> buffer(16384);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(buffer.size());
        if (::RegEnumValueW(current_.get(), i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.Add(std::wstring(buffer.data(), len));
    }
}

void TRegistry::GetKeyNames(TStrings& names) const {
    names.Clear();
    if (!current_) return;
    wchar_t buffer[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (::RegEnumKeyExW(current_.get(), i, buffer, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.Add(std::wstring(buffer, len));
    }
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
    HKEY key = RequireKey();
    DWORD type = 0, size = 0;
    LSTATUS r = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (r == ERROR_FILE_NOT_FOUND) return {};
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        throw ERegistryException(L"Invalid data type for '" + name + L"'");
    }
    // The value may change between the two calls: retry while it grows.
    for (;;) {
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        r = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &got);
        if (r == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (r != ERROR_SUCCESS) throw ERegistryException(L"Failed to get data for '" + name + L"'");
        value.resize(got / sizeof(wchar_t));
        // Stored with or without its terminating NUL.
        while (!value.empty() && value.back() == L'\0') value.pop_back();
        return value;
    }
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (::RegSetValueExW(RequireKey(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) !=
        ERROR_SUCCESS) {
        throw ERegistryException(L"Failed to set data for '" + name + L"'");
    }
}

int TRegistry::ReadInteger(const std::wstring& name) const {
    DWORD type = 0, value = 0, size = sizeof value;
    const LSTATUS r =
        ::RegQueryValueExW(RequireKey(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (r != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) {
        throw ERegistryException(L"Invalid data type for '" + name + L"'");
    }
    return static_cast<int>(value);
}

void TRegistry::WriteInteger(const std::wstring& name, int value) {
    const auto data = static_cast<DWORD>(value);
    if (::RegSetValueExW(RequireKey(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
        ERROR_SUCCESS) {
        throw ERegistryException(L"Failed to set data for '" + name + L"'");
    }
}

}  // namespace fw
