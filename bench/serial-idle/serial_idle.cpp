// The idle cost of an open port, the component alone: serial_pty_agent.exe
// (one TComPort configured as the adapter check's: all ten events, batches
// handed to the GUI thread) with its port open and nothing arriving, beside
// the yardstick, a minimal Win32 program waiting in WaitCommEvent with the
// same event mask on a port of its own (bench/check's serial_idle_peer).
// Both are measured over the same windows of 10 s, three of them; most of
// either figure is Wine polling the line for the event wait. bench/check
// measures the whole program with its port open, port-list refresh included.
#include "PtyAgent.h"

#include <chrono>
#include <cstdio>
#include <thread>

using namespace std::chrono_literals;

int main() {
  try {
    serialpty::Pty agentPty("COM65");
    serialpty::Pty peerPty("COM66");
    serialpty::Agent agent;
    agent.call("open COM65");
    rig::Process peer = rig::startReadyWineProgram(
        serialpty::session(), serialpty::session().build() / "bench" / "check" / "serial_idle_peer.exe", {"COM66", "1535"});
    std::this_thread::sleep_for(1s);  // both settled in their waits

    constexpr int kWindows = 3, kSeconds = 10;
    using Seconds = std::chrono::duration<double>;
    Seconds agentTotal{0}, peerTotal{0};
    std::printf("serial-idle: port open, nothing arriving, %d windows of %d s\n", kWindows, kSeconds);
    for (int w = 0; w < kWindows; ++w) {
      const auto agentStart = rig::processorTime(agent.pid()), peerStart = rig::processorTime(peer.pid());
      std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
      const Seconds agentUsed = rig::processorTime(agent.pid()) - agentStart;
      const Seconds peerUsed = rig::processorTime(peer.pid()) - peerStart;
      agentTotal += agentUsed;
      peerTotal += peerUsed;
      std::printf("  window %d: TComPort %.3f %% of one core, yardstick %.3f %%\n", w + 1,
                  100.0 * agentUsed.count() / kSeconds, 100.0 * peerUsed.count() / kSeconds);
    }
    const double seconds = double(kWindows * kSeconds);
    std::printf("  all: TComPort %.3f %%, yardstick (WaitCommEvent loop, same event mask) %.3f %%\n",
                100.0 * agentTotal.count() / seconds, 100.0 * peerTotal.count() / seconds);
    std::printf("  TComPort / yardstick: %.2f (target at most 1.1)\n",
                peerTotal.count() > 0 ? agentTotal / peerTotal : 0.0);
    agent.call("close");
    return 0;
  } catch (const std::exception &e) {
    std::fprintf(stderr, "serial_idle: %s\n", e.what());
    return 1;
  }
}
