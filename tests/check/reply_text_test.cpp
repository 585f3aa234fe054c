#include "app/ReplyText.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const wchar_t* name;
    std::wstring reply;
    std::wstring shown;
};

TEST(CleanReply, RemovesEchoPromptAndLineBreaksInThatOrder) {
    const Case cases[] = {
        {L"whole reply", L"ATI\r\nOBD ADAPTER v1.5\r\n\r\n>", L"OBD ADAPTER v1.5"},
        {L"lone CR and lone LF stay", L"A\rB\nC", L"A\rB\nC"},
        {L"LF CR is no pair", L"x\n\ry", L"x\n\ry"},
        {L"case-sensitive echo", L"ati Ati ATI", L"ati Ati "},
        {L"echo split by a prompt is joined, not removed", L"AT>I", L"ATI"},
        {L"CR and LF joined by the removed echo form a pair", L"\rATI\n", L""},
        {L"prompt between CR and LF", L"a\r>\nb", L"ab"},
        {L"no rescan of joined text", L"AATITI", L"ATI"},
        {L"overlapping pairs", L"\r\r\n\n", L"\r\n"},
        {L"empty", L"", L""},
        {L"bytes above 0x7F kept", std::wstring(L"\x00FF\x0080 ok"), std::wstring(L"\x00FF\x0080 ok")},
    };
    for (const Case& c : cases) EXPECT_EQ(app::CleanReply(c.reply), c.shown) << c.name;
}

TEST(CleanReply, KeepsNulCharacters) {
    const std::wstring reply(L"A\0B", 3);
    EXPECT_EQ(app::CleanReply(reply), reply);
}

}  // namespace
