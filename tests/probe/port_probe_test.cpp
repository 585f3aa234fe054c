// One port probed in-process against a scripted device: what real hardware
// can do and the rig's ptys cannot (settings refused, reads failing, the
// device gone while it is waited on), and what exactly goes to the device.
#include "probe/PortProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/FakeCommDevice.h"

namespace {

using namespace std::chrono_literals;
using probe::TPortStatus;

probe::TProbePlan Plan(std::vector<int> bauds, std::vector<std::wstring> commands = {}) {
    return {std::move(bauds), 300ms, std::move(commands)};
}

// The adapter at the far end: once `after` has been written, does `answer`.
class Adapter {
public:
    Adapter(testserial::TFakeCommDevice& device, std::string after, std::function<void()> answer)
        : thread_([&device, after = std::move(after), answer = std::move(answer), this] {
              while (!stop_ && device.Written().find(after) == std::string::npos) std::this_thread::sleep_for(2ms);
              if (!stop_) answer();
          }) {}
    ~Adapter() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(ProbePort, OpensAsTheWindowDoesSendsOnlyWhatItShouldAndCloses) {
    auto device = std::make_shared<testserial::TFakeCommDevice>();
    Adapter adapter(*device, "ATI\r\n", [&] {
        device->Receive("ATI\r\nAdapter 1.5\r\n\r\n>");
        device->RaiseEvents(EV_RXCHAR);
    });
    Adapter voltage(*device, "AT RV\r\n", [&] {
        device->Receive("AT RV\r12.6V\r\r>");
        device->RaiseEvents(EV_RXCHAR);
    });
    const probe::TPortResult r = probe::ProbePort(L"COM3", Plan({38400}, {L"AT RV"}), device);
    EXPECT_EQ(r.Status, TPortStatus::Answered) << std::string(r.ErrorText.begin(), r.ErrorText.end());
    EXPECT_EQ(r.Baud, 38400);
    EXPECT_EQ(r.Identity, L"Adapter 1.5");
    ASSERT_EQ(r.Commands.size(), 1u);
    EXPECT_EQ(r.Commands[0].Answer, L"12.6V");
    EXPECT_TRUE(r.Commands[0].Prompted);

    EXPECT_EQ(device->Written(), "ATI\r\nAT RV\r\n");
    const DCB dcb = device->LastDcb();
    EXPECT_EQ(dcb.BaudRate, 38400u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fOutX || dcb.fInX);
    EXPECT_EQ(device->Count("Create \\\\.\\COM3"), 1);
    EXPECT_EQ(device->Count("SetCommMask 1"), 1) << "only the receive event is waited for";
    EXPECT_EQ(device->OpenCount(), 0) << "the port is still open";
}

TEST(ProbePort, NothingComesWithinTheTimeOut) {
    auto device = std::make_shared<testserial::TFakeCommDevice>();
    const auto start = std::chrono::steady_clock::now();
    const probe::TPortResult r = probe::ProbePort(L"COM3", Plan({38400, 9600}), device);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.Status, TPortStatus::NoAnswer);
    EXPECT_EQ(r.Tried, (std::vector<int>{38400, 9600}));
    EXPECT_GE(took, 600ms);
    EXPECT_LT(took, 1500ms);
    EXPECT_EQ(device->Written(), "ATI\r\nATI\r\n");
    EXPECT_EQ(device->LastDcb().BaudRate, 9600u);
    EXPECT_EQ(device->OpenCount(), 0);
}

TEST(ProbePort, SettingsTheDriverRefusesAreThePortsError) {
    auto device = std::make_shared<testserial::TFakeCommDevice>();
    device->SetStateError = ERROR_INVALID_PARAMETER;
    const probe::TPortResult r = probe::ProbePort(L"COM3", Plan({38400}), device);
    EXPECT_EQ(r.Status, TPortStatus::Failed);
    EXPECT_EQ(r.ErrorCode, 7);
    EXPECT_EQ(r.ErrorText, L"SetCommState function failed (Error: 87)");
    EXPECT_EQ(device->Written(), "");
    EXPECT_EQ(device->OpenCount(), 0);
}

TEST(ProbePort, AFailingReadEndsTheWaitWithItsError) {
    auto device = std::make_shared<testserial::TFakeCommDevice>();
    Adapter adapter(*device, "ATI\r\n", [&] {
        device->ReadError = ERROR_GEN_FAILURE;
        device->Receive("ATI\r\n");
        device->RaiseEvents(EV_RXCHAR);
    });
    const auto start = std::chrono::steady_clock::now();
    const probe::TPortResult r = probe::ProbePort(L"COM3", Plan({38400}), device);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 250ms) << "waited for the time-out";
    EXPECT_EQ(r.Status, TPortStatus::Failed);
    EXPECT_EQ(r.ErrorCode, 3);
    EXPECT_EQ(r.ErrorText, L"ReadFile function failed (Error: 31)");
    EXPECT_EQ(device->OpenCount(), 0);
}

// Unplugged while the probe waits: the next speed cannot be set, and that is
// what is reported; with one speed only, the close that cannot purge.
TEST(ProbePort, ADeviceGoneWhileWaitedOnIsReportedAndLeftClosed) {
    for (const bool automatic : {true, false}) {
        auto device = std::make_shared<testserial::TFakeCommDevice>();
        Adapter adapter(*device, "ATI\r\n", [&] { device->Remove(); });
        const probe::TPortResult r =
            probe::ProbePort(L"COM3", automatic ? Plan({38400, 9600}) : Plan({38400}), device);
        EXPECT_EQ(r.Status, TPortStatus::Failed) << automatic;
        EXPECT_EQ(r.ErrorText, automatic ? L"SetCommState function failed (Error: 22)"
                                         : L"PurgeComm function failed (Error: 22)");
        EXPECT_EQ(r.Tried, std::vector<int>{38400});
        EXPECT_EQ(device->OpenCount(), 0) << automatic;
    }
}

TEST(ProbePort, APortInUse) {
    auto device = std::make_shared<testserial::TFakeCommDevice>();
    device->OpenError = ERROR_ACCESS_DENIED;
    const probe::TPortResult r = probe::ProbePort(L"COM3", Plan({38400}), device);
    EXPECT_EQ(r.Status, TPortStatus::Failed);
    EXPECT_EQ(r.ErrorCode, 1);
    EXPECT_EQ(r.ErrorText, L"Unable to open com port (Error: 5)");
    EXPECT_TRUE(r.Tried.empty());
}

}  // namespace
