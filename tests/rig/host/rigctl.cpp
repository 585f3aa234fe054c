// rigctl: the rig's ports for shell scripts and ctest fixtures.
//
//   rigctl BUILD port-up COMn [--mode M] [--identity TEXT] [--parts N] [--delay MS] [--baud N]
//       a socat pty pair mapped to COMn (dosdevices link in BUILD's prefix) with the
//       adapter emulator at the far end (--mode none: no emulator; --baud: it talks
//       at that speed only); runs on in the
//       background; prints pts=, state=, log= (bytes the adapter received)
//   rigctl BUILD port-down COMn          ends the port's processes by PID, removes its files
//   rigctl BUILD line COMn cts|dsr|ring|rlsd on|off
//   rigctl BUILD errors COMn FRAME OVERRUN PARITY BREAK   adds to the error counters
//   rigctl BUILD deny COMn on|off       opening the port fails with access denied
//   rigctl BUILD show COMn              dtr, rts and the line settings the program set
// BUILD is the Windows build folder whose session (tests/rig/session) is running;
// RIG_WINEPREFIX, when set, names the prefix that gets the COM names instead.
// The SERIALCOMM list is not touched: set it with "wine reg" or the driver.
// Processes started here are also listed in BUILD/rig/pids, so "session stop" ends
// any that a failed test left.
#include "rig.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sys/wait.h>

namespace {

using namespace rig;

std::map<std::string, std::string> readPortFile(const fs::path &p) {
  std::ifstream in(p);
  if (!in) throw Error("no such rig port: " + p.filename().string());
  std::map<std::string, std::string> out;
  std::string line;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

int usage() {
  std::cerr << "usage: rigctl BUILD port-up COMn [--mode M] [--identity T] [--parts N] [--delay MS] [--baud N]\n"
               "       rigctl BUILD port-down|show COMn\n"
               "       rigctl BUILD line COMn cts|dsr|ring|rlsd on|off\n"
               "       rigctl BUILD errors COMn FRAME OVERRUN PARITY BREAK\n"
               "       rigctl BUILD deny COMn on|off\n";
  return 2;
}

bool on(const std::string &s) {
  if (s == "on" || s == "1") return true;
  if (s == "off" || s == "0") return false;
  throw Error("on or off, not " + s);
}

void stopPid(pid_t pid) {
  if (pid <= 0 || kill(pid, SIGTERM) != 0) return;
  for (int i = 0; i < 40 && kill(pid, 0) == 0; ++i) usleep(50000);
  kill(pid, SIGKILL);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 4) return usage();
  try {
    Session session{fs::path(argv[1])};
    std::string cmd = argv[2], com = argv[3];
    fs::path portFile = session.build() / "rig" / "ports" / com;
    if (cmd == "port-up") {
      AdapterOptions a;
      for (int i = 4; i + 1 < argc; i += 2) {
        std::string k = argv[i], v = argv[i + 1];
        if (k == "--mode") a.mode = v == "none" ? "" : v;
        else if (k == "--identity") a.identity = v;
        else if (k == "--parts") a.parts = std::stoi(v);
        else if (k == "--delay") a.delayMs = std::stoi(v);
        else if (k == "--baud") a.baud = unsigned(std::stoul(v));
        else return usage();
      }
      if (fs::exists(portFile)) throw Error(com + " is already up");
      Port port(session, com, a);
      int pts = port.pair().programPts();
      fs::path log = port.log(), dir = log.parent_path();
      auto [socat, adapter] = port.release();
      fs::create_directories(portFile.parent_path());
      std::ofstream(portFile) << "socat=" << socat << "\nadapter=" << adapter << "\npts=" << pts << "\ndir="
                              << dir.string() << "\nlog=" << log.string() << "\n";
      std::cout << "pts=/dev/pts/" << pts << "\nstate=" << TtyState::pathFor(pts).string() << "\nlog=" << log.string()
                << "\n";
      return 0;
    }
    auto info = readPortFile(portFile);
    int pts = std::stoi(info.at("pts"));
    if (cmd == "port-down") {
      // The state file goes while the pty is still ours: once socat has
      // freed it, its number may belong to another session's new pty.
      std::error_code ec;
      fs::remove(TtyState::pathFor(pts), ec);
      stopPid(pid_t(std::stoi(info.at("adapter"))));
      stopPid(pid_t(std::stoi(info.at("socat"))));
      session.unmapCom(com);
      fs::remove_all(info.at("dir"), ec);
      fs::remove(portFile, ec);
      return 0;
    }
    TtyState state = TtyState::attach(pts);
    if (cmd == "line" && argc == 6) {
      std::string l = argv[4];
      uint32_t bit = l == "cts" ? RIGTTY_CTS : l == "dsr" ? RIGTTY_DSR : l == "ring" ? RIGTTY_RNG
                     : l == "rlsd" ? RIGTTY_DCD : 0;
      if (!bit) return usage();
      state.setLine(bit, on(argv[5]));
    } else if (cmd == "errors" && argc == 8) {
      state.addErrors(uint32_t(std::stoul(argv[4])), uint32_t(std::stoul(argv[5])), uint32_t(std::stoul(argv[6])),
                      uint32_t(std::stoul(argv[7])));
    } else if (cmd == "deny" && argc == 5) {
      state.denyOpen(on(argv[4]));
    } else if (cmd == "show") {
      const rigtty_state &s = state.raw();
      std::printf("dtr=%d\nrts=%d\nmodem_writes=%u\ntermios_sets=%u\nbaud=%u\ncflag=%o\n", state.dtr(), state.rts(),
                  s.modem_writes, s.termios_sets, s.ospeed, s.c_cflag);
    } else {
      return usage();
    }
    return 0;
  } catch (const std::exception &e) {
    std::cerr << "rigctl: " << e.what() << "\n";
    return 1;
  }
}
