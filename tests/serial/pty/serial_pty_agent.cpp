// serial_pty_agent: one TComPort, configured as the adapter check window's,
// worked line by line from standard input by the Linux side of the pty tests
// and benchmarks. Each command answers one line, "ok ..." or "err MESSAGE";
// a few modes also print lines of their own ("rx", "closed", and
// "flood RECEIVED MS BAD NOTIFICATIONS GAP_US READ_US REST_US MESSAGES":
// microseconds summed over the notifications, from the end of one OnRxChar to
// the start of the next, in ReadStr, and in the rest of the handler; then the
// messages the GUI thread's loop took meanwhile, each a hand-over from the
// event thread, as nothing else posts to it during a flood; with "ticking",
// a shown window meanwhile ticks every 10 ms, asks to be painted on every
// tick, and its ticks and paints follow, its messages counted too).
//
//   open COMn | close | sync thread|window|none | events all|rx
//   mode log|manual|latency|closeonrx|throwonce|flood BYTES [ticking]
//   probe N: the mean cost of InputCount on the open port ("ok US"), then,
//            from a thread of its own, of handing work to the GUI thread and
//            waiting until it has run ("handover US")
// An exception that reaches the application's error handling prints
// "shown MESSAGE" instead of an error box.
//   signals | inputcount | dtr 0|1 | rts 0|1 | break 0|1 | write HEX | readstr N
//   rx (bytes received in log mode) | log (notifications so far)
//   handles | cycles N | quit
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "serial/AdapterCheckPort.h"
#include "serial/ComPort.h"
#include "tests/support/Gui.h"
#include "tests/support/HandleCount.h"

using namespace serial;

namespace {

void Print(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Hex(const std::wstring& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (wchar_t c : bytes) {
        out += digits[(c >> 4) & 0xF];
        out += digits[c & 0xF];
    }
    return out;
}

std::wstring FromHex(const std::string& hex) {
    std::wstring out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<wchar_t>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

class Agent {
public:
    Agent() {
        ConfigureAdapterCheckPort(port_);
        port_.OnRxChar = [this](fw::TObject*, int count) { RxChar(count); };
        port_.OnCTSChange = [this](fw::TObject*, bool on) { Note(std::string("CTS") + (on ? "1" : "0")); };
        port_.OnDSRChange = [this](fw::TObject*, bool on) { Note(std::string("DSR") + (on ? "1" : "0")); };
        port_.OnRLSDChange = [this](fw::TObject*, bool on) { Note(std::string("RLSD") + (on ? "1" : "0")); };
        port_.OnRing = [this](fw::TObject*) { Note("Ring"); };
        port_.OnBreak = [this](fw::TObject*) { Note("Break"); };
        port_.OnError = [this](fw::TObject*, TComErrors e) { Note("Error" + std::to_string(e.Bits())); };
    }

    bool quit = false;
    // Messages the GUI thread's loop has taken.
    long long messages = 0;

    void Run(const std::string& line) {
        std::istringstream in(line);
        std::string cmd;
        in >> cmd;
        try {
            Print(Command(cmd, in));
        } catch (const fw::Exception& e) {
            Print("err " + fw::ToUtf8(e.Message()));
        }
    }

private:
    std::string Command(const std::string& cmd, std::istringstream& in) {
        std::string arg;
        in >> arg;
        if (cmd == "open") {
            port_.SetPort(std::wstring(arg.begin(), arg.end()));
            port_.Open();
        } else if (cmd == "close") {
            port_.Close();
        } else if (cmd == "sync") {
            port_.SetSyncMethod(arg == "window" ? TSyncMethod::smWindowSync
                                : arg == "none" ? TSyncMethod::smNone
                                                : TSyncMethod::smThreadSync);
        } else if (cmd == "events") {
            port_.SetEvents(arg == "rx" ? TComEvents{TComEvent::evRxChar} : TComEvents::All());
        } else if (cmd == "mode") {
            mode_ = arg;
            if (mode_ == "flood") {
                in >> floodTarget_;
                std::string ticking;
                in >> ticking;
                if (ticking == "ticking") {
                    ticking_ = std::make_unique<testsupport::CountingWindow>();
                } else {
                    ticking_.reset();
                }
                received_ = 0;
                bad_ = 0;
                notifications_ = 0;
                gapUs_ = readUs_ = restUs_ = 0;
                floodMessages_ = messages + 1;  // this command's own message is counted once it returns
                floodStart_ = lastEnd_ = std::chrono::steady_clock::now();
            }
            pending_ = 0;
        } else if (cmd == "signals") {
            return "ok " + std::to_string(port_.Signals().Bits());
        } else if (cmd == "dtr") {
            port_.SetDTR(arg == "1");
        } else if (cmd == "rts") {
            port_.SetRTS(arg == "1");
        } else if (cmd == "break") {
            port_.SetBreak(arg == "1");
        } else if (cmd == "write") {
            return "ok " + std::to_string(port_.WriteStr(FromHex(arg)));
        } else if (cmd == "readstr") {
            std::wstring text;
            port_.ReadStr(text, std::stoi(arg));
            return "ok " + Hex(text);
        } else if (cmd == "probe") {
            const int n = std::stoi(arg);
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < n; ++i) port_.InputCount();
            const auto countUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start) / n;
            std::thread([n] {
                const HANDLE done = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
                const auto t0 = std::chrono::steady_clock::now();
                for (int i = 0; i < n; ++i) {
                    fw::QueueOnGuiThread([done] { ::SetEvent(done); });
                    ::WaitForSingleObject(done, INFINITE);
                }
                const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() / n;
                ::CloseHandle(done);
                fw::QueueOnGuiThread([us] { Print("handover " + std::to_string(us)); });
            }).detach();
            return "ok " + std::to_string(countUs.count());
        } else if (cmd == "inputcount") {
            return "ok " + std::to_string(port_.InputCount());
        } else if (cmd == "rx") {
            return "ok " + Hex(std::exchange(rx_, {}));
        } else if (cmd == "log") {
            std::string all;
            for (const std::string& n : std::exchange(log_, {})) all += (all.empty() ? "" : " ") + n;
            return "ok " + all;
        } else if (cmd == "handles") {
            return "ok " + std::to_string(testsupport::OpenHandleCount());
        } else if (cmd == "cycles") {
            const int n = std::stoi(arg);
            port_.Open();
            port_.Close();
            const unsigned before = testsupport::OpenHandleCount();
            for (int i = 0; i < n; ++i) {
                port_.Open();
                port_.Close();
            }
            return "ok " + std::to_string(before) + " " + std::to_string(testsupport::OpenHandleCount());
        } else if (cmd == "quit") {
            quit = true;
        } else {
            return "err unknown command " + cmd;
        }
        return "ok";
    }

    void Note(std::string n) { log_.push_back(std::move(n)); }

    static long long Us(std::chrono::steady_clock::duration d) {
        return std::chrono::duration_cast<std::chrono::microseconds>(d).count();
    }

    void RxChar(int count) {
        if (mode_ == "manual") return;
        const auto entered = std::chrono::steady_clock::now();
        if (mode_ == "closeonrx") {
            port_.Close();
            Print("closed");
            return;
        }
        std::wstring text;
        const int n = port_.ReadStr(text, count);
        if (mode_ == "throwonce") {
            rx_ += text;
            mode_ = "log";
            throw fw::Exception(L"handler failed");
        }
        if (mode_ == "log") {
            rx_ += text;
        } else if (mode_ == "latency") {
            pending_ += n;
            while (pending_ >= 21) {
                pending_ -= 21;
                Print("rx");
            }
        } else if (mode_ == "flood") {
            const auto read = std::chrono::steady_clock::now();
            ++notifications_;
            for (wchar_t c : text) {
                if (c != static_cast<wchar_t>(received_ % 251)) ++bad_;
                ++received_;
            }
            const auto end = std::chrono::steady_clock::now();
            // The first notification's gap is the wait for the flood to begin.
            if (notifications_ > 1) gapUs_ += Us(entered - lastEnd_);
            readUs_ += Us(read - entered);
            restUs_ += Us(end - read);
            lastEnd_ = end;
            if (received_ >= floodTarget_) {
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - floodStart_).count();
                std::string line = "flood";
                std::vector<long long> fields{received_, ms,      bad_,   notifications_,
                                              gapUs_,    readUs_, restUs_, messages - floodMessages_};
                if (ticking_) {
                    fields.push_back(ticking_->ticks);
                    fields.push_back(ticking_->paints);
                    ticking_.reset();
                }
                for (long long field : fields) line += ' ' + std::to_string(field);
                Print(line);
                mode_ = "manual";
            }
        }
    }

    TComPort port_;
    std::string mode_ = "log";
    std::wstring rx_;
    std::vector<std::string> log_;
    long long floodTarget_ = 0;
    long long received_ = 0;
    long long bad_ = 0;
    long long notifications_ = 0;
    int pending_ = 0;
    long long gapUs_ = 0;
    long long readUs_ = 0;
    long long restUs_ = 0;
    long long floodMessages_ = 0;  // messages when the flood began
    std::unique_ptr<testsupport::CountingWindow> ticking_;
    std::chrono::steady_clock::time_point floodStart_;
    std::chrono::steady_clock::time_point lastEnd_;
};

}  // namespace

int main() {
    fw::Application().OnException = [](std::exception_ptr e) { Print("shown " + fw::ToUtf8(fw::ExceptionMessage(e))); };
    Agent agent;
    // Commands arrive on a reader thread and run on the GUI thread, whose
    // message loop also carries the port's notifications.
    std::thread reader([&agent] {
        const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
        std::string line;
        char c;
        DWORD n = 0;
        while (::ReadFile(in, &c, 1, &n, nullptr) && n == 1) {
            if (c == '\n') {
                fw::QueueOnGuiThread([&agent, line] { agent.Run(line); });
                line.clear();
            } else if (c != '\r') {
                line += c;
            }
        }
        fw::QueueOnGuiThread([&agent] { agent.quit = true; });
    });
    reader.detach();
    Print("ready");
    while (!agent.quit && fw::Application().HandleMessage()) ++agent.messages;
    return 0;
}
