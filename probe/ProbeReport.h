#pragma once
// What the probe found on each port, and the two ways of printing it: aligned
// text for people, one JSON object per line for scripts. Portable.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace probe {

enum class TPortStatus {
    Answered,    // an answer to "ATI" with a prompt
    NoAnswer,    // nothing came
    NoPrompt,    // bytes came, never a prompt
    Failed,      // the port reported an error
    Unfinished,  // still busy when the run's time was up (a port that does not open, say)
};

struct TCommandResult {
    std::wstring Command;
    std::wstring Raw;     // the bytes that came, one character each
    std::wstring Answer;  // CleanCommandAnswer of them
    bool Prompted = false;
};

struct TPortResult {
    std::wstring Port;
    TPortStatus Status = TPortStatus::Unfinished;
    // The speed that answered (Answered only).
    int Baud = 0;
    // The speeds tried, in order.
    std::vector<int> Tried;
    // The cleaned answer to "ATI" (Answered only).
    std::wstring Identity;
    // What came in answer to the last "ATI" sent (its first bytes), and how
    // many bytes that was.
    std::wstring Raw;
    std::uint64_t Bytes = 0;
    std::vector<TCommandResult> Commands;
    // From the start of the port's probe to its result.
    std::int64_t Milliseconds = 0;
    // The serial component's coded error (Failed, or after an answer): its
    // code (0 for a failure that has none) and its message.
    int ErrorCode = 0;
    std::wstring ErrorText;
};

// One line per port (no line ends), aligned in columns: port, speed, identity
// or what happened instead, time taken; each further command's answer on a
// line of its own below. Control characters show as \xNN.
std::vector<std::wstring> PlainLines(const std::vector<TPortResult>& results);

// The port's result as one JSON object on one line.
std::wstring JsonLine(const TPortResult& result);

// text as a JSON string, quotes included: control characters (C0, DEL and C1)
// are escaped.
std::wstring JsonString(std::wstring_view text);

// 0 when some adapter answered, 1 when none did.
int ExitStatus(const std::vector<TPortResult>& results);

}  // namespace probe
