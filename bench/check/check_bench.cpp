// The check, end to end: Quillon.exe under Wine with COM3 on a pty whose far end
// this program answers itself, so that it knows when the reply's last byte left.
//   - latency from the click to "Device found: " painted in the memo, and from
//     the reply's last byte to the memo, step by step from Quillon's trace
//     (QUILLON_TRACE), for 50 quick clicks (press and release at once) and 30
//     clicks released once the press has faded in, beside the reply's time on
//     the wire;
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
//   - open handles and private bytes over 1,000 checks, every 100 beside a
//     plain EDIT given the same text, and over 1,000 more with the memo
//     emptied every 100 (what the program keeps beside the memo's text);
//     beside them, what the system keeps of its heap per line-event wait
//     (serial_wait_heap, a yardstick program on a port of its own).
#include "rig.h"

#include "../../framework/Trace.h"
#include "../support/TableRow.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
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

// The trace Quillon writes when started with QUILLON_TRACE (framework/Trace.h),
// read through the driver, its times on the performance counter in microseconds.
struct Mark {
  unsigned point;
  double us;
};

class Trace {
public:
  Trace(rig::Driver& driver, std::string window) : driver_(driver), window_(std::move(window)) {
    // The counter against this process's clock: the reading whose round trip
    // was the shortest, taken as read half-way.
    double best = 1e9;
    for (int i = 0; i < 30; ++i) {
      const double before = Linux(Clock::now());
      const double counter = std::stod(driver_.call("clock").at(0));
      const double after = Linux(Clock::now());
      if (after - before < best) {
        best = after - before;
        offset_ = counter - (before + after) / 2;
      }
    }
    uncertainty_ = best / 2;
  }
  std::vector<Mark> Read() {
    std::vector<Mark> marks;
    for (const std::string& field : driver_.call("trace " + window_)) {
      if (field.rfind("lost", 0) == 0) throw rig::Error("trace records " + field);
      Mark m{};
      if (std::sscanf(field.c_str(), "%u %lf", &m.point, &m.us) != 2) continue;
      marks.push_back(m);
      if (m.point == unsigned(fw::trace::TPoint::EventWaitEnded)) ++waitsEnded_;
    }
    return marks;
  }
  // The event thread's line-event waits that ended with events, in every
  // mark read so far.
  long long WaitsEnded() const { return waitsEnded_; }
  double Us(Clock::time_point t) const { return Linux(t) + offset_; }
  double Uncertainty() const { return uncertainty_; }

private:
  static double Linux(Clock::time_point t) {
    return std::chrono::duration<double, std::micro>(t.time_since_epoch()).count();
  }
  rig::Driver& driver_;
  std::string window_;
  double offset_ = 0, uncertainty_ = 0;
  long long waitsEnded_ = 0;
};

using fw::trace::TPoint;
constexpr size_t P(TPoint p) { return size_t(p); }
constexpr size_t kButtonUp = P(TPoint::ButtonUp), kPressedShown = P(TPoint::ButtonPressedShown),
                 kClickHandler = P(TPoint::ClickHandler), kPortClosed = P(TPoint::PortClosed),
                 kPortOpened = P(TPoint::PortOpened), kCommandWritten = P(TPoint::CommandWritten),
                 kEventWaitEnded = P(TPoint::EventWaitEnded), kRxHandler = P(TPoint::RxHandler),
                 kMemoTextSet = P(TPoint::MemoTextSet), kMemoPaintBegin = P(TPoint::MemoPaintBegin),
                 kMemoPainted = P(TPoint::MemoPainted), kReplyRead = P(TPoint::ReplyRead);
constexpr size_t kPoints = 32;

// One check's times (microseconds on the trace's clock, 0 for none) and what
// was painted on its way.
struct CheckTimes {
  double at[kPoints] = {};
  double clickSent = 0, commandSeen = 0, replySent = 0, seen = 0;
  int memoPaints = 0, memoFramePaints = 0, panelPaints = 0, buttonPaints = 0;
  bool complete = false;
};

// The first mark of each point on the check's road, in the order the road
// takes them; complete once the memo has been painted after the reply line.
CheckTimes Phases(const std::vector<Mark>& marks, CheckTimes t) {
  std::fill(std::begin(t.at), std::end(t.at), 0.0);
  t.memoPaints = t.memoFramePaints = t.panelPaints = t.buttonPaints = 0;
  const auto first = [&](size_t point, double after) {
    for (const Mark& m : marks)
      if (m.point == point && m.us >= after) return m.us;
    return 0.0;
  };
  t.at[kButtonUp] = first(kButtonUp, 0);
  if (t.at[kButtonUp] == 0) return t;
  const double up = t.at[kButtonUp];
  for (size_t p : {kPressedShown, kClickHandler, kPortClosed, kPortOpened, kCommandWritten}) t.at[p] = first(p, up);
  if (t.at[kPortOpened] == 0) return t;
  // The event can end its wait before the writing handler has returned.
  t.at[kEventWaitEnded] = first(kEventWaitEnded, t.at[kPortOpened]);
  t.at[kRxHandler] = first(kRxHandler, t.at[kPortOpened]);
  if (t.at[kRxHandler] == 0) return t;
  t.at[kReplyRead] = first(kReplyRead, t.at[kRxHandler]);
  t.at[kMemoTextSet] = first(kMemoTextSet, t.at[kRxHandler]);
  if (t.at[kMemoTextSet] == 0) return t;
  t.at[kMemoPainted] = first(kMemoPainted, t.at[kMemoTextSet]);
  if (t.at[kMemoPainted] == 0) return t;
  for (const Mark& m : marks) {
    if (m.point == kMemoPaintBegin && m.us <= t.at[kMemoPainted]) t.at[kMemoPaintBegin] = m.us;
    if (m.us < t.at[kRxHandler] || m.us > t.at[kMemoPainted]) continue;
    if (m.point == kMemoPainted) ++t.memoPaints;
    if (m.point == P(TPoint::MemoFramePainted)) ++t.memoFramePaints;
    if (m.point == P(TPoint::FormPaint)) ++t.panelPaints;
  }
  for (const Mark& m : marks)
    if (m.point == P(TPoint::ButtonPaint) && m.us >= up && m.us <= t.at[kMemoPainted]) ++t.buttonPaints;
  t.complete = true;
  return t;
}

template <typename F> std::vector<double> Values(const std::vector<CheckTimes>& all, F f) {
  std::vector<double> v;
  for (const CheckTimes& t : all) v.push_back(f(t));
  return v;
}

template <typename F> double Median(const std::vector<CheckTimes>& all, F f) { return Percentile(Values(all, f), 0.5); }

// The road of the check, step by step: each step's median and 95th
// percentile, from the point before it.
void PrintPhases(const char* title, const std::vector<CheckTimes>& all) {
  std::printf("  %s, %zu checks: step (from the step before)      median     p95  ms\n", title, all.size());
  const auto step = [&](const char* what, auto f) {
    std::printf("    %-58s %7.2f %7.2f\n", what, Median(all, f) / 1000.0, Percentile(Values(all, f), 0.95) / 1000.0);
  };
  const auto afterFace = [](const CheckTimes& t) { return t.at[kPressedShown] ? t.at[kPressedShown] : t.at[kButtonUp]; };
  const auto afterClose = [](const CheckTimes& t) { return t.at[kPortClosed] ? t.at[kPortClosed] : t.at[kClickHandler]; };
  step("release at the button -> pressed face held (quick click)",
       [](const CheckTimes& t) { return t.at[kPressedShown] ? t.at[kPressedShown] - t.at[kButtonUp] : 0.0; });
  step("-> click handler", [&](const CheckTimes& t) { return t.at[kClickHandler] - afterFace(t); });
  step("-> the port of the check before closed", [](const CheckTimes& t) {
    return t.at[kPortClosed] ? t.at[kPortClosed] - t.at[kClickHandler] : 0.0;
  });
  step("-> port opened", [&](const CheckTimes& t) { return t.at[kPortOpened] - afterClose(t); });
  step("-> \"Connect to\" line and the command written", [](const CheckTimes& t) { return t.at[kCommandWritten] - t.at[kPortOpened]; });
  step("-> command read at the far end (from the port opened)", [](const CheckTimes& t) { return t.commandSeen - t.at[kPortOpened]; });
  step("-> reply written by the far end (its last byte)", [](const CheckTimes& t) { return t.replySent - t.commandSeen; });
  step("-> first event: the event thread's wait ends", [](const CheckTimes& t) { return t.at[kEventWaitEnded] - t.replySent; });
  step("-> receive handler on the GUI thread", [](const CheckTimes& t) { return t.at[kRxHandler] - t.at[kEventWaitEnded]; });
  step("-> reply read from the port", [](const CheckTimes& t) { return t.at[kReplyRead] - t.at[kRxHandler]; });
  step("-> cleaned and in the memo's text", [](const CheckTimes& t) { return t.at[kMemoTextSet] - t.at[kReplyRead]; });
  step("-> memo painted", [](const CheckTimes& t) { return t.at[kMemoPainted] - t.at[kMemoTextSet]; });
  step("   of which the memo's paint itself", [](const CheckTimes& t) { return t.at[kMemoPainted] - t.at[kMemoPaintBegin]; });
  step("release -> memo painted, whole", [](const CheckTimes& t) { return t.at[kMemoPainted] - t.at[kButtonUp]; });
  const auto count = [&](auto f) { return Percentile(Values(all, f), 0.5); };
  std::printf("    painted per check (medians): receive handler -> memo painted: %.0f memo, %.0f memo frame, %.0f panel; "
              "release -> memo painted: %.0f button\n",
              count([](const CheckTimes& t) { return double(t.memoPaints); }),
              count([](const CheckTimes& t) { return double(t.memoFramePaints); }),
              count([](const CheckTimes& t) { return double(t.panelPaints); }),
              count([](const CheckTimes& t) { return double(t.buttonPaints); }));
}

void Row(int order, const char* figure, double median, double p95, double target) {
  benchtable::Row(order, figure, benchtable::Format("median %.2f ms (p95 %.2f)", median, p95),
                  benchtable::Format("<= %.1f ms", target), median <= target);
}

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

// bench_check [latency|memory]: one part only (no idle figures), for a
// quicker look; no argument: every part.
int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  const bool idleParts = only.empty(), latencyPart = only.empty() || only == "latency",
             memoryPart = only.empty() || only == "memory";
  try {
    rig::Session session = rig::Session::fromEnvironment();
    rig::Port port(session, "COM3", {.mode = ""});
    rig::Driver driver(session);
    driver.setSerialComm({{"Rig0", "COM3"}});
    ::setenv("QUILLON_TRACE", "1", 1);
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
    if (idleParts) {
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
    }
    driver.call("close " + plainWindow);
    plain.waitExit(5s);

    FarEnd far(port.pair().deviceEnd());
    Trace trace(driver, window);
    const auto checkRect = driver.call("rect " + check);
    const int checkX = (std::stoi(checkRect.at(0)) + std::stoi(checkRect.at(2))) / 2;
    const int checkY = (std::stoi(checkRect.at(1)) + std::stoi(checkRect.at(3))) / 2;
    // One check: a click, the far end answers the command, and the new
    // "Device found: " line is painted in the memo (the trace tells when).
    // quick: BM_CLICK, the press and the release at once, as a quick click
    // of the user's; otherwise the real pointer, released once the pressed
    // face has faded in.
    auto runCheck = [&](bool quick) {
      trace.Read();  // what came before this check
      CheckTimes times;
      std::thread answer([&] {
        if (!far.AwaitCommand(5s)) return;
        times.commandSeen = trace.Us(Clock::now());
        far.Answer();
        times.replySent = trace.Us(Clock::now());
      });
      if (quick) {
        times.clickSent = trace.Us(Clock::now());
        driver.call("press " + check);
      } else {
        movePointer(checkX, checkY);
        rig::pointer(session, "mousedown 1");
        std::this_thread::sleep_for(150ms);
        times.clickSent = trace.Us(Clock::now());
        rig::pointer(session, "mouseup 1");
      }
      answer.join();
      if (times.replySent == 0) throw rig::Error("no command from Quillon");
      std::vector<Mark> marks;
      const auto end = Clock::now() + 5s;
      while (!(times = Phases(marks, times)).complete) {
        if (Clock::now() > end) throw rig::Error("the reply was not painted in the memo");
        std::this_thread::sleep_for(200us);
        const std::vector<Mark> more = trace.Read();
        marks.insert(marks.end(), more.begin(), more.end());
        times.seen = trace.Us(Clock::now());
      }
      return times;
    };

    if (latencyPart) {
      const double wireMs = double(kReply.size()) * 10.0 / 38400.0 * 1000.0;
      std::printf("check latency (Quillon.exe under Wine, pty at the far end; times inside Quillon from its trace)\n");
      std::vector<CheckTimes> quick, slow;
      for (int i = 0; i < 50; ++i) quick.push_back(runCheck(true));
      for (int i = 0; i < 30; ++i) slow.push_back(runCheck(false));
      PrintPhases("a quick click (press and release at once: the pressed face is held 30 ms)", quick);
      PrintPhases("a click released after the press has faded in (no face to hold)", slow);
      const auto clickToMemo = [](const CheckTimes& t) { return (t.at[kMemoPainted] - t.at[kButtonUp]) / 1000.0; };
      const auto lastByteToMemo = [](const CheckTimes& t) { return (t.at[kMemoPainted] - t.replySent) / 1000.0; };
      std::printf("  the reply's %zu bytes on the wire at 38400 baud: %.2f ms\n", kReply.size(), wireMs);
      Row(1, "click on Check -> \"Device found: \" painted in the memo (quick click)",
          Median(quick, clickToMemo), Percentile(Values(quick, clickToMemo), 0.95), wireMs + 5);
      Row(2, "  the same, released after the press has faded in (no held face)", Median(slow, clickToMemo),
          Percentile(Values(slow, clickToMemo), 0.95), wireMs + 5);
      Row(3, "reply's last byte -> memo painted", Median(quick, lastByteToMemo),
          Percentile(Values(quick, lastByteToMemo), 0.95), 4.0);
      std::printf("  seen from outside (the driver's command to the memo's paint read from the trace), quick click: median %.2f ms\n",
                  Median(quick, [](const CheckTimes& t) { return (t.at[kMemoPainted] - t.clickSent) / 1000.0; }));
    }

    // The yardstick of the idle cost with the port open, on a port of its own,
    // waiting for all ten events as the adapter check's port does. It starts
    // only now: Wine polls its line all the while, and that load on the
    // wineserver and the processors would be charged to the idle figures
    // above.
    const pid_t pid = quillon.process().pid();
    if (idleParts) {
      rig::Port peerPort(session, "COM4", {.mode = ""});
      rig::Process peer =
          rig::startReadyWineProgram(session, session.build() / "bench" / "check" / "serial_idle_peer.exe", {"COM4", "1535"});
      std::this_thread::sleep_for(1s);  // both settled in their waits
      const IdleShares idle({pid, peer.pid()}, 30);
      std::printf("idle with the port open: %.3f %% of one core over 30 s; the yardstick, WaitCommEvent on a port of its own (same event mask), over the same 30 s: %.3f %%\n",
                  idle.whole[0], idle.whole[1]);
      idle.PrintSteps();
      std::printf("idle with the port open, Quillon / yardstick: %.2f (target at most 1.1)\n", idle.whole[0] / idle.whole[1]);
    }
    if (memoryPart) {
      // The memo keeps every reply by design, so its text grows with the
      // checks. Beside it, the yardstick: a plain window's EDIT given the same
      // lines the same way by its own program (the caret to the end,
      // EM_REPLACESEL), which is what the memo's own text costs under this
      // Wine. Both start empty.
      rig::Process plainMemo({"wine", (session.build() / "bench" / "startup" / "bench_minimal_window.exe").string()},
                             plainOptions);
      const std::string plainMemoWindow = driver.mainWindow("Minimal", 30s);
      std::string plainEdit;
      for (const auto& c : rig::parseChildren(driver.call("children " + plainMemoWindow)))
        if (Contains(c.cls, "edit")) plainEdit = c.hwnd;
      if (plainEdit.empty()) throw rig::Error("the plain window has no edit");
      // What a first check costs once (when only this part runs) is not the memo's.
      for (int i = 0; i < 10; ++i) runCheck(true);
      driver.call("empty " + memo);
      std::this_thread::sleep_for(500ms);
      const long long handlesBefore = std::stoll(driver.call("handles " + window).at(0));
      const long long memBefore = PrivateBytes(pid), plainBefore = PrivateBytes(plainMemo.pid());
      const long long waitsBefore = trace.WaitsEnded();
      std::printf("private bytes over 1,000 checks, the memo growing (the port stays open: two lines a check)\n");
      std::printf("   checks  memo chars   Quillon KiB (growth)   plain EDIT chars, KiB (growth)   Quillon's growth beyond it"
                  "   plain EDIT's lines, ms\n");
      size_t memoChars = 0;
      // The plain EDIT's handling of a check's lines, as a driver round trip:
      // what the edit control itself takes for them at the text's length.
      std::vector<double> plainLines;
      std::vector<CheckTimes> late;  // the last 100, the memo near its longest
      for (int i = 1; i <= 1000; ++i) {
        const CheckTimes times = runCheck(true);
        if (i > 900) late.push_back(times);
        const auto sent = Clock::now();
        driver.call("send " + plainMemoWindow + " " + std::to_string(0x8000) + " 0 0");  // WM_APP: the same lines
        plainLines.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        if (i % 100 != 0) continue;
        const size_t chars = memoChars = rig::unescape(driver.call("text " + memo).at(0)).size();
        const size_t plainChars = rig::unescape(driver.call("text " + plainEdit).at(0)).size();
        const long long q = PrivateBytes(pid), p = PrivateBytes(plainMemo.pid());
        const long long beyond = (q - memBefore) - (p - plainBefore);
        std::printf("   %6d  %10zu   %8lld (%+7lld)   %6zu, %8lld (%+7lld)          %+7lld KiB              %6.2f\n", i,
                    chars, q / 1024, (q - memBefore) / 1024, plainChars, p / 1024, (p - plainBefore) / 1024,
                    beyond / 1024, Percentile(plainLines, 0.5));
        plainLines.clear();
      }
      const long long handlesAfter = std::stoll(driver.call("handles " + window).at(0));
      std::printf("  handles %lld -> %lld\n", handlesBefore, handlesAfter);
      PrintPhases("checks 901 to 1,000, the memo near its longest", late);
      // Every check starts one line-event wait that the next check's close
      // ends, and one more after each batch of events.
      const long long waits = trace.WaitsEnded() - waitsBefore + 1000;
      const double growth = double(PrivateBytes(pid) - memBefore);
      const double plainGrowth = double(PrivateBytes(plainMemo.pid()) - plainBefore);
      driver.call("close " + plainMemoWindow);
      plainMemo.waitExit(5s);
      // Of that growth, what the system keeps of its own heap for each
      // line-event wait, from a yardstick program on a port of its own.
      double perWait = 0;
      {
        rig::Port waitPort(session, "COM4", {.mode = ""});
        rig::Process yard = rig::startReadyWineProgram(
            session, session.build() / "bench" / "check" / "serial_wait_heap.exe", {"COM4", "200", "1535"});
        const std::optional<std::string> line = yard.readLine(60s);
        yard.waitExit(10s);
        unsigned long long count = 0, bytes = 0, blocks = 0;
        if (line && std::sscanf(line->c_str(), "waits %llu bytes %llu blocks %llu", &count, &bytes, &blocks) == 3 &&
            count > 0) {
          perWait = double(bytes) / double(count);
          std::printf("  the system's heap kept per line-event wait (yardstick: %llu waits on a port of its own, each "
                      "ended by a zero mask): %.0f bytes in %.1f blocks\n",
                      count, perWait, double(blocks) / double(count));
        } else {
          std::printf("  the wait yardstick gave no figure (%s)\n", line ? line->c_str() : "no answer");
        }
      }
      // The memo's own text: its characters, two bytes each.
      const double textBytes = 2.0 * double(memoChars), wine = perWait * double(waits);
      std::printf("  line-event waits over the 1,000 checks: %lld (%.2f a check); the system's records of them: %.2f MB\n",
                  waits, double(waits) / 1000.0, wine / 1048576.0);
      std::printf("  Quillon's growth %+.2f MB: the memo's text %.2f MB, the system's wait records %.2f MB, the rest %+.2f MB\n",
                  growth / 1048576.0, textBytes / 1048576.0, wine / 1048576.0, (growth - textBytes - wine) / 1048576.0);
      benchtable::Row(8, "private bytes over 1,000 checks, memo growing to 64 K characters",
                      benchtable::Format("%+.2f MB: %.2f MB beyond the text and the system's wait records (%.2f MB); a "
                                         "plain EDIT given the same lines: %+.2f MB",
                                         growth / 1048576.0, (growth - textBytes - wine) / 1048576.0,
                                         wine / 1048576.0, plainGrowth / 1048576.0),
                      "<= +1 MB beyond the memo's own text", wine > 0 && growth - textBytes - wine <= 1048576.0);
      // Emptied every 100 checks, what the program keeps beside the memo's text shows.
      std::vector<long long> emptied;
      for (int i = 0; i < 1000; ++i) {
        if (i % 100 == 0) {
          driver.call("empty " + memo);
          emptied.push_back(PrivateBytes(pid));
        }
        runCheck(true);
      }
      driver.call("empty " + memo);
      emptied.push_back(PrivateBytes(pid));
      std::printf("1,000 more checks, the memo emptied every 100: private bytes at each emptying (KiB):");
      for (long long b : emptied) std::printf(" %lld", b / 1024);
      std::printf("\n  last 500 checks: %+lld bytes; handles now %s\n", emptied.back() - emptied[emptied.size() / 2],
                  driver.call("handles " + window).at(0).c_str());
    }
    driver.call("close " + window);
    quillon.process().waitExit(5s);

    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_check: %s\n", e.what());
    return 1;
  }
}
