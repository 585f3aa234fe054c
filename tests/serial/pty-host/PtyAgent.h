// The Linux side of the serial pty tests and benchmarks: a bare pty whose
// slave the program opens as a COM port (the test holds the master: the far
// end of the line), and serial_pty_agent.exe under the session's Wine.
#pragma once

#include "rig.h"

#include <atomic>
#include <optional>
#include <string>
#include <thread>

namespace serialpty {

rig::Session &session();

// A pty pair made here; the slave is mapped to a COM name while the object lives.
class Pty {
public:
  explicit Pty(std::string com);
  ~Pty();
  Pty(const Pty &) = delete;
  Pty &operator=(const Pty &) = delete;
  int master() const { return master_; }
  int index() const { return index_; }
  const std::string &slave() const { return slave_; }
  rig::TtyState &state() { return *state_; }
  // Writes all of bytes to the far end.
  void send(const std::string &bytes);
  // Reads what arrives until n bytes came or quiet passes without one.
  std::string receive(size_t n, rig::Millis quiet);
  // The program's end is closed by everyone (the master sees the hang-up).
  bool hungUp(rig::Millis within);

private:
  std::string com_;
  int master_ = -1;
  int index_ = -1;
  std::string slave_;
  std::optional<rig::TtyState> state_;
};

struct AgentOptions {
  bool ttyLibrary = true;     // the rig's modem-line library (and the break recorder)
  std::string breakLog;       // where break requests are recorded
};

class Agent {
public:
  explicit Agent(const AgentOptions &options = {});
  ~Agent();
  // Sends a command; the text after "ok" (empty when none). Throws rig::Error
  // with the message of an "err" answer.
  std::string call(const std::string &command, rig::Millis timeout = rig::Millis(20000));
  // Sends a command that answers nothing (real keys and clicks).
  void send(const std::string &command) { process_.writeLine(command); }
  // The next line the agent prints by itself.
  std::optional<std::string> line(rig::Millis timeout) { return process_.readLine(timeout); }
  pid_t pid() const { return process_.pid(); }

private:
  rig::Process process_;
};

// The far end streaming at full speed: byte i of the stream is i % 251, as
// the agent's counting modes check. Writes until stopped (or destroyed).
class Stream {
public:
  explicit Stream(Pty &pty);
  ~Stream() { stop(); }
  Stream(const Stream &) = delete;
  Stream &operator=(const Stream &) = delete;
  // Stops writing; the bytes written in all.
  long long stop();
  long long written() const { return written_.load(); }

private:
  void run(int fd);
  std::atomic<bool> stop_{false};
  std::atomic<long long> written_{0};
  std::thread writer_;
};

std::string hex(const std::string &bytes);

}  // namespace serialpty
