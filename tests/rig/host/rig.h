// The end-to-end rig's native side: processes, pty pairs mapped to COM names,
// the adapter emulator, the tty state, the Win32 driver and the program under test.
//
// Everything here is owned by an RAII object that ends its processes by PID and
// removes its files when it goes, so a failing test leaves nothing behind.
//
//   rig::Session session = rig::Session::fromEnvironment();   // the win64 build's session
//   rig::Port com3(session, "COM3", {.mode = "reply"});      // socat pair + COM3 + emulator
//   rig::Driver driver(session);                              // rigdriver.exe under Wine
//   driver.setSerialComm({{"Rig0", "COM3"}});
//   rig::Program quillon(session, session.quillonExe());
//   HWND-like handles are strings: driver.mainWindow("Quillon", 10000) ...
#pragma once

#include "rigtty.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace rig {

namespace fs = std::filesystem;
using Millis = std::chrono::milliseconds;

struct Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The Wine session of one Windows build folder (tests/rig/session start BUILD).
class Session {
public:
  explicit Session(fs::path win64Build);
  // A session of the same build with a prefix and a display of its own.
  Session(fs::path win64Build, fs::path prefix, std::string display);
  // QUILLON_WIN64_BUILD from the environment, else the folder this rig was built for.
  static Session fromEnvironment();

  const fs::path &build() const { return build_; }
  // The session's WINEPREFIX; RIG_WINEPREFIX names another (make run's, with a display).
  fs::path prefix() const;
  fs::path hostBin() const { return build_ / "rig-host" / "bin"; }
  fs::path driverExe() const { return build_ / "tests" / "rig" / "driver" / "rigdriver.exe"; }
  // The program under test: QUILLON_EXE from the environment, else the built one.
  fs::path quillonExe() const;
  // quillon-probe.exe: QUILLON_PROBE_EXE from the environment, else the built one.
  fs::path probeExe() const;
  // A fresh folder for one test's files, removed by the caller's TempDir.
  fs::path runDir() const { return build_ / "rig" / "run"; }
  bool hasDisplay() const { return !display_.empty(); }
  const std::string &display() const { return display_; }

  // The environment for a Wine program of this session (prefix, display, tty library).
  std::vector<std::string> wineEnvironment() const;

  // dosdevices/comN -> target: Wine opens \\.\COMn as that file.
  void mapCom(const std::string &com, const fs::path &target) const;
  void unmapCom(const std::string &com) const;

private:
  fs::path build_;
  fs::path prefix_;  // empty: the build's (or RIG_WINEPREFIX)
  std::string display_;
};

class Process;

// A Wine session of its own whose display has a DPI: a copy of a session's
// prefix, an Xvfb display and a wineserver of its own. Wine programs read the
// DPI (the registry's LogPixels) as they start, so changing it in the build's
// session would change every program started meanwhile there; here it
// changes only what the test starts. Everything it started ends when it goes.
class DpiSession {
public:
  explicit DpiSession(const Session &base);
  ~DpiSession();
  DpiSession(const DpiSession &) = delete;
  DpiSession &operator=(const DpiSession &) = delete;

  const Session &session() const { return *session_; }
  // Programs started from now on get this DPI (96 is 100 %).
  void setDpi(int dpi);
  // Runs a Wine program of the session to its end; its exit code.
  int runWine(const std::vector<std::string> &args, Millis timeout = Millis(60000));

private:
  fs::path dir_;
  std::unique_ptr<Process> xvfb_, wineserver_;
  std::unique_ptr<Session> session_;
};

// A child process, ended by PID (TERM, then KILL) when the object goes.
class Process {
public:
  struct Options {
    std::vector<std::string> env;  // full environment; empty: inherit
    bool pipeStdin = false;
    bool pipeStdout = false;
    fs::path stdoutFile;           // where stdout and stderr go, or stderr alone when stdout is piped ("": /dev/null)
    bool newSession = false;       // setsid: outlives the caller's terminal
  };
  Process() = default;
  Process(const std::vector<std::string> &argv, const Options &options);
  Process(Process &&other) noexcept;
  Process &operator=(Process &&other) noexcept;
  ~Process() { stop(); }

  pid_t pid() const { return pid_; }
  // Every process started from then on is also listed in this file ("PID START",
  // START being its start time in /proc), so that "session stop" can end what a
  // killed test left behind. Session's constructor sets it to BUILD/rig/pids.
  static void setRegistry(const fs::path &file);
  bool running();
  // Waits until the process ends; false on time-out. exitCode() then holds its status.
  bool waitExit(Millis timeout);
  int exitCode() const { return status_; }
  void stop(Millis grace = Millis(1500));
  void release() { pid_ = -1; }  // leave it running (rigctl's background ports)

  void writeLine(const std::string &line);
  // One line from stdout without its newline; nullopt on time-out or end of output.
  std::optional<std::string> readLine(Millis timeout);

private:
  pid_t pid_ = -1;
  int status_ = -1;
  int in_ = -1, out_ = -1;
  std::string buffered_;
};

// The shared line state of one pty (see rigtty.h), created by the test.
class TtyState {
public:
  explicit TtyState(int ptsIndex);
  TtyState(TtyState &&) noexcept;
  TtyState &operator=(TtyState &&) = delete;
  ~TtyState();
  static fs::path pathFor(int ptsIndex);
  // Opens an existing state file (rigctl) without taking ownership of it.
  static TtyState attach(int ptsIndex);

  rigtty_state &raw() { return *state_; }
  // Sets a modem input (RIGTTY_CTS, _DSR, _RNG, _DCD) and counts the change, as a UART does.
  void setLine(uint32_t bit, bool on);
  void addErrors(uint32_t frame, uint32_t overrun, uint32_t parity, uint32_t brk);
  void denyOpen(bool deny);
  bool dtr() const;
  bool rts() const;
  uint32_t modemWrites() const;
  void disown() { owner_ = false; }  // the file stays when this object goes
  // Removes the file while the pty still exists, the mapping staying usable:
  // once the pty is freed its number may go to a new pty of any session at
  // once, whose new file must not be the one removed.
  void unlink();

private:
  TtyState() = default;
  rigtty_state *state_ = nullptr;
  fs::path path_;
  ino_t inode_ = 0;  // of the file made here
  bool owner_ = false;
};

// A socat pty pair: the program's end and the device's end, as links under dir.
class PtyPair {
public:
  PtyPair(const fs::path &dir, const std::string &name);
  const fs::path &programEnd() const { return programEnd_; }
  const fs::path &deviceEnd() const { return deviceEnd_; }
  int programPts() const { return programPts_; }
  pid_t socatPid() const { return socat_.pid(); }
  TtyState &state() { return *state_; }
  // The line goes away: socat ends and both links disappear.
  void hangUp();
  void release() {
    socat_.release();
    state_->disown();
  }

private:
  fs::path programEnd_, deviceEnd_;
  Process socat_;
  int programPts_ = -1;
  std::optional<TtyState> state_;
};

struct AdapterOptions {
  std::string mode = "reply";  // reply cr split pauses silent garbage nul flood hangup, "" for no adapter
  std::string identity = "QUILLON SIM 1.0";
  int parts = 2;
  int delayMs = 300;
  // Talks at this speed only, and answers with noise while the program's end
  // of the line is set to another (0: at any speed).
  unsigned baud = 0;
};

// A COM name backed by a pty pair with the adapter emulator at the far end.
class Port {
public:
  Port(const Session &session, std::string com, const AdapterOptions &adapter = {});
  ~Port();
  Port(const Port &) = delete;
  Port &operator=(const Port &) = delete;

  const std::string &com() const { return com_; }
  PtyPair &pair() { return *pair_; }
  TtyState &state() { return pair_->state(); }
  // Every byte the adapter has received so far.
  std::string received() const;
  bool adapterRunning() { return adapter_.pid() > 0 && adapter_.running(); }
  void startAdapter(const AdapterOptions &adapter);
  void stopAdapter() { adapter_.stop(); }
  // Removes the port: the adapter and socat end, the COM name no longer resolves.
  void remove();
  // Leaves socat and the adapter running (rigctl); returns their PIDs.
  std::pair<pid_t, pid_t> release();
  const fs::path &log() const { return log_; }

private:
  const Session &session_;
  std::string com_;
  fs::path dir_, log_;
  std::optional<PtyPair> pair_;
  Process adapter_;
  bool released_ = false;
};

// rigdriver.exe under Wine: reads and works the program's windows.
class Driver {
public:
  explicit Driver(const Session &session);
  ~Driver();
  // Sends one command; the fields of its "ok" answer. Throws Error on "err".
  std::vector<std::string> call(const std::string &command, Millis timeout = Millis(15000));
  // As call(), but an "err" answer comes back as nullopt.
  std::optional<std::vector<std::string>> tryCall(const std::string &command, Millis timeout = Millis(15000));

  std::string mainWindow(const std::string &caption, Millis timeout);
  pid_t pid() const { return wine_.pid(); }
  void setSerialComm(const std::vector<std::pair<std::string, std::string>> &values);  // replaces all values
  void deleteSerialComm();

private:
  void start();
  // The answer line to a command. A driver that has ended (Wine can lose a
  // program at any time, and says why only on its standard error) is started
  // again once, and that is told on the caller's standard error with the end
  // of the driver's log.
  std::string exchange(const std::string &command, Millis timeout);

  const Session &session_;
  fs::path log_;
  Process wine_;
};

// One child window as the driver reports it (coordinates in the main window's client area).
struct Control {
  std::string hwnd, cls, text;
  int x = 0, y = 0, w = 0, h = 0;
  bool enabled = false, visible = false;
};
std::vector<Control> parseChildren(const std::vector<std::string> &fields);
std::map<std::string, std::string> parseKeyValues(const std::vector<std::string> &fields);
// Undoes the driver's field escapes.
std::string unescape(const std::string &field);

// A Windows program run under the session's Wine.
class Program {
public:
  Program(const Session &session, const fs::path &exe, const std::vector<std::string> &args = {},
          const fs::path &output = {});
  Process &process() { return process_; }

private:
  Process process_;
};

// A folder removed with everything in it when the object goes.
class TempDir {
public:
  explicit TempDir(const fs::path &parent);
  ~TempDir();
  const fs::path &path() const { return path_; }

private:
  fs::path path_;
};

// Polls probe every 50 ms until it returns true or timeout passes.
template <typename F> bool eventually(Millis timeout, F probe) {
  auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (probe()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    struct timespec ts{0, 50'000'000};
    nanosleep(&ts, nullptr);
  }
}

// A Windows program of the session under Wine, its standard output piped,
// that prints "ready" once it has set itself up; throws with what it printed
// instead (or "no answer") when it does not within the time.
Process startReadyWineProgram(const Session &session, const fs::path &exe, const std::vector<std::string> &args,
                              Millis timeout = Millis(60000));

// Processor time a Linux process (a Wine process is one) has used, to the
// nanosecond: the sum of its live threads' run times from the scheduler.
// The clock-tick counts of /proc/PID/stat come in steps of 10 ms, too coarse
// for an idle process, whose whole minute may be a few ticks. Time of threads
// that have ended is not in the sum: measure idle processes with it, not work.
std::chrono::nanoseconds processorTime(pid_t pid);

// The real pointer, driven through the X server as a user's mouse would be
// (xdotool): "mousemove X Y", "mousedown 1", "mouseup 1".
void pointer(const Session &session, const std::string &action);

// A screenshot of the session's display (ImageMagick's import), and pixel probes into it.
void screenshot(const Session &session, const fs::path &png);
// The pixel at x,y of a PNG as rrggbb.
std::string pixelOf(const fs::path &png, int x, int y);

}  // namespace rig
