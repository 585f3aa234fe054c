// How long a reply takes from the far end of the line to the program's
// receive handler: the far end writes a 21-byte reply on a pty; the port's
// OnRxChar (on the GUI thread, smThreadSync, as in the adapter check) reads it
// and reports back. Median and 95th percentile over 200 replies, beside the
// time the reply would take on the wire at 38400 baud.
#include "PtyAgent.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

int main() {
  serialpty::Pty pty("COM62");
  serialpty::Agent agent;
  agent.call("open COM62");
  agent.call("mode latency");
  const std::string bytes = "QUILLON SIM 1.0\r\n\r\n>\n";
  if (bytes.size() != 21) return 2;
  std::vector<double> ms;
  for (int i = 0; i < 200; ++i) {
    const auto start = std::chrono::steady_clock::now();
    pty.send(bytes);
    auto line = agent.line(5000ms);
    if (!line || *line != "rx") {
      std::fprintf(stderr, "reply %d not delivered\n", i);
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    std::this_thread::sleep_for(10ms);
  }
  agent.call("close");
  std::sort(ms.begin(), ms.end());
  const double wire = 21 * 10 * 1000.0 / 38400;  // start + 8 data + stop bits per byte
  std::printf("serial-latency: 21-byte reply to OnRxChar on the GUI thread, 200 replies\n");
  std::printf("  median %.2f ms, 95th percentile %.2f ms, max %.2f ms\n", ms[ms.size() / 2],
              ms[ms.size() * 95 / 100], ms.back());
  std::printf("  the same reply on the wire at 38400 baud: %.2f ms\n", wire);
  return 0;
}
