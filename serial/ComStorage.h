#pragma once
// Storing a port's settings in the registry or an INI file and loading them
// back: the groups chosen in the port's StoredProps, one value per setting
// under fixed key names, as text (the setting texts) or as integers.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Handles.h"
#include "serial/ComPort.h"
#include "serial/ComTypes.h"

namespace serial {

// One place settings are kept: a section of an INI file or a registry key.
// What a missing value reads as is the store's business (see below).
class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    // Both throw when the value cannot be written.
    virtual void WriteString(std::wstring_view key, std::wstring_view value) = 0;
    virtual void WriteInteger(std::wstring_view key, std::int32_t value) = 0;
    // `current` is the setting's present value (as text for a text key).
    virtual std::wstring ReadString(std::wstring_view key, std::wstring_view current) = 0;
    virtual std::int32_t ReadInteger(std::wstring_view key, std::int32_t current) = 0;
};

// A section of an INI file. A missing key reads as the value passed as
// current, so that it leaves its setting as it is. Integers are written as
// decimal text and read as signed text: -1 survives a store and a load.
class TIniSettingsStore final : public TSettingsStore {
public:
    TIniSettingsStore(std::wstring fileName, std::wstring section);
    void WriteString(std::wstring_view key, std::wstring_view value) override;
    void WriteInteger(std::wstring_view key, std::int32_t value) override;
    std::wstring ReadString(std::wstring_view key, std::wstring_view current) override;
    std::int32_t ReadInteger(std::wstring_view key, std::int32_t current) override;

private:
    std::wstring fileName_;
    std::wstring section_;
};

// A registry key: texts are REG_SZ values, integers REG_DWORD values. A
// missing text reads as empty text (which the conversions turn into their
// fallbacks); a missing integer is an error. Without a key every access fails.
class TRegistrySettingsStore final : public TSettingsStore {
public:
    // Opens, creating it when missing, the key SettingsKeyPath gives for
    // path and name; a path without "\" opens none.
    TRegistrySettingsStore(std::wstring_view path, std::wstring_view name);
    bool HasKey() const noexcept { return key_.valid(); }
    void WriteString(std::wstring_view key, std::wstring_view value) override;
    void WriteInteger(std::wstring_view key, std::int32_t value) override;
    std::wstring ReadString(std::wstring_view key, std::wstring_view current) override;
    std::int32_t ReadInteger(std::wstring_view key, std::int32_t current) override;

private:
    HKEY Key(std::wstring_view valueName) const;

    fw::UniqueHKey key_;
};

// Write or read the groups of port.StoredProps(), in the fixed key order.
// Loading assigns every value through the port's setters, so each reaches
// the same checks as a change made by a program; an exception from the store
// ends the load with the values assigned before it kept.
void StoreSettingsTo(const TCustomComPort& port, TSettingsStore& store);
void LoadSettingsFrom(TCustomComPort& port, TSettingsStore& store);

// The INI file `storeTo` (section: the port's Name) or the registry path
// `storeTo` (key: SettingsKeyPath of it and the Name). Any failure is
// reported through the port as CE_StoreFailed; values written before it stay.
void StoreSettings(TCustomComPort& port, TStoreType storeType, std::wstring_view storeTo);
// Loads inside one update bracket, so an open port gets the whole set at
// once when the bracket closes (also after a failure). Any failure, including
// a refused apply at the end, is reported through the port as CE_LoadFailed;
// settings assigned before it keep their new values.
void LoadSettings(TCustomComPort& port, TStoreType storeType, std::wstring_view loadFrom);

}  // namespace serial
