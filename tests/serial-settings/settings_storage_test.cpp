// Storing port settings in the registry and in INI files and loading them
// back, through the real registry and real files (under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "serial/ComPort.h"
#include "serial/ComStorage.h"
#include "tests/support/FakeCommDevice.h"

using namespace serial;
using FakeCommDevice = testserial::TFakeCommDevice;

namespace {

constexpr wchar_t kTestKey[] = L"Software\\QuillonSettingsTest";

// Every setting of the key table set away from its default.
void ChangeEverySetting(TCustomComPort& p) {
    p.SetPort(L"COM7");
    p.SetBaudRate(TBaudRate::brCustom);
    p.SetCustomBaudRate(250000);
    p.SetStopBits(TStopBits::sbTwoStopBits);
    p.SetDataBits(TDataBits::dbSeven);
    p.Parity().SetBits(TParityBits::prMark);
    p.Parity().SetCheck(true);
    p.Parity().SetReplace(true);
    p.Parity().SetReplaceChar(L'?');
    p.SetEventChar(L'\n');
    p.SetDiscardNull(true);
    p.Buffer().SetInputSize(4096);
    p.Buffer().SetOutputSize(2048);
    p.Timeouts().SetReadInterval(50);
    p.Timeouts().SetReadTotalMultiplier(2);
    p.Timeouts().SetReadTotalConstant(300);
    p.Timeouts().SetWriteTotalMultiplier(7);
    p.Timeouts().SetWriteTotalConstant(5000);
    p.FlowControl().SetControlRTS(TRTSFlowControl::rtsToggle);
    p.FlowControl().SetControlDTR(TDTRFlowControl::dtrHandshake);
    p.FlowControl().SetDSRSensitivity(true);
    p.FlowControl().SetOutCTSFlow(true);
    p.FlowControl().SetOutDSRFlow(true);
    p.FlowControl().SetTxContinueOnXoff(true);
    p.FlowControl().SetXonXoffIn(true);
    p.FlowControl().SetXonXoffOut(true);
    p.FlowControl().SetXonChar(L'A');
    p.FlowControl().SetXoffChar(L'#');
}

void ExpectSameSettings(const TCustomComPort& a, const TCustomComPort& b) {
    EXPECT_EQ(a.Port(), b.Port());
    EXPECT_EQ(a.BaudRate(), b.BaudRate());
    EXPECT_EQ(a.CustomBaudRate(), b.CustomBaudRate());
    EXPECT_EQ(a.StopBits(), b.StopBits());
    EXPECT_EQ(a.DataBits(), b.DataBits());
    EXPECT_EQ(a.Parity().Bits(), b.Parity().Bits());
    EXPECT_EQ(a.Parity().Check(), b.Parity().Check());
    EXPECT_EQ(a.Parity().Replace(), b.Parity().Replace());
    EXPECT_EQ(a.Parity().ReplaceChar(), b.Parity().ReplaceChar());
    EXPECT_EQ(a.EventChar(), b.EventChar());
    EXPECT_EQ(a.DiscardNull(), b.DiscardNull());
    EXPECT_EQ(a.Buffer().InputSize(), b.Buffer().InputSize());
    EXPECT_EQ(a.Buffer().OutputSize(), b.Buffer().OutputSize());
    EXPECT_EQ(a.Timeouts().ReadInterval(), b.Timeouts().ReadInterval());
    EXPECT_EQ(a.Timeouts().ReadTotalMultiplier(), b.Timeouts().ReadTotalMultiplier());
    EXPECT_EQ(a.Timeouts().ReadTotalConstant(), b.Timeouts().ReadTotalConstant());
    EXPECT_EQ(a.Timeouts().WriteTotalMultiplier(), b.Timeouts().WriteTotalMultiplier());
    EXPECT_EQ(a.Timeouts().WriteTotalConstant(), b.Timeouts().WriteTotalConstant());
    EXPECT_EQ(a.FlowControl().ControlRTS(), b.FlowControl().ControlRTS());
    EXPECT_EQ(a.FlowControl().ControlDTR(), b.FlowControl().ControlDTR());
    EXPECT_EQ(a.FlowControl().DSRSensitivity(), b.FlowControl().DSRSensitivity());
    EXPECT_EQ(a.FlowControl().OutCTSFlow(), b.FlowControl().OutCTSFlow());
    EXPECT_EQ(a.FlowControl().OutDSRFlow(), b.FlowControl().OutDSRFlow());
    EXPECT_EQ(a.FlowControl().TxContinueOnXoff(), b.FlowControl().TxContinueOnXoff());
    EXPECT_EQ(a.FlowControl().XonXoffIn(), b.FlowControl().XonXoffIn());
    EXPECT_EQ(a.FlowControl().XonXoffOut(), b.FlowControl().XonXoffOut());
    EXPECT_EQ(a.FlowControl().XonChar(), b.FlowControl().XonChar());
    EXPECT_EQ(a.FlowControl().XoffChar(), b.FlowControl().XoffChar());
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + name;
    ::DeleteFileW(path.c_str());
    return path;
}

// The lines of a file as written (without line ends), or none when it is missing.
std::vector<std::string> FileLines(const std::wstring& path) {
    std::vector<std::string> lines;
    std::ifstream in(path.c_str());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

void WriteFileText(const std::wstring& path, const std::string& text) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out << text;
}

struct RegValue {
    DWORD type = REG_NONE;
    std::wstring text;
    DWORD number = 0;
};

std::vector<std::pair<std::wstring, RegValue>> RegistryValues(HKEY root, const std::wstring& subKey) {
    std::vector<std::pair<std::wstring, RegValue>> values;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256, type = 0, size = 1024;
        BYTE data[1024];
        if (::RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        RegValue v;
        v.type = type;
        if (type == REG_SZ) v.text = reinterpret_cast<const wchar_t*>(data);
        if (type == REG_DWORD) v.number = *reinterpret_cast<const DWORD*>(data);
        values.emplace_back(name, v);
    }
    ::RegCloseKey(key);
    return values;
}

class SettingsStorage : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"QuillonSettingsTest");
    }
    void TearDown() override { SetUp(); }

    static std::unique_ptr<TComPort> NewPort(std::shared_ptr<FakeCommDevice> device = std::make_shared<FakeCommDevice>()) {
        auto port = std::make_unique<TComPort>(nullptr, std::move(device));
        port->SetName(L"ComPort");
        return port;
    }
};

TEST_F(SettingsStorage, EverySettingRoundTripsThroughAnIniFile) {
    const std::wstring file = TempFile(L"quillon-settings-all.ini");
    auto stored = NewPort();
    stored->SetStoredProps(TStoredProps::All());
    ChangeEverySetting(*stored);
    stored->StoreSettings(TStoreType::stIniFile, file);

    EXPECT_EQ(FileLines(file), (std::vector<std::string>{
                                   "[ComPort]",
                                   "Port=COM7",
                                   "BaudRate=Custom",
                                   "CustomBaudRate=250000",
                                   "StopBits=2",
                                   "DataBits=7",
                                   "Parity=Mark",
                                   "FlowControl=Custom",
                                   "EventChar=#10",
                                   "DiscardNull=Yes",
                                   "Parity.Check=Yes",
                                   "Parity.Replace=Yes",
                                   "Parity.ReplaceChar=?",
                                   "Buffer.OutputSize=2048",
                                   "Buffer.InputSize=4096",
                                   "Timeouts.ReadInterval=50",
                                   "Timeouts.ReadTotalConstant=300",
                                   "Timeouts.ReadTotalMultiplier=2",
                                   "Timeouts.WriteTotalConstant=5000",
                                   "Timeouts.WriteTotalMultiplier=7",
                                   "FlowControl.ControlRTS=Toggle",
                                   "FlowControl.ControlDTR=Handshake",
                                   "FlowControl.DSRSensitivity=Yes",
                                   "FlowControl.OutCTSFlow=Yes",
                                   "FlowControl.OutDSRFlow=Yes",
                                   "FlowControl.TxContinueOnXoff=Yes",
                                   "FlowControl.XonXoffIn=Yes",
                                   "FlowControl.XonXoffOut=Yes",
                                   "FlowControl.XoffChar=#",
                                   "FlowControl.XonChar=A",
                               }));

    auto loaded = NewPort();
    loaded->SetStoredProps(TStoredProps::All());
    loaded->LoadSettings(TStoreType::stIniFile, file);
    ExpectSameSettings(*loaded, *stored);
}

TEST_F(SettingsStorage, EverySettingRoundTripsThroughTheRegistry) {
    auto stored = NewPort();
    stored->SetStoredProps(TStoredProps::All());
    ChangeEverySetting(*stored);
    stored->StoreSettings(TStoreType::stRegistry, std::wstring(L"HKEY_CURRENT_USER\\") + kTestKey);

    const auto values = RegistryValues(HKEY_CURRENT_USER, std::wstring(kTestKey) + L"\\ComPort");
    ASSERT_EQ(values.size(), 29u);
    std::map<std::wstring, RegValue> byName(values.begin(), values.end());
    for (const wchar_t* integer :
         {L"CustomBaudRate", L"Buffer.OutputSize", L"Buffer.InputSize", L"Timeouts.ReadInterval",
          L"Timeouts.ReadTotalConstant", L"Timeouts.ReadTotalMultiplier", L"Timeouts.WriteTotalConstant",
          L"Timeouts.WriteTotalMultiplier"})
        EXPECT_EQ(byName[integer].type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(byName[L"CustomBaudRate"].number, 250000u);
    EXPECT_EQ(byName[L"Timeouts.WriteTotalConstant"].number, 5000u);
    EXPECT_EQ(byName[L"Port"].type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(byName[L"Port"].text, L"COM7");
    EXPECT_EQ(byName[L"BaudRate"].text, L"Custom");
    EXPECT_EQ(byName[L"FlowControl.ControlRTS"].text, L"Toggle");
    EXPECT_EQ(byName[L"FlowControl.XoffChar"].text, L"#");
    EXPECT_EQ(byName[L"EventChar"].text, L"#10");
    EXPECT_EQ(byName[L"Parity.Check"].text, L"Yes");

    auto loaded = NewPort();
    loaded->SetStoredProps(TStoredProps::All());
    loaded->LoadSettings(TStoreType::stRegistry, std::wstring(L"HKEY_CURRENT_USER\\") + kTestKey);
    ExpectSameSettings(*loaded, *stored);
}

TEST_F(SettingsStorage, RegistryPathRule) {
    auto port = NewPort();
    // The first part names the root...
    port->StoreSettings(TStoreType::stRegistry, std::wstring(L"HKEY_LOCAL_MACHINE\\") + kTestKey);
    EXPECT_EQ(RegistryValues(HKEY_LOCAL_MACHINE, std::wstring(kTestKey) + L"\\ComPort").size(), 6u);
    // ...or is dropped: Software\QuillonSettingsTest is HKCU\QuillonSettingsTest.
    port->StoreSettings(TStoreType::stRegistry, kTestKey);
    EXPECT_EQ(RegistryValues(HKEY_CURRENT_USER, L"QuillonSettingsTest\\ComPort").size(), 6u);
    EXPECT_TRUE(RegistryValues(HKEY_CURRENT_USER, std::wstring(kTestKey) + L"\\ComPort").empty());

    // A path without "\" opens no key: storing fails, loading changes nothing.
    try {
        port->StoreSettings(TStoreType::stRegistry, L"Software");
        FAIL() << "no error";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 16);
        EXPECT_EQ(e.WinCode(), -1);
        EXPECT_EQ(e.Message(), L"Failed to store settings");
    }
    port->SetPort(L"COM5");
    try {
        port->LoadSettings(TStoreType::stRegistry, L"Software");
        FAIL() << "no error";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 17);
        EXPECT_EQ(e.Message(), L"Failed to load settings");
    }
    EXPECT_EQ(port->Port(), L"COM5");
}

TEST_F(SettingsStorage, DefaultPortWithBasicGroupToIni) {
    const std::wstring file = TempFile(L"quillon-settings-basic.ini");
    auto port = NewPort();
    port->StoreSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(FileLines(file), (std::vector<std::string>{"[ComPort]", "Port=COM1", "BaudRate=9600", "StopBits=1",
                                                         "DataBits=8", "Parity=None", "FlowControl=None"}));
}

TEST_F(SettingsStorage, NoGroupsStoresAndLoadsNothing) {
    const std::wstring file = TempFile(L"quillon-settings-none.ini");
    auto port = NewPort();
    port->SetStoredProps({});
    port->StoreSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    port->StoreSettings(TStoreType::stRegistry, std::wstring(L"HKEY_CURRENT_USER\\") + kTestKey);
    EXPECT_TRUE(RegistryValues(HKEY_CURRENT_USER, std::wstring(kTestKey) + L"\\ComPort").empty());

    WriteFileText(file, "[ComPort]\r\nPort=COM9\r\nBaudRate=300\r\n");
    port->LoadSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(port->Port(), L"COM1");
    EXPECT_EQ(port->BaudRate(), TBaudRate::br9600);
}

TEST_F(SettingsStorage, CustomBaudRate) {
    const std::wstring file = TempFile(L"quillon-settings-custom.ini");
    auto stored = NewPort();
    stored->SetBaudRate(TBaudRate::brCustom);
    stored->SetCustomBaudRate(250000);
    stored->StoreSettings(TStoreType::stIniFile, file);
    const auto lines = FileLines(file);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2], "BaudRate=Custom");
    EXPECT_EQ(lines[3], "CustomBaudRate=250000");

    auto loaded = NewPort();
    loaded->LoadSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(loaded->BaudRate(), TBaudRate::brCustom);
    EXPECT_EQ(loaded->CustomBaudRate(), 250000);

    // A custom rate without a stored speed falls back to 9600; another rate
    // does not read the key at all.
    WriteFileText(file, "[ComPort]\r\nBaudRate=custom\r\n");
    loaded->SetBaudRate(TBaudRate::br300);
    loaded->SetCustomBaudRate(1234);
    loaded->LoadSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(loaded->BaudRate(), TBaudRate::brCustom);
    EXPECT_EQ(loaded->CustomBaudRate(), 9600);
    WriteFileText(file, "[ComPort]\r\nBaudRate=19200\r\nCustomBaudRate=777\r\n");
    loaded->LoadSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(loaded->BaudRate(), TBaudRate::br19200);
    EXPECT_EQ(loaded->CustomBaudRate(), 9600);
}

TEST_F(SettingsStorage, MissingIniKeysLeaveSettingsAlone) {
    const std::wstring file = TempFile(L"quillon-settings-partial.ini");
    WriteFileText(file, "[ComPort]\r\nFlowControl=Hardware\r\n");
    auto port = NewPort();
    port->SetPort(L"COM3");
    port->SetBaudRate(TBaudRate::br57600);
    port->SetDataBits(TDataBits::dbSeven);
    port->FlowControl().SetOutDSRFlow(true);
    port->SetStoredProps({TStoredProp::spBasic, TStoredProp::spFlowControl});
    port->LoadSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(port->FlowControl().ControlRTS(), TRTSFlowControl::rtsHandshake);
    EXPECT_TRUE(port->FlowControl().OutCTSFlow());
    EXPECT_EQ(port->FlowControl().FlowControl(), TFlowControl::fcHardware);
    EXPECT_TRUE(port->FlowControl().OutDSRFlow());
    EXPECT_EQ(port->Port(), L"COM3");
    EXPECT_EQ(port->BaudRate(), TBaudRate::br57600);
    EXPECT_EQ(port->DataBits(), TDataBits::dbSeven);
}

TEST_F(SettingsStorage, NegativeIntegersSurviveAnIniFile) {
    const std::wstring file = TempFile(L"quillon-settings-timeouts.ini");
    auto stored = NewPort();
    stored->SetStoredProps({TStoredProp::spTimeouts});
    stored->Timeouts().SetReadTotalConstant(-5);
    stored->StoreSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(FileLines(file)[1], "Timeouts.ReadInterval=-1");

    auto loaded = NewPort();
    loaded->SetStoredProps({TStoredProp::spTimeouts});
    loaded->Timeouts().SetReadInterval(20);
    loaded->LoadSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(loaded->Timeouts().ReadInterval(), -1);
    EXPECT_EQ(loaded->Timeouts().ReadTotalConstant(), -5);

    // Malformed integers leave the setting as it is.
    WriteFileText(file, "[ComPort]\r\nTimeouts.ReadInterval=fast\r\nTimeouts.WriteTotalConstant=$10\r\n");
    loaded->LoadSettings(TStoreType::stIniFile, file);
    EXPECT_EQ(loaded->Timeouts().ReadInterval(), -1);
    EXPECT_EQ(loaded->Timeouts().WriteTotalConstant(), 16);
}

TEST_F(SettingsStorage, MissingRegistryValues) {
    const std::wstring path = std::wstring(L"HKEY_CURRENT_USER\\") + kTestKey;
    const std::wstring subKey = std::wstring(kTestKey) + L"\\ComPort";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    const DWORD output = 4000;
    ::RegSetValueExW(key, L"Buffer.OutputSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&output), sizeof output);
    ::RegCloseKey(key);

    // Texts read as empty and fall back; an empty port name is taken as is;
    // a missing Boolean is false.
    auto port = NewPort();
    port->SetStoredProps({TStoredProp::spBasic, TStoredProp::spOthers});
    port->SetBaudRate(TBaudRate::br300);
    port->SetDataBits(TDataBits::dbFive);
    port->SetDiscardNull(true);
    port->SetEventChar(L'x');
    port->FlowControl().SetFlowControl(TFlowControl::fcHardware);
    port->LoadSettings(TStoreType::stRegistry, path);
    EXPECT_EQ(port->Port(), L"");
    EXPECT_EQ(port->BaudRate(), TBaudRate::br9600);
    EXPECT_EQ(port->DataBits(), TDataBits::dbEight);
    // The flow-control fallback is the custom preset, which changes nothing.
    EXPECT_EQ(port->FlowControl().FlowControl(), TFlowControl::fcHardware);
    EXPECT_FALSE(port->DiscardNull());
    EXPECT_EQ(port->EventChar(), L'\0');

    // A missing integer ends the load; what came before it stays.
    port->SetStoredProps({TStoredProp::spBuffer});
    try {
        port->LoadSettings(TStoreType::stRegistry, path);
        FAIL() << "no error";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 17);
        EXPECT_EQ(e.Message(), L"Failed to load settings");
    }
    EXPECT_EQ(port->Buffer().OutputSize(), 4000);
    EXPECT_EQ(port->Buffer().InputSize(), 1024);
}

TEST_F(SettingsStorage, FailuresGoToTheExceptionHandler) {
    auto port = NewPort();
    std::vector<TComExceptions> reported;
    port->OnException = [&](fw::TObject* sender, TComExceptions e, const std::wstring& text, std::int64_t winError,
                            const std::wstring& winMessage) {
        EXPECT_EQ(sender, port.get());
        EXPECT_EQ(winError, 0);
        EXPECT_TRUE(winMessage.empty());
        EXPECT_FALSE(text.empty());
        reported.push_back(e);
    };
    port->StoreSettings(TStoreType::stIniFile, L"Z:\\no\\such\\folder\\quillon.ini");
    port->LoadSettings(TStoreType::stRegistry, L"nokey");
    EXPECT_EQ(reported, (std::vector{TComExceptions::CE_StoreFailed, TComExceptions::CE_LoadFailed}));
}

TEST_F(SettingsStorage, LoadingIntoAnOpenPortAppliesOnce) {
    const std::wstring file = TempFile(L"quillon-settings-open.ini");
    auto source = NewPort();
    source->SetStoredProps(TStoredProps::All());
    ChangeEverySetting(*source);
    source->StoreSettings(TStoreType::stIniFile, file);

    auto device = std::make_shared<FakeCommDevice>();
    auto port = NewPort(device);
    port->SetStoredProps(TStoredProps::All());
    port->SetEvents({});
    port->Open();
    device->ClearCalls();
    port->LoadSettings(TStoreType::stIniFile, file);
    // The new name reopened the port at once; the settings reached it once, at the end.
    EXPECT_EQ(device->Count("Create"), 1);
    EXPECT_EQ(device->Count("SetupComm"), 1);
    EXPECT_EQ(device->Count("SetCommState"), 1);
    EXPECT_EQ(device->Count("SetCommTimeouts"), 1);
    EXPECT_EQ(device->LastDcb().BaudRate, 250000u);
    EXPECT_EQ(device->LastDcb().ByteSize, 7);
    EXPECT_EQ(device->LastTimeouts().WriteTotalTimeoutConstant, 5000u);
    EXPECT_EQ(device->Count("SetupComm 4096 "), 1);

    // A failed load closes its bracket too: later changes still reach the device.
    port->SetStoredProps({TStoredProp::spBasic});
    device->ClearCalls();
    EXPECT_THROW(port->LoadSettings(TStoreType::stRegistry, L"nokey"), EComPort);
    EXPECT_EQ(device->Count("SetCommState"), 1);
    port->SetBaudRate(TBaudRate::br1200);
    EXPECT_EQ(device->Count("SetCommState"), 2);
    EXPECT_EQ(device->LastDcb().BaudRate, 1200u);
}

}  // namespace
