#pragma once
// An INI file: [section] and key=value lines, read and written through the
// system's profile functions (UTF-16 file names and texts).
#include <string>

#include "framework/Exception.h"
#include "framework/Strings.h"

namespace fw {

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile {
public:
    // A name without a folder is taken in the user's application-data folder
    // (%APPDATA%), not in the system folder where the profile functions would
    // put it.
    explicit TIniFile(const std::wstring& fileName);

    const std::wstring& FileName() const noexcept { return fileName_; }

    std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue) const;
    void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    // Signed decimal text, or hexadecimal with "0x" or "$"; anything else
    // (missing key, empty or not a number, out of range) gives defaultValue.
    int ReadInteger(const std::wstring& section, const std::wstring& key, int defaultValue) const;
    void WriteInteger(const std::wstring& section, const std::wstring& key, int value);
    bool ReadBool(const std::wstring& section, const std::wstring& key, bool defaultValue) const {
        return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
    }
    void WriteBool(const std::wstring& section, const std::wstring& key, bool value) {
        WriteString(section, key, value ? L"1" : L"0");
    }

    bool SectionExists(const std::wstring& section) const;
    bool ValueExists(const std::wstring& section, const std::wstring& key) const;
    // The key names of a section, in file order.
    void ReadSection(const std::wstring& section, TStrings& keys) const;
    void ReadSections(TStrings& sections) const;
    void EraseSection(const std::wstring& section);
    void DeleteKey(const std::wstring& section, const std::wstring& key);
    // Writes cached changes to the disk.
    void UpdateFile();

private:
    std::wstring fileName_;
};

// The integer text rule of ReadInteger, for other readers of setting texts.
bool ParseInteger(std::wstring_view text, int& value) noexcept;

}  // namespace fw
