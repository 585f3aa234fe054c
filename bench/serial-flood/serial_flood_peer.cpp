// serial_flood_peer: the yardsticks of the flood benchmark, plain Win32
// readers of a COM port that take what the far end sends and check it
// (byte i is i % 251), built and run like the component's agent.
//
//   serial_flood_peer COMn BYTES event   the way the component must read: wait
//                                        with WaitCommEvent for EV_RXCHAR, ask
//                                        ClearCommError how much is waiting,
//                                        read exactly that
//   serial_flood_peer COMn BYTES read    a bare overlapped ReadFile loop that
//                                        returns with whatever has arrived
//
// Prints "ready" once the port is open, then, when BYTES have arrived,
// "flood RECEIVED MS BAD NOTIFICATIONS WAIT_US COUNT_US READ_US": the time
// spent waiting for the event (or in ReadFile), asking for the count, and
// reading, summed over the notifications (reads, for "read").
#include <windows.h>

#include "bench/support/YardstickLine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using yardstick::Print;

using Clock = std::chrono::steady_clock;

long long Us(Clock::duration d) { return std::chrono::duration_cast<std::chrono::microseconds>(d).count(); }

// Waits for an overlapped operation started on ov; false on failure.
bool Finish(HANDLE port, OVERLAPPED& ov, BOOL started, DWORD& transferred) {
    if (!started && ::GetLastError() != ERROR_IO_PENDING) return false;
    return ::GetOverlappedResult(port, &ov, &transferred, TRUE) != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        Print("usage: serial_flood_peer COMn BYTES event|read");
        return 2;
    }
    const long long target = std::wcstoll(argv[2], nullptr, 10);
    const bool eventDriven = std::wstring(argv[3]) == L"event";

    HANDLE port = yardstick::OpenAdapterLine(argv[1]);
    if (port == INVALID_HANDLE_VALUE) return 1;
    // event: reads return at once with what is waiting (the component's
    // default). read: a read waits for the first byte, then returns with
    // what has arrived.
    COMMTIMEOUTS timeouts{MAXDWORD, eventDriven ? 0 : MAXDWORD, eventDriven ? 0u : 10000u, 100, 1000};
    ::SetCommTimeouts(port, &timeouts);
    if (eventDriven) ::SetCommMask(port, EV_RXCHAR);

    OVERLAPPED ov{};
    ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<unsigned char> buffer(1 << 16);
    long long received = 0, bad = 0, notifications = 0;
    long long waitUs = 0, countUs = 0, readUs = 0;
    Print("ready");
    Clock::time_point start{};
    while (received < target) {
        DWORD n = 0;
        if (eventDriven) {
            const auto t0 = Clock::now();
            DWORD mask = 0;
            ov = OVERLAPPED{0, 0, {}, ov.hEvent};
            DWORD unused = 0;
            if (!Finish(port, ov, ::WaitCommEvent(port, &mask, &ov), unused)) {
                Print("err wait " + std::to_string(::GetLastError()));
                return 1;
            }
            const auto t1 = Clock::now();
            DWORD errors = 0;
            COMSTAT stat{};
            ::ClearCommError(port, &errors, &stat);
            const auto t2 = Clock::now();
            if (received == 0) start = t0;
            waitUs += Us(t1 - t0);
            countUs += Us(t2 - t1);
            if (stat.cbInQue == 0) continue;
            ++notifications;
            if (stat.cbInQue > buffer.size()) buffer.resize(stat.cbInQue);
            ov = OVERLAPPED{0, 0, {}, ov.hEvent};
            if (!Finish(port, ov, ::ReadFile(port, buffer.data(), stat.cbInQue, nullptr, &ov), n)) {
                Print("err read " + std::to_string(::GetLastError()));
                return 1;
            }
            readUs += Us(Clock::now() - t2);
        } else {
            const auto t0 = Clock::now();
            ov = OVERLAPPED{0, 0, {}, ov.hEvent};
            if (!Finish(port, ov, ::ReadFile(port, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &ov), n)) {
                Print("err read " + std::to_string(::GetLastError()));
                return 1;
            }
            if (received == 0) start = t0;
            readUs += Us(Clock::now() - t0);
            if (n == 0) continue;
            ++notifications;
        }
        for (DWORD i = 0; i < n; ++i)
            if (buffer[i] != static_cast<unsigned char>((received + i) % 251)) ++bad;
        received += n;
    }
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    Print("flood " + std::to_string(received) + " " + std::to_string(ms) + " " + std::to_string(bad) + " " +
          std::to_string(notifications) + " " + std::to_string(waitUs) + " " + std::to_string(countUs) + " " +
          std::to_string(readUs));
    ::CloseHandle(ov.hEvent);
    ::CloseHandle(port);
    return 0;
}
