#include "probe/ProbeOptions.h"

#include <algorithm>
#include <string_view>

namespace probe {
namespace {

bool IsHelp(std::wstring_view arg) { return arg == L"--help" || arg == L"-h" || arg == L"/?"; }

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

// A whole number from lowest to highest, written in decimal digits only.
std::optional<int> Number(std::wstring_view text, int lowest, int highest) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

// A port name as the system lists them (COM3, and what other drivers call
// theirs): it is opened as "\\.\" followed by the name.
bool ValidPortName(std::wstring_view name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), [](wchar_t c) {
        return c <= L' ' || c == L'\\' || c == L'/' || c == L':' || c == 0x7F;
    });
}

// Sent one byte per character: printable characters up to U+00FF.
bool ValidCommand(std::wstring_view command) {
    return !command.empty() && std::none_of(command.begin(), command.end(), [](wchar_t c) {
        return c < L' ' || (c >= 0x7F && c <= 0x9F) || c > 0xFF;
    });
}

bool SameName(std::wstring_view a, std::wstring_view b) { return Lower(a) == Lower(b); }

std::wstring Quoted(std::wstring_view text) { return L"\"" + std::wstring(text) + L"\""; }

class TParser {
public:
    explicit TParser(const std::vector<std::wstring>& args) : args_(args) {}

    TParsedArguments Run() {
        if (std::any_of(args_.begin(), args_.end(), IsHelp)) {
            TProbeOptions options;
            options.Help = true;
            return {options, {}};
        }
        for (next_ = 0; next_ < args_.size();) {
            if (!Step()) return {std::nullopt, error_};
        }
        return {options_, {}};
    }

private:
    // One option and its value; false with error_ set when they are wrong.
    bool Step() {
        const std::wstring& arg = args_[next_++];
        if (!arg.starts_with(L"--")) return Fail(L"unexpected argument " + Quoted(arg));
        const std::size_t equals = arg.find(L'=');
        const std::wstring name = arg.substr(0, equals);
        std::optional<std::wstring> inlineValue;
        if (equals != std::wstring::npos) inlineValue = arg.substr(equals + 1);

        if (name == L"--json") {
            if (inlineValue) return Fail(L"--json takes no value");
            options_.Json = true;
            return true;
        }
        if (name != L"--port" && name != L"--baud" && name != L"--timeout" && name != L"--command")
            return Fail(L"unknown option " + Quoted(name));
        std::wstring value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (next_ == args_.size()) return Fail(name + L" needs a value");
            value = args_[next_++];
        }

        if (name == L"--port") {
            if (!ValidPortName(value)) return Fail(L"--port needs a port name such as COM3, not " + Quoted(value));
            const bool known = std::any_of(options_.Ports.begin(), options_.Ports.end(),
                                           [&](const std::wstring& port) { return SameName(port, value); });
            if (!known) options_.Ports.push_back(value);
            return true;
        }
        if (name == L"--command") {
            if (!ValidCommand(value))
                return Fail(L"--command needs printable text (characters up to U+00FF, sent one byte each), not " +
                            Quoted(value));
            options_.Commands.push_back(value);
            return true;
        }
        if (name == L"--baud") {
            if (baudGiven_) return Fail(L"--baud is given twice");
            baudGiven_ = true;
            if (Lower(value) == L"auto") {
                options_.Bauds.assign(kAutoBauds.begin(), kAutoBauds.end());
                return true;
            }
            const std::optional<int> baud = Number(value, kLowestBaud, kHighestBaud);
            if (!baud)
                return Fail(L"--baud needs auto or a speed from " + std::to_wstring(kLowestBaud) + L" to " +
                            std::to_wstring(kHighestBaud) + L" bits per second, not " + Quoted(value));
            options_.Bauds = {*baud};
            return true;
        }
        if (timeoutGiven_) return Fail(L"--timeout is given twice");
        timeoutGiven_ = true;
        const std::optional<int> timeout = Number(value, 1, kLongestTimeoutMs);
        if (!timeout)
            return Fail(L"--timeout needs milliseconds from 1 to " + std::to_wstring(kLongestTimeoutMs) + L", not " +
                        Quoted(value));
        options_.TimeoutMs = *timeout;
        return true;
    }

    bool Fail(std::wstring error) {
        error_ = std::move(error);
        return false;
    }

    const std::vector<std::wstring>& args_;
    std::size_t next_ = 0;
    TProbeOptions options_;
    bool baudGiven_ = false;
    bool timeoutGiven_ = false;
    std::wstring error_;
};

}  // namespace

TParsedArguments ParseArguments(const std::vector<std::wstring>& args) { return TParser(args).Run(); }

std::wstring HelpText() {
    return L"Usage: quillon-probe [--port COMn]... [--baud auto|N] [--timeout MS]\n"
           L"                     [--command TEXT]... [--json]\n"
           L"\n"
           L"Finds the vehicle-diagnostic adapters on this machine's serial ports. It\n"
           L"probes every port the system lists, all at once: opens it at 38400 baud 8N1\n"
           L"with DTR on and RTS off, sends \"ATI\" CR LF and waits for the answer up to\n"
           L"the adapter's \">\" prompt, then prints one line per port: the port, the\n"
           L"speed that answered, the identity (as Quillon shows it) and the time taken,\n"
           L"or why there is none: no answer, no prompt, or the port's error.\n"
           L"\n"
           L"  --port COMn     probe this port only (repeatable)\n"
           L"  --baud auto     try 38400, 9600, 115200, 57600, 19200, 230400 and 500000\n"
           L"                  in turn until an answer comes with the prompt\n"
           L"  --baud N        this speed only (default 38400)\n"
           L"  --timeout MS    wait up to MS for each answer (default " +
           std::to_wstring(kDefaultTimeoutMs) +
           L")\n"
           L"  --command TEXT  then send TEXT CR LF and report its answer (repeatable)\n"
           L"  --json          one JSON object per port and line\n"
           L"\n"
           L"Nothing else is sent, no setting is kept: each port is closed with its\n"
           L"settings as they were. A run takes at most MS per speed tried and per\n"
           L"command, plus a little, however many ports there are.\n"
           L"Exit status: 0 an adapter answered, 1 none did, 2 the arguments are wrong.\n";
}

}  // namespace probe
