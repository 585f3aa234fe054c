#include "framework/CommandLine.h"

#include <algorithm>

namespace fw {

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> items;
    std::size_t i = 0;
    const auto blank = [&](std::size_t at) { return line[at] == L' ' || line[at] == L'\t'; };
    while (true) {
        while (i < line.size() && blank(i)) ++i;
        if (i == line.size()) break;
        std::wstring item;
        bool quoted = false;
        for (; i < line.size() && (quoted || !blank(i)); ++i) {
            if (line[i] != L'"') {
                item += line[i];
            } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                item += L'"';
                ++i;
            } else {
                quoted = !quoted;
            }
        }
        items.push_back(std::move(item));
    }
    return items;
}

bool HasSwitch(std::wstring_view line, std::wstring_view switchText) {
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    const auto items = SplitCommandLine(line);
    return std::any_of(items.begin() + std::min<std::size_t>(1, items.size()), items.end(), [&](const std::wstring& arg) {
        return std::equal(arg.begin(), arg.end(), switchText.begin(), switchText.end(),
                          [&](wchar_t a, wchar_t b) { return lower(a) == lower(b); });
    });
}

}  // namespace fw
