// quillon-adapter: the diagnostic adapter at the far end of a pty.
//
//   quillon-adapter --port PATH [--identity TEXT] [--mode MODE] [--parts N]
//                   [--delay MS] [--log FILE] [--hangup-pid PID]
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
// Every byte received is appended unchanged to --log, so a test can see what the
// program sent. Ends on SIGTERM or SIGINT.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

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

void usage() {
  std::fprintf(stderr,
               "usage: quillon-adapter --port PATH [--identity TEXT] [--mode reply|cr|split|pauses|silent|garbage|nul|flood|hangup]\n"
               "                       [--parts N] [--delay MS] [--log FILE] [--hangup-pid PID]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char **argv) {
  std::string port, identity = "QUILLON SIM 1.0", mode = "reply", logPath;
  int parts = 2, delayMs = 300;
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
    else usage();
  }
  if (port.empty()) usage();
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
      if (mode == "reply") {
        writeAll(fd, answer);
      } else if (mode == "cr") {
        writeAll(fd, echo + "\r" + identity + "\r\r>");
      } else if (mode == "split") {
        size_t step = (answer.size() + size_t(parts) - 1) / size_t(parts);
        for (size_t at = 0; at < answer.size() && !stopping; at += step) {
          if (at) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          writeAll(fd, answer.substr(at, step));
        }
      } else if (mode == "pauses") {
        const std::string parts[] = {echo + "\r\n", identity + "\r\n\r\n", ">"};
        for (const std::string &part : parts) {
          if (stopping) break;
          if (&part != parts) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          writeAll(fd, part);
        }
      } else if (mode == "garbage") {
        std::string noise;
        unsigned x = 0x2545F491u;
        for (int k = 0; k < 64; ++k) {
          x ^= x << 13; x ^= x >> 17; x ^= x << 5;
          char b = char(x & 0xFF);
          noise += b == '>' ? char(0xFE) : b;
        }
        writeAll(fd, noise);
      } else if (mode == "nul") {
        std::string id = identity;
        id.insert(id.size() / 2, 1, '\0');
        id.insert(0, 1, '\0');
        writeAll(fd, echo + "\r\n" + id + "\r\n\r\n>");
      } else if (mode == "flood") {
        std::string block;
        for (int k = 0; k < 64; ++k) block += identity + "\r\n";
        while (!stopping && writeAll(fd, block)) {
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
