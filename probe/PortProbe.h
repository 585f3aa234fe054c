#pragma once
// One port probed: opened as Quillon opens it, asked "ATI" at each speed of
// the plan until an answer with a prompt comes, asked the further commands,
// put back as it was found and closed.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "probe/ProbeReport.h"
#include "serial/CommDevice.h"

namespace probe {

struct TProbePlan {
    std::vector<int> Bauds;  // tried in order, at least one
    std::chrono::milliseconds Timeout{};  // per answer
    std::vector<std::wstring> Commands;
};

// Never throws: what goes wrong is in the result. Safe to run for several
// ports at once, each on its own thread.
TPortResult ProbePort(const std::wstring& port, const TProbePlan& plan,
                      std::shared_ptr<serial::TCommDevice> device = serial::KernelCommDevice());

}  // namespace probe
