// quillon-probe: finds and identifies the adapters on every serial port at
// once, from a script or a console (ProbeOptions.cpp's HelpText says how).
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/Exception.h"
#include "framework/Strings.h"
#include "probe/PortProbe.h"
#include "probe/ProbeOptions.h"
#include "probe/ProbeReport.h"
#include "serial/PortList.h"

namespace {

using Clock = std::chrono::steady_clock;

// Beyond the time the plan may take, what opening and closing every port may
// add before the run gives up on a port that does not come back (a driver
// that blocks in its open, as some wireless serial links do).
constexpr std::chrono::milliseconds kRunMargin{1000};

// Text for a console as the console's own characters; anywhere else (a file,
// a pipe) as UTF-8. Lines end in CR LF.
void Write(DWORD which, std::wstring_view text) {
    std::wstring lines;
    for (wchar_t c : text) {
        if (c == L'\n') lines += L'\r';
        lines += c;
    }
    const HANDLE out = ::GetStdHandle(which);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (::GetFileType(out) == FILE_TYPE_CHAR && ::GetConsoleMode(out, &mode)) {
        for (std::size_t at = 0; at < lines.size();) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(lines.size() - at, 8192));
            if (!::WriteConsoleW(out, lines.data() + at, chunk, &written, nullptr) || written == 0) return;
            at += written;
        }
        return;
    }
    const std::string bytes = fw::ToUtf8(lines);
    for (std::size_t at = 0; at < bytes.size();) {
        DWORD written = 0;
        if (!::WriteFile(out, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written, nullptr) ||
            written == 0)
            return;
        at += written;
    }
}

std::vector<std::wstring> ListedPorts() {
    fw::TStringList listed;
    serial::ListSerialPorts(listed);
    std::vector<std::wstring> ports;
    for (int i = 0; i < listed.Count(); ++i) ports.push_back(listed.Get(i));
    return ports;
}

// Every port probed on a thread of its own; the results as they stand when
// all have come or the run's time is up.
class TRun {
public:
    TRun(const std::vector<std::wstring>& ports, const probe::TProbePlan& plan)
        : shared_(std::make_shared<TShared>()), ports_(ports) {
        shared_->results.resize(ports.size());
        for (std::size_t i = 0; i < ports.size(); ++i) {
            threads_.emplace_back([shared = shared_, i, port = ports[i], plan] {
                probe::TPortResult result = probe::ProbePort(port, plan);
                {
                    std::lock_guard guard(shared->lock);
                    shared->results[i] = std::move(result);
                    ++shared->finished;
                }
                shared->changed.notify_all();
            });
        }
    }
    TRun(const TRun&) = delete;
    TRun& operator=(const TRun&) = delete;
    // Only on the way out of a failure: the threads are left to the end of
    // the process.
    ~TRun() {
        for (std::thread& thread : threads_)
            if (thread.joinable()) thread.detach();
    }

    // Waits until every port has its result or the deadline has passed.
    std::vector<probe::TPortResult> Results(Clock::time_point start, Clock::time_point deadline) {
        std::unique_lock lock(shared_->lock);
        shared_->changed.wait_until(lock, deadline, [&] { return shared_->finished == ports_.size(); });
        complete_ = shared_->finished == ports_.size();
        std::vector<probe::TPortResult> results;
        for (std::size_t i = 0; i < ports_.size(); ++i) {
            if (shared_->results[i]) {
                results.push_back(*shared_->results[i]);
            } else {
                probe::TPortResult unfinished;
                unfinished.Port = ports_[i];
                unfinished.Milliseconds =
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
                results.push_back(std::move(unfinished));
            }
        }
        return results;
    }

    // Joins the threads when all have ended; a thread still blocked in the
    // system is left to the end of the process, which closes what it holds.
    bool Finish() {
        for (std::thread& thread : threads_) {
            if (complete_)
                thread.join();
            else
                thread.detach();
        }
        return complete_;
    }

private:
    struct TShared {
        std::mutex lock;
        std::condition_variable changed;
        std::vector<std::optional<probe::TPortResult>> results;
        std::size_t finished = 0;
    };
    std::shared_ptr<TShared> shared_;
    std::vector<std::wstring> ports_;
    std::vector<std::thread> threads_;
    bool complete_ = false;
};

int Probe(const probe::TProbeOptions& options) {
    const Clock::time_point start = Clock::now();
    const std::vector<std::wstring> ports = options.Ports.empty() ? ListedPorts() : options.Ports;
    if (ports.empty()) {
        Write(STD_ERROR_HANDLE, L"quillon-probe: the system lists no serial ports\n");
        return 1;
    }
    probe::TProbePlan plan;
    plan.Bauds = options.Bauds;
    plan.Timeout = std::chrono::milliseconds(options.TimeoutMs);
    plan.Commands = options.Commands;
    const auto attempts = static_cast<long long>(plan.Bauds.size() + plan.Commands.size());

    TRun run(ports, plan);
    const std::vector<probe::TPortResult> results = run.Results(start, start + attempts * plan.Timeout + kRunMargin);
    std::wstring text;
    if (options.Json) {
        for (const probe::TPortResult& result : results) text += probe::JsonLine(result) + L"\n";
    } else {
        for (const std::wstring& line : probe::PlainLines(results)) text += line + L"\n";
    }
    Write(STD_OUTPUT_HANDLE, text);
    const int status = probe::ExitStatus(results);
    if (!run.Finish()) ::ExitProcess(static_cast<UINT>(status));
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const probe::TParsedArguments parsed = probe::ParseArguments(std::vector<std::wstring>(argv + 1, argv + argc));
        if (!parsed.Options) {
            Write(STD_ERROR_HANDLE, L"quillon-probe: " + parsed.Error + L"\nTry quillon-probe --help.\n");
            return 2;
        }
        if (parsed.Options->Help) {
            Write(STD_OUTPUT_HANDLE, probe::HelpText());
            return 0;
        }
        return Probe(*parsed.Options);
    } catch (const std::exception& e) {
        const std::string what = e.what();
        Write(STD_ERROR_HANDLE, L"quillon-probe: " + std::wstring(what.begin(), what.end()) + L"\n");
        return 1;
    }
}
