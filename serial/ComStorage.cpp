#include "serial/ComStorage.h"

#include <vector>

#include "framework/Exception.h"
#include "serial/ComErrors.h"
#include "serial/ComSettingsText.h"
#include "serial/SettingsKeyPath.h"

namespace serial {

namespace {

// The profile functions take NUL-terminated strings.
std::wstring Z(std::wstring_view s) { return std::wstring(s); }

[[noreturn]] void ThrowStoreError(std::wstring_view what, std::wstring_view key, unsigned long error) {
    throw fw::EOSError(std::wstring(what) + L" \"" + std::wstring(key) + L"\"", error);
}

}  // namespace

// ---- INI file ----

TIniSettingsStore::TIniSettingsStore(std::wstring fileName, std::wstring section)
    : fileName_(std::move(fileName)), section_(std::move(section)) {}

void TIniSettingsStore::WriteString(std::wstring_view key, std::wstring_view value) {
    if (!::WritePrivateProfileStringW(section_.c_str(), Z(key).c_str(), Z(value).c_str(), fileName_.c_str()))
        ThrowStoreError(L"Unable to write to " + fileName_ + L", key", key, ::GetLastError());
}

void TIniSettingsStore::WriteInteger(std::wstring_view key, std::int32_t value) {
    WriteString(key, std::to_wstring(value));
}

std::wstring TIniSettingsStore::ReadString(std::wstring_view key, std::wstring_view current) {
    const std::wstring name = Z(key), fallback = Z(current);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD n = ::GetPrivateProfileStringW(section_.c_str(), name.c_str(), fallback.c_str(), buffer.data(),
                                                   static_cast<DWORD>(buffer.size()), fileName_.c_str());
        // A value that filled the buffer may have been cut: read it again, larger.
        if (n + 1 < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

std::int32_t TIniSettingsStore::ReadInteger(std::wstring_view key, std::int32_t current) {
    // Read as text and parse it signed: the system's own integer reading
    // turns negative values (a read interval of -1) into 0.
    const std::wstring text = ReadString(key, L"");
    return TextToInteger(text).value_or(current);
}

// ---- Registry ----

TRegistrySettingsStore::TRegistrySettingsStore(std::wstring_view path, std::wstring_view name) {
    const auto location = SettingsKeyPath(path, name);
    if (!location) return;
    const HKEY root = location->Root == TRegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    // Whether the key could be opened shows at the first access.
    ::RegCreateKeyExW(root, location->SubKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      key_.put(), nullptr);
}

HKEY TRegistrySettingsStore::Key(std::wstring_view valueName) const {
    if (!key_) ThrowStoreError(L"No registry key open for", valueName, ERROR_INVALID_HANDLE);
    return key_.get();
}

void TRegistrySettingsStore::WriteString(std::wstring_view key, std::wstring_view value) {
    const std::wstring data = Z(value);
    const LSTATUS status =
        ::RegSetValueExW(Key(key), Z(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) ThrowStoreError(L"Failed to set data for", key, static_cast<unsigned long>(status));
}

void TRegistrySettingsStore::WriteInteger(std::wstring_view key, std::int32_t value) {
    const DWORD data = static_cast<DWORD>(value);
    const LSTATUS status =
        ::RegSetValueExW(Key(key), Z(key).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    if (status != ERROR_SUCCESS) ThrowStoreError(L"Failed to set data for", key, static_cast<unsigned long>(status));
}

std::wstring TRegistrySettingsStore::ReadString(std::wstring_view key, std::wstring_view /*current*/) {
    const HKEY hkey = Key(key);
    const std::wstring name = Z(key);
    for (;;) {
        DWORD type = 0, size = 0;
        LSTATUS status = ::RegQueryValueExW(hkey, name.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) return {};
        if (status != ERROR_SUCCESS)
            ThrowStoreError(L"Failed to get data for", key, static_cast<unsigned long>(status));
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            ThrowStoreError(L"Invalid data type for", key, ERROR_INVALID_DATATYPE);
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(hkey, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got);
        // The value grew between the two calls: ask for its size again.
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS)
            ThrowStoreError(L"Failed to get data for", key, static_cast<unsigned long>(status));
        // Stored strings need not end with a NUL; cut at the first one.
        text.resize(got / sizeof(wchar_t));
        if (const auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
        return text;
    }
}

std::int32_t TRegistrySettingsStore::ReadInteger(std::wstring_view key, std::int32_t /*current*/) {
    DWORD type = 0, data = 0, size = sizeof data;
    const LSTATUS status =
        ::RegQueryValueExW(Key(key), Z(key).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (status != ERROR_SUCCESS)
        ThrowStoreError(L"Failed to get data for", key, static_cast<unsigned long>(status));
    if (type != REG_DWORD || size != sizeof data)
        ThrowStoreError(L"Invalid data type for", key, ERROR_INVALID_DATATYPE);
    return static_cast<std::int32_t>(data);
}

// ---- The key table ----

void StoreSettingsTo(const TCustomComPort& port, TSettingsStore& store) {
    const TStoredProps props = port.StoredProps();
    if (props.Contains(TStoredProp::spBasic)) {
        store.WriteString(L"Port", port.Port());
        store.WriteString(L"BaudRate", BaudRateToText(port.BaudRate()));
        if (port.BaudRate() == TBaudRate::brCustom) store.WriteInteger(L"CustomBaudRate", port.CustomBaudRate());
        store.WriteString(L"StopBits", StopBitsToText(port.StopBits()));
        store.WriteString(L"DataBits", DataBitsToText(port.DataBits()));
        store.WriteString(L"Parity", ParityToText(port.Parity().Bits()));
        store.WriteString(L"FlowControl", FlowControlToText(port.FlowControl().FlowControl()));
    }
    if (props.Contains(TStoredProp::spOthers)) {
        store.WriteString(L"EventChar", CharToText(port.EventChar()));
        store.WriteString(L"DiscardNull", BoolToText(port.DiscardNull()));
    }
    if (props.Contains(TStoredProp::spParity)) {
        const TComParity& parity = port.Parity();
        store.WriteString(L"Parity.Check", BoolToText(parity.Check()));
        store.WriteString(L"Parity.Replace", BoolToText(parity.Replace()));
        store.WriteString(L"Parity.ReplaceChar", CharToText(parity.ReplaceChar()));
    }
    if (props.Contains(TStoredProp::spBuffer)) {
        store.WriteInteger(L"Buffer.OutputSize", port.Buffer().OutputSize());
        store.WriteInteger(L"Buffer.InputSize", port.Buffer().InputSize());
    }
    if (props.Contains(TStoredProp::spTimeouts)) {
        const TComTimeouts& t = port.Timeouts();
        store.WriteInteger(L"Timeouts.ReadInterval", t.ReadInterval());
        store.WriteInteger(L"Timeouts.ReadTotalConstant", t.ReadTotalConstant());
        store.WriteInteger(L"Timeouts.ReadTotalMultiplier", t.ReadTotalMultiplier());
        store.WriteInteger(L"Timeouts.WriteTotalConstant", t.WriteTotalConstant());
        store.WriteInteger(L"Timeouts.WriteTotalMultiplier", t.WriteTotalMultiplier());
    }
    if (props.Contains(TStoredProp::spFlowControl)) {
        const TComFlowControl& f = port.FlowControl();
        store.WriteString(L"FlowControl.ControlRTS", RTSToText(f.ControlRTS()));
        store.WriteString(L"FlowControl.ControlDTR", DTRToText(f.ControlDTR()));
        store.WriteString(L"FlowControl.DSRSensitivity", BoolToText(f.DSRSensitivity()));
        store.WriteString(L"FlowControl.OutCTSFlow", BoolToText(f.OutCTSFlow()));
        store.WriteString(L"FlowControl.OutDSRFlow", BoolToText(f.OutDSRFlow()));
        store.WriteString(L"FlowControl.TxContinueOnXoff", BoolToText(f.TxContinueOnXoff()));
        store.WriteString(L"FlowControl.XonXoffIn", BoolToText(f.XonXoffIn()));
        store.WriteString(L"FlowControl.XonXoffOut", BoolToText(f.XonXoffOut()));
        store.WriteString(L"FlowControl.XoffChar", CharToText(f.XoffChar()));
        store.WriteString(L"FlowControl.XonChar", CharToText(f.XonChar()));
    }
}

namespace {

bool ReadBool(TSettingsStore& store, std::wstring_view key, bool current) {
    return TextToBool(store.ReadString(key, BoolToText(current)));
}

wchar_t ReadChar(TSettingsStore& store, std::wstring_view key, wchar_t current) {
    return TextToChar(store.ReadString(key, CharToText(current)));
}

}  // namespace

void LoadSettingsFrom(TCustomComPort& port, TSettingsStore& store) {
    const TStoredProps props = port.StoredProps();
    if (props.Contains(TStoredProp::spBasic)) {
        port.SetPort(store.ReadString(L"Port", port.Port()));
        port.SetBaudRate(TextToBaudRate(store.ReadString(L"BaudRate", BaudRateToText(port.BaudRate()))));
        // Without a stored speed a custom rate falls back to 9600, not to the current one.
        if (port.BaudRate() == TBaudRate::brCustom) port.SetCustomBaudRate(store.ReadInteger(L"CustomBaudRate", 9600));
        port.SetStopBits(TextToStopBits(store.ReadString(L"StopBits", StopBitsToText(port.StopBits()))));
        port.SetDataBits(TextToDataBits(store.ReadString(L"DataBits", DataBitsToText(port.DataBits()))));
        port.Parity().SetBits(TextToParity(store.ReadString(L"Parity", ParityToText(port.Parity().Bits()))));
        port.FlowControl().SetFlowControl(TextToFlowControl(
            store.ReadString(L"FlowControl", FlowControlToText(port.FlowControl().FlowControl()))));
    }
    if (props.Contains(TStoredProp::spOthers)) {
        port.SetEventChar(ReadChar(store, L"EventChar", port.EventChar()));
        port.SetDiscardNull(ReadBool(store, L"DiscardNull", port.DiscardNull()));
    }
    if (props.Contains(TStoredProp::spParity)) {
        TComParity& parity = port.Parity();
        parity.SetCheck(ReadBool(store, L"Parity.Check", parity.Check()));
        parity.SetReplace(ReadBool(store, L"Parity.Replace", parity.Replace()));
        parity.SetReplaceChar(ReadChar(store, L"Parity.ReplaceChar", parity.ReplaceChar()));
    }
    if (props.Contains(TStoredProp::spBuffer)) {
        TComBuffer& buffer = port.Buffer();
        buffer.SetOutputSize(store.ReadInteger(L"Buffer.OutputSize", buffer.OutputSize()));
        buffer.SetInputSize(store.ReadInteger(L"Buffer.InputSize", buffer.InputSize()));
    }
    if (props.Contains(TStoredProp::spTimeouts)) {
        TComTimeouts& t = port.Timeouts();
        t.SetReadInterval(store.ReadInteger(L"Timeouts.ReadInterval", t.ReadInterval()));
        t.SetReadTotalConstant(store.ReadInteger(L"Timeouts.ReadTotalConstant", t.ReadTotalConstant()));
        t.SetReadTotalMultiplier(store.ReadInteger(L"Timeouts.ReadTotalMultiplier", t.ReadTotalMultiplier()));
        t.SetWriteTotalConstant(store.ReadInteger(L"Timeouts.WriteTotalConstant", t.WriteTotalConstant()));
        t.SetWriteTotalMultiplier(store.ReadInteger(L"Timeouts.WriteTotalMultiplier", t.WriteTotalMultiplier()));
    }
    if (props.Contains(TStoredProp::spFlowControl)) {
        TComFlowControl& f = port.FlowControl();
        f.SetControlRTS(TextToRTS(store.ReadString(L"FlowControl.ControlRTS", RTSToText(f.ControlRTS()))));
        f.SetControlDTR(TextToDTR(store.ReadString(L"FlowControl.ControlDTR", DTRToText(f.ControlDTR()))));
        f.SetDSRSensitivity(ReadBool(store, L"FlowControl.DSRSensitivity", f.DSRSensitivity()));
        f.SetOutCTSFlow(ReadBool(store, L"FlowControl.OutCTSFlow", f.OutCTSFlow()));
        f.SetOutDSRFlow(ReadBool(store, L"FlowControl.OutDSRFlow", f.OutDSRFlow()));
        f.SetTxContinueOnXoff(ReadBool(store, L"FlowControl.TxContinueOnXoff", f.TxContinueOnXoff()));
        f.SetXonXoffIn(ReadBool(store, L"FlowControl.XonXoffIn", f.XonXoffIn()));
        f.SetXonXoffOut(ReadBool(store, L"FlowControl.XonXoffOut", f.XonXoffOut()));
        f.SetXoffChar(ReadChar(store, L"FlowControl.XoffChar", f.XoffChar()));
        f.SetXonChar(ReadChar(store, L"FlowControl.XonChar", f.XonChar()));
    }
}

// ---- Store and load as a whole ----

void StoreSettings(TCustomComPort& port, TStoreType storeType, std::wstring_view storeTo) {
    bool failed = false;
    try {
        if (storeType == TStoreType::stIniFile) {
            TIniSettingsStore ini{std::wstring(storeTo), port.Name()};
            StoreSettingsTo(port, ini);
        } else {
            TRegistrySettingsStore registry{storeTo, port.Name()};
            StoreSettingsTo(port, registry);
        }
    } catch (...) {
        failed = true;
    }
    // Reported outside the handler: with OnException set the report returns.
    if (failed) port.ReportComError(ComErrorCode(TComExceptions::CE_StoreFailed), 0);
}

void LoadSettings(TCustomComPort& port, TStoreType storeType, std::wstring_view loadFrom) {
    bool failed = false;
    port.BeginUpdate();
    try {
        if (storeType == TStoreType::stIniFile) {
            TIniSettingsStore ini{std::wstring(loadFrom), port.Name()};
            LoadSettingsFrom(port, ini);
        } else {
            TRegistrySettingsStore registry{loadFrom, port.Name()};
            LoadSettingsFrom(port, registry);
        }
    } catch (...) {
        failed = true;
    }
    // The bracket closes whatever happened, applying what was loaded.
    try {
        port.EndUpdate();
    } catch (...) {
        failed = true;
    }
    if (failed) port.ReportComError(ComErrorCode(TComExceptions::CE_LoadFailed), 0);
}

}  // namespace serial
