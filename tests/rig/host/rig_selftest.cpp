// The rig checks itself: the emulator at the far end of a pty pair, and the tty
// library as Wine's serial code sees it (through rigdriver.exe's com- commands).
#include "rig.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <chrono>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

rig::Session &session() {
  static rig::Session s = rig::Session::fromEnvironment();
  return s;
}

// The program's end of a pair, opened natively.
class Line {
public:
  explicit Line(const rig::fs::path &p) : fd_(open(p.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~Line() {
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  void send(const std::string &s) { ASSERT_EQ(write(fd_, s.data(), s.size()), ssize_t(s.size())); }
  // Everything that arrives until `until` is seen, `limit` bytes came or `quiet`
  // passes without a byte.
  std::string receive(rig::Millis quiet, const std::string &until = {}, size_t limit = 1 << 20) {
    std::string got;
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, int(quiet.count())) <= 0) return got;
      char buf[256];
      ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) return got;
      got.append(buf, size_t(n));
      if ((!until.empty() && got.find(until) != std::string::npos) || got.size() >= limit) return got;
    }
  }

private:
  int fd_;
};

const std::string kAnswer = "ATI\r\nQUILLON SIM 1.0\r\n\r\n>";

}  // namespace

TEST(Emulator, AnswersACommandLineAndLogsWhatItGot) {
  rig::Port port(session(), "COM41");
  Line line(port.pair().programEnd());
  ASSERT_TRUE(line.ok());
  line.send("ATI\r\n");
  EXPECT_EQ(line.receive(1000ms, ">"), kAnswer);
  EXPECT_TRUE(rig::eventually(1000ms, [&] { return port.received() == "ATI\r\n"; })) << port.received();
  // A second command gets a second answer.
  line.send("ATZ\r");
  EXPECT_EQ(line.receive(1000ms, ">"), "ATZ\r\nQUILLON SIM 1.0\r\n\r\n>");
}

TEST(Emulator, ScriptedVariants) {
  {
    rig::Port port(session(), "COM41", {.mode = "split", .parts = 3, .delayMs = 250});
    Line line(port.pair().programEnd());
    line.send("ATI\r\n");
    std::string first = line.receive(150ms);
    EXPECT_FALSE(first.empty());
    EXPECT_LT(first.size(), kAnswer.size()) << "not split";
    EXPECT_EQ(first + line.receive(600ms, ">"), kAnswer);
  }
  {
    rig::Port port(session(), "COM41", {.mode = "silent"});
    Line line(port.pair().programEnd());
    line.send("ATI\r\n");
    EXPECT_EQ(line.receive(500ms), "");
    EXPECT_TRUE(rig::eventually(1000ms, [&] { return port.received() == "ATI\r\n"; }));
  }
  {
    rig::Port port(session(), "COM41", {.mode = "nul"});
    Line line(port.pair().programEnd());
    line.send("ATI\r\n");
    std::string got = line.receive(1000ms, ">");
    EXPECT_NE(got.find('\0'), std::string::npos);
    EXPECT_EQ(got.back(), '>');
  }
  {
    rig::Port port(session(), "COM41", {.mode = "garbage"});
    Line line(port.pair().programEnd());
    line.send("ATI\r\n");
    std::string got = line.receive(300ms);
    EXPECT_EQ(got.size(), 64u);
    EXPECT_EQ(got.find('>'), std::string::npos);
  }
  {
    rig::Port port(session(), "COM41", {.mode = "flood"});
    Line line(port.pair().programEnd());
    line.send("ATI\r\n");
    EXPECT_GE(line.receive(500ms, {}, 200000).size(), 200000u);
  }
  {
    rig::Port port(session(), "COM41", {.mode = "hangup"});
    Line line(port.pair().programEnd());
    line.send("ATI\r\n");
    EXPECT_TRUE(rig::eventually(2000ms, [&] { return !rig::fs::exists(port.pair().programEnd()); }))
        << "the line is still there";
  }
}

class WineSerial : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(session().hasDisplay()) << "no rig session for " << session().build(); }
  rig::Driver driver{session()};
};

TEST_F(WineSerial, ModemLinesAndLineSettingsThroughTheLibrary) {
  rig::Port port(session(), "COM42", {.mode = ""});
  driver.call("com-open COM42");
  driver.call("com-setup 38400 7 2 0");  // 7 bits, even parity: a pty keeps neither
  EXPECT_EQ(driver.call("com-state"), (std::vector<std::string>{"38400", "7", "2", "0"}));
  EXPECT_TRUE(port.state().dtr());
  EXPECT_FALSE(port.state().rts());
  EXPECT_EQ(port.state().raw().ospeed, 38400u);

  EXPECT_EQ(driver.call("com-modem").at(0), "0");
  port.state().setLine(RIGTTY_CTS, true);
  port.state().setLine(RIGTTY_DCD, true);
  EXPECT_EQ(driver.call("com-modem").at(0), "90");  // MS_CTS_ON | MS_RLSD_ON

  // Events: each change is made while the wait is pending.
  std::thread later([&] {
    std::this_thread::sleep_for(300ms);
    port.state().setLine(RIGTTY_DSR, true);
  });
  auto ev = driver.call("com-wait 1f8 5000");  // CTS DSR RLSD BREAK ERR RING
  later.join();
  EXPECT_EQ(ev.at(0), "10");  // EV_DSR
  later = std::thread([&] {
    std::this_thread::sleep_for(300ms);
    port.state().addErrors(1, 0, 0, 0);
  });
  ev = driver.call("com-wait 1f8 5000");
  later.join();
  EXPECT_EQ(ev.at(0), "80");  // EV_ERR
  driver.call("com-close");
}

// A driver that Wine lost is started again once, and the loss is told.
TEST_F(WineSerial, ADriverThatEndedIsStartedAgainOnceAndTold) {
  driver.call("serialcomm clear");
  const pid_t first = driver.pid();
  ASSERT_EQ(::kill(first, SIGKILL), 0);
  ::testing::internal::CaptureStderr();
  const auto answer = driver.tryCall("serialcomm clear");
  const std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(answer.has_value());
  EXPECT_NE(driver.pid(), first);
  EXPECT_NE(told.find("the driver ended (status 137)"), std::string::npos) << told;
}

// A program's fault ends it at once (Wine's debugger prints the backtrace)
// instead of a crash dialog holding it, and its output, until a time-out.
TEST_F(WineSerial, AProgramThatFaultsEndsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  std::string said;
  try {
    driver.tryCall("crash", rig::Millis(30000));
  } catch (const rig::Error &e) {
    said = e.what();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << said;
  EXPECT_NE(said.find("page fault"), std::string::npos) << said;
}

TEST_F(WineSerial, TalksToTheEmulatorThroughWine) {
  rig::Port port(session(), "COM43", {});
  driver.call("com-open COM43");
  driver.call("com-setup 38400 8 0 0");
  driver.call("com-write ATI\\r\\n");
  EXPECT_EQ(rig::unescape(driver.call("com-read 800").at(0)), kAnswer);
  EXPECT_EQ(port.received(), "ATI\r\n");
  driver.call("com-close");
}

// An adapter that talks at 115200 only: noise while the program's end is at
// another speed, its answer once it is at 115200. Wine gives the speeds above
// 115200 that a probe tries to the pty too.
TEST_F(WineSerial, EmulatorAtOneSpeedAnswersOnlyThere) {
  rig::Port port(session(), "COM45", {.baud = 115200});
  driver.call("com-open COM45");
  for (const char *speed : {"38400", "9600", "230400", "500000"}) {
    driver.call(std::string("com-setup ") + speed + " 8 0 0");
    EXPECT_EQ(port.state().raw().ospeed, unsigned(std::stoul(speed)));
    driver.call("com-write ATI\\r\\n");
    // The noise's length is waited for, not a fixed time: on a busy machine
    // it came after half a second and was counted at the next speed.
    const std::string noise =
        rig::unescape(driver.call("com-read 3000 " + std::to_string(kAnswer.size())).at(0));
    EXPECT_EQ(noise.size(), kAnswer.size()) << "at " << speed;
    EXPECT_EQ(noise.find_first_of(">\r\n"), std::string::npos) << "at " << speed;
  }
  driver.call("com-setup 115200 8 0 0");
  driver.call("com-write ATI\\r\\n");
  EXPECT_EQ(rig::unescape(driver.call("com-read 500").at(0)), kAnswer);
  driver.call("com-close");
}

TEST_F(WineSerial, ErrorNumbersOfFailedOpens) {
  rig::Port port(session(), "COM44", {});
  port.state().denyOpen(true);
  std::vector<std::string> fields;
  try {
    driver.call("com-open COM44");
  } catch (const rig::Error &e) {
    fields.push_back(e.what());
  }
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_NE(fields[0].find("error 5"), std::string::npos) << fields[0];
  port.remove();
  try {
    driver.call("com-open COM44");
    ADD_FAILURE() << "opened a removed port";
  } catch (const rig::Error &e) {
    EXPECT_NE(std::string(e.what()).find("error 2"), std::string::npos) << e.what();
  }
}
