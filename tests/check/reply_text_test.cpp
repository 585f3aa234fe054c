#include "app/ReplyDisplay.h"
#include "reply/ReplyText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
            EXPECT_EQ(reply::CleanReply(Answer(end.chars, echo)), kIdentity) << end.name << (echo ? L", echo" : L"");
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
    for (const Case& c : cases) EXPECT_EQ(reply::CleanReply(c.reply), c.shown) << c.name;
}

TEST(CleanReply, KeepsNulCharacters) {
    const std::wstring reply(L"A\0B", 3);
    EXPECT_EQ(reply::CleanReply(reply), reply);
}

// An answer that arrives in two notifications is cleaned part by part; each
// part with anything left gives its own line in the memo (DeviceFoundLine below).
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
        EXPECT_EQ(reply::CleanReply(s.first), s.shownFirst) << s.name;
        EXPECT_EQ(reply::CleanReply(s.second), s.shownSecond) << s.name;
    }
}

TEST(CleanReply, NoPartOfASplitAnswerBreaksALine) {
    for (const LineEnd& end : kLineEnds)
        for (bool echo : {true, false}) {
            const std::wstring answer = Answer(end.chars, echo);
            for (std::size_t at = 0; at <= answer.size(); ++at) {
                const std::wstring first = reply::CleanReply(answer.substr(0, at));
                const std::wstring second = reply::CleanReply(answer.substr(at));
                EXPECT_EQ(first.find_first_of(L"\r\n"), std::wstring::npos) << end.name << " cut at " << at;
                EXPECT_EQ(second.find_first_of(L"\r\n"), std::wstring::npos) << end.name << " cut at " << at;
                // Outside the echo the cut loses nothing: the parts read as the identity.
                if (!echo || at == 0 || at >= 3) {
                    EXPECT_EQ(first + second, kIdentity) << end.name << " cut at " << at;
                }
            }
        }
}


// The reply display: the memo lines an answer gives when it arrives in
// parts, one notification each.
std::vector<std::wstring> MemoLines(const std::vector<std::wstring>& parts) {
    std::vector<std::wstring> lines;
    for (const std::wstring& part : parts)
        if (std::optional<std::wstring> line = app::DeviceFoundLine(part)) lines.push_back(*line);
    return lines;
}

// What a part shows, worked out from what each character of the answer is:
// the identity's characters always, the echo's only when the part holds a
// piece of it and not all of it (a cut echo is not removed).
std::wstring Expected(std::wstring_view answer, std::size_t from, std::size_t to, std::size_t identityAt) {
    const bool wholeEcho = from == 0 && to >= 3;
    std::wstring shown;
    for (std::size_t i = from; i < to; ++i) {
        const bool identity = i >= identityAt && i < identityAt + kIdentity.size();
        const bool echo = i < 3;
        if (identity || (echo && !wholeEcho)) shown += answer[i];
    }
    return shown;
}

// CR LF (linefeeds on) and lone CR (linefeeds off, the factory default).
const LineEnd kDisplayLineEnds[] = {{L"CR LF", L"\r\n"}, {L"lone CR", L"\r"}};

TEST(DeviceFoundLine, TheWholeAnswerGivesOneLineWithTheIdentity) {
    for (const LineEnd& end : kDisplayLineEnds)
        EXPECT_EQ(MemoLines({Answer(end.chars, true)}), std::vector<std::wstring>{L"Device found: " + kIdentity})
            << end.name;
}

TEST(DeviceFoundLine, PartsHoldingOnlyEchoLineBreaksOrPromptGiveNoLine) {
    for (const wchar_t* part : {L"ATI", L"ATI\r\n", L"ATI\r", L"\r\n", L"\r", L"\n", L"\r\n\r\n>", L"\r\r>", L">", L""})
        EXPECT_FALSE(app::DeviceFoundLine(part)) << part;
    EXPECT_EQ(app::DeviceFoundLine(L"AT"), L"Device found: AT");
    EXPECT_EQ(app::DeviceFoundLine(L" "), L"Device found:  ");
}

// Cut once and cut twice at every position: every part with something to
// show gives its own line, in order, and no line announces a device without
// naming one.
TEST(DeviceFoundLine, AnswersCutAnywhereGiveALineForEveryPartWithText) {
    const std::wstring prefix = L"Device found: ";
    for (const LineEnd& end : kDisplayLineEnds) {
        const std::wstring answer = Answer(end.chars, true);
        const std::size_t identityAt = 3 + end.chars.size();
        const std::size_t n = answer.size();
        for (std::size_t a = 0; a <= n; ++a)
            for (std::size_t b = a; b <= n; ++b) {
                const std::vector<std::wstring> lines =
                    MemoLines({answer.substr(0, a), answer.substr(a, b - a), answer.substr(b)});
                std::vector<std::wstring> expected;
                for (auto [from, to] : {std::pair{std::size_t{0}, a}, {a, b}, {b, n}})
                    if (std::wstring shown = Expected(answer, from, to, identityAt); !shown.empty())
                        expected.push_back(prefix + shown);
                EXPECT_EQ(lines, expected) << end.name << " cut at " << a << " and " << b;
                for (const std::wstring& line : lines) EXPECT_NE(line, prefix) << end.name << " cut at " << a << " and " << b;
            }
    }
}

}  // namespace
