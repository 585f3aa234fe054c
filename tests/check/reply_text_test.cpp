#include "app/ReplyText.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

const std::wstring kIdentity = L"OBD ADAPTER v1.5";

struct LineEnd {
    const wchar_t* name;
    std::wstring_view chars;
};

// CR LF (linefeeds on), lone CR (linefeeds off, the factory default), lone LF.
const LineEnd kLineEnds[] = {{L"CR LF", L"\r\n"}, {L"lone CR", L"\r"}, {L"lone LF", L"\n"}};

// The answer to "ATI": the echo when it is on, the identity, an empty line, the prompt.
std::wstring Answer(std::wstring_view end, bool echo) {
    std::wstring answer = echo ? L"ATI" + std::wstring(end) : L"";
    return answer + kIdentity + std::wstring(end) + std::wstring(end) + L">";
}

TEST(CleanReply, LeavesTheIdentityWhateverTheLineEndsAndTheEcho) {
    for (const LineEnd& end : kLineEnds)
        for (bool echo : {true, false})
            EXPECT_EQ(app::CleanReply(Answer(end.chars, echo)), kIdentity) << end.name << (echo ? L", echo" : L"");
}

struct Case {
    const wchar_t* name;
    std::wstring reply;
    std::wstring shown;
};

TEST(CleanReply, RemovesEchoPromptAndLineBreaksInThatOrder) {
    const Case cases[] = {
        {L"lone CR and lone LF inside the identity", L"A\rB\nC", L"ABC"},
        {L"LF CR", L"x\n\ry", L"xy"},
        {L"runs of line breaks", L"\r\r\n\n\r", L""},
        {L"case-sensitive echo", L"ati Ati ATI", L"ati Ati "},
        {L"echo split by a prompt is joined, not removed", L"AT>I", L"ATI"},
        {L"echo split by a lone CR is joined, not removed", L"AT\rI", L"ATI"},
        {L"echo split by CR LF is joined, not removed", L"A\r\nTI", L"ATI"},
        {L"no rescan of joined text", L"AATITI", L"ATI"},
        {L"prompt between CR and LF", L"a\r>\nb", L"ab"},
        {L"empty", L"", L""},
        {L"bytes above 0x7F kept", L"\x00FF\x0080 ok", L"\x00FF\x0080 ok"},
    };
    for (const Case& c : cases) EXPECT_EQ(app::CleanReply(c.reply), c.shown) << c.name;
}

TEST(CleanReply, KeepsNulCharacters) {
    const std::wstring reply(L"A\0B", 3);
    EXPECT_EQ(app::CleanReply(reply), reply);
}

// An answer that arrives in two notifications is cleaned part by part; each
// part gives its own line in the memo.
struct Split {
    const wchar_t* name;
    std::wstring first, second;
    std::wstring shownFirst, shownSecond;
};

TEST(CleanReply, CleansEachPartOfASplitAnswerByItself) {
    const Split splits[] = {
        {L"CR LF split between CR and LF", L"ATI\r", L"\nOBD ADAPTER v1.5\r\n\r\n>", L"", kIdentity},
        {L"CR LF split in the empty line", L"ATI\r\nOBD ADAPTER v1.5\r\n\r", L"\n>", kIdentity, L""},
        {L"lone CR split in the identity", L"ATI\rOBD ADA", L"PTER v1.5\r\r>", L"OBD ADA", L"PTER v1.5"},
        {L"lone CR split after the identity", L"ATI\rOBD ADAPTER v1.5\r", L"\r>", kIdentity, L""},
        {L"lone LF split after the echo", L"ATI\n", L"OBD ADAPTER v1.5\n\n>", L"", kIdentity},
        {L"echo split is not removed", L"AT", L"I\rOBD ADAPTER v1.5\r\r>", L"AT", L"IOBD ADAPTER v1.5"},
        {L"no echo, lone CR", L"OBD ADAPTER", L" v1.5\r\r>", L"OBD ADAPTER", L" v1.5"},
    };
    for (const Split& s : splits) {
        EXPECT_EQ(app::CleanReply(s.first), s.shownFirst) << s.name;
        EXPECT_EQ(app::CleanReply(s.second), s.shownSecond) << s.name;
    }
}

TEST(CleanReply, NoPartOfASplitAnswerBreaksALine) {
    for (const LineEnd& end : kLineEnds)
        for (bool echo : {true, false}) {
            const std::wstring answer = Answer(end.chars, echo);
            for (std::size_t at = 0; at <= answer.size(); ++at) {
                const std::wstring first = app::CleanReply(answer.substr(0, at));
                const std::wstring second = app::CleanReply(answer.substr(at));
                EXPECT_EQ(first.find_first_of(L"\r\n"), std::wstring::npos) << end.name << " cut at " << at;
                EXPECT_EQ(second.find_first_of(L"\r\n"), std::wstring::npos) << end.name << " cut at " << at;
                // Outside the echo the cut loses nothing: the parts read as the identity.
                if (!echo || at == 0 || at >= 3) {
                    EXPECT_EQ(first + second, kIdentity) << end.name << " cut at " << at;
                }
            }
        }
}

}  // namespace
