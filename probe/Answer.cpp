#include "probe/Answer.h"

namespace probe {

void TAnswer::Take(std::wstring_view bytes) {
    for (wchar_t c : bytes) {
        if (prompted_) return;
        ++bytes_;
        if (raw_.size() < kept_) raw_ += c;
        prompted_ = c == L'>' && lineStart_;
        lineStart_ = c == L'\r' || c == L'\n';
    }
}

std::wstring CleanCommandAnswer(std::wstring_view raw, std::wstring_view command) {
    std::wstring out;
    bool first = true;
    std::size_t from = 0;
    while (from <= raw.size()) {
        std::size_t to = raw.find_first_of(L"\r\n", from);
        if (to == std::wstring_view::npos) to = raw.size();
        const std::wstring_view line = raw.substr(from, to - from);
        const bool echo = first && line == command;
        if (!line.empty()) first = false;
        if (!line.empty() && !echo && line != L">") {
            if (!out.empty()) out += L' ';
            out += line;
        }
        from = to + 1;
    }
    return out;
}

}  // namespace probe
