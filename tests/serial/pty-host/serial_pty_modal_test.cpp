// A pop-up menu and a message box open while a port streams at full speed
// into a cheap handler (smThreadSync): real keys reach the menu and the box
// as they do without a stream, and the port's events keep arriving while
// either is open. Opened both by a real click, which the stream's run lets
// through itself, and by queued work, which the message loop runs.
#include "PtyAgent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using serialpty::Agent;
using serialpty::Pty;

namespace {

const std::string kCom = "COM62";

class SerialPtyModal : public ::testing::Test {
protected:
  // The next line the agent prints that starts with prefix; the others on
  // the way are kept for the failure message.
  std::optional<std::string> expectLine(const std::string &prefix, rig::Millis within) {
    const auto end = std::chrono::steady_clock::now() + within;
    for (;;) {
      const auto left = std::chrono::duration_cast<rig::Millis>(end - std::chrono::steady_clock::now());
      if (left <= 0ms) return std::nullopt;
      auto l = agent.line(left);
      if (!l) return std::nullopt;
      if (l->rfind(prefix, 0) == 0) return l;
      others += " [" + *l + "]";
    }
  }

  // "menu closed N MS" / "box closed N MS": notifications while it was open,
  // milliseconds from the key to its end.
  struct Closed {
    long long notifications = -1, ms = -1;
  };
  Closed expectClosed(const std::string &what) {
    Closed c;
    if (auto l = expectLine(what + " closed", 3000ms)) {
      std::istringstream fields(l->substr(what.size() + 8));
      fields >> c.notifications >> c.ms;
    }
    return c;
  }

  long long received() {
    long long n = 0;
    std::istringstream(agent.call("count")) >> n;
    return n;
  }

  // Opens the menu or the box and waits until it shows, with events
  // arriving meanwhile.
  bool open(const std::string &how, const std::string &what) {
    if (how == "rclick" || how == "lclick")
      agent.send(how);
    else
      agent.call(how);
    if (!expectLine(what + " open", 5000ms)) return false;
    std::this_thread::sleep_for(300ms);
    return true;
  }

  Pty pty{kCom};
  Agent agent;
  std::string others;
};

}  // namespace

TEST_F(SerialPtyModal, MenuAndMessageBoxTakeTheirKeysWhileThePortStreams) {
  agent.call("open " + kCom);
  agent.call("mode count");
  agent.call("window");
  serialpty::Stream stream(pty);
  ASSERT_TRUE(rig::eventually(5000ms, [&] { return received() > 100000; })) << "the stream does not flow";

  for (const char *how : {"rclick", "menu"}) {
    SCOPED_TRACE(how);
    ASSERT_TRUE(open(how, "menu")) << others;
    agent.send("key esc");
    const Closed byEsc = expectClosed("menu");
    ASSERT_GE(byEsc.ms, 0) << "Esc did not close the menu" << others;
    EXPECT_LT(byEsc.ms, 500);
    EXPECT_GT(byEsc.notifications, 0) << "no event arrived while the menu was open";

    ASSERT_TRUE(open(how, "menu")) << others;
    agent.send("key down");
    agent.send("key enter");
    const Closed byEnter = expectClosed("menu");
    ASSERT_GE(byEnter.ms, 0) << "Enter did not close the menu" << others;
    EXPECT_GT(byEnter.notifications, 0);
    EXPECT_TRUE(expectLine("command 101", 2000ms)) << "the item chosen did not run" << others;
  }

  for (const char *how : {"lclick", "box"}) {
    SCOPED_TRACE(how);
    ASSERT_TRUE(open(how, "box")) << others;
    agent.send("key enter");
    const Closed byEnter = expectClosed("box");
    ASSERT_GE(byEnter.ms, 0) << "Enter did not close the message box" << others;
    EXPECT_LT(byEnter.ms, 500);
    EXPECT_GT(byEnter.notifications, 0) << "no event arrived while the box was open";
  }

  // Every byte, in order, none twice.
  const long long written = stream.stop();
  long long got = 0, bad = -1;
  EXPECT_TRUE(rig::eventually(20000ms, [&] {
    std::istringstream(agent.call("count")) >> got >> bad;
    return got >= written;
  })) << got << " of " << written;
  EXPECT_EQ(got, written);
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(others.find("shown"), std::string::npos) << others;
  agent.call("close");
}
