#pragma once
// Storing a port's settings in the registry or an INI file and loading them
// back: the groups chosen in the port's StoredProps, one value per setting
// under fixed key names, as text (the setting texts) or as integers.
#include <string_view>

#include "framework/IniFile.h"
#include "framework/Registry.h"
#include "serial/ComPort.h"
#include "serial/ComTypes.h"

namespace serial {

// Opens, creating it when missing, the key SettingsKeyPath gives for path
// and name below the root it names; a path without "\" opens no key (every
// later access of reg then fails). Whether the open worked shows at the
// first access.
void OpenSettingsKey(fw::TRegistry& reg, std::wstring_view path, std::wstring_view name);

// The groups of port.StoredProps(), in the fixed key order: to the open key
// (texts as REG_SZ, integers as REG_DWORD values), or to the INI section
// named after the port's Name. Write errors throw.
void StoreToRegistry(const TCustomComPort& port, fw::TRegistry& reg);
void StoreToIniFile(const TCustomComPort& port, fw::TIniFile& ini);

// Every value is assigned through the port's setters, so each reaches the
// same checks as a change made by a program. From an INI file a missing key
// leaves its setting as it is (a custom baud rate without a stored speed
// becomes 9600). From the registry a missing text reads as empty (the
// conversions' fallback, an empty port name, false) and a missing integer
// throws, ending the load with the values assigned before it kept.
void LoadFromRegistry(TCustomComPort& port, fw::TRegistry& reg);
void LoadFromIniFile(TCustomComPort& port, fw::TIniFile& ini);

// The INI file `storeTo` or the registry path `storeTo` (OpenSettingsKey
// with the port's Name). Any failure is reported through the port as
// CE_StoreFailed; values written before it stay.
void StoreSettings(TCustomComPort& port, TStoreType storeType, std::wstring_view storeTo);
// Loads inside one update bracket, so an open port gets the whole set at
// once when the bracket closes (also after a failure). Any failure, including
// a refused apply at the end, is reported through the port as CE_LoadFailed;
// settings assigned before it keep their new values.
void LoadSettings(TCustomComPort& port, TStoreType storeType, std::wstring_view loadFrom);

}  // namespace serial
