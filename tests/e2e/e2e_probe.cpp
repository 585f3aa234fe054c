// quillon-probe.exe end to end: under Wine, on several rig ports at once, each
// with the adapter emulator (or none) at its far end; its output read as a
// script would read it.
#include "rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

using namespace std::chrono_literals;

namespace {

struct ProbeRun {
  int status = -1;
  std::string output;  // stdout and stderr
  rig::Millis took{0};
};

// The times vary from run to run: JSON's are masked, all else is compared
// byte for byte.
std::string withoutTimes(const std::string &output) {
  return std::regex_replace(output, std::regex("\"ms\":[0-9]+"), "\"ms\":T");
}

// A port's line of the plain output without its time: port, speed, what was found.
struct Row {
  std::string port, baud, text;
};

// The plain output these rows make, laid out in columns two spaces apart with
// the times the output itself shows, right-aligned; lines below a port's
// (further commands) as they are.
std::string plain(const std::string &output, const std::vector<Row> &rows,
                  const std::vector<std::vector<std::string>> &below = {}) {
  std::vector<std::string> times;
  const std::regex time("([0-9]+ ms)\r\n");
  for (auto it = std::sregex_iterator(output.begin(), output.end(), time); it != std::sregex_iterator(); ++it)
    times.push_back((*it)[1]);
  if (times.size() != rows.size()) return "(" + std::to_string(times.size()) + " times in the output)";
  std::size_t widths[4] = {};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    widths[0] = std::max(widths[0], rows[i].port.size());
    widths[1] = std::max(widths[1], rows[i].baud.size());
    widths[2] = std::max(widths[2], rows[i].text.size());
    widths[3] = std::max(widths[3], times[i].size());
  }
  const auto pad = [](std::string s, std::size_t w) { return s + std::string(w - s.size(), ' '); };
  std::string out;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out += pad(rows[i].port, widths[0]) + "  " + pad(rows[i].baud, widths[1]) + "  " + pad(rows[i].text, widths[2]) +
           "  " + std::string(widths[3] - times[i].size(), ' ') + times[i] + "\r\n";
    if (i < below.size())
      for (const std::string &line : below[i]) out += line + "\r\n";
  }
  return out;
}

std::vector<std::string> lines(const std::string &output) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (std::size_t at; (at = output.find("\r\n", from)) != std::string::npos; from = at + 2)
    out.push_back(output.substr(from, at - from));
  EXPECT_EQ(from, output.size()) << "output not ended by CR LF";
  return out;
}

}  // namespace

class ProbeTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(session_.hasDisplay()) << "the rig session is not running for " << session_.build();
    ASSERT_TRUE(rig::fs::exists(session_.probeExe())) << "not built: " << session_.probeExe();
    driver_ = std::make_unique<rig::Driver>(session_);
  }
  void TearDown() override {
    if (driver_) driver_->tryCall("serialcomm clear");
  }

  rig::Port &port(const std::string &com, const rig::AdapterOptions &adapter = {}) {
    ports_.push_back(std::make_unique<rig::Port>(session_, com, adapter));
    return *ports_.back();
  }
  // The system's list of serial ports: these names.
  void list(const std::vector<std::string> &coms) {
    std::vector<std::pair<std::string, std::string>> values;
    for (std::size_t i = 0; i < coms.size(); ++i) values.emplace_back("Rig" + std::to_string(i), coms[i]);
    driver_->setSerialComm(values);
  }
  ProbeRun probe(const std::vector<std::string> &args, rig::Millis limit = 20s) {
    rig::TempDir dir(session_.runDir());
    const rig::fs::path output = dir.path() / "output";
    const auto started = std::chrono::steady_clock::now();
    rig::Program program(session_, session_.probeExe(), args, output);
    ProbeRun run;
    EXPECT_TRUE(program.process().waitExit(limit)) << "the probe did not end within " << limit.count() << " ms";
    run.took = std::chrono::duration_cast<rig::Millis>(std::chrono::steady_clock::now() - started);
    run.status = program.process().exitCode();
    std::ifstream in(output, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
  }
  // What starting and ending the probe under Wine costs, measured the same way.
  rig::Millis startCost() { return probe({"--help"}).took; }

  rig::Session session_ = rig::Session::fromEnvironment();
  std::unique_ptr<rig::Driver> driver_;
  std::vector<std::unique_ptr<rig::Port>> ports_;
};

// One port of each kind: an adapter at 38400, one that talks at 115200 only,
// a silent line, a port in use, an adapter with linefeeds off (lines ended by
// a lone CR), and a port still listed whose device has gone.
class ProbeFleetTest : public ProbeTest {
protected:
  void SetUp() override {
    ProbeTest::SetUp();
    port("COM3");
    fast_ = &port("COM4", {.baud = 115200});
    port("COM5", {.mode = "silent"});
    port("COM6").state().denyOpen(true);
    port("COM7", {.mode = "cr"});
    port("COM8").remove();
    list({"COM3", "COM4", "COM5", "COM6", "COM7", "COM8"});
  }
  rig::Port *fast_ = nullptr;
};

TEST_F(ProbeFleetTest, EveryListedPortAtOnceInAlignedText) {
  const rig::Millis start = startCost();
  const ProbeRun run = probe({});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, plain(run.output, {{"COM3", "38400", "QUILLON SIM 1.0"},
                                            {"COM4", "-", "25 bytes without a prompt"},
                                            {"COM5", "-", "no answer"},
                                            {"COM6", "-", "Unable to open com port (Error: 5)"},
                                            {"COM7", "38400", "QUILLON SIM 1.0"},
                                            {"COM8", "-", "Unable to open com port (Error: 2)"}}));
  // All at once: one time-out for all six, not one each.
  std::cout << "probe of 6 ports: " << run.took.count() << " ms, of which starting Wine " << start.count() << " ms\n";
  EXPECT_LT(run.took - start, 500ms + 1000ms);
  for (const auto &p : ports_) {
    if (p->com() != "COM6" && p->com() != "COM8") {
      EXPECT_EQ(p->received(), "ATI\r\n") << p->com();
    }
  }
}

TEST_F(ProbeFleetTest, AutoBaudFindsTheFastAdapterAndJsonCarriesEveryField) {
  const ProbeRun run = probe({"--baud", "auto", "--json"});
  EXPECT_EQ(run.status, 0);
  const std::string all = "[38400,9600,115200,57600,19200,230400,500000]";
  EXPECT_EQ(withoutTimes(run.output),
            "{\"port\":\"COM3\",\"status\":\"answered\",\"baud\":38400,\"tried\":[38400],\"identity\":\"QUILLON SIM 1.0\","
            "\"raw\":\"ATI\\r\\nQUILLON SIM 1.0\\r\\n\\r\\n>\",\"bytes\":25,\"commands\":[],\"ms\":T,\"error_code\":null,"
            "\"error_text\":null}\r\n"
            "{\"port\":\"COM4\",\"status\":\"answered\",\"baud\":115200,\"tried\":[38400,9600,115200],"
            "\"identity\":\"QUILLON SIM 1.0\",\"raw\":\"ATI\\r\\nQUILLON SIM 1.0\\r\\n\\r\\n>\",\"bytes\":25,"
            "\"commands\":[],\"ms\":T,\"error_code\":null,\"error_text\":null}\r\n"
            "{\"port\":\"COM5\",\"status\":\"no answer\",\"baud\":null,\"tried\":" + all +
            ",\"identity\":null,\"raw\":\"\",\"bytes\":0,\"commands\":[],\"ms\":T,\"error_code\":null,"
            "\"error_text\":null}\r\n"
            "{\"port\":\"COM6\",\"status\":\"error\",\"baud\":null,\"tried\":[],\"identity\":null,\"raw\":\"\",\"bytes\":0,"
            "\"commands\":[],\"ms\":T,\"error_code\":1,\"error_text\":\"Unable to open com port (Error: 5)\"}\r\n"
            "{\"port\":\"COM7\",\"status\":\"answered\",\"baud\":38400,\"tried\":[38400],\"identity\":\"QUILLON SIM 1.0\","
            "\"raw\":\"ATI\\rQUILLON SIM 1.0\\r\\r>\",\"bytes\":22,\"commands\":[],\"ms\":T,\"error_code\":null,"
            "\"error_text\":null}\r\n"
            "{\"port\":\"COM8\",\"status\":\"error\",\"baud\":null,\"tried\":[],\"identity\":null,\"raw\":\"\",\"bytes\":0,"
            "\"commands\":[],\"ms\":T,\"error_code\":1,\"error_text\":\"Unable to open com port (Error: 2)\"}\r\n")
      << run.output;
  // Three speeds, one "ATI" each; then the port was put back at the speed it
  // was found at (a new pty's 38400) before it was closed.
  EXPECT_EQ(fast_->received(), "ATI\r\nATI\r\nATI\r\n");
  EXPECT_EQ(fast_->state().raw().ospeed, 38400u);
  EXPECT_GE(fast_->state().raw().termios_sets, 3u);
}

TEST_F(ProbeTest, ExitStatusesAndUsageErrors) {
  port("COM5", {.mode = "silent"});
  port("COM6").state().denyOpen(true);
  list({"COM5", "COM6"});

  ProbeRun run = probe({"--timeout", "200"});
  EXPECT_EQ(run.status, 1) << "no adapter answered";
  EXPECT_EQ(run.output,
            plain(run.output, {{"COM5", "-", "no answer"}, {"COM6", "-", "Unable to open com port (Error: 5)"}}));

  run = probe({"--baud", "fast"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output,
            "quillon-probe: --baud needs auto or a speed from 110 to 4000000 bits per second, not \"fast\"\r\n"
            "Try quillon-probe --help.\r\n");
  run = probe({"COM5"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output, "quillon-probe: unexpected argument \"COM5\"\r\nTry quillon-probe --help.\r\n");

  run = probe({"--help"});
  EXPECT_EQ(run.status, 0);
  const std::vector<std::string> help = lines(run.output);
  ASSERT_FALSE(help.empty());
  EXPECT_EQ(help.front().rfind("Usage: quillon-probe ", 0), 0u) << help.front();
  EXPECT_LE(help.size(), 24u);

  // Nothing listed: nothing to probe, and no adapter.
  list({});
  run = probe({});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "quillon-probe: the system lists no serial ports\r\n");
}

// Only the ports named, in the order named; the further commands go to the
// adapter that answered, and each answer comes back cleaned of its echo.
TEST_F(ProbeTest, NamedPortsAndFurtherCommands) {
  rig::Port &adapter = port("COM3", {.identity = "Adapter 1.5"});
  port("COM4", {.identity = "OTHER"});
  list({"COM3", "COM4"});
  const ProbeRun run = probe({"--port", "COM9", "--port", "COM3", "--command", "AT RV", "--command", "AT@1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output,
            plain(run.output, {{"COM9", "-", "Unable to open com port (Error: 2)"}, {"COM3", "38400", "Adapter 1.5"}},
                  {{}, {"             AT RV: Adapter 1.5", "             AT@1: Adapter 1.5"}}));
  EXPECT_EQ(adapter.received(), "ATI\r\nAT RV\r\nAT@1\r\n");
  EXPECT_EQ(ports_[1]->received(), "") << "a port not named was opened";
}

// A port that streams without end and one whose line goes away while it is
// probed: both reported, neither holds the run up.
TEST_F(ProbeTest, StreamingAndVanishingPortsNeverHoldTheRunUp) {
  port("COM3");
  port("COM4", {.mode = "flood"});
  rig::Port &gone = port("COM5", {.mode = "hangup"});
  list({"COM3", "COM4", "COM5"});
  const rig::Millis start = startCost();
  const ProbeRun run = probe({"--baud", "auto", "--timeout", "300", "--json"});
  EXPECT_EQ(run.status, 0);
  const std::vector<std::string> shown = lines(run.output);
  ASSERT_EQ(shown.size(), 3u) << run.output;
  EXPECT_EQ(shown[0].rfind("{\"port\":\"COM3\",\"status\":\"answered\",\"baud\":38400,", 0), 0u) << shown[0];
  EXPECT_EQ(shown[1].rfind("{\"port\":\"COM4\",\"status\":\"no prompt\",\"baud\":null,\"tried\":"
                           "[38400,9600,115200,57600,19200,230400,500000],\"identity\":null,\"raw\":\"",
                           0),
            0u)
      << shown[1].substr(0, 300);
  EXPECT_EQ(shown[2].rfind("{\"port\":\"COM5\",", 0), 0u) << shown[2];
  EXPECT_EQ(shown[2].find("\"status\":\"answered\""), std::string::npos) << shown[2];
  EXPECT_FALSE(gone.adapterRunning()) << "the line did not go away";
  std::cout << "probe with a flood and a hang-up, 7 speeds of 300 ms: " << run.took.count()
            << " ms, of which starting Wine " << start.count() << " ms\n";
  EXPECT_LT(run.took - start, 7 * 300ms + 1000ms);
}
