#include "reply/ReplyText.h"

#include <string_view>

namespace reply {
namespace {

std::wstring RemoveAll(const std::wstring& text, std::wstring_view what) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(what, from)) != std::wstring::npos; from = at + what.size())
        out.append(text, from, at - from);
    out.append(text, from);
    return out;
}

}  // namespace

std::wstring CleanReply(std::wstring reply) {
    for (std::wstring_view what : {L"ATI", L">"}) reply = RemoveAll(reply, what);
    std::erase_if(reply, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    return reply;
}

}  // namespace reply
