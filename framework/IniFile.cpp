#include "framework/IniFile.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace fw {

namespace {

std::wstring ResolveFileName(const std::wstring& name) {
    if (name.find_first_of(L"\\/:") != std::wstring::npos) return name;
    wchar_t folder[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return name;
    return std::wstring(folder, n) + L"\\" + name;
}

// A NUL-separated list from a profile call, grown until it fits.
std::vector<std::wstring> ReadList(const wchar_t* section, const std::wstring& file) {
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        const DWORD n = section ? ::GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                                              static_cast<DWORD>(buffer.size()), file.c_str())
                                : ::GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()),
                                                                   file.c_str());
        if (n + 2 >= buffer.size()) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        std::vector<std::wstring> items;
        for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) items.emplace_back(p);
        return items;
    }
}

}  // namespace

bool ParseInteger(std::wstring_view text, int& value) noexcept {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == L'$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 1 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    long long v = 0;
    for (wchar_t c : text) {
        int d;
        if (c >= L'0' && c <= L'9') d = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f') d = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F') d = c - L'A' + 10;
        else return false;
        v = v * base + d;
        if (v > 0x100000000LL) return false;
    }
    if (negative) v = -v;
    // Hexadecimal text may spell a negative number as its 32-bit pattern.
    if (base == 16 && !negative && v > INT_MAX && v <= 0xFFFFFFFFLL) v -= 0x100000000LL;
    if (v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

TIniFile::TIniFile(const std::wstring& fileName) : fileName_(ResolveFileName(fileName)) {}

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& defaultValue) const {
    std::vector<wchar_t> buffer(2048);
    for (;;) {
        const DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                                   static_cast<DWORD>(buffer.size()), fileName_.c_str());
        if (n + 1 >= buffer.size()) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        return std::wstring(buffer.data(), n);
    }
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    if (!::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str())) {
        throw EIniFileException(L"Unable to write to " + fileName_);
    }
}

int TIniFile::ReadInteger(const std::wstring& section, const std::wstring& key, int defaultValue) const {
    int value = 0;
    return ParseInteger(ReadString(section, key, {}), value) ? value : defaultValue;
}

void TIniFile::WriteInteger(const std::wstring& section, const std::wstring& key, int value) {
    WriteString(section, key, std::to_wstring(value));
}

bool TIniFile::SectionExists(const std::wstring& section) const { return !ReadList(section.c_str(), fileName_).empty(); }

bool TIniFile::ValueExists(const std::wstring& section, const std::wstring& key) const {
    for (const auto& k : ReadList(section.c_str(), fileName_)) {
        if (CompareTextLocale(k, key) == 0) return true;
    }
    return false;
}

void TIniFile::ReadSection(const std::wstring& section, TStrings& keys) const {
    keys.BeginUpdate();
    keys.Clear();
    for (const auto& k : ReadList(section.c_str(), fileName_)) keys.Add(k);
    keys.EndUpdate();
}

void TIniFile::ReadSections(TStrings& sections) const {
    sections.BeginUpdate();
    sections.Clear();
    for (const auto& s : ReadList(nullptr, fileName_)) sections.Add(s);
    sections.EndUpdate();
}

void TIniFile::EraseSection(const std::wstring& section) {
    if (!::WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, fileName_.c_str())) {
        throw EIniFileException(L"Unable to write to " + fileName_);
    }
}

void TIniFile::DeleteKey(const std::wstring& section, const std::wstring& key) {
    ::WritePrivateProfileStringW(section.c_str(), key.c_str(), nullptr, fileName_.c_str());
}

void TIniFile::UpdateFile() { ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, fileName_.c_str()); }

}  // namespace fw
