// quillon-adapter: the diagnostic adapter at the far end of a pty.
//
//   quillon-adapter --port PATH [--identity TEXT] [--mode MODE] [--parts N]
//                   [--delay MS] [--log FILE] [--hangup-pid PID]
//                   [--baud N --state FILE]
//
// For every command line ending in CR (a following LF is ignored) it answers
//   echo CR LF identity CR LF CR LF '>'
// MODE changes that:
//   reply    the answer above in one write (default)
//   cr       the answer in one write with every line ended by a lone CR, as an
//            adapter with linefeeds off (its factory default) sends it:
//              echo CR identity CR CR '>'
//   split    the answer in N parts (--parts, default 2), DELAY ms apart (--delay, default 300)
//   pauses   the answer as an adapter that pauses after its echo and before its
//            prompt sends it: echo CR LF, DELAY ms, identity CR LF CR LF, DELAY ms, '>'
//   silent   never answers
//   garbage  answers with 64 bytes of fixed noise (control and high bytes, no prompt)
//   nul      the answer with NUL bytes inside the identity
//   flood    after the first command, sends without pause until ended
//   hangup   after the first command, closes its end, ends process --hangup-pid
//            (the pty pair's socat, so the line really goes away) and exits
// --baud N: the adapter talks at N baud only. The speed the program set on its
// end of the pair is read, when a command line is complete, from that pty's
// state file (--state, the rig's tty library records it there; a pty the program
// never set runs at Linux's 38400). While it differs, every answer comes out as
// the noise a line at the wrong speed makes of it: as many bytes, all with the
// high bit set, so never a prompt or a line break.
// Every byte received is appended unchanged to --log, so a test can see what the
// program sent. Ends on SIGTERM or SIGINT.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "rigtty.h"

namespace {

volatile std::sig_atomic_t stopping = 0;

void onSignal(int) { stopping = 1; }

bool writeAll(int fd, const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size() && !stopping) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += size_t(n);
  }
  return done == bytes.size();
}

// The speed the program last set on its end, from its pty's state file.
class ProgramSpeed {
public:
  explicit ProgramSpeed(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    void *map = ::mmap(nullptr, sizeof(rigtty_state), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map != MAP_FAILED) state_ = static_cast<const rigtty_state *>(map);
  }
  ~ProgramSpeed() {
    if (state_) ::munmap(const_cast<rigtty_state *>(state_), sizeof(rigtty_state));
  }
  bool valid() const { return state_ != nullptr; }
  unsigned bps() const {
    if (__atomic_load_n(&state_->termios_sets, __ATOMIC_ACQUIRE) == 0) return 38400;
    return __atomic_load_n(&state_->ospeed, __ATOMIC_ACQUIRE);
  }

private:
  const rigtty_state *state_ = nullptr;
};

std::string wrongSpeed(const std::string &bytes) {
  std::string noise;
  for (unsigned char b : bytes) noise += char(0x80 | ((b * 37u + 11u) & 0x7F));
  return noise;
}

void usage() {
  std::fprintf(stderr,
               "usage: quillon-adapter --port PATH [--identity TEXT] [--mode reply|cr|split|pauses|silent|garbage|nul|flood|hangup]\n"
               "                       [--parts N] [--delay MS] [--log FILE] [--hangup-pid PID]\n"
               "                       [--baud N --state FILE]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char **argv) {
  std::string port, identity = "QUILLON SIM 1.0", mode = "reply", logPath;
  int parts = 2, delayMs = 300;
  unsigned baud = 0;
  std::string statePath;
  pid_t hangupPid = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) usage();
    std::string v = argv[++i];
    if (a == "--port") port = v;
    else if (a == "--identity") identity = v;
    else if (a == "--mode") mode = v;
    else if (a == "--parts") parts = std::max(1, std::atoi(v.c_str()));
    else if (a == "--delay") delayMs = std::atoi(v.c_str());
    else if (a == "--log") logPath = v;
    else if (a == "--hangup-pid") hangupPid = pid_t(std::atoi(v.c_str()));
    else if (a == "--baud") baud = unsigned(std::strtoul(v.c_str(), nullptr, 10));
    else if (a == "--state") statePath = v;
    else usage();
  }
  if (port.empty() || (baud != 0) != !statePath.empty()) usage();
  if (mode != "reply" && mode != "cr" && mode != "split" && mode != "pauses" && mode != "silent" && mode != "garbage" && mode != "nul" &&
      mode != "flood" && mode != "hangup")
    usage();

  struct sigaction sa{};
  sa.sa_handler = onSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "quillon-adapter: %s: %s\n", port.c_str(), std::strerror(errno));
    return 1;
  }
  termios t{};
  if (tcgetattr(fd, &t) == 0) {
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  int log = -1;
  if (!logPath.empty()) log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  std::optional<ProgramSpeed> programSpeed;
  if (baud != 0) {
    programSpeed.emplace(statePath);
    if (!programSpeed->valid()) {
      std::fprintf(stderr, "quillon-adapter: %s: no tty state\n", statePath.c_str());
      return 1;
    }
  }

  std::string line;
  while (!stopping) {
    pollfd p{fd, POLLIN, 0};
    int r = ::poll(&p, 1, 200);
    if (r < 0 && errno != EINTR) break;
    if (r <= 0) continue;
    char buf[512];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    if (log >= 0 && ::write(log, buf, size_t(n)) < 0) {
      close(log);
      log = -1;
    }
    for (ssize_t i = 0; i < n && !stopping; ++i) {
      char c = buf[i];
      if (c == '\n') continue;
      if (c != '\r') {
        line += c;
        continue;
      }
      const std::string echo = line;
      const std::string answer = echo + "\r\n" + identity + "\r\n\r\n>";
      line.clear();
      const bool garbled = programSpeed && programSpeed->bps() != baud;
      const auto send = [&](const std::string &bytes) { return writeAll(fd, garbled ? wrongSpeed(bytes) : bytes); };
      if (mode == "reply") {
        send(answer);
      } else if (mode == "cr") {
        send(echo + "\r" + identity + "\r\r>");
      } else if (mode == "split") {
        size_t step = (answer.size() + size_t(parts) - 1) / size_t(parts);
        for (size_t at = 0; at < answer.size() && !stopping; at += step) {
          if (at) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          send(answer.substr(at, step));
        }
      } else if (mode == "pauses") {
        const std::string pieces[] = {echo + "\r\n", identity + "\r\n\r\n", ">"};
        for (const std::string &part : pieces) {
          if (stopping) break;
          if (&part != pieces) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          send(part);
        }
      } else if (mode == "garbage") {
        std::string noise;
        unsigned x = 0x2545F491u;
        for (int k = 0; k < 64; ++k) {
          x ^= x << 13; x ^= x >> 17; x ^= x << 5;
          char b = char(x & 0xFF);
          noise += b == '>' ? char(0xFE) : b;
        }
        send(noise);
      } else if (mode == "nul") {
        std::string id = identity;
        id.insert(id.size() / 2, 1, '\0');
        id.insert(0, 1, '\0');
        send(echo + "\r\n" + id + "\r\n\r\n>");
      } else if (mode == "flood") {
        std::string block;
        for (int k = 0; k < 64; ++k) block += identity + "\r\n";
        while (!stopping && send(block)) {
        }
      } else if (mode == "hangup") {
        ::close(fd);
        if (hangupPid > 0) ::kill(hangupPid, SIGTERM);
        return 0;
      }
    }
  }
  ::close(fd);
  if (log >= 0) ::close(log);
  return 0;
}
