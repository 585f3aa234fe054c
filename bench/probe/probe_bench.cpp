// quillon-probe.exe --baud auto on 16 ports at once, under Wine: four adapters
// at 38400, four that talk at 115200 only (noise at any other speed), four
// silent lines and four adapters with linefeeds off. The silent ones are tried
// at every speed of the list, so the run cannot end before one time-out per
// speed; the target is that it ends within that plus 20 %, not 16 times it.
//
// Each run is timed from the start of the Wine process to its end; the same
// process started with --help (no port opened) is the yardstick of what
// starting and ending a Wine program costs, and is taken off.
#include "rig.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPorts = 16;
constexpr int kSpeeds = 7;       // --baud auto's list
constexpr int kTimeoutMs = 500;  // the default per attempt
constexpr int kRuns = 5;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One run of the probe: its wall time, its exit status and its output.
struct Timed {
  double ms = 0;
  int status = -1;
  std::string output;
};

Timed Run(const rig::Session &session, const std::vector<std::string> &args, const rig::fs::path &output) {
  std::error_code ec;
  rig::fs::remove(output, ec);
  const auto start = Clock::now();
  rig::Program program(session, session.probeExe(), args, output);
  if (!program.process().waitExit(60s)) throw rig::Error("the probe did not end");
  Timed t;
  t.ms = Ms(Clock::now() - start);
  t.status = program.process().exitCode();
  std::ifstream in(output, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  t.output = text.str();
  return t;
}

int Count(const std::string &text, const std::string &what) {
  int n = 0;
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

}  // namespace

int main() {
  try {
    rig::Session session = rig::Session::fromEnvironment();
    if (!session.hasDisplay()) throw rig::Error("the rig session is not running");
    rig::Driver driver(session);
    std::vector<std::unique_ptr<rig::Port>> ports;
    std::vector<std::pair<std::string, std::string>> listed;
    for (int i = 0; i < kPorts; ++i) {
      const std::string com = "COM" + std::to_string(20 + i);
      rig::AdapterOptions adapter;
      switch (i % 4) {
      case 0: break;
      case 1: adapter.baud = 115200; break;
      case 2: adapter.mode = "silent"; break;
      case 3: adapter.mode = "cr"; break;
      }
      ports.push_back(std::make_unique<rig::Port>(session, com, adapter));
      listed.emplace_back("Rig" + std::to_string(i), com);
    }
    driver.setSerialComm(listed);
    rig::TempDir dir(session.runDir());
    const rig::fs::path output = dir.path() / "output";

    std::vector<double> totals, starts;
    for (int run = 0; run < kRuns; ++run) {
      starts.push_back(Run(session, {"--help"}, output).ms);
      const Timed probe = Run(session, {"--baud", "auto", "--json"}, output);
      if (probe.status != 0 || Count(probe.output, "\"status\":\"answered\"") != 12 ||
          Count(probe.output, "\"baud\":115200") != 4)
        throw rig::Error("unexpected result:\n" + probe.output);
      totals.push_back(probe.ms);
    }
    driver.setSerialComm({});

    const double yardstick = kSpeeds * kTimeoutMs;
    const double start = Median(starts), total = Median(totals), net = total - start;
    double worst = 0;
    for (std::size_t i = 0; i < totals.size(); ++i) worst = std::max(worst, totals[i] - starts[i]);
    std::printf("quillon-probe --baud auto, %d ports at once (4 at 38400, 4 at 115200 only, 4 silent, 4 lone CR),\n"
                "%d speeds of %d ms each, %d runs:\n",
                kPorts, kSpeeds, kTimeoutMs, kRuns);
    std::printf("  whole run under Wine:         median %7.0f ms\n", total);
    std::printf("  starting and ending Wine:     median %7.0f ms  (the same program with --help)\n", start);
    std::printf("  the probe itself:             median %7.0f ms  worst %7.0f ms\n", net, worst);
    std::printf("  one time-out per speed tried:        %7.0f ms  (target: at most %.0f ms, +20 %%)\n", yardstick,
                yardstick * 1.2);
    std::printf("  ratio:                               %7.3f  (one port after another would be %d)\n",
                net / yardstick, kPorts);
    std::printf("  %s\n", worst <= yardstick * 1.2 ? "within the target" : "OVER THE TARGET");
    return worst <= yardstick * 1.2 ? 0 : 1;
  } catch (const std::exception &e) {
    std::fprintf(stderr, "bench_probe: %s\n", e.what());
    return 1;
  }
}
