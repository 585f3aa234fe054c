// The check, end to end: Quillon.exe under Wine with COM3 on a pty whose far end
// this program answers itself, so that it knows when the reply's last byte left.
//   - latency from the click to "Device found: " in the memo, and from the reply's
//     last byte to the memo, over 50 checks, beside the reply's time on the wire;
//   - processor time of an idle Quillon (the port list refreshes every
//     second): before the first check, with a user's pointer left resting
//     over the memo (hover tracking: the costliest idle case), over 60
//     seconds beside a window of the same plain controls (the floor: what
//     Wine itself costs), then over 30 seconds with the pointer away from the
//     window (what the refresh alone costs); and with the
//     port open, over 30 seconds beside the yardstick, a minimal Win32 program
//     waiting in WaitCommEvent on a port of its own with the same event mask
//     (most of the idle cost with the port open is Wine polling the line for
//     that wait). Processor time is the scheduler's, to the nanosecond;
//     the share of each 10 s is printed too;
//   - open handles and private bytes over 1,000 checks, and over 1,000 more with
//     the memo emptied every 100 (what the program keeps beside the memo's text).
#include "rig.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// 26 bytes: the echo, the identity, two line breaks and the prompt.
const std::string kReply = "ATI\r\nQUILLON SIM 2.1B\r\n\r\n>";

bool Contains(std::string text, const std::string& what) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text.find(what) != std::string::npos;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// The far end of the port: waits for the command, then answers it.
class FarEnd {
public:
  explicit FarEnd(const std::filesystem::path& device) : fd_(open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ < 0) throw rig::Error("cannot open the far end");
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~FarEnd() { close(fd_); }
  bool AwaitCommand(rig::Millis timeout) {
    std::string got;
    const auto end = Clock::now() + timeout;
    while (got.find("ATI\r\n") == std::string::npos) {
      pollfd p{fd_, POLLIN, 0};
      const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      if (left <= 0 || poll(&p, 1, left) <= 0) return false;
      char buf[256];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) return false;
      got.append(buf, size_t(n));
    }
    return true;
  }
  void Answer() {
    if (write(fd_, kReply.data(), kReply.size()) != ssize_t(kReply.size())) throw rig::Error("short write");
  }

private:
  int fd_;
};

// Private memory of a Linux process (a Wine process is one).
long long PrivateBytes(pid_t pid) {
  long long bytes = 0;
  std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string key;
  long long kb = 0;
  std::string unit;
  while (rollup >> key) {
    if (key == "Private_Clean:" || key == "Private_Dirty:") {
      rollup >> kb >> unit;
      bytes += kb * 1024;
    } else {
      rollup.ignore(1 << 12, '\n');
    }
  }
  return bytes;
}

// Percent of one core each idle process used over the same seconds (the
// same window for all: the machine's load moves what a wake-up costs), and
// the first process's share of each 10 s of the window, so that a passing
// disturbance shows apart from a steady cost.
struct IdleShares {
  std::vector<double> whole;
  std::vector<double> first;

  IdleShares(const std::vector<pid_t>& pids, int seconds) {
    using Seconds = std::chrono::duration<double>;
    std::vector<std::chrono::nanoseconds> start;
    for (pid_t pid : pids) start.push_back(rig::processorTime(pid));
    for (int done = 0; done < seconds; done += 10) {
      const auto before = rig::processorTime(pids[0]);
      const int step = std::min(10, seconds - done);
      std::this_thread::sleep_for(std::chrono::seconds(step));
      first.push_back(Seconds(rig::processorTime(pids[0]) - before).count() * 100.0 / step);
    }
    for (size_t i = 0; i < pids.size(); ++i)
      whole.push_back(Seconds(rig::processorTime(pids[i]) - start[i]).count() * 100.0 / seconds);
  }

  void PrintSteps() const {
    std::printf("    Quillon in each 10 s:");
    for (double share : first) std::printf(" %.3f %%", share);
    std::printf("\n");
  }
};

}  // namespace

int main() {
  try {
    rig::Session session = rig::Session::fromEnvironment();
    rig::Port port(session, "COM3", {.mode = ""});
    rig::Driver driver(session);
    driver.setSerialComm({{"Rig0", "COM3"}});
    rig::Program quillon(session, session.quillonExe());
    const std::string window = driver.mainWindow("Quillon", 30s);
    std::string check, memo, combo;
    for (const auto& c : rig::parseChildren(driver.call("children " + window))) {
      if (Contains(c.cls, "button") && c.text == "Check") check = c.hwnd;
      if (Contains(c.cls, "memo")) memo = c.hwnd;
      if (Contains(c.cls, "combobox") && combo.empty()) combo = c.hwnd;
    }
    if (check.empty() || memo.empty() || combo.empty()) throw rig::Error("controls not found");
    if (!rig::eventually(5s, [&] { return driver.call("combo " + combo).at(1) == "COM3"; }))
      throw rig::Error("COM3 not listed");

    // The floor of the idle cost: a window of the same plain controls under
    // the same Wine, which wakes for nothing of its own.
    rig::Process::Options plainOptions;
    plainOptions.env = session.wineEnvironment();
    rig::Process plain({"wine", (session.build() / "bench" / "startup" / "bench_minimal_window.exe").string()},
                       plainOptions);
    const std::string plainWindow = driver.mainWindow("Minimal", 30s);
    auto movePointer = [&](int x, int y) {
      rig::pointer(session, "mousemove " + std::to_string(x) + " " + std::to_string(y));
    };
    const auto memoRect = driver.call("rect " + memo);
    movePointer((std::stoi(memoRect.at(0)) + std::stoi(memoRect.at(2))) / 2,
                (std::stoi(memoRect.at(1)) + std::stoi(memoRect.at(3))) / 2);
    std::this_thread::sleep_for(2s);
    const IdleShares idleClosed({quillon.process().pid(), plain.pid()}, 60);
    std::printf("idle before the first check (port closed), the pointer resting over the memo: %.3f %% of one core over 60 s (the port list refreshes every second; target at most 0.1 %%)\n",
                idleClosed.whole[0]);
    idleClosed.PrintSteps();
    std::printf("  the floor, a window of the same plain controls under the same Wine, over the same 60 s: %.3f %%\n",
                idleClosed.whole[1]);
    const auto windowRect = driver.call("rect " + window);
    movePointer(std::max(0, std::stoi(windowRect.at(0)) - 100), std::max(0, std::stoi(windowRect.at(1)) - 100));
    std::this_thread::sleep_for(2s);
    const IdleShares idleAway({quillon.process().pid(), plain.pid()}, 30);
    std::printf("  the pointer away from the window (the refresh alone), over 30 s: %.3f %%; the floor over the same 30 s: %.3f %%\n",
                idleAway.whole[0], idleAway.whole[1]);
    idleAway.PrintSteps();
    driver.call("close " + plainWindow);
    plain.waitExit(5s);

    FarEnd far(port.pair().deviceEnd());
    size_t found = 0;
    // One check: click, answer the command, wait for the new "Device found: " line.
    auto runCheck = [&](double* clickToMemo, double* lastByteToMemo) {
      const auto click = Clock::now();
      driver.call("press " + check);
      if (!far.AwaitCommand(5s)) throw rig::Error("no command from Quillon");
      far.Answer();
      const auto sent = Clock::now();
      ++found;
      while (true) {
        const std::string text = rig::unescape(driver.call("text " + memo).at(0));
        size_t n = 0;
        for (size_t at = 0; (at = text.find("Device found: ", at)) != std::string::npos; ++at) ++n;
        // The port stays open between checks, so the memo is never cleared:
        // every check adds one more line.
        if (n >= found) break;
        if (Clock::now() - sent > 5s) throw rig::Error("no reply in the memo: " + text);
      }
      const auto shown = Clock::now();
      if (clickToMemo) *clickToMemo = Ms(shown - click);
      if (lastByteToMemo) *lastByteToMemo = Ms(shown - sent);
    };

    std::vector<double> clickToMemo, lastByteToMemo;
    for (int i = 0; i < 50; ++i) {
      double a = 0, b = 0;
      runCheck(&a, &b);
      clickToMemo.push_back(a);
      lastByteToMemo.push_back(b);
    }
    const double wireMs = double(kReply.size()) * 10.0 / 38400.0 * 1000.0;
    std::printf("check latency over 50 checks (Quillon.exe under Wine, pty at the far end)\n");
    std::printf("  click to \"Device found: \" in the memo:  median %6.2f ms  p95 %6.2f ms\n",
                Percentile(clickToMemo, 0.5), Percentile(clickToMemo, 0.95));
    std::printf("  reply's last byte to the memo:           median %6.2f ms  p95 %6.2f ms\n",
                Percentile(lastByteToMemo, 0.5), Percentile(lastByteToMemo, 0.95));
    std::printf("  the reply's %zu bytes on the wire at 38400 baud: %.2f ms\n", kReply.size(), wireMs);
    std::printf("  (each memo reading is one driver round trip, about a millisecond, included above)\n");

    // The yardstick of the idle cost with the port open, on a port of its own,
    // waiting for all ten events as the adapter check's port does. It starts
    // only now: Wine polls its line all the while, and that load on the
    // wineserver and the processors would be charged to the idle figures
    // above.
    rig::Port peerPort(session, "COM4", {.mode = ""});
    rig::Process peer =
        rig::startReadyWineProgram(session, session.build() / "bench" / "check" / "serial_idle_peer.exe", {"COM4", "1535"});
    std::this_thread::sleep_for(1s);  // both settled in their waits
    const pid_t pid = quillon.process().pid();
    const IdleShares idle({pid, peer.pid()}, 30);
    std::printf("idle with the port open: %.3f %% of one core over 30 s; the yardstick, WaitCommEvent on a port of its own (same event mask), over the same 30 s: %.3f %%\n",
                idle.whole[0], idle.whole[1]);
    idle.PrintSteps();
    std::printf("idle with the port open, Quillon / yardstick: %.2f (target at most 1.1)\n", idle.whole[0] / idle.whole[1]);
    // The memo keeps every reply by design, so its text grows with the
    // checks; emptied every 100 checks, what the program itself keeps shows.
    const auto emptyMemo = [&] {
      driver.call("empty " + memo);
      found = 0;
    };
    const long long handlesBefore = std::stoll(driver.call("handles " + window).at(0));
    const long long memBefore = PrivateBytes(pid);
    const size_t memoBefore = rig::unescape(driver.call("text " + memo).at(0)).size();
    for (int i = 0; i < 1000; ++i) runCheck(nullptr, nullptr);
    const long long handlesAfter = std::stoll(driver.call("handles " + window).at(0));
    const long long memAfter = PrivateBytes(pid);
    const size_t memoAfter = rig::unescape(driver.call("text " + memo).at(0)).size();
    std::printf("1,000 checks: handles %lld -> %lld; private bytes %lld -> %lld (%+lld); memo text %zu -> %zu characters\n",
                handlesBefore, handlesAfter, memBefore, memAfter, memAfter - memBefore, memoBefore, memoAfter);
    std::vector<long long> emptied;
    for (int i = 0; i < 1000; ++i) {
      if (i % 100 == 0) {
        emptyMemo();
        emptied.push_back(PrivateBytes(pid));
      }
      runCheck(nullptr, nullptr);
    }
    emptyMemo();
    emptied.push_back(PrivateBytes(pid));
    std::printf("1,000 more checks, the memo emptied every 100: private bytes at each emptying (KiB):");
    for (long long b : emptied) std::printf(" %lld", b / 1024);
    std::printf("\n  last 500 checks: %+lld bytes; handles now %s\n", emptied.back() - emptied[emptied.size() / 2],
                driver.call("handles " + window).at(0).c_str());
    driver.call("close " + window);
    quillon.process().waitExit(5s);

    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_check: %s\n", e.what());
    return 1;
  }
}
