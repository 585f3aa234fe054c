#pragma once
// The registry: a root key, one open key at a time, and typed values.
#include <windows.h>

#include <string>

#include "framework/Exception.h"
#include "framework/Handles.h"
#include "framework/Strings.h"

namespace fw {

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    // access: what keys are opened with (OpenKeyReadOnly always reads only).
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    ~TRegistry() = default;

    HKEY RootKey() const noexcept { return root_; }
    // Closes the open key.
    void SetRootKey(HKEY root);
    HKEY CurrentKey() const noexcept { return current_.get(); }
    const std::wstring& CurrentPath() const noexcept { return path_; }

    // Opens key below the open key (below the root when none is open or
    // when key starts with '\'); with canCreate, creates what is missing.
    // False when the key cannot be opened or made.
    bool OpenKey(const std::wstring& key, bool canCreate);
    bool OpenKeyReadOnly(const std::wstring& key);
    void CloseKey() noexcept;
    bool KeyExists(const std::wstring& key);
    // Deletes the key and everything below it.
    bool DeleteKey(const std::wstring& key);

    bool ValueExists(const std::wstring& name) const;
    bool DeleteValue(const std::wstring& name);
    void GetValueNames(TStrings& names) const;
    void GetKeyNames(TStrings& names) const;

    // A missing value reads as empty text; a value of another type throws.
    std::wstring ReadString(const std::wstring& name) const;
    void WriteString(const std::wstring& name, const std::wstring& value);
    // A missing value or one of another type throws.
    int ReadInteger(const std::wstring& name) const;
    void WriteInteger(const std::wstring& name, int value);
    bool ReadBool(const std::wstring& name) const { return ReadInteger(name) != 0; }
    void WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }

private:
    // The parent of a relative path and the path to open below it.
    HKEY BaseFor(const std::wstring& key, std::wstring& relative) const;
    HKEY RequireKey() const;

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM access_;
    UniqueHKey current_;
    std::wstring path_;
};

}  // namespace fw
