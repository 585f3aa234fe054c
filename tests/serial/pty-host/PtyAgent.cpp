#include "PtyAgent.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace serialpty {

rig::Session &session() {
  static rig::Session s = rig::Session::fromEnvironment();
  return s;
}

Pty::Pty(std::string com) : com_(std::move(com)) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw rig::Error("no pty");
  slave_ = ptsname(master_);
  index_ = std::stoi(slave_.substr(slave_.rfind('/') + 1));
  termios t{};
  tcgetattr(master_, &t);
  cfmakeraw(&t);
  tcsetattr(master_, TCSANOW, &t);
  state_.emplace(index_);
  session().mapCom(com_, slave_);
}

Pty::~Pty() {
  session().unmapCom(com_);
  state_.reset();
  if (master_ >= 0) close(master_);
}

void Pty::send(const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EIO) {
        usleep(1000);
        continue;
      }
      throw rig::Error("write to the pty failed");
    }
    done += size_t(n);
  }
}

std::string Pty::receive(size_t n, rig::Millis quiet) {
  std::string got;
  while (got.size() < n) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, int(quiet.count())) <= 0 || !(p.revents & POLLIN)) break;
    char buf[4096];
    ssize_t r = read(master_, buf, std::min(sizeof buf, n - got.size()));
    if (r <= 0) break;
    got.append(buf, size_t(r));
  }
  return got;
}

bool Pty::hungUp(rig::Millis within) {
  return rig::eventually(within, [&] {
    pollfd p{master_, 0, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
  });
}

Agent::Agent(const AgentOptions &options) {
  rig::Process::Options o;
  o.env = session().wineEnvironment();
  for (auto it = o.env.begin(); it != o.env.end(); ++it) {
    if (it->rfind("LD_PRELOAD=", 0) != 0) continue;
    if (options.ttyLibrary)
      *it = "LD_PRELOAD=" + (session().hostBin() / "libserialbrk.so").string() + " " +
            it->substr(11);
    else
      o.env.erase(it);
    break;
  }
  if (!options.breakLog.empty()) o.env.push_back("SERIALBRK_LOG=" + options.breakLog);
  o.pipeStdin = o.pipeStdout = true;
  process_ = rig::Process(
      {"wine", (session().build() / "tests" / "serial" / "serial_pty_agent.exe").string()}, o);
  auto first = process_.readLine(rig::Millis(30000));
  if (!first || *first != "ready") throw rig::Error("the agent did not start");
}

Agent::~Agent() {
  try {
    process_.writeLine("quit");
    process_.waitExit(rig::Millis(5000));
  } catch (...) {
  }
}

std::string Agent::call(const std::string &command, rig::Millis timeout) {
  process_.writeLine(command);
  for (;;) {
    auto answer = process_.readLine(timeout);
    if (!answer) throw rig::Error("no answer to " + command);
    if (*answer == "ok") return "";
    if (answer->rfind("ok ", 0) == 0) return answer->substr(3);
    if (answer->rfind("err ", 0) == 0) throw rig::Error(answer->substr(4));
    // A line the agent printed by itself ("closed", "rx"): not the answer.
  }
}

Stream::Stream(Pty &pty) : writer_([this, fd = pty.master()] { run(fd); }) {}

long long Stream::stop() {
  stop_ = true;
  if (writer_.joinable()) writer_.join();
  return written_;
}

void Stream::run(int fd) {
  // Non-blocking, so that a reader that stopped reading cannot keep the
  // writer from seeing its stop.
  const int flags = fcntl(fd, F_GETFL);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  char chunk[4096];
  long long next = 0;  // the stream position of chunk[0]
  size_t offset = sizeof chunk;
  while (!stop_) {
    if (offset == sizeof chunk) {
      for (size_t i = 0; i < sizeof chunk; ++i) chunk[i] = char((next + (long long)i) % 251);
      offset = 0;
    }
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = write(fd, chunk + offset, sizeof chunk - offset);
    if (n <= 0) continue;
    offset += size_t(n);
    written_ += n;
    if (offset == sizeof chunk) next += (long long)sizeof chunk;
  }
  fcntl(fd, F_SETFL, flags);
}

std::string hex(const std::string &bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 0xF];
  }
  return out;
}

}  // namespace serialpty
