#include "probe/PortProbe.h"

#include <windows.h>

#include <condition_variable>
#include <exception>
#include <mutex>

#include "framework/Exception.h"
#include "probe/Answer.h"
#include "reply/ReplyText.h"
#include "serial/AdapterCheckPort.h"
#include "serial/ComPort.h"

namespace probe {
namespace {

using Clock = std::chrono::steady_clock;

// The answer being collected. The port's receive handler fills it on the
// port's event thread; the probe's thread waits for it.
class TCollector {
public:
    // On the event thread: reads the bytes waiting and takes them. A read
    // that fails ends the wait with its error.
    void Receive(serial::TCustomComPort& port, int count) noexcept {
        {
            std::lock_guard guard(lock_);
            try {
                std::wstring bytes;
                port.ReadStr(bytes, count);
                answer_.Take(bytes);
            } catch (...) {
                if (!failure_) failure_ = std::current_exception();
            }
        }
        changed_.notify_all();
    }

    // A new answer begins: what came before is dropped, what is still in the
    // port's queue too (the noise of the last speed tried, say). Under the
    // lock, so that bytes a handler read before the purge go with it.
    void Restart(serial::TCustomComPort& port) {
        std::lock_guard guard(lock_);
        port.ClearBuffer(true, true);
        answer_ = TAnswer();
        failure_ = nullptr;
    }

    // Waits for the prompt or a failed read until the deadline; raises the
    // failure; returns the answer as it stands.
    TAnswer Await(Clock::time_point deadline) {
        std::unique_lock lock(lock_);
        changed_.wait_until(lock, deadline, [&] { return answer_.Prompted() || failure_; });
        if (failure_) std::rethrow_exception(failure_);
        return answer_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    TAnswer answer_;
    std::exception_ptr failure_;
};

// The port's line settings and time-outs as the probe found them. Windows
// keeps what the last user of a port set for whoever opens it next: the
// probe puts them back before it closes the port, so that it changes nothing.
struct TFoundSettings {
    DCB Dcb{};
    COMMTIMEOUTS Timeouts{};
    bool Valid = false;

    static TFoundSettings Read(HANDLE handle) noexcept {
        TFoundSettings found;
        found.Dcb.DCBlength = sizeof found.Dcb;
        found.Valid = ::GetCommState(handle, &found.Dcb) && ::GetCommTimeouts(handle, &found.Timeouts);
        return found;
    }
    void PutBack(HANDLE handle) noexcept {
        if (!Valid) return;
        ::SetCommState(handle, &Dcb);
        ::SetCommTimeouts(handle, &Timeouts);
    }
};

// The port from its opening on: whatever happens, it is put back as it was
// found and closed before it goes.
class TOpenedPort {
public:
    // Opens com with nothing applied yet, reads what it was set to, then
    // applies the port's own settings (its speed among them).
    explicit TOpenedPort(serial::TComPort& com) : com_(com) {
        com_.BeginUpdate();
        try {
            com_.Open();
            found_ = TFoundSettings::Read(com_.Handle());
            com_.EndUpdate();
        } catch (...) {
            CloseQuietly();
            throw;
        }
    }
    TOpenedPort(const TOpenedPort&) = delete;
    TOpenedPort& operator=(const TOpenedPort&) = delete;
    ~TOpenedPort() {
        if (!closed_) CloseQuietly();
    }

    // Puts the settings back and closes; raises what the close reported
    // (the port ends closed all the same).
    void Close() {
        closed_ = true;
        found_.PutBack(com_.Handle());
        com_.Close();
    }

private:
    // A port closed on the way out of a failure: its own failure is the one
    // reported, not this close's. (Its destructor would hand a close error to
    // the application's error box.)
    void CloseQuietly() noexcept {
        closed_ = true;
        try {
            if (com_.Connected()) found_.PutBack(com_.Handle());
            com_.Close();
        } catch (...) {
        }
    }

    serial::TComPort& com_;
    TFoundSettings found_;
    bool closed_ = false;
};

std::int64_t MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void Report(TPortResult& result, std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const serial::EComPort& e) {
        result.ErrorCode = e.Code();
        result.ErrorText = e.Message();
    } catch (const fw::Exception& e) {
        result.ErrorText = e.Message();
    } catch (const std::exception& e) {
        const std::string what = e.what();
        result.ErrorText.assign(what.begin(), what.end());
    } catch (...) {
        result.ErrorText = L"unknown failure";
    }
    if (result.Status != TPortStatus::Answered) result.Status = TPortStatus::Failed;
}

// Sets the speed of the next attempt; false when the driver cannot do that
// speed (the port stays at the one it had). Any other failure is the port's.
bool SetSpeed(serial::TComPort& com, int baud) {
    try {
        com.SetCustomBaudRate(baud);
        return true;
    } catch (const serial::EComPort& e) {
        if (e.Code() != serial::ComErrorCode(serial::TComExceptions::CE_SetStateFailed) ||
            e.WinCode() != ERROR_INVALID_PARAMETER)
            throw;
        return false;
    }
}

// Sends text CR LF as the window sends "ATI" and waits for the answer.
TAnswer Ask(serial::TComPort& com, TCollector& collector, const std::wstring& text,
            std::chrono::milliseconds timeout) {
    collector.Restart(com);
    const Clock::time_point sent = Clock::now();
    com.WriteStr(text + L"\r\n");
    return collector.Await(sent + timeout);
}

}  // namespace

TPortResult ProbePort(const std::wstring& port, const TProbePlan& plan, std::shared_ptr<serial::TCommDevice> device) {
    const Clock::time_point start = Clock::now();
    TPortResult result;
    result.Port = port;
    TCollector collector;
    bool measured = false;
    try {
        serial::TComPort com(nullptr, std::move(device));
        serial::ConfigureAdapterCheckPort(com);
        com.SetPort(port);
        // The answer is all the probe waits for; its handler runs on the
        // port's own event thread, this program having no message loop.
        com.SetEvents(serial::TComEvents{serial::TComEvent::evRxChar});
        com.SetSyncMethod(serial::TSyncMethod::smNone);
        com.SetBaudRate(serial::TBaudRate::brCustom);
        com.SetCustomBaudRate(plan.Bauds.front());
        com.OnRxChar = [&](fw::TObject* /*sender*/, int count) { collector.Receive(com, count); };

        TOpenedPort opened(com);
        TAnswer answer;
        for (int baud : plan.Bauds) {
            // A speed some driver cannot do is left out of a list; the first
            // one was applied with the rest of the settings on opening.
            if (!SetSpeed(com, baud)) continue;
            result.Tried.push_back(baud);
            answer = Ask(com, collector, L"ATI", plan.Timeout);
            if (answer.Prompted()) {
                result.Status = TPortStatus::Answered;
                result.Baud = baud;
                result.Identity = reply::CleanReply(answer.Raw());
                break;
            }
        }
        result.Raw = answer.Raw();
        result.Bytes = answer.Bytes();
        if (result.Status != TPortStatus::Answered) {
            result.Status = answer.Bytes() > 0 ? TPortStatus::NoPrompt : TPortStatus::NoAnswer;
        } else {
            for (const std::wstring& command : plan.Commands) {
                const TAnswer reply = Ask(com, collector, command, plan.Timeout);
                result.Commands.push_back(
                    {command, reply.Raw(), CleanCommandAnswer(reply.Raw(), command), reply.Prompted()});
            }
        }
        result.Milliseconds = MillisecondsSince(start);
        measured = true;
        opened.Close();
    } catch (...) {
        Report(result, std::current_exception());
        if (!measured) result.Milliseconds = MillisecondsSince(start);
    }
    return result;
}

}  // namespace probe
