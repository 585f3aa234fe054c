#include "rig.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace rig {

namespace {

std::string readFile(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

std::vector<std::string> split(const std::string &s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t at = s.find(sep, start);
    out.push_back(s.substr(start, at - start));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

int ptsIndexOf(const fs::path &link) {
  std::error_code ec;
  fs::path target = fs::read_symlink(link, ec);
  if (ec) return -1;
  std::string t = target.string();
  const std::string prefix = "/dev/pts/";
  if (t.rfind(prefix, 0) != 0) return -1;
  return std::stoi(t.substr(prefix.size()));
}

fs::path rigttyDir() {
  const char *dir = std::getenv("RIGTTY_DIR");
  return dir && *dir ? fs::path(dir) : fs::path(RIGTTY_DEFAULT_DIR);
}

}  // namespace

// ---- Session ----

Session::Session(fs::path win64Build) : build_(fs::absolute(std::move(win64Build))) {
  display_ = trim(readFile(build_ / "rig" / "display"));
  if (fs::exists(build_ / "rig")) Process::setRegistry(build_ / "rig" / "pids");
}

Session::Session(fs::path win64Build, fs::path prefix, std::string display)
    : build_(fs::absolute(std::move(win64Build))), prefix_(std::move(prefix)), display_(std::move(display)) {
  if (fs::exists(build_ / "rig")) Process::setRegistry(build_ / "rig" / "pids");
}

Session Session::fromEnvironment() {
  const char *b = std::getenv("QUILLON_WIN64_BUILD");
  return Session(b && *b ? fs::path(b) : fs::path(RIG_DEFAULT_WIN64_BUILD));
}

fs::path Session::prefix() const {
  if (!prefix_.empty()) return prefix_;
  const char *p = std::getenv("RIG_WINEPREFIX");
  return p && *p ? fs::path(p) : build_ / "rig" / "prefix";
}

fs::path Session::quillonExe() const {
  const char *e = std::getenv("QUILLON_EXE");
  return e && *e ? fs::path(e) : fs::path(RIG_DEFAULT_QUILLON_EXE);
}

fs::path Session::probeExe() const {
  const char *e = std::getenv("QUILLON_PROBE_EXE");
  return e && *e ? fs::path(e) : fs::path(RIG_DEFAULT_PROBE_EXE);
}

std::vector<std::string> Session::wineEnvironment() const {
  static const char *replaced[] = {"DISPLAY=", "WINEPREFIX=", "WINEDEBUG=", "WINEDLLOVERRIDES=", "LD_PRELOAD="};
  std::vector<std::string> env;
  for (char **e = environ; *e; ++e) {
    std::string v = *e;
    if (std::none_of(std::begin(replaced), std::end(replaced), [&](const char *r) { return v.rfind(r, 0) == 0; }))
      env.push_back(v);
  }
  env.push_back("WINEPREFIX=" + prefix().string());
  env.push_back("WINEDEBUG=-all");
  env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
  if (!display_.empty()) env.push_back("DISPLAY=" + display_);
  fs::path lib = hostBin() / "librigtty.so";
  if (fs::exists(lib)) env.push_back("LD_PRELOAD=" + lib.string());
  return env;
}

static fs::path dosDevice(const fs::path &prefix, std::string com) {
  std::transform(com.begin(), com.end(), com.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return prefix / "dosdevices" / com;
}

void Session::mapCom(const std::string &com, const fs::path &target) const {
  fs::path link = dosDevice(prefix(), com);
  std::error_code ec;
  fs::remove(link, ec);
  fs::create_symlink(target, link);
}

void Session::unmapCom(const std::string &com) const {
  std::error_code ec;
  fs::remove(dosDevice(prefix(), com), ec);
}

// ---- Process ----

namespace {
fs::path registry;

std::string startTime(pid_t pid) {
  // Field 22 of /proc/PID/stat; the command name (field 2) may hold spaces, so
  // count from its closing parenthesis.
  std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  size_t at = stat.rfind(')');
  if (at == std::string::npos) return {};
  std::istringstream rest(stat.substr(at + 2));
  std::string field;
  for (int i = 3; i <= 22 && rest >> field; ++i) {
  }
  return field;
}
}  // namespace

void Process::setRegistry(const fs::path &file) { registry = file; }

Process::Process(const std::vector<std::string> &argv, const Options &options) {
  int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1};
  if (options.pipeStdin && pipe2(inPipe, O_CLOEXEC) != 0) throw Error("pipe");
  if (options.pipeStdout && pipe2(outPipe, O_CLOEXEC) != 0) throw Error("pipe");
  std::vector<char *> args, envp;
  for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  for (const auto &e : options.env) envp.push_back(const_cast<char *>(e.c_str()));
  envp.push_back(nullptr);
  std::string outPath = options.stdoutFile.empty() ? "/dev/null" : options.stdoutFile.string();

  pid_t pid = fork();
  if (pid < 0) throw Error("fork");
  if (pid == 0) {
    if (options.newSession) setsid();
    int devnull = open("/dev/null", O_RDWR);
    dup2(options.pipeStdin ? inPipe[0] : devnull, 0);
    const int file = open(outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(options.pipeStdout ? outPipe[1] : file, 1);
    dup2(file >= 0 ? file : devnull, 2);
    if (!options.env.empty()) environ = envp.data();
    execvp(args[0], args.data());
    _exit(127);
  }
  pid_ = pid;
  if (!registry.empty()) {
    // The child has forked but may not have run exec yet: its start time is set already.
    std::ofstream(registry, std::ios::app) << pid << " " << startTime(pid) << "\n";
  }
  if (options.pipeStdin) {
    close(inPipe[0]);
    in_ = inPipe[1];
  }
  if (options.pipeStdout) {
    close(outPipe[1]);
    out_ = outPipe[0];
  }
}

Process::Process(Process &&o) noexcept { *this = std::move(o); }

Process &Process::operator=(Process &&o) noexcept {
  if (this != &o) {
    stop();
    pid_ = std::exchange(o.pid_, -1);
    status_ = o.status_;
    in_ = std::exchange(o.in_, -1);
    out_ = std::exchange(o.out_, -1);
    buffered_ = std::move(o.buffered_);
  }
  return *this;
}

bool Process::running() {
  if (pid_ <= 0) return false;
  int st = 0;
  pid_t r = waitpid(pid_, &st, WNOHANG);
  if (r == 0) return true;
  status_ = r == pid_ ? (WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st)) : -1;
  pid_ = -1;
  return false;
}

bool Process::waitExit(Millis timeout) {
  return eventually(timeout, [&] { return !running(); });
}

void Process::stop(Millis grace) {
  if (in_ >= 0) close(std::exchange(in_, -1));
  if (out_ >= 0) close(std::exchange(out_, -1));
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  if (!waitExit(grace)) {
    kill(pid_, SIGKILL);
    int st = 0;
    waitpid(pid_, &st, 0);
    pid_ = -1;
  }
}

void Process::writeLine(const std::string &line) {
  std::string s = line + "\n";
  size_t done = 0;
  while (done < s.size()) {
    ssize_t n = write(in_, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error("the process no longer reads its input");
    done += size_t(n);
  }
}

std::optional<std::string> Process::readLine(Millis timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    size_t nl = buffered_.find('\n');
    if (nl != std::string::npos) {
      std::string line = buffered_.substr(0, nl);
      buffered_.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0 || out_ < 0) return std::nullopt;
    pollfd p{out_, POLLIN, 0};
    int r = poll(&p, 1, int(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return std::nullopt;
    char buf[4096];
    ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    buffered_.append(buf, size_t(n));
  }
}

// ---- TtyState ----

fs::path TtyState::pathFor(int ptsIndex) { return rigttyDir() / ("pts-" + std::to_string(ptsIndex)); }

TtyState::TtyState(int ptsIndex) : path_(pathFor(ptsIndex)), owner_(true) {
  fs::create_directories(path_.parent_path());
  // A new file each time (never one a previous pty of this number left): the
  // library keys its mappings by inode.
  fs::path tmp = path_;
  tmp += ".new";
  int fd = open(tmp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  struct stat st {};
  if (fd < 0 || ftruncate(fd, sizeof(rigtty_state)) != 0 || fstat(fd, &st) != 0)
    throw Error("cannot make " + path_.string());
  inode_ = st.st_ino;
  void *map = mmap(nullptr, sizeof(rigtty_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (map == MAP_FAILED) throw Error("cannot map " + path_.string());
  state_ = static_cast<rigtty_state *>(map);
  __atomic_store_n(&state_->magic, RIGTTY_MAGIC, __ATOMIC_RELEASE);
  fs::rename(tmp, path_);
}

TtyState TtyState::attach(int ptsIndex) {
  TtyState t;
  t.path_ = pathFor(ptsIndex);
  int fd = open(t.path_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) throw Error("no tty state " + t.path_.string());
  void *map = mmap(nullptr, sizeof(rigtty_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (map == MAP_FAILED) throw Error("cannot map " + t.path_.string());
  t.state_ = static_cast<rigtty_state *>(map);
  return t;
}

TtyState::TtyState(TtyState &&o) noexcept
    : state_(std::exchange(o.state_, nullptr)), path_(std::move(o.path_)), inode_(o.inode_),
      owner_(std::exchange(o.owner_, false)) {}

void TtyState::unlink() {
  if (!owner_) return;
  owner_ = false;
  struct stat st {};
  if (stat(path_.c_str(), &st) == 0 && st.st_ino == inode_) {
    std::error_code ec;
    fs::remove(path_, ec);
  }
}

TtyState::~TtyState() {
  if (state_) munmap(state_, sizeof(rigtty_state));
  unlink();
}

void TtyState::setLine(uint32_t bit, bool on) {
  uint32_t old = on ? __atomic_fetch_or(&state_->modem_in, bit, __ATOMIC_ACQ_REL)
                    : __atomic_fetch_and(&state_->modem_in, ~bit, __ATOMIC_ACQ_REL);
  if (bool(old & bit) == on) return;
  uint32_t *counter = bit == RIGTTY_CTS ? &state_->cts : bit == RIGTTY_DSR ? &state_->dsr
                      : bit == RIGTTY_RNG ? &state_->rng : &state_->dcd;
  __atomic_fetch_add(counter, 1, __ATOMIC_ACQ_REL);
}

void TtyState::addErrors(uint32_t frame, uint32_t overrun, uint32_t parity, uint32_t brk) {
  __atomic_fetch_add(&state_->frame, frame, __ATOMIC_ACQ_REL);
  __atomic_fetch_add(&state_->overrun, overrun, __ATOMIC_ACQ_REL);
  __atomic_fetch_add(&state_->parity, parity, __ATOMIC_ACQ_REL);
  __atomic_fetch_add(&state_->brk, brk, __ATOMIC_ACQ_REL);
}

void TtyState::denyOpen(bool deny) { __atomic_store_n(&state_->deny_open, deny ? 1u : 0u, __ATOMIC_RELEASE); }
bool TtyState::dtr() const { return __atomic_load_n(&state_->modem_out, __ATOMIC_ACQUIRE) & RIGTTY_DTR; }
bool TtyState::rts() const { return __atomic_load_n(&state_->modem_out, __ATOMIC_ACQUIRE) & RIGTTY_RTS; }
uint32_t TtyState::modemWrites() const { return __atomic_load_n(&state_->modem_writes, __ATOMIC_ACQUIRE); }

// ---- PtyPair ----

PtyPair::PtyPair(const fs::path &dir, const std::string &name)
    : programEnd_(dir / (name + ".program")), deviceEnd_(dir / (name + ".device")) {
  socat_ = Process({"socat", "pty,raw,echo=0,link=" + programEnd_.string(), "pty,raw,echo=0,link=" + deviceEnd_.string()},
                   {});
  if (!eventually(Millis(5000), [&] { return fs::is_symlink(programEnd_) && fs::is_symlink(deviceEnd_); }))
    throw Error("socat made no pty pair");
  programPts_ = ptsIndexOf(programEnd_);
  if (programPts_ < 0) throw Error("socat's link is not a pty");
  state_.emplace(programPts_);
}

void PtyPair::hangUp() {
  state_->unlink();
  socat_.stop();
  std::error_code ec;
  fs::remove(programEnd_, ec);
  fs::remove(deviceEnd_, ec);
}

// ---- Port ----

Port::Port(const Session &session, std::string com, const AdapterOptions &adapter)
    : session_(session), com_(std::move(com)) {
  fs::create_directories(session.runDir());
  std::string tmpl = (session.runDir() / (com_ + "-XXXXXX")).string();
  if (!mkdtemp(tmpl.data())) throw Error("mkdtemp");
  dir_ = tmpl;
  log_ = dir_ / "received";
  pair_.emplace(dir_, com_);
  session.mapCom(com_, pair_->programEnd());
  if (!adapter.mode.empty()) startAdapter(adapter);
}

void Port::startAdapter(const AdapterOptions &a) {
  adapter_.stop();
  std::vector<std::string> argv{(session_.hostBin() / "quillon-adapter").string(), "--port", pair_->deviceEnd().string(),
                                "--identity", a.identity, "--mode", a.mode, "--parts", std::to_string(a.parts),
                                "--delay", std::to_string(a.delayMs), "--log", log_.string(), "--hangup-pid",
                                std::to_string(pair_->socatPid())};
  if (a.baud != 0) {
    argv.insert(argv.end(), {"--baud", std::to_string(a.baud), "--state",
                             TtyState::pathFor(pair_->programPts()).string()});
  }
  adapter_ = Process(argv, {});
}

Port::~Port() {
  if (released_) return;
  adapter_.stop();
  if (pair_) pair_->hangUp();
  session_.unmapCom(com_);
  pair_.reset();
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

std::string Port::received() const { return readFile(log_); }

void Port::remove() {
  adapter_.stop();
  pair_->hangUp();
}

std::pair<pid_t, pid_t> Port::release() {
  std::pair<pid_t, pid_t> pids{pair_->socatPid(), adapter_.pid()};
  pair_->release();
  adapter_.release();
  released_ = true;
  return pids;
}

// ---- Driver ----

Driver::Driver(const Session &session)
    : session_(session), log_(session.build() / "rig" / "logs" / "driver.log") {
  // A driver that has ended makes a write to it fail, not end the caller.
  std::signal(SIGPIPE, SIG_IGN);
  fs::create_directories(log_.parent_path());
  start();
}

void Driver::start() {
  Process::Options o;
  o.env = session_.wineEnvironment();
  o.pipeStdin = o.pipeStdout = true;
  o.stdoutFile = log_;
  wine_ = Process({"wine", session_.driverExe().string()}, o);
}

std::string Driver::exchange(const std::string &command, Millis timeout) {
  for (bool again = false;; again = true) {
    try {
      wine_.writeLine(command);
      if (auto line = wine_.readLine(timeout)) return *line;
    } catch (const Error &) {
    }
    if (again || !wine_.waitExit(Millis(1000))) throw Error("the driver did not answer: " + command);
    const std::string log = readFile(log_);
    const std::string tail = log.substr(log.size() - std::min<size_t>(log.size(), 2000));
    std::fprintf(stderr, "rig: the driver ended (status %d) before answering \"%s\"; started again. The end of %s:\n%s\n",
                 wine_.exitCode(), command.c_str(), log_.c_str(), tail.c_str());
    start();
  }
}

Driver::~Driver() {
  try {
    wine_.writeLine("quit");
    wine_.waitExit(Millis(3000));
  } catch (const Error &) {
  }
  wine_.stop();
}

std::optional<std::vector<std::string>> Driver::tryCall(const std::string &command, Millis timeout) {
  const std::string line = exchange(command, timeout);
  auto fields = split(line, '\t');
  if (fields[0] == "ok") return std::vector<std::string>(fields.begin() + 1, fields.end());
  if (fields[0] == "err") return std::nullopt;
  throw Error("the driver said: " + line);
}

std::vector<std::string> Driver::call(const std::string &command, Millis timeout) {
  const std::string line = exchange(command, timeout);
  auto fields = split(line, '\t');
  if (fields[0] != "ok") throw Error(command + ": " + line);
  return std::vector<std::string>(fields.begin() + 1, fields.end());
}

std::string Driver::mainWindow(const std::string &caption, Millis timeout) {
  return call("main " + std::to_string(timeout.count()) + " " + caption, timeout + Millis(10000)).at(0);
}

void Driver::setSerialComm(const std::vector<std::pair<std::string, std::string>> &values) {
  call("serialcomm clear");
  std::string cmd = "serialcomm set";
  for (const auto &[name, value] : values) cmd += " " + name + "=" + value;
  if (!values.empty()) call(cmd);
}

void Driver::deleteSerialComm() { call("serialcomm delete"); }

std::string unescape(const std::string &f) {
  std::string out;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '\\' || i + 1 >= f.size()) {
      out += f[i];
      continue;
    }
    char c = f[++i];
    switch (c) {
    case 't': out += '\t'; break;
    case 'r': out += '\r'; break;
    case 'n': out += '\n'; break;
    case 'x':
      out += char(std::stoi(f.substr(i + 1, 2), nullptr, 16));
      i += 2;
      break;
    default: out += c;
    }
  }
  return out;
}

std::vector<Control> parseChildren(const std::vector<std::string> &fields) {
  std::vector<Control> out;
  for (const auto &f : fields) {
    auto p = split(f, '|');
    if (p.size() != 9) throw Error("bad child record " + f);
    out.push_back({p[0], unescape(p[1]), unescape(p[8]), std::stoi(p[2]), std::stoi(p[3]), std::stoi(p[4]),
                   std::stoi(p[5]), p[6] == "1", p[7] == "1"});
  }
  return out;
}

std::map<std::string, std::string> parseKeyValues(const std::vector<std::string> &fields) {
  std::map<std::string, std::string> out;
  for (const auto &f : fields) {
    auto eq = f.find('=');
    if (eq != std::string::npos) out[f.substr(0, eq)] = unescape(f.substr(eq + 1));
  }
  return out;
}

// ---- Program ----

Program::Program(const Session &session, const fs::path &exe, const std::vector<std::string> &args,
                 const fs::path &output) {
  if (!fs::exists(exe)) throw Error("not built: " + exe.string());
  std::vector<std::string> argv{"wine", exe.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  Process::Options o;
  o.env = session.wineEnvironment();
  o.stdoutFile = output;
  process_ = Process(argv, o);
}

// ---- DpiSession ----

namespace {

// A display number nobody uses, claimed under the lock the session script
// takes for the same search.
class DisplayClaim {
public:
  DisplayClaim() : fd_(open("/tmp/quillon-display.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~DisplayClaim() {
    if (fd_ >= 0) close(fd_);
  }
  DisplayClaim(const DisplayClaim &) = delete;
  DisplayClaim &operator=(const DisplayClaim &) = delete;
  static int freeNumber() {
    int n = 90;
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) || fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) ++n;
    return n;
  }

private:
  int fd_;
};

}  // namespace

DpiSession::DpiSession(const Session &base) {
  dir_ = base.build() / "rig" / ("dpi-" + std::to_string(getpid()));
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  const fs::path prefix = dir_ / "prefix";
  // A copy of the prepared prefix costs a second or two; a new one, a minute.
  Process copy({"cp", "-a", base.prefix().string(), prefix.string()}, {});
  if (!copy.waitExit(Millis(120000)) || copy.exitCode() != 0) throw Error("cannot copy the prefix");
  std::string display;
  {
    DisplayClaim claim;
    display = ":" + std::to_string(DisplayClaim::freeNumber());
    xvfb_ = std::make_unique<Process>(
        std::vector<std::string>{"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, Process::Options{});
    const fs::path socket = "/tmp/.X11-unix/X" + display.substr(1);
    if (!eventually(Millis(10000), [&] { return fs::exists(socket); })) throw Error("Xvfb did not start");
  }
  session_ = std::make_unique<Session>(base.build(), prefix, display);
  Process::Options o;
  o.env = session_->wineEnvironment();
  wineserver_ = std::make_unique<Process>(std::vector<std::string>{"wineserver", "-f", "-p"}, o);
  // The first program starts Wine's services and the desktop.
  runWine({"cmd", "/c", "exit"});
}

DpiSession::~DpiSession() {
  if (session_) {
    Process::Options o;
    o.env = session_->wineEnvironment();
    Process kill({"wineserver", "-k"}, o);
    kill.waitExit(Millis(10000));
  }
  wineserver_.reset();
  xvfb_.reset();
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

int DpiSession::runWine(const std::vector<std::string> &args, Millis timeout) {
  std::vector<std::string> argv{"wine"};
  argv.insert(argv.end(), args.begin(), args.end());
  Process::Options o;
  o.env = session_->wineEnvironment();
  Process p(argv, o);
  if (!p.waitExit(timeout)) throw Error("wine " + args.at(0) + " did not end");
  return p.exitCode();
}

void DpiSession::setDpi(int dpi) {
  if (runWine({"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
               std::to_string(dpi), "/f"}) != 0)
    throw Error("cannot set the DPI");
}

// ---- TempDir ----

TempDir::TempDir(const fs::path &parent) {
  fs::create_directories(parent);
  std::string tmpl = (parent / "tmp-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw Error("mkdtemp");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

// ---- Wine programs ----

Process startReadyWineProgram(const Session &session, const fs::path &exe, const std::vector<std::string> &args,
                              Millis timeout) {
  Process::Options o;
  o.env = session.wineEnvironment();
  o.pipeStdout = true;
  std::vector<std::string> argv{"wine", exe.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  Process program(argv, o);
  if (const auto ready = program.readLine(timeout); !ready || *ready != "ready")
    throw Error(exe.filename().string() + ": " + ready.value_or("no answer"));
  return program;
}

// ---- Processor time ----

std::chrono::nanoseconds processorTime(pid_t pid) {
  // The first field of a thread's schedstat is its time on a processor in ns.
  std::chrono::nanoseconds total{0};
  std::error_code ec;
  for (const auto &task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream in(task.path() / "schedstat");
    unsigned long long ns = 0;
    if (in >> ns) total += std::chrono::nanoseconds(ns);
  }
  if (ec) throw Error("no process " + std::to_string(pid));
  return total;
}

// ---- Screenshots ----

void screenshot(const Session &session, const fs::path &png) {
  if (!session.hasDisplay()) throw Error("no display");
  Process p({"import", "-display", session.display(), "-window", "root", png.string()}, {});
  if (!p.waitExit(Millis(15000)) || p.exitCode() != 0) throw Error("import failed");
}

void pointer(const Session &session, const std::string &action) {
  if (!session.hasDisplay()) throw Error("no display");
  const std::string command = "DISPLAY=" + session.display() + " xdotool " + action;
  if (std::system(command.c_str()) != 0) throw Error("pointer: " + command);
}

std::string pixelOf(const fs::path &png, int x, int y) {
  char expr[64];
  std::snprintf(expr, sizeof expr, "%%[hex:p{%d,%d}]", x, y);
  std::string cmd = "convert '" + png.string() + "' -format '" + expr + "' info:";
  FILE *f = popen(cmd.c_str(), "r");
  if (!f) throw Error("convert");
  char buf[64] = {};
  size_t n = fread(buf, 1, sizeof buf - 1, f);
  pclose(f);
  std::string s(buf, n);
  s = trim(s).substr(0, 6);
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

}  // namespace rig
