// Start-up of the real Quillon.exe at 192 dpi against 96 dpi, measured in one
// run by an in-Wine timer (bench_scale_startup.exe) inside a Wine session of
// the bench's own, whose display DPI the timer changes between starts.
#include "rig.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

using namespace std::chrono_literals;

int main() {
  try {
    const rig::Session base = rig::Session::fromEnvironment();
    rig::DpiSession scaled(base);
    const auto timer = base.build() / "bench" / "display-scale" / "bench_scale_startup.exe";
    const auto output = base.build() / "rig" / "bench-display-scale.txt";
    std::string exe = "Z:" + base.quillonExe().string();
    std::replace(exe.begin(), exe.end(), '/', '\\');
    rig::Program program(scaled.session(), timer, {exe}, output);
    if (!program.process().waitExit(600s)) throw rig::Error("the timer did not end");
    std::ifstream in(output);
    std::cout << in.rdbuf();
    std::filesystem::remove(output);
    return program.process().exitCode();
  } catch (const std::exception& e) {
    std::printf("bench_display_scale: %s\n", e.what());
    return 1;
  }
}
