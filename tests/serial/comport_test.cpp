// TComPort against a scripted device: settings and their change rules,
// coded errors, opening and closing, reading and writing, line control, and
// the event thread's dispatch under every synchronisation method.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "serial/AdapterCheckPort.h"
#include "serial/ComPort.h"
#include "tests/support/FakeCommDevice.h"
#include "tests/support/Gui.h"
#include "tests/support/HandleCount.h"

using namespace serial;
using testserial::TFakeCommDevice;

namespace {

// Runs the GUI thread's messages until cond holds or the time is up.
bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        fw::Application().ProcessMessages();
    }
    return true;
}

void Pump(int ms) { PumpUntil([] { return false; }, ms); }

// A log shared by handlers on any thread.
class Log {
public:
    void Add(std::string entry) {
        std::lock_guard guard(lock_);
        entries_.push_back(std::move(entry));
    }
    std::vector<std::string> Get() const {
        std::lock_guard guard(lock_);
        return entries_;
    }
    size_t Size() const {
        std::lock_guard guard(lock_);
        return entries_.size();
    }
    void Clear() {
        std::lock_guard guard(lock_);
        entries_.clear();
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> entries_;
};

std::string OnOff(bool on) { return on ? "1" : "0"; }

// Wine keeps a few handles of its own coming and going (its thread pool,
// message queues); a leak grows with the number of cycles, this does not.
constexpr double kWineHandleNoise = 3;

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application();  // this thread is the GUI thread
        fw::Application().OnException = [this](std::exception_ptr e) { shown_.push_back(fw::ExceptionMessage(e)); };
        device_ = std::make_shared<TFakeCommDevice>();
        port_ = std::make_unique<TComPort>(nullptr, device_);
        port_->SetPort(L"COM5");
    }
    void TearDown() override {
        port_.reset();
        fw::Application().OnException = nullptr;
    }

    int Count(const std::string& prefix) const {
        int n = 0;
        for (const std::string& c : device_->Calls())
            if (c.rfind(prefix, 0) == 0) ++n;
        return n;
    }

    // Every notification of the port, in order.
    void LogNotifications() {
        port_->OnBeforeOpen = [this](fw::TObject*) { log_.Add("BeforeOpen"); };
        port_->OnAfterOpen = [this](fw::TObject*) { log_.Add("AfterOpen"); };
        port_->OnBeforeClose = [this](fw::TObject*) { log_.Add("BeforeClose"); };
        port_->OnAfterClose = [this](fw::TObject*) { log_.Add("AfterClose"); };
        port_->OnCTSChange = [this](fw::TObject*, bool on) { log_.Add("CTS" + OnOff(on)); };
        port_->OnDSRChange = [this](fw::TObject*, bool on) { log_.Add("DSR" + OnOff(on)); };
        port_->OnRLSDChange = [this](fw::TObject*, bool on) { log_.Add("RLSD" + OnOff(on)); };
        port_->OnRxChar = [this](fw::TObject*, int count) { log_.Add("RxChar" + std::to_string(count)); };
        port_->OnRxBuf = [this](fw::TObject*, const std::uint8_t* b, int count) {
            log_.Add("RxBuf" + std::string(reinterpret_cast<const char*>(b), count));
        };
        port_->OnTxEmpty = [this](fw::TObject*) { log_.Add("TxEmpty"); };
        port_->OnBreak = [this](fw::TObject*) { log_.Add("Break"); };
        port_->OnRing = [this](fw::TObject*) { log_.Add("Ring"); };
        port_->OnRxFlag = [this](fw::TObject*) { log_.Add("RxFlag"); };
        port_->OnRx80Full = [this](fw::TObject*) { log_.Add("Rx80Full"); };
        port_->OnError = [this](fw::TObject*, TComErrors e) { log_.Add("Error" + std::to_string(e.Bits())); };
    }

    void LogLink(TComLink& link, const std::string& name) {
        link.OnConn = [this, name](fw::TObject*, bool on) { log_.Add(name + ".Conn" + OnOff(on)); };
        link.OnCTSChange = [this, name](fw::TObject*, bool on) { log_.Add(name + ".CTS" + OnOff(on)); };
        link.OnDSRChange = [this, name](fw::TObject*, bool on) { log_.Add(name + ".DSR" + OnOff(on)); };
        link.OnRLSDChange = [this, name](fw::TObject*, bool on) { log_.Add(name + ".RLSD" + OnOff(on)); };
        link.OnTx = [this, name](fw::TObject*, bool on) { log_.Add(name + ".Tx" + OnOff(on)); };
        link.OnRx = [this, name](fw::TObject*, bool on) { log_.Add(name + ".Rx" + OnOff(on)); };
        link.OnTxBuf = [this, name](fw::TObject*, const std::uint8_t* b, int n) {
            log_.Add(name + ".TxBuf" + std::string(reinterpret_cast<const char*>(b), n));
        };
        link.OnTxEmpty = [this, name](fw::TObject*) { log_.Add(name + ".TxEmpty"); };
        link.OnRing = [this, name](fw::TObject*) { log_.Add(name + ".Ring"); };
        link.OnRxFlag = [this, name](fw::TObject*) { log_.Add(name + ".RxFlag"); };
    }

    template <typename Fn>
    static EComPort Raised(Fn fn) {
        try {
            fn();
        } catch (const EComPort& e) {
            return e;
        }
        ADD_FAILURE() << "no EComPort raised";
        return EComPort(0, 0);
    }

    struct Reported {
        TComExceptions exception;
        std::wstring message;
        std::int64_t winError;
        std::wstring winMessage;
    };
    void CaptureReports() {
        port_->OnException = [this](fw::TObject* sender, TComExceptions e, const std::wstring& message,
                                    std::int64_t winError, const std::wstring& winMessage) {
            EXPECT_EQ(sender, port_.get());
            reports_.push_back({e, message, winError, winMessage});
        };
    }
    std::vector<int> ReportedCodes() const {
        std::vector<int> codes;
        for (const Reported& r : reports_) codes.push_back(ComErrorCode(r.exception));
        return codes;
    }

    std::shared_ptr<TFakeCommDevice> device_;
    std::unique_ptr<TComPort> port_;
    Log log_;
    std::vector<std::wstring> shown_;
    std::vector<Reported> reports_;
};

}  // namespace

// ---------------------------------------------------------------- settings

TEST_F(ComPortTest, Defaults) {
    TComPort port;
    EXPECT_TRUE(port.TriggersOnRxChar());
    EXPECT_EQ(port.EventThreadPriority(), fw::TThreadPriority::tpNormal);
    EXPECT_EQ(port.BaudRate(), TBaudRate::br9600);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    EXPECT_EQ(port.Port(), L"COM1");
    EXPECT_EQ(port.StopBits(), TStopBits::sbOneStopBit);
    EXPECT_EQ(port.DataBits(), TDataBits::dbEight);
    EXPECT_EQ(port.Events(), TComEvents::All());
    EXPECT_EQ(port.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(port.StoredProps(), TStoredProps{TStoredProp::spBasic});
    EXPECT_EQ(port.Parity().Bits(), TParityBits::prNone);
    EXPECT_FALSE(port.Parity().Check());
    EXPECT_FALSE(port.Parity().Replace());
    EXPECT_EQ(port.Parity().ReplaceChar(), 0);
    EXPECT_EQ(port.FlowControl().FlowControl(), TFlowControl::fcNone);
    EXPECT_EQ(port.FlowControl().ControlDTR(), TDTRFlowControl::dtrDisable);
    EXPECT_EQ(port.FlowControl().XonChar(), 17);
    EXPECT_EQ(port.FlowControl().XoffChar(), 19);
    EXPECT_FALSE(port.FlowControl().DSRSensitivity());
    EXPECT_FALSE(port.FlowControl().TxContinueOnXoff());
    EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
    EXPECT_EQ(port.Timeouts().ReadTotalMultiplier(), 0);
    EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 0);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
    EXPECT_EQ(port.Buffer().InputSize(), 1024);
    EXPECT_EQ(port.Buffer().OutputSize(), 1024);
    EXPECT_EQ(port.CodePage(), 0u);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.SyncMethod(), TSyncMethod::smThreadSync);
    EXPECT_FALSE(port.DiscardNull());
    EXPECT_EQ(port.EventChar(), 0);
    EXPECT_EQ(port.Parity().ComPort(), &port);
    EXPECT_EQ(port.Buffer().ComPort(), &port);
}

TEST_F(ComPortTest, BufferSizesAreEvenAndAppliedOnlyWhenChanged) {
    port_->Open();
    device_->ClearCalls();
    struct Case {
        int set;
        int stored;
        bool applied;
    };
    const Case cases[] = {{1025, 1024, true}, {1023, 1022, true}, {1022, 1022, false}, {1024, 1024, true},
                          {1024, 1024, false}, {-7, 0, true},     {1, 0, true},        {2, 2, true}};
    for (const Case& c : cases) {
        device_->ClearCalls();
        port_->Buffer().SetInputSize(c.set);
        EXPECT_EQ(port_->Buffer().InputSize(), c.stored) << c.set;
        EXPECT_EQ(Count("SetupComm"), c.applied ? 1 : 0) << c.set;
    }
    port_->Buffer().SetOutputSize(333);
    EXPECT_EQ(port_->Buffer().OutputSize(), 332);
    EXPECT_EQ(device_->Calls().back(), "SetupComm 2 332");
}

TEST_F(ComPortTest, FlowControlPresets) {
    TComFlowControl& f = port_->FlowControl();
    f.SetFlowControl(TFlowControl::fcHardware);
    EXPECT_EQ(f.ControlRTS(), TRTSFlowControl::rtsHandshake);
    EXPECT_TRUE(f.OutCTSFlow());
    EXPECT_EQ(f.FlowControl(), TFlowControl::fcHardware);
    f.SetControlDTR(TDTRFlowControl::dtrHandshake);
    f.SetOutDSRFlow(true);
    f.SetXonChar(L'A');
    EXPECT_EQ(f.FlowControl(), TFlowControl::fcHardware);

    f.SetFlowControl(TFlowControl::fcSoftware);
    EXPECT_EQ(f.ControlRTS(), TRTSFlowControl::rtsDisable);
    EXPECT_FALSE(f.OutCTSFlow());
    EXPECT_TRUE(f.XonXoffIn());
    EXPECT_TRUE(f.XonXoffOut());
    EXPECT_EQ(f.FlowControl(), TFlowControl::fcSoftware);
    EXPECT_EQ(f.ControlDTR(), TDTRFlowControl::dtrHandshake);  // DTR is no part of a preset

    f.SetXonXoffIn(false);
    EXPECT_EQ(f.FlowControl(), TFlowControl::fcCustom);
    f.SetFlowControl(TFlowControl::fcCustom);
    EXPECT_FALSE(f.XonXoffIn());
    EXPECT_TRUE(f.XonXoffOut());

    f.SetFlowControl(TFlowControl::fcNone);
    EXPECT_EQ(f.FlowControl(), TFlowControl::fcNone);
    f.SetControlRTS(TRTSFlowControl::rtsEnable);
    EXPECT_EQ(f.FlowControl(), TFlowControl::fcCustom);
    f.SetControlRTS(TRTSFlowControl::rtsToggle);
    EXPECT_EQ(f.FlowControl(), TFlowControl::fcCustom);

    // The preset applies the line settings even when nothing changes.
    port_->Open();
    device_->ClearCalls();
    f.SetFlowControl(TFlowControl::fcCustom);
    f.SetFlowControl(TFlowControl::fcNone);
    f.SetFlowControl(TFlowControl::fcNone);
    EXPECT_EQ(Count("SetCommState"), 3);
    f.SetOutDSRFlow(false);
    f.SetOutDSRFlow(false);
    EXPECT_EQ(Count("SetCommState"), 4);
}

TEST_F(ComPortTest, ChangesReachAnOpenPortOnce) {
    port_->SetBaudRate(TBaudRate::br57600);
    EXPECT_TRUE(device_->Calls().empty());
    port_->Open();
    EXPECT_EQ(device_->LastDcb().BaudRate, 57600u);
    struct Case {
        const char* name;
        std::function<void()> change;
        const char* call;
    };
    const Case cases[] = {
        {"BaudRate", [&] { port_->SetBaudRate(TBaudRate::br115200); }, "SetCommState"},
        {"CustomBaudRate", [&] { port_->SetCustomBaudRate(1234); }, "SetCommState"},
        {"DataBits", [&] { port_->SetDataBits(TDataBits::dbSeven); }, "SetCommState"},
        {"StopBits", [&] { port_->SetStopBits(TStopBits::sbTwoStopBits); }, "SetCommState"},
        {"DiscardNull", [&] { port_->SetDiscardNull(true); }, "SetCommState"},
        {"EventChar", [&] { port_->SetEventChar(L'\n'); }, "SetCommState"},
        {"Parity.Bits", [&] { port_->Parity().SetBits(TParityBits::prEven); }, "SetCommState"},
        {"Parity.Check", [&] { port_->Parity().SetCheck(true); }, "SetCommState"},
        {"Parity.Replace", [&] { port_->Parity().SetReplace(true); }, "SetCommState"},
        {"Parity.ReplaceChar", [&] { port_->Parity().SetReplaceChar(L'?'); }, "SetCommState"},
        {"FlowControl.XoffChar", [&] { port_->FlowControl().SetXoffChar(L'x'); }, "SetCommState"},
        {"Timeouts.ReadInterval", [&] { port_->Timeouts().SetReadInterval(5); }, "SetCommTimeouts"},
        {"Timeouts.WriteTotalConstant", [&] { port_->Timeouts().SetWriteTotalConstant(7); }, "SetCommTimeouts"},
    };
    for (const Case& c : cases) {
        device_->ClearCalls();
        c.change();
        EXPECT_EQ(device_->Calls(), std::vector<std::string>{c.call}) << c.name;
        device_->ClearCalls();
        c.change();
        EXPECT_TRUE(device_->Calls().empty()) << c.name << " applied without a change";
    }
    const DCB dcb = device_->LastDcb();
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.StopBits, 2);
    EXPECT_EQ(dcb.Parity, 2);
    EXPECT_EQ(dcb.ErrorChar, '?');
    EXPECT_EQ(dcb.XoffChar, 'x');
    EXPECT_EQ(dcb.EvtChar, '\n');
    EXPECT_TRUE(dcb.fNull && dcb.fParity && dcb.fErrorChar);
    EXPECT_EQ(device_->LastTimeouts().ReadIntervalTimeout, 5u);
    EXPECT_EQ(device_->LastTimeouts().WriteTotalTimeoutConstant, 7u);

    // Assigning a whole object copies it and applies its group, always.
    TComTimeouts t;
    t.Assign(port_->Timeouts());
    device_->ClearCalls();
    port_->SetTimeouts(t);
    port_->SetBuffer(port_->Buffer());
    TComParity p;
    p.SetBits(TParityBits::prMark);
    port_->SetParity(p);
    EXPECT_EQ(device_->Calls(), (std::vector<std::string>{"SetCommTimeouts", "SetupComm 1024 1024", "SetCommState"}));
    EXPECT_EQ(port_->Parity().Bits(), TParityBits::prMark);
    EXPECT_FALSE(port_->Parity().Check());
    EXPECT_EQ(port_->Parity().ComPort(), port_.get());
    EXPECT_EQ(p.ComPort(), nullptr);
}

TEST_F(ComPortTest, UpdateBracket) {
    port_->Open();
    device_->ClearCalls();
    port_->EndUpdate();  // unmatched: nothing
    EXPECT_TRUE(device_->Calls().empty());
    port_->BeginUpdate();
    port_->BeginUpdate();
    port_->SetBaudRate(TBaudRate::br300);
    port_->Timeouts().SetReadTotalConstant(9);
    port_->Buffer().SetInputSize(64);
    port_->EndUpdate();
    EXPECT_TRUE(device_->Calls().empty());
    port_->EndUpdate();
    EXPECT_EQ(device_->Calls(),
              (std::vector<std::string>{"SetupComm 64 1024", "SetCommState", "SetCommTimeouts"}));
    EXPECT_EQ(device_->LastDcb().BaudRate, 300u);
    EXPECT_EQ(device_->LastDcb().XonLim, 16);

    // Port still reopens inside a bracket.
    port_->BeginUpdate();
    device_->ClearCalls();
    port_->SetPort(L"COM6");
    EXPECT_EQ(Count("Create \\\\.\\COM6"), 1);
    EXPECT_EQ(Count("SetCommState"), 0);
    port_->EndUpdate();
    EXPECT_EQ(Count("SetCommState"), 1);
}

TEST_F(ComPortTest, PortChangeReopensOnlyWhenDifferent) {
    LogNotifications();
    port_->SetPort(L"COM7");
    EXPECT_TRUE(device_->Calls().empty());
    port_->Open();
    device_->ClearCalls();
    log_.Clear();
    port_->SetPort(L"COM7");
    EXPECT_TRUE(device_->Calls().empty());
    port_->SetPort(L"COM8");
    EXPECT_EQ(Count("Create \\\\.\\COM8"), 1);
    EXPECT_EQ(Count("Close"), 1);
    EXPECT_TRUE(port_->Connected());
    const auto log = log_.Get();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "CTS0");
    EXPECT_NE(std::find(log.begin(), log.end(), "AfterClose"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "AfterOpen"), log.end());
}

TEST_F(ComPortTest, FrozenPropertiesWhileConnected) {
    port_->Open();
    EComPort e = Raised([&] { port_->SetSyncMethod(TSyncMethod::smNone); });
    EXPECT_EQ(e.Code(), 14);
    EXPECT_EQ(e.WinCode(), -1);
    EXPECT_EQ(e.Message(), L"Cannot set property while connected");
    EXPECT_EQ(port_->SyncMethod(), TSyncMethod::smThreadSync);
    port_->SetSyncMethod(TSyncMethod::smThreadSync);  // same value: nothing reported
    e = Raised([&] { port_->SetEventThreadPriority(fw::TThreadPriority::tpHigher); });
    EXPECT_EQ(e.Code(), 14);

    CaptureReports();
    port_->SetSyncMethod(TSyncMethod::smWindowSync);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].exception, TComExceptions::CE_ConnChangeProp);
    EXPECT_EQ(reports_[0].message, L"Cannot set property while connected");
    EXPECT_EQ(reports_[0].winError, 0);
    EXPECT_EQ(reports_[0].winMessage, L"");
    EXPECT_EQ(port_->SyncMethod(), TSyncMethod::smThreadSync);

    port_->Close();
    port_->SetSyncMethod(TSyncMethod::smNone);
    EXPECT_EQ(port_->SyncMethod(), TSyncMethod::smNone);
}

TEST_F(ComPortTest, LinksAndTriggersOnRxChar) {
    TComLink a, b;
    port_->RegisterLink(&a);
    EXPECT_EQ(Raised([&] { port_->RegisterLink(&a); }).Code(), 18);
    EXPECT_EQ(Raised([&] { port_->UnRegisterLink(&b); }).Code(), 18);
    EXPECT_EQ(Raised([&] { port_->UnRegisterLink(&b); }).Message(), L"Link (un)registration failed");
    port_->SetTriggersOnRxChar(false);  // no link with OnRxBuf yet
    EXPECT_FALSE(port_->TriggersOnRxChar());
    port_->SetTriggersOnRxChar(true);

    b.OnRxBuf = [](fw::TObject*, const std::uint8_t*, int) {};
    port_->RegisterLink(&b);
    EXPECT_FALSE(port_->TriggersOnRxChar());
    const EComPort e = Raised([&] { port_->SetTriggersOnRxChar(true); });
    EXPECT_EQ(e.Code(), 22);
    EXPECT_EQ(e.Message(), L"A component is linked to OnRxBuf event");
    CaptureReports();
    port_->SetTriggersOnRxChar(false);
    EXPECT_EQ(ReportedCodes(), std::vector<int>{22});
    port_->UnRegisterLink(&b);
    EXPECT_FALSE(port_->TriggersOnRxChar());  // stored false after the report
    port_->UnRegisterLink(&a);
}

TEST_F(ComPortTest, LoadedOpensWhenConnectedWasStored) {
    {
        TComPort port(nullptr, device_);
        port.BeginLoading();
        port.SetConnected(true);
        port.SetBaudRate(TBaudRate::br38400);
        EXPECT_TRUE(device_->Calls().empty());
        port.EndLoading();
        EXPECT_TRUE(port.Connected());
        EXPECT_EQ(device_->LastDcb().BaudRate, 38400u);
        EXPECT_EQ(Count("SetCommState"), 1);
    }
    device_->OpenError = ERROR_FILE_NOT_FOUND;
    TComPort port(nullptr, device_);
    port.BeginLoading();
    port.SetConnected(true);
    port.EndLoading();  // the error goes to the application's error handling
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(shown_, std::vector<std::wstring>{L"Unable to open com port (Error: 2)"});

    TComPort designed(nullptr, device_);
    designed.SetDesigning(true);
    device_->ClearCalls();
    designed.Open();
    designed.SetConnected(true);
    EXPECT_TRUE(device_->Calls().empty());
}

// ---------------------------------------------------------------- errors

TEST_F(ComPortTest, RaisedErrors) {
    device_->OpenError = ERROR_FILE_NOT_FOUND;
    EComPort e = Raised([&] { port_->Open(); });
    EXPECT_EQ(e.Code(), 1);
    EXPECT_EQ(e.WinCode(), 2);
    EXPECT_EQ(e.Message(), L"Unable to open com port (Error: 2)");

    e = Raised([&] { port_->WriteStr(L"x"); });
    EXPECT_EQ(e.Code(), 24);
    EXPECT_EQ(e.WinCode(), -1);
    EXPECT_EQ(e.Message(), L"Port Not Open");
    std::wstring s;
    EXPECT_EQ(Raised([&] { port_->ReadStr(s, 3); }).Message(), L"Port Not Open");
    EXPECT_EQ(Raised([&] { port_->InputCount(); }).Message(), L"ClearCommError function failed (Error: 6)");
    EXPECT_EQ(Raised([&] { port_->Signals(); }).Message(), L"GetCommModemStatus function failed (Error: 6)");
    EXPECT_EQ(Raised([&] { port_->SetDTR(true); }).Message(), L"EscapeCommFunction function failed (Error: 6)");
    EXPECT_EQ(Raised([&] { port_->TransmitChar(L'a'); }).Message(), L"TransmitCommChar function failed (Error: 6)");
    EXPECT_EQ(Raised([&] { port_->ClearBuffer(true, false); }).Message(), L"PurgeComm function failed (Error: 6)");
    PAsync none = nullptr;
    EXPECT_EQ(Raised([&] { port_->WaitForAsync(none); }).Message(), L"Invalid Async parameter");
    EXPECT_EQ(Raised([&] { port_->IsAsyncCompleted(nullptr); }).Code(), 4);
}

TEST_F(ComPortTest, OnExceptionInsteadOfRaising) {
    CaptureReports();
    device_->OpenError = ERROR_FILE_NOT_FOUND;
    LogNotifications();
    port_->Open();  // goes on with no device: every step reports in turn
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(reports_[0].exception, TComExceptions::CE_OpenFailed);
    EXPECT_EQ(reports_[0].message, L"Unable to open com port");
    EXPECT_EQ(reports_[0].winError, 2);
    EXPECT_EQ(reports_[0].winMessage.rfind(L"System Error.  Code: 2.\r\n", 0), 0u) << reports_[0].winMessage;
    EXPECT_GT(reports_[0].winMessage.size(), 26u);
    EXPECT_EQ(ReportedCodes(), (std::vector<int>{1, 9, 7, 8, 11, 11, 11}));
    EXPECT_TRUE(port_->Connected());
    EXPECT_EQ(log_.Get(),
              (std::vector<std::string>{"BeforeOpen", "AfterOpen", "CTS0", "DSR0", "RLSD0"}));

    // The thread has no device to wait on: it must neither spin nor hold up Close.
    Pump(200);
    reports_.clear();
    const auto start = std::chrono::steady_clock::now();
    port_->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(ReportedCodes(), std::vector<int>{5});  // the abort purge on no device

    // Logical errors carry no system error.
    reports_.clear();
    PAsync none = nullptr;
    EXPECT_EQ(port_->WriteAsync("a", 1, none), 0);
    EXPECT_EQ(port_->WaitForAsync(none), 0);
    ASSERT_EQ(ReportedCodes(), (std::vector<int>{4, 4}));
    EXPECT_EQ(reports_[0].winError, 0);
    reports_.clear();
    port_->WriteStr(L"abc");
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(reports_[0].exception, TComExceptions::CEPortNotOpen);
    EXPECT_EQ(reports_[0].winError, -24);
    EXPECT_EQ(reports_[0].winMessage, L"");
}

// ---------------------------------------------------------------- open and close

TEST_F(ComPortTest, OpenAndCloseInOrder) {
    LogNotifications();
    TComLink link;
    LogLink(link, "L");
    port_->RegisterLink(&link);
    device_->SetModemStatus(0x10 | 0x80);  // CTS and RLSD on
    port_->Open();
    EXPECT_TRUE(port_->Connected());
    EXPECT_NE(port_->Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"BeforeOpen", "L.Conn1", "AfterOpen", "L.CTS1", "CTS1", "L.DSR0",
                                                     "DSR0", "L.RLSD1", "RLSD1"}));
    const auto calls = device_->Calls();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 5),
              (std::vector<std::string>{"Create \\\\.\\COM5", "SetupComm 1024 1024", "SetCommState", "SetCommTimeouts",
                                        "SetCommMask 1535"}));
    const COMMTIMEOUTS t = device_->LastTimeouts();
    EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
    ASSERT_TRUE(PumpUntil([&] { return device_->WaitPending(); }));

    log_.Clear();
    port_->Open();  // already open: nothing
    EXPECT_TRUE(log_.Get().empty());

    device_->ClearCalls();
    port_->Close();
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"L.CTS0", "L.DSR0", "L.RLSD0", "CTS0", "DSR0", "RLSD0",
                                                     "BeforeClose", "L.Conn0", "AfterClose"}));
    EXPECT_EQ(device_->Calls(), (std::vector<std::string>{"PurgeComm 3", "SetCommMask 0", "PurgeComm 12", "Close"}));
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(port_->Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(device_->OpenCount(), 0);
    log_.Clear();
    port_->Close();
    EXPECT_TRUE(log_.Get().empty());
    port_->UnRegisterLink(&link);
}

TEST_F(ComPortTest, OpenWithoutEventsStartsNoThread) {
    LogNotifications();
    port_->SetEvents({});
    port_->Open();
    EXPECT_EQ(Count("SetCommMask"), 0);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"BeforeOpen", "AfterOpen", "CTS0", "DSR0", "RLSD0"}));
    Pump(50);
    EXPECT_EQ(device_->WaitStarts(), 0);
    TComEvents events{TComEvent::evRing};
    const auto start = std::chrono::steady_clock::now();
    port_->WaitForEvent(events, nullptr, 100);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(events.Empty());
    EXPECT_GE(took, std::chrono::milliseconds(90));
    EXPECT_LT(took, std::chrono::milliseconds(1000));
    EXPECT_FALSE(device_->WaitPending());  // the wait was ended and collected

    device_->RaiseEvents(0x0100 | 0x0001);
    events = TComEvents{TComEvent::evRing, TComEvent::evCTS};
    port_->WaitForEvent(events, nullptr, -1);
    EXPECT_EQ(events, TComEvents{TComEvent::evRing});

    fw::UniqueHandle stop(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    events = TComEvents{TComEvent::evRing};
    port_->WaitForEvent(events, stop.get(), -1);
    EXPECT_TRUE(events.Empty());
    port_->Close();

    port_->SetEvents(TComEvents{TComEvent::evRxChar});
    port_->Open();
    const EComPort e = Raised([&] { port_->WaitForEvent(events, nullptr, 10); });
    EXPECT_EQ(e.Code(), 20);
    EXPECT_EQ(e.Message(), L"Cannot wait for event if event thread is created");
}

TEST_F(ComPortTest, OpenFailuresLeaveThePortClosed) {
    LogNotifications();
    device_->OpenError = ERROR_ACCESS_DENIED;
    const EComPort e = Raised([&] { port_->Open(); });
    EXPECT_EQ(e.Message(), L"Unable to open com port (Error: 5)");
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(log_.Get(), std::vector<std::string>{"BeforeOpen"});
    device_->OpenError = 0;

    struct Case {
        DWORD TFakeCommDevice::*refuse;
        int code;
        const wchar_t* message;
    };
    const Case cases[] = {
        {&TFakeCommDevice::SetupCommError, 9, L"SetupComm function failed (Error: 87)"},
        {&TFakeCommDevice::SetStateError, 7, L"SetCommState function failed (Error: 87)"},
        {&TFakeCommDevice::TimeoutsError, 8, L"SetCommTimeouts failed (Error: 87)"},
    };
    for (const Case& c : cases) {
        log_.Clear();
        (*device_).*c.refuse = ERROR_INVALID_PARAMETER;
        const EComPort refused = Raised([&] { port_->Open(); });
        EXPECT_EQ(refused.Code(), c.code);
        EXPECT_EQ(refused.Message(), c.message);
        EXPECT_FALSE(port_->Connected());
        EXPECT_EQ(port_->Handle(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(device_->OpenCount(), 0) << c.code;
        EXPECT_EQ(log_.Get(), std::vector<std::string>{"BeforeOpen"});
        (*device_).*c.refuse = 0;
    }

    // Refused while open: reported, the port stays open, the value is kept.
    port_->Open();
    device_->SetStateError = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(Raised([&] { port_->SetBaudRate(TBaudRate::br128000); }).Code(), 7);
    EXPECT_TRUE(port_->Connected());
    EXPECT_EQ(port_->BaudRate(), TBaudRate::br128000);
    device_->SetStateError = 0;

    // A failing initial signal report leaves the port open.
    port_->Close();
    device_->ModemStatusError = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(Raised([&] { port_->Open(); }).Code(), 11);
    EXPECT_TRUE(port_->Connected());
    device_->ModemStatusError = 0;
}

TEST_F(ComPortTest, RemovedDeviceStillCloses) {
    LogNotifications();
    port_->Open();
    ASSERT_TRUE(PumpUntil([&] { return device_->WaitPending(); }));
    device_->Remove();
    Pump(100);
    log_.Clear();
    const EComPort e = Raised([&] { port_->Close(); });
    EXPECT_EQ(e.Code(), 5);
    EXPECT_EQ(e.Message(), L"PurgeComm function failed (Error: 22)");
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(port_->Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(device_->OpenCount(), 0);
    const auto log = log_.Get();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "AfterClose");
    port_->Open();  // and it opens again
    EXPECT_TRUE(port_->Connected());

    // The destructor never throws: the failure is shown instead.
    device_->Remove();
    port_.reset();
    EXPECT_EQ(shown_, std::vector<std::wstring>{L"PurgeComm function failed (Error: 22)"});
    EXPECT_EQ(device_->OpenCount(), 0);
}

TEST_F(ComPortTest, BeforeCloseHandlerErrorStillCloses) {
    port_->OnBeforeClose = [](fw::TObject*) { throw fw::Exception(L"handler failed"); };
    bool afterClose = false;
    port_->OnAfterClose = [&](fw::TObject*) { afterClose = true; };
    port_->Open();
    EXPECT_THROW(port_->Close(), fw::Exception);
    EXPECT_FALSE(port_->Connected());
    EXPECT_TRUE(afterClose);
    EXPECT_EQ(device_->OpenCount(), 0);
}

// Handlers run by Open may close the port: Open then stops where it is,
// without reading signals from, or starting a thread on, a closed device.
TEST_F(ComPortTest, OpenStopsWhenAHandlerClosedThePort) {
    LogNotifications();
    port_->OnAfterOpen = [this](fw::TObject*) {
        log_.Add("AfterOpen");
        port_->Close();
    };
    EXPECT_NO_THROW(port_->Open());
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(device_->OpenCount(), 0);
    EXPECT_EQ(device_->Count("GetCommModemStatus"), 0);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"BeforeOpen", "AfterOpen", "CTS0", "DSR0", "RLSD0", "BeforeClose",
                                                     "AfterClose"}));

    // OnException closing the port while the settings are refused.
    log_.Clear();
    LogNotifications();
    device_->ClearCalls();
    const int waitStarts = device_->WaitStarts();
    device_->SetStateError = ERROR_INVALID_PARAMETER;
    port_->OnException = [this](fw::TObject*, TComExceptions e, const std::wstring&, std::int64_t, const std::wstring&) {
        log_.Add("Exception" + std::to_string(ComErrorCode(e)));
        port_->Close();
    };
    port_->Open();
    Pump(100);
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(device_->OpenCount(), 0);
    EXPECT_EQ(device_->WaitStarts(), waitStarts);
    EXPECT_EQ(device_->Count("SetCommMask"), 0);
    EXPECT_EQ(device_->Count("SetCommTimeouts"), 0);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"BeforeOpen", "Exception7", "CTS0", "DSR0", "RLSD0",
                                                     "BeforeClose", "AfterClose"}));
    device_->SetStateError = 0;
    port_->OnException = nullptr;

    // A signal report that closes: the remaining reports are not read.
    log_.Clear();
    LogNotifications();
    device_->ClearCalls();
    port_->OnCTSChange = [this](fw::TObject*, bool on) {
        log_.Add("CTS" + OnOff(on));
        if (on) port_->Close();
    };
    device_->SetModemStatus(0x10);
    port_->Open();
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(device_->Count("GetCommModemStatus"), 1);
    EXPECT_EQ(log_.Get().back(), "AfterClose");
}

// With smNone a handler may close the port on the event thread while another
// thread closes it too: one of them closes, once; the other returns only
// when the port is closed (or at once, on the event thread, whose end the
// closer is waiting for).
TEST_F(ComPortTest, CloseFromTwoThreadsAtOnce) {
    port_->SetSyncMethod(TSyncMethod::smNone);
    std::atomic<int> afterClose{0};
    std::atomic<bool> inHandler{false};
    port_->OnAfterClose = [&](fw::TObject*) { ++afterClose; };
    // Widens the window in which both threads are inside Close.
    port_->OnBeforeClose = [](fw::TObject*) { ::Sleep(5); };
    for (int handlerFirst = 0; handlerFirst < 2; ++handlerFirst) {
        port_->OnRing = [&, handlerFirst](fw::TObject*) {
            inHandler = true;
            if (!handlerFirst) ::Sleep(2);
            port_->Close();
        };
        for (int i = 0; i < 25; ++i) {
            afterClose = 0;
            inHandler = false;
            port_->Open();
            ASSERT_TRUE(PumpUntil([&] { return device_->WaitPending(); }));
            device_->ClearCalls();
            device_->RaiseEvents(EV_RING);
            while (!inHandler) ::Sleep(0);
            if (handlerFirst) ::Sleep(1);
            port_->Close();
            EXPECT_FALSE(port_->Connected()) << handlerFirst << " " << i;
            EXPECT_EQ(device_->OpenCount(), 0) << handlerFirst << " " << i;
            EXPECT_EQ(device_->Count("Close"), 1) << handlerFirst << " " << i;
            EXPECT_EQ(afterClose, 1) << handlerFirst << " " << i;
        }
    }
}

TEST_F(ComPortTest, ThousandOpenCloseCyclesLeakNoHandle) {
    port_->Open();
    port_->Close();
    const unsigned before = testsupport::OpenHandleCount();
    for (int i = 0; i < 1000; ++i) {
        port_->Open();
        port_->Close();
    }
    EXPECT_NEAR(testsupport::OpenHandleCount(), before, kWineHandleNoise);
}

// ---------------------------------------------------------------- reading and writing

TEST_F(ComPortTest, TextIsOneBytePerCharacter) {
    port_->Open();
    EXPECT_EQ(port_->WriteStr(L""), 0);
    EXPECT_EQ(Count("WriteFile"), 0);
    EXPECT_EQ(port_->WriteStr(L"ATI\r\n"), 5);
    EXPECT_EQ(device_->Written(), "ATI\r\n");
    EXPECT_EQ(port_->WriteStr(L"\u0141\u00FF"), 2);  // low 8 bits only
    EXPECT_EQ(device_->Written().substr(5), "\x41\xFF");

    std::wstring abcd = L"ABCD";
    PAsync async = nullptr;
    NewAsync(async);
    port_->WriteStrAsync(abcd, async);
    EXPECT_EQ(port_->WaitForAsync(async), 4);
    FreeAsync(async);
    EXPECT_EQ(async, nullptr);
    ASSERT_EQ(abcd.size(), 4u);
    EXPECT_EQ(abcd[0], 0x4241);
    EXPECT_EQ(abcd[1], 0x4443);
    EXPECT_EQ(device_->Written().substr(7), "ABCD");

    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    device_->Receive(all);
    std::wstring text = L"old";
    EXPECT_EQ(port_->ReadStr(text, 256), 256);
    ASSERT_EQ(text.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(text[i], static_cast<wchar_t>(i));

    EXPECT_EQ(port_->ReadStr(text, 0), 0);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(Count("ReadFile"), 1);
    EXPECT_EQ(port_->ReadStr(text, -3), 0);

    device_->Receive("1234");
    EXPECT_EQ(port_->ReadStr(text, 10), 4);
    EXPECT_EQ(text, L"1234");

    EXPECT_EQ(port_->Write("xyz", -1), 0);  // a count below zero counts as zero
    char buffer[4];
    EXPECT_EQ(port_->Read(buffer, -1), 0);
}

TEST_F(ComPortTest, CodePageText) {
    port_->Open();
    port_->SetCodePage(1252);
    EXPECT_EQ(port_->WriteUnicodeString(L"\u20AC"), 1);
    EXPECT_EQ(device_->Written(), "\x80");
    std::wstring text;
    device_->Receive("\xE9");
    EXPECT_EQ(port_->ReadUnicodeString(text, 5), 1);
    EXPECT_EQ(text, L"\u00E9");
    port_->SetCodePage(1251);
    device_->Receive("\xE9");
    EXPECT_EQ(port_->ReadUnicodeString(text, 5), 1);
    EXPECT_EQ(text, L"\u0439");
    EXPECT_EQ(port_->ReadUnicodeString(text, 5), 0);
    EXPECT_TRUE(text.empty());
}

TEST_F(ComPortTest, AsyncRecordsAndLinkNotifications) {
    TComLink link;
    LogLink(link, "L");
    port_->RegisterLink(&link);
    port_->Open();
    log_.Clear();

    PAsync async = nullptr;
    NewAsync(async);
    EXPECT_TRUE(port_->IsAsyncCompleted(async));
    EXPECT_EQ(port_->WaitForAsync(async), 0);  // nothing started: at once
    port_->WriteAsync("hey", 3, async);
    EXPECT_TRUE(port_->IsAsyncCompleted(async));
    EXPECT_EQ(port_->WaitForAsync(async), 3);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"L.Tx1", "L.TxBufhey"}));

    // The same record reused for a read: its kind decides, not leftovers.
    log_.Clear();
    device_->Receive("abcdef");
    char buffer[8];
    port_->ReadAsync(buffer, 2, async);
    EXPECT_EQ(port_->WaitForAsync(async), 2);
    EXPECT_TRUE(log_.Get().empty());  // bytes still waiting: no OnRx(false), no OnTxBuf
    port_->ReadAsync(buffer, 8, async);
    EXPECT_EQ(port_->WaitForAsync(async), 4);
    EXPECT_EQ(log_.Get(), std::vector<std::string>{"L.Rx0"});

    // A start that failed: the wait returns at once, nothing is told.
    CaptureReports();
    device_->WriteError = ERROR_GEN_FAILURE;
    log_.Clear();
    port_->WriteAsync("no", 2, async);
    EXPECT_EQ(ReportedCodes(), std::vector<int>{2});
    EXPECT_EQ(port_->WaitForAsync(async), 0);
    EXPECT_EQ(log_.Get(), std::vector<std::string>{"L.Tx1"});
    device_->WriteError = 0;
    port_->OnException = nullptr;
    device_->ReadError = ERROR_GEN_FAILURE;
    EXPECT_EQ(Raised([&] { port_->ReadAsync(buffer, 1, async); }).Message(), L"ReadFile function failed (Error: 31)");
    device_->ReadError = 0;
    FreeAsync(async);
    FreeAsync(async);  // empty: nothing
    port_->Close();
    port_->UnRegisterLink(&link);
}

TEST_F(ComPortTest, AsyncWithoutBufferAndWaitingTwice) {
    TComLink link;
    LogLink(link, "L");
    port_->RegisterLink(&link);
    port_->Open();
    PAsync async = nullptr;
    NewAsync(async);
    const EComPort write = Raised([&] { port_->WriteAsync(nullptr, 4, async); });
    EXPECT_EQ(write.Code(), 2);
    EXPECT_EQ(write.Message(), L"WriteFile function failed (Error: 87)");
    EXPECT_EQ(port_->WaitForAsync(async), 0);
    EXPECT_EQ(Raised([&] { port_->ReadAsync(nullptr, 4, async); }).Message(), L"ReadFile function failed (Error: 87)");
    EXPECT_EQ(port_->WaitForAsync(async), 0);
    EXPECT_EQ(device_->Count("WriteFile") + device_->Count("ReadFile"), 0);
    EXPECT_EQ(port_->WriteAsync(nullptr, 0, async), 0);  // nothing to write: no buffer needed

    // A record waited for once reports its result once.
    port_->WriteAsync("hey", 3, async);
    log_.Clear();
    EXPECT_EQ(port_->WaitForAsync(async), 3);
    EXPECT_EQ(port_->WaitForAsync(async), 0);
    EXPECT_EQ(log_.Get(), std::vector<std::string>{"L.TxBufhey"});
    FreeAsync(async);
    port_->Close();
    port_->UnRegisterLink(&link);
}

// Reads and writes that do not complete at once.
TEST_F(ComPortTest, PendingReadsAndWrites) {
    device_->HoldReads = true;
    port_->SetEvents({});
    port_->Open();
    PAsync async = nullptr;
    NewAsync(async);
    char buffer[8] = {};
    EXPECT_EQ(port_->ReadAsync(buffer, 4, async), 0);
    EXPECT_FALSE(port_->IsAsyncCompleted(async));
    const auto start = std::chrono::steady_clock::now();
    std::thread line([&] {
        ::Sleep(150);
        device_->Receive("wxyz");
    });
    EXPECT_EQ(port_->WaitForAsync(async), 4);  // blocks until the bytes are there
    line.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
    EXPECT_EQ(std::string(buffer, 4), "wxyz");
    EXPECT_TRUE(port_->IsAsyncCompleted(async));

    // Closing the port aborts a read still pending.
    EXPECT_EQ(port_->ReadAsync(buffer, 4, async), 0);
    ASSERT_TRUE(device_->ReadPending());
    port_->Close();
    EXPECT_FALSE(device_->ReadPending());
    const EComPort aborted = Raised([&] { port_->WaitForAsync(async); });
    EXPECT_EQ(aborted.Code(), 3);
    EXPECT_EQ(aborted.Message(), L"ReadFile function failed (Error: 995)");
    FreeAsync(async);

    // A write the line cannot take in time ends with the bytes it took, and
    // no error.
    device_->WriteRoom = 3;
    port_->Timeouts().SetWriteTotalMultiplier(0);
    port_->Timeouts().SetWriteTotalConstant(100);
    port_->Open();
    const auto writeStart = std::chrono::steady_clock::now();
    EXPECT_EQ(port_->Write("ABCDEFGH", 8), 3);
    EXPECT_GE(std::chrono::steady_clock::now() - writeStart, std::chrono::milliseconds(80));
    EXPECT_EQ(device_->Written(), "ABC");
    EXPECT_EQ(port_->WriteStr(L"ATI\r\n"), 3);
    EXPECT_EQ(device_->Written(), "ABCATI");
    port_->Close();
}

// ---------------------------------------------------------------- line control and status

TEST_F(ComPortTest, LineControlAndStatus) {
    port_->SetEvents({});
    port_->Open();
    port_->SetDTR(true);
    port_->SetDTR(false);
    port_->SetRTS(true);
    port_->SetRTS(false);
    port_->SetXonXoff(true);
    port_->SetXonXoff(false);
    port_->SetBreak(true);
    port_->SetBreak(false);
    EXPECT_EQ(device_->Escapes(), (std::vector<DWORD>{5, 6, 3, 4, 2, 1, 8, 9}));

    device_->ClearCalls();
    port_->ClearBuffer(false, false);
    port_->ClearBuffer(true, false);
    port_->ClearBuffer(false, true);
    port_->ClearBuffer(true, true);
    EXPECT_EQ(device_->Calls(),
              (std::vector<std::string>{"PurgeComm 0", "PurgeComm 8", "PurgeComm 4", "PurgeComm 12"}));
    device_->ClearCalls();
    port_->AbortAllAsync();
    EXPECT_EQ(device_->Calls(), std::vector<std::string>{"PurgeComm 3"});
    device_->PurgeError = ERROR_GEN_FAILURE;
    EXPECT_EQ(Raised([&] { port_->AbortAllAsync(); }).Code(), 5);
    device_->PurgeError = 0;

    port_->TransmitChar(L'\u0113');
    EXPECT_EQ(device_->Written(), "\x13");

    device_->Receive("12345");
    EXPECT_EQ(port_->InputCount(), 5);
    EXPECT_EQ(port_->OutputCount(), 0);

    device_->SetLineErrors(0x0008);
    EXPECT_EQ(port_->LastErrors(), TComErrors{TComError::ceFrame});
    EXPECT_EQ(port_->LastErrors(), TComErrors{});
    device_->SetLineErrors(0x0004 | 0x0002);
    EXPECT_EQ(port_->LastErrors(), TComErrors{TComError::ceOverrun});  // parity not checked
    port_->Parity().SetCheck(true);
    device_->SetLineErrors(0x0004);
    EXPECT_EQ(port_->LastErrors(), TComErrors{TComError::ceRxParity});
    device_->SetLineErrors(0x0008);
    port_->InputCount();  // every ClearCommError consumes pending errors
    EXPECT_EQ(port_->LastErrors(), TComErrors{});

    device_->SetHoldFlags(0x01 | 0x08 | 0x40 | 0x80);
    EXPECT_EQ(port_->StateFlags(),
              (TComStateFlags{TComStateFlag::fCtlHold, TComStateFlag::fXoffHold, TComStateFlag::fTxim}));

    device_->SetModemStatus(0xF0);
    EXPECT_EQ(port_->Signals(), TComSignals::All());
    device_->SetModemStatus(0x40);
    EXPECT_EQ(port_->Signals(), TComSignals{TComSignal::csRing});

    // With OnException, a failed query answers empty.
    CaptureReports();
    port_->Close();
    EXPECT_EQ(port_->InputCount(), 0);
    EXPECT_TRUE(port_->Signals().Empty());
    EXPECT_TRUE(port_->LastErrors().Empty());
    EXPECT_EQ(ReportedCodes(), (std::vector<int>{10, 11, 10}));
    EXPECT_EQ(reports_[0].winError, 6);
}

// ---------------------------------------------------------------- event dispatch

class ComPortSyncTest : public ComPortTest, public ::testing::WithParamInterface<TSyncMethod> {
protected:
    void SetUp() override {
        ComPortTest::SetUp();
        port_->SetSyncMethod(GetParam());
    }
    // Waits (pumping on the GUI thread) until the log has n entries.
    bool WaitForLog(size_t n, int timeoutMs = 5000) {
        return PumpUntil([&] { return log_.Size() >= n; }, timeoutMs);
    }
    bool Opened() {
        port_->Open();
        return PumpUntil([&] { return device_->WaitPending(); });
    }
};

TEST_P(ComPortSyncTest, TenEventBatchInFixedOrder) {
    LogNotifications();
    ASSERT_TRUE(Opened());
    log_.Clear();
    device_->Receive("abc");
    device_->SetLineErrors(0x0008);
    device_->SetModemStatus(0x10 | 0x20 | 0x80);
    device_->RaiseEvents(0x05FF);
    ASSERT_TRUE(WaitForLog(10));
    Pump(50);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"Error1", "RxChar3", "TxEmpty", "Break", "Ring", "CTS1", "DSR1",
                                                     "RxFlag", "RLSD1", "Rx80Full"}));
    port_->Close();
}

TEST_P(ComPortSyncTest, SingleEventsAndLinks) {
    LogNotifications();
    TComLink link;
    LogLink(link, "L");
    port_->RegisterLink(&link);
    ASSERT_TRUE(Opened());
    log_.Clear();
    device_->RaiseEvents(0x0100);  // a ring alone calls OnRing and nothing else
    ASSERT_TRUE(WaitForLog(2));
    Pump(30);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"L.Ring", "Ring"}));
    log_.Clear();
    device_->SetModemStatus(0x80);
    device_->RaiseEvents(0x0020);
    ASSERT_TRUE(WaitForLog(2));
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"L.RLSD1", "RLSD1"}));
    log_.Clear();
    device_->RaiseEvents(0x0004 | 0x0002);
    ASSERT_TRUE(WaitForLog(5));
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"L.Tx0", "L.TxEmpty", "TxEmpty", "L.RxFlag", "RxFlag"}));
    log_.Clear();
    // A receive event with nothing waiting (already read) tells no one.
    device_->RaiseEvents(0x0001);
    // An error event with no error pending tells no one either.
    device_->RaiseEvents(0x0080);
    device_->SetModemStatus(0);
    device_->RaiseEvents(0x0008);
    ASSERT_TRUE(WaitForLog(2));
    Pump(30);
    EXPECT_EQ(log_.Get(), (std::vector<std::string>{"L.CTS0", "CTS0"}));
    port_->Close();
    port_->UnRegisterLink(&link);
}

TEST_P(ComPortSyncTest, RxCharOrRxBuf) {
    struct Case {
        bool triggers;
        bool linkWithRxBuf;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {true, false, {"RxChar5"}},
        {true, true, {"RxBufhello", "L.RxBufhello"}},
        {false, false, {"RxBufhello"}},
        {false, true, {"RxBufhello", "L.RxBufhello"}},
    };
    for (const Case& c : cases) {
        TComLink link;
        if (c.linkWithRxBuf)
            link.OnRxBuf = [this](fw::TObject*, const std::uint8_t* b, int n) {
                log_.Add("L.RxBuf" + std::string(reinterpret_cast<const char*>(b), n));
            };
        port_->SetTriggersOnRxChar(c.triggers);
        port_->RegisterLink(&link);
        LogNotifications();
        ASSERT_TRUE(Opened());
        log_.Clear();
        device_->Receive("hello");
        device_->RaiseEvents(0x0001);
        ASSERT_TRUE(WaitForLog(c.expected.size()));
        Pump(30);
        EXPECT_EQ(log_.Get(), c.expected) << c.triggers << c.linkWithRxBuf;
        EXPECT_EQ(port_->InputCount(), c.expected.size() == 1 && c.triggers ? 5 : 0);
        port_->Close();
        port_->UnRegisterLink(&link);
        port_->SetTriggersOnRxChar(true);
    }
}

TEST_P(ComPortSyncTest, CloseFromErrorHandlerEndsTheBatch) {
    LogNotifications();
    port_->OnError = [this](fw::TObject*, TComErrors) {
        log_.Add("Error");
        port_->Close();
        log_.Add("Closed");
    };
    ASSERT_TRUE(Opened());
    log_.Clear();
    device_->Receive("data");
    device_->SetLineErrors(0x0002);
    device_->RaiseEvents(0x0080 | 0x0001 | 0x0100 | 0x0004);
    ASSERT_TRUE(PumpUntil([&] {
        const auto l = log_.Get();
        return std::find(l.begin(), l.end(), "Closed") != l.end();
    }));
    Pump(100);
    const auto log = log_.Get();
    EXPECT_EQ(log.front(), "Error");
    EXPECT_EQ(log.back(), "Closed");
    for (const std::string& e : log) EXPECT_TRUE(e.rfind("RxChar", 0) != 0 && e != "Ring" && e != "TxEmpty") << e;
    EXPECT_NE(std::find(log.begin(), log.end(), "AfterClose"), log.end());
    // smNone: the handler ran on the event thread, which hands the device
    // back once it has left the handler.
    ASSERT_TRUE(PumpUntil([&] { return device_->OpenCount() == 0; }));
    EXPECT_FALSE(port_->Connected());
    // The port opens again and works.
    log_.Clear();
    port_->OnError = nullptr;
    ASSERT_TRUE(Opened());
    device_->Receive("z");
    device_->RaiseEvents(0x0001);
    ASSERT_TRUE(PumpUntil([&] {
        const auto l = log_.Get();
        return std::find(l.begin(), l.end(), "RxChar1") != l.end();
    }));
    port_->Close();
}

// Closed from inside a handler, the port opens again at once, from the
// handler itself: the device is free by the time Close returns.
TEST_P(ComPortSyncTest, OpenRightAfterCloseInAHandler) {
    std::atomic<int> rx{0};
    Log failures;
    port_->OnRxChar = [&](fw::TObject*, int) {
        if (++rx > 1) return;
        try {
            port_->Close();
            port_->Open();
        } catch (const EComPort& e) {
            failures.Add(fw::ToUtf8(e.Message()));
        }
    };
    ASSERT_TRUE(Opened());
    device_->Receive("a");
    device_->RaiseEvents(EV_RXCHAR);
    ASSERT_TRUE(PumpUntil([&] { return rx >= 1 && device_->WaitPending(); }));
    EXPECT_TRUE(failures.Get().empty()) << failures.Get().front();
    EXPECT_TRUE(port_->Connected());
    EXPECT_EQ(device_->OpenCount(), 1);
    // The reopened port delivers events.
    device_->Receive("b");
    device_->RaiseEvents(EV_RXCHAR);
    EXPECT_TRUE(PumpUntil([&] { return rx >= 2; }));
    port_->Close();
    EXPECT_EQ(device_->OpenCount(), 0);
}

TEST_P(ComPortSyncTest, ManyCyclesClosingFromTheHandler) {
    std::atomic<int> closes{0};
    port_->OnRxChar = [&](fw::TObject*, int) {
        port_->Close();
        ++closes;
    };
    const auto cycle = [&](int i) {
        ASSERT_TRUE(Opened()) << i;
        device_->Receive("x");
        device_->RaiseEvents(0x0001);
        ASSERT_TRUE(PumpUntil([&] { return closes == i + 1 && device_->OpenCount() == 0; })) << i;
    };
    // The first cycles allocate what the system keeps for later ones.
    for (int i = 0; i < 5; ++i) cycle(i);
    port_->Open();
    port_->Close();
    const unsigned before = testsupport::OpenHandleCount();
    for (int i = 5; i < 505; ++i) cycle(i);
    ::Sleep(50);
    port_->Open();  // joins the threads retired by a close on themselves, once they have ended
    port_->Close();
    EXPECT_NEAR(testsupport::OpenHandleCount(), before, kWineHandleNoise);
}

TEST_P(ComPortSyncTest, HandlerExceptionIsShownAndTheThreadGoesOn) {
    int calls = 0;
    std::mutex lock;
    port_->OnRxChar = [&](fw::TObject* sender, int count) {
        std::wstring text;
        static_cast<TComPort*>(sender)->ReadStr(text, count);
        std::lock_guard guard(lock);
        if (++calls == 1) throw fw::Exception(L"handler failed");
    };
    ASSERT_TRUE(Opened());
    device_->Receive("1");
    device_->RaiseEvents(0x0001);
    ASSERT_TRUE(PumpUntil([&] { return !shown_.empty(); }));
    EXPECT_EQ(shown_, std::vector<std::wstring>{L"handler failed"});
    ASSERT_TRUE(PumpUntil([&] { return device_->WaitPending(); }));
    device_->Receive("2");
    device_->RaiseEvents(0x0001);
    ASSERT_TRUE(PumpUntil([&] {
        std::lock_guard guard(lock);
        return calls == 2;
    }));
    port_->Close();
}

// Events ready at every start (streams faster than their handlers) on two
// ports at once, each notification posting a message for later work, as
// handlers often do: the notifications keep coming, and the GUI thread
// still gets to its timers, its painting and the posted messages.
TEST_P(ComPortSyncTest, SteadyStreamsLeaveTheGuiThreadItsTimersPaintingAndPostedMessages) {
    // The streams end by themselves, so that a GUI thread kept busy fails the
    // test instead of hanging it.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    auto second = std::make_shared<TFakeCommDevice>();
    TComPort secondPort(nullptr, second);
    secondPort.SetPort(L"COM6");
    secondPort.SetSyncMethod(GetParam());
    testsupport::CountingWindow window;
    std::atomic<int> rx{0};
    const auto stream = [&](TFakeCommDevice& device) {
        return [&](fw::TObject* sender, int count) {
            std::wstring text;
            static_cast<TComPort*>(sender)->ReadStr(text, count);
            ++rx;
            if (std::chrono::steady_clock::now() >= end) return;
            ::PostMessageW(window.Handle(), WM_APP, 0, 0);
            device.Receive("x");
            device.RaiseEvents(EV_RXCHAR);
        };
    };
    port_->OnRxChar = stream(*device_);
    secondPort.OnRxChar = stream(*second);
    ASSERT_TRUE(Opened());
    secondPort.Open();
    ASSERT_TRUE(PumpUntil([&] { return second->WaitPending(); }));
    Pump(50);
    window.Reset();
    for (TFakeCommDevice* device : {device_.get(), second.get()}) {
        device->Receive("x");
        device->RaiseEvents(EV_RXCHAR);
    }
    // One message at a time, as the application's loop takes them (the
    // window's timer keeps them coming).
    const auto served = [&] { return window.ticks >= 10 && window.paints >= 10 && window.posted >= 200; };
    while (!served() && std::chrono::steady_clock::now() < end) fw::Application().HandleMessage();
    const bool streaming = std::chrono::steady_clock::now() < end;
    EXPECT_TRUE(served() && streaming) << window.ticks << " ticks, " << window.paints << " paints, " << window.posted
                                     << " posted messages, " << rx << " notifications";
    port_->Close();
    secondPort.Close();
}

TEST_P(ComPortSyncTest, FailingWaitsArePacedAndCloseIsPrompt) {
    device_->WaitError = ERROR_NOT_SUPPORTED;
    port_->Open();
    Pump(500);
    // Retries 10 ms apart, doubling up to 200 ms: a handful, not a spin.
    EXPECT_GE(device_->WaitStarts(), 3);
    EXPECT_LE(device_->WaitStarts(), 15);
    const auto start = std::chrono::steady_clock::now();
    port_->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    device_->WaitError = 0;

    // A device removed while open: its wait fails; Close still ends it.
    ASSERT_TRUE(Opened());
    device_->Remove();
    Pump(300);
    const auto start2 = std::chrono::steady_clock::now();
    EXPECT_EQ(Raised([&] { port_->Close(); }).Code(), 5);
    EXPECT_LT(std::chrono::steady_clock::now() - start2, std::chrono::milliseconds(500));
    EXPECT_EQ(device_->OpenCount(), 0);
}

TEST_P(ComPortSyncTest, ThreadPriority) {
    if (GetParam() != TSyncMethod::smNone) GTEST_SKIP() << "read on the event thread itself";
    const int expected[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,       THREAD_PRIORITY_BELOW_NORMAL,
                            THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                            THREAD_PRIORITY_TIME_CRITICAL};
    std::atomic<int> seen{-100};
    port_->OnRing = [&](fw::TObject*) { seen = ::GetThreadPriority(::GetCurrentThread()); };
    for (int p = 0; p < 7; ++p) {
        port_->SetEventThreadPriority(static_cast<fw::TThreadPriority>(p));
        seen = -100;
        ASSERT_TRUE(Opened());
        device_->RaiseEvents(0x0100);
        ASSERT_TRUE(PumpUntil([&] { return seen != -100; }));
        EXPECT_EQ(seen, expected[p]) << p;
        port_->Close();
    }
}

std::string SyncName(const ::testing::TestParamInfo<TSyncMethod>& info) {
    switch (info.param) {
    case TSyncMethod::smThreadSync: return "ThreadSync";
    case TSyncMethod::smWindowSync: return "WindowSync";
    case TSyncMethod::smNone: return "None";
    }
    return "";
}

INSTANTIATE_TEST_SUITE_P(AllSyncMethods, ComPortSyncTest,
                         ::testing::Values(TSyncMethod::smThreadSync, TSyncMethod::smWindowSync, TSyncMethod::smNone),
                         SyncName);

// Close while a batch waits for the GUI thread (a queued hand-over, or a
// message sent to the port's window), the GUI thread not looking.
TEST_P(ComPortSyncTest, CloseWithABatchWaitingForTheGuiThread) {
    std::atomic<int> rx{0};
    port_->OnRxChar = [&](fw::TObject*, int) { ++rx; };
    // smNone does not need the GUI thread: its handler runs anyway.
    const int expected = GetParam() == TSyncMethod::smNone ? 1 : 0;
    ASSERT_TRUE(Opened());
    device_->Receive("abc");
    device_->RaiseEvents(0x0001);
    ::Sleep(100);
    port_->Close();
    Pump(100);
    EXPECT_EQ(rx, expected);
    EXPECT_FALSE(port_->Connected());

    // The same with the port freed before the GUI thread looks again.
    rx = 0;
    ASSERT_TRUE(Opened());
    device_->Receive("abc");
    device_->RaiseEvents(0x0001);
    ::Sleep(100);
    port_.reset();
    Pump(100);
    EXPECT_EQ(rx, expected);
}

// The adapter check window's port, as its stored description configures it.
TEST_F(ComPortTest, AdapterCheckPortRecord) {
    ConfigureAdapterCheckPort(*port_);
    EXPECT_EQ(port_->Port(), L"COM8");
    EXPECT_EQ(port_->Events(), TComEvents::All());
    EXPECT_EQ(port_->SyncMethod(), TSyncMethod::smThreadSync);
    EXPECT_TRUE(port_->TriggersOnRxChar());
    EXPECT_FALSE(port_->Connected());
    EXPECT_EQ(port_->FlowControl().FlowControl(), TFlowControl::fcNone);
    port_->SetPort(L"COM3");
    port_->Open();
    const DCB dcb = device_->LastDcb();
    const unsigned char expected[28] = {28, 0, 0, 0, 0x00, 0x96, 0, 0, 0x11, 0x08, 0, 0, 0, 0,
                                        0x00, 0x01, 0x00, 0x01, 8, 0, 0, 17, 19, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(&dcb, expected, sizeof expected));
    EXPECT_EQ(dcb.BaudRate, 38400u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_DISABLE);
    EXPECT_TRUE(dcb.fNull && dcb.fBinary);
    EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fOutX || dcb.fInX || dcb.fParity);
    EXPECT_EQ(dcb.XonLim, 256);
    EXPECT_EQ(dcb.XoffLim, 256);
}
