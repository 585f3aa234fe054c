#include "serial/ComStorage.h"

#include <cstdint>
#include <string>
#include <utility>

#include "serial/ComErrors.h"
#include "serial/ComSettingsText.h"
#include "serial/SettingsKeyPath.h"

namespace serial {

namespace {

// One place settings are kept, with its own rule for missing values: the
// key table below is walked the same way for both.
class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    virtual void WriteString(const std::wstring& key, std::wstring_view value) = 0;
    virtual void WriteInteger(const std::wstring& key, std::int32_t value) = 0;
    // `current` is the setting's present value (as text for a text key).
    virtual std::wstring ReadString(const std::wstring& key, std::wstring_view current) = 0;
    virtual std::int32_t ReadInteger(const std::wstring& key, std::int32_t current) = 0;
};

class TIniSettingsStore final : public TSettingsStore {
public:
    TIniSettingsStore(fw::TIniFile& ini, std::wstring section) : ini_(ini), section_(std::move(section)) {}
    void WriteString(const std::wstring& key, std::wstring_view value) override {
        ini_.WriteString(section_, key, std::wstring(value));
    }
    void WriteInteger(const std::wstring& key, std::int32_t value) override { ini_.WriteInteger(section_, key, value); }
    // A missing key reads as the current value.
    std::wstring ReadString(const std::wstring& key, std::wstring_view current) override {
        return ini_.ReadString(section_, key, std::wstring(current));
    }
    // Read as signed text: the system's own integer reading of profiles
    // turns negative values (a read interval of -1) into 0.
    std::int32_t ReadInteger(const std::wstring& key, std::int32_t current) override {
        return ini_.ReadInteger(section_, key, current);
    }

private:
    fw::TIniFile& ini_;
    std::wstring section_;
};

class TRegistrySettingsStore final : public TSettingsStore {
public:
    explicit TRegistrySettingsStore(fw::TRegistry& reg) : reg_(reg) {}
    void WriteString(const std::wstring& key, std::wstring_view value) override {
        reg_.WriteString(key, std::wstring(value));
    }
    void WriteInteger(const std::wstring& key, std::int32_t value) override { reg_.WriteInteger(key, value); }
    // A missing value reads as empty text; a missing integer throws.
    std::wstring ReadString(const std::wstring& key, std::wstring_view) override { return reg_.ReadString(key); }
    std::int32_t ReadInteger(const std::wstring& key, std::int32_t) override { return reg_.ReadInteger(key); }

private:
    fw::TRegistry& reg_;
};

}  // namespace

void OpenSettingsKey(fw::TRegistry& reg, std::wstring_view path, std::wstring_view name) {
    const auto key = SettingsKeyPath(path, name);
    if (!key) return;
    reg.SetRootKey(key->Root == TRegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    reg.OpenKey(key->SubKey, true);
}

// ---- The key table ----

namespace {

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

bool ReadBool(TSettingsStore& store, const std::wstring& key, bool current) {
    return TextToBool(store.ReadString(key, BoolToText(current)));
}

wchar_t ReadChar(TSettingsStore& store, const std::wstring& key, wchar_t current) {
    return TextToChar(store.ReadString(key, CharToText(current)));
}

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

}  // namespace

void StoreToRegistry(const TCustomComPort& port, fw::TRegistry& reg) {
    TRegistrySettingsStore store(reg);
    StoreSettingsTo(port, store);
}

void StoreToIniFile(const TCustomComPort& port, fw::TIniFile& ini) {
    TIniSettingsStore store(ini, port.Name());
    StoreSettingsTo(port, store);
}

void LoadFromRegistry(TCustomComPort& port, fw::TRegistry& reg) {
    TRegistrySettingsStore store(reg);
    LoadSettingsFrom(port, store);
}

void LoadFromIniFile(TCustomComPort& port, fw::TIniFile& ini) {
    TIniSettingsStore store(ini, port.Name());
    LoadSettingsFrom(port, store);
}


void StoreSettings(TCustomComPort& port, TStoreType storeType, std::wstring_view storeTo) {
    bool failed = false;
    try {
        if (storeType == TStoreType::stIniFile) {
            fw::TIniFile ini{std::wstring(storeTo)};
            StoreToIniFile(port, ini);
        } else {
            fw::TRegistry reg;
            OpenSettingsKey(reg, storeTo, port.Name());
            StoreToRegistry(port, reg);
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
            fw::TIniFile ini{std::wstring(loadFrom)};
            LoadFromIniFile(port, ini);
        } else {
            fw::TRegistry reg;
            OpenSettingsKey(reg, loadFrom, port.Name());
            LoadFromRegistry(port, reg);
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

void TCustomComPort::StoreSettings(TStoreType storeType, std::wstring_view storeTo) {
    serial::StoreSettings(*this, storeType, storeTo);
}

void TCustomComPort::LoadSettings(TStoreType storeType, std::wstring_view loadFrom) {
    serial::LoadSettings(*this, storeType, loadFrom);
}

}  // namespace serial
