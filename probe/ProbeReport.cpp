#include "probe/ProbeReport.h"

#include <algorithm>

namespace probe {
namespace {

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

std::wstring Hex2(unsigned value) {
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::wstring Shown(std::wstring_view text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (IsControl(c))
            out += L"\\x" + Hex2(static_cast<unsigned>(c));
        else
            out += c;
    }
    return out;
}

// What the third column says for a port.
std::wstring Outcome(const TPortResult& r) {
    switch (r.Status) {
    case TPortStatus::Answered: return r.Identity.empty() ? L"(no identity)" : Shown(r.Identity);
    case TPortStatus::NoAnswer: return L"no answer";
    case TPortStatus::NoPrompt:
        return std::to_wstring(r.Bytes) + (r.Bytes == 1 ? L" byte" : L" bytes") + L" without a prompt";
    case TPortStatus::Failed: return Shown(r.ErrorText);
    case TPortStatus::Unfinished: return L"no result in time";
    }
    return {};
}

std::wstring Padded(std::wstring text, std::size_t width) {
    text.resize(std::max(text.size(), width), L' ');
    return text;
}

std::wstring RightAligned(const std::wstring& text, std::size_t width) {
    return std::wstring(width > text.size() ? width - text.size() : 0, L' ') + text;
}

std::wstring JsonNumberOrNull(long long value, bool present) { return present ? std::to_wstring(value) : L"null"; }

std::wstring JsonStringOrNull(std::wstring_view text, bool present) { return present ? JsonString(text) : L"null"; }

const wchar_t* StatusName(TPortStatus status) {
    switch (status) {
    case TPortStatus::Answered: return L"answered";
    case TPortStatus::NoAnswer: return L"no answer";
    case TPortStatus::NoPrompt: return L"no prompt";
    case TPortStatus::Failed: return L"error";
    case TPortStatus::Unfinished: return L"unfinished";
    }
    return L"";
}

}  // namespace

std::vector<std::wstring> PlainLines(const std::vector<TPortResult>& results) {
    std::size_t portWidth = 0, baudWidth = 1, textWidth = 0, timeWidth = 0;
    const auto baudText = [](const TPortResult& r) {
        return r.Status == TPortStatus::Answered ? std::to_wstring(r.Baud) : std::wstring(L"-");
    };
    const auto timeText = [](const TPortResult& r) { return std::to_wstring(r.Milliseconds) + L" ms"; };
    for (const TPortResult& r : results) {
        portWidth = std::max(portWidth, Shown(r.Port).size());
        baudWidth = std::max(baudWidth, baudText(r).size());
        textWidth = std::max(textWidth, Outcome(r).size());
        timeWidth = std::max(timeWidth, timeText(r).size());
    }
    const std::wstring indent(portWidth + 2 + baudWidth + 2, L' ');
    std::vector<std::wstring> lines;
    for (const TPortResult& r : results) {
        lines.push_back(Padded(Shown(r.Port), portWidth) + L"  " + Padded(baudText(r), baudWidth) + L"  " +
                        Padded(Outcome(r), textWidth) + L"  " + RightAligned(timeText(r), timeWidth));
        for (const TCommandResult& c : r.Commands) {
            std::wstring line = indent + Shown(c.Command) + L":";
            if (!c.Answer.empty()) line += L" " + Shown(c.Answer);
            if (!c.Prompted) line += L" (no prompt)";
            lines.push_back(line);
        }
        if (r.Status == TPortStatus::Answered && !r.ErrorText.empty()) lines.push_back(indent + Shown(r.ErrorText));
    }
    return lines;
}

std::wstring JsonLine(const TPortResult& r) {
    const bool answered = r.Status == TPortStatus::Answered;
    std::wstring tried;
    for (int baud : r.Tried) tried += (tried.empty() ? L"" : L",") + std::to_wstring(baud);
    std::wstring commands;
    for (const TCommandResult& c : r.Commands) {
        if (!commands.empty()) commands += L',';
        commands += L"{\"command\":" + JsonString(c.Command) + L",\"answer\":" + JsonString(c.Answer) +
                    L",\"raw\":" + JsonString(c.Raw) + L",\"prompt\":" + (c.Prompted ? L"true" : L"false") + L"}";
    }
    return L"{\"port\":" + JsonString(r.Port) + L",\"status\":" + JsonString(StatusName(r.Status)) +
           L",\"baud\":" + JsonNumberOrNull(r.Baud, answered) + L",\"tried\":[" + tried + L"]" +
           L",\"identity\":" + JsonStringOrNull(r.Identity, answered) + L",\"raw\":" + JsonString(r.Raw) +
           L",\"bytes\":" + std::to_wstring(r.Bytes) + L",\"commands\":[" + commands + L"]" +
           L",\"ms\":" + std::to_wstring(r.Milliseconds) + L",\"error_code\":" +
           JsonNumberOrNull(r.ErrorCode, r.ErrorCode != 0) + L",\"error_text\":" +
           JsonStringOrNull(r.ErrorText, !r.ErrorText.empty()) + L"}";
}

std::wstring JsonString(std::wstring_view text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        case L'\b': out += L"\\b"; break;
        case L'\f': out += L"\\f"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (IsControl(c))
                out += L"\\u00" + Hex2(static_cast<unsigned>(c));
            else
                out += c;
        }
    }
    return out + L"\"";
}

int ExitStatus(const std::vector<TPortResult>& results) {
    return std::any_of(results.begin(), results.end(),
                       [](const TPortResult& r) { return r.Status == TPortStatus::Answered; })
               ? 0
               : 1;
}

}  // namespace probe
