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
//   mode count: every byte is checked against the far end's pattern (byte i
//            is i % 251); "count" answers "ok RECEIVED BAD NOTIFICATIONS"
//   mode slow MS [ticking]: the same, each notification then sleeping MS;
//            "depth" answers the stack the first notification found in use
//            and the most any has, in bytes below main's frame ("ok FIRST
//            DEEPEST"; ticking: as for flood)
//   mode closeworker: the next notification has a worker thread close the
//            port and reads what waits 200 ms later; it prints "handler done"
//            when it has read, the worker "worker closed" once Close returned
//   window: a shown window whose right click opens a pop-up menu and whose
//            left click a message box; "menu" and "box" open them from queued
//            work. They print "menu open", "menu closed N MS", "command ID",
//            "box open", "box closed N MS" (N: notifications delivered while
//            it was open; MS: since the last key was sent)
//   key esc|enter|down, rclick, lclick: a real key or click (SendInput; the
//            click in the window's middle), sent at once by the thread that
//            reads the commands; these answer nothing
//   portwindows: the port's hidden windows in this process
//   signals | inputcount | dtr 0|1 | rts 0|1 | break 0|1 | write HEX | readstr N
//   rx (bytes received in log mode) | log (notifications so far)
//   handles | cycles N | quit
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
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

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Key(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
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
    // The GUI thread's stack where main began.
    const char* stackBase = nullptr;

    // Commands for the reader thread itself: input sent while the GUI
    // thread may be inside a modal loop. True when line was one.
    bool RunAtOnce(const std::string& line) {
        if (line.rfind("key ", 0) == 0) {
            const std::string name = line.substr(4);
            keySentMs_ = NowMs();
            Key(name == "esc" ? VK_ESCAPE : name == "enter" ? VK_RETURN : VK_DOWN);
            return true;
        }
        if (line == "rclick" || line == "lclick") {
            RECT r{};
            ::GetWindowRect(window_.load(), &r);
            const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            const bool right = line == "rclick";
            testsupport::SendPointerInput(middle, 0);
            ::Sleep(30);
            testsupport::SendPointerInput(middle, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
            testsupport::SendPointerInput(middle, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
            return true;
        }
        return false;
    }

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
            if (mode_ == "count" || mode_ == "slow") received_ = bad_ = notifications_ = 0;
            if (mode_ == "slow") {
                std::string ticking;
                in >> slowMs_ >> ticking;
                if (ticking == "ticking") ticking_ = std::make_unique<testsupport::CountingWindow>();
            }
            pending_ = 0;
        } else if (cmd == "count") {
            return "ok " + std::to_string(received_) + " " + std::to_string(bad_) + " " + std::to_string(notifications_);
        } else if (cmd == "depth") {
            return "ok " + std::to_string(firstStack_) + " " + std::to_string(deepestStack_);
        } else if (cmd == "window") {
            ShowWindow();
        } else if (cmd == "menu") {
            fw::QueueOnGuiThread([this] { OpenMenu(); });
        } else if (cmd == "box") {
            fw::QueueOnGuiThread([this] { OpenBox(); });
        } else if (cmd == "portwindows") {
            int n = 0;
            for (HWND w = nullptr; (w = ::FindWindowExW(HWND_MESSAGE, w, L"TComPortWindow", nullptr)) != nullptr;) ++n;
            return "ok " + std::to_string(n);
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
            std::lock_guard guard(logLock_);
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

    // Also from a thread that closes the port (its line notifications).
    void Note(std::string n) {
        std::lock_guard guard(logLock_);
        log_.push_back(std::move(n));
    }

    void ShowWindow() {
        static const ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &Agent::WindowProc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            wc.lpszClassName = L"QuillonPtyAgent";
            return ::RegisterClassExW(&wc);
        }();
        HWND wnd = ::CreateWindowExW(WS_EX_TOPMOST, MAKEINTATOM(atom), L"agent", WS_POPUP | WS_BORDER, 300, 200, 240,
                                     160, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
        window_ = wnd;
        ::ShowWindow(wnd, SW_SHOW);
        ::SetForegroundWindow(wnd);
    }

    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<Agent*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self) {
            switch (msg) {
            case WM_RBUTTONUP: self->OpenMenu(); return 0;
            case WM_LBUTTONUP: self->OpenBox(); return 0;
            case WM_INITMENUPOPUP: Print("menu open"); break;
            case WM_COMMAND: Print("command " + std::to_string(LOWORD(wParam))); return 0;
            default: break;
            }
        }
        return ::DefWindowProcW(wnd, msg, wParam, lParam);
    }

    std::string OpenFor(long long notificationsBefore) const {
        return std::to_string(notifications_ - notificationsBefore) + " " + std::to_string(NowMs() - keySentMs_);
    }

    void OpenMenu() {
        HWND wnd = window_;
        HMENU menu = ::CreatePopupMenu();
        ::AppendMenuW(menu, MF_STRING, 101, L"First");
        ::AppendMenuW(menu, MF_STRING, 102, L"Second");
        RECT r{};
        ::GetWindowRect(wnd, &r);
        ::SetForegroundWindow(wnd);
        const long long before = notifications_;
        ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, r.left + 20, r.top + 20, 0, wnd, nullptr);
        Print("menu closed " + OpenFor(before));
        ::PostMessageW(wnd, WM_NULL, 0, 0);
        ::DestroyMenu(menu);
    }

    void OpenBox() {
        static HHOOK hook = nullptr;
        hook = ::SetWindowsHookExW(
            WH_CBT,
            [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (code == HCBT_ACTIVATE && hook) {
                    Print("box open");
                    ::UnhookWindowsHookEx(std::exchange(hook, nullptr));
                }
                return ::CallNextHookEx(nullptr, code, wParam, lParam);
            },
            nullptr, ::GetCurrentThreadId());
        const long long before = notifications_;
        ::MessageBoxW(window_, L"Streaming", L"agent", MB_OK);
        Print("box closed " + OpenFor(before));
    }

    // Bytes in the far end's pattern, counted and checked.
    void Count(const std::wstring& text) {
        ++notifications_;
        for (wchar_t c : text) {
            if (c != static_cast<wchar_t>(received_ % 251)) ++bad_;
            ++received_;
        }
    }

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
        if (mode_ == "closeworker") {
            mode_ = "manual";
            std::thread([this] {
                port_.Close();
                Print("worker closed");
            }).detach();
            ::Sleep(200);
            std::wstring text;
            port_.ReadStr(text, count);
            Print("handler done");
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
        } else if (mode_ == "count") {
            Count(text);
        } else if (mode_ == "slow") {
            Count(text);
            const char here = 0;
            const long long used = stackBase - &here;
            if (notifications_ == 1) firstStack_ = used;
            deepestStack_ = std::max(deepestStack_, used);
            ::Sleep(static_cast<DWORD>(slowMs_));
        } else if (mode_ == "latency") {
            pending_ += n;
            while (pending_ >= 21) {
                pending_ -= 21;
                Print("rx");
            }
        } else if (mode_ == "flood") {
            const auto read = std::chrono::steady_clock::now();
            Count(text);
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
    std::mutex logLock_;
    std::vector<std::string> log_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<long long> keySentMs_{0};
    int slowMs_ = 0;
    long long firstStack_ = 0;
    long long deepestStack_ = 0;
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
    const char base = 0;
    agent.stackBase = &base;
    // Commands arrive on a reader thread and run on the GUI thread, whose
    // message loop also carries the port's notifications.
    std::thread reader([&agent] {
        const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
        std::string line;
        char c;
        DWORD n = 0;
        while (::ReadFile(in, &c, 1, &n, nullptr) && n == 1) {
            if (c == '\n') {
                if (!agent.RunAtOnce(line)) fw::QueueOnGuiThread([&agent, line] { agent.Run(line); });
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
