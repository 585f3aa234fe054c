#pragma once
// quillon-probe's command line: what to probe, at which speeds, for how long,
// what to send beyond "ATI" and how to print. Portable.
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace probe {

// How long each answer's prompt is waited for unless --timeout says otherwise.
inline constexpr int kDefaultTimeoutMs = 500;

// The speeds --baud auto tries, in this order: the speed adapters ship at and
// Quillon uses first, then the others cheap adapters ship at or are set to.
inline constexpr std::array<int, 7> kAutoBauds{38400, 9600, 115200, 57600, 19200, 230400, 500000};
inline constexpr int kDefaultBaud = 38400;
inline constexpr int kLowestBaud = 110;
inline constexpr int kHighestBaud = 4000000;
inline constexpr int kLongestTimeoutMs = 600000;

struct TProbeOptions {
    // The ports to probe, in the order given, each once; empty: every port
    // the system lists.
    std::vector<std::wstring> Ports;
    // The speeds to try, in order, until one gives an answer with a prompt.
    std::vector<int> Bauds{kDefaultBaud};
    int TimeoutMs = kDefaultTimeoutMs;
    // Sent after an answer to "ATI", in order, each followed by CR LF.
    std::vector<std::wstring> Commands;
    bool Json = false;
    bool Help = false;
};

// The options, or why the arguments are not understood (Options empty).
struct TParsedArguments {
    std::optional<TProbeOptions> Options;
    std::wstring Error;
};

// args: the arguments after the program's name. "--name VALUE" and
// "--name=VALUE" are the same; --help (also -h and /?) wins over anything
// else, whatever stands beside it.
TParsedArguments ParseArguments(const std::vector<std::wstring>& args);

// The --help text, lines ended by "\n".
std::wstring HelpText();

}  // namespace probe
