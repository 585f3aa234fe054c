// The probe's answers and output: where an answer ends, what a further
// command's answer reads as, the aligned text for people and the JSON lines
// for scripts, byte for byte.
#include "framework/Exception.h"
#include "probe/Answer.h"
#include "probe/ProbeReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using probe::TAnswer;
using probe::TPortResult;
using probe::TPortStatus;

TEST(Answer, EndsAtAPromptThatStartsALine) {
    const struct {
        const wchar_t* bytes;
        bool prompted;
    } cases[] = {
        {L"ATI\r\nAdapter 1.5\r\n\r\n>", true},
        {L"ATI\rAdapter 1.5\r\r>", true},
        {L">", true},
        {L"Adapter 1.5\n>", true},
        {L"ATI\r\nAdapter 1.5", false},
        {L"Ada>pter", false},  // amid text: noise, not a prompt
        {L"\x00E3>\x0091", false},
        {L"", false},
    };
    for (const auto& c : cases) {
        TAnswer answer;
        answer.Take(c.bytes);
        EXPECT_EQ(answer.Prompted(), c.prompted) << c.bytes;
    }
}

TEST(Answer, ThePromptCutFromItsLineStartStillCounts) {
    TAnswer answer;
    for (const wchar_t* part : {L"ATI\r\nAda", L"pter 1.5\r", L"\n\r\n", L">"}) {
        EXPECT_FALSE(answer.Prompted());
        answer.Take(part);
    }
    EXPECT_TRUE(answer.Prompted());
    EXPECT_EQ(answer.Raw(), L"ATI\r\nAdapter 1.5\r\n\r\n>");
    EXPECT_EQ(answer.Bytes(), 21u);
}

TEST(Answer, BytesAfterThePromptAreNotPartOfIt) {
    TAnswer answer;
    answer.Take(L"OK\r>\r\nmore");
    answer.Take(L"and more");
    EXPECT_EQ(answer.Raw(), L"OK\r>");
    EXPECT_EQ(answer.Bytes(), 4u);
}

TEST(Answer, AStreamIsCountedButOnlyItsFirstBytesKept) {
    TAnswer answer(8);
    for (int i = 0; i < 1000; ++i) answer.Take(L"0123456789");
    EXPECT_EQ(answer.Raw(), L"01234567");
    EXPECT_EQ(answer.Bytes(), 10000u);
    EXPECT_FALSE(answer.Prompted());
    answer.Take(L"\r>");
    EXPECT_TRUE(answer.Prompted()) << "a prompt beyond the kept bytes still ends the answer";
}

TEST(CleanCommandAnswer, DropsTheEchoEmptyLinesAndThePrompt) {
    const struct {
        const wchar_t* raw;
        const wchar_t* command;
        const wchar_t* shown;
    } cases[] = {
        {L"AT RV\r12.6V\r\r>", L"AT RV", L"12.6V"},
        {L"AT RV\r\n12.6V\r\n\r\n>", L"AT RV", L"12.6V"},
        {L"12.6V\r\r>", L"AT RV", L"12.6V"},  // echo off
        {L"0100\r41 00 BE 3F A8 13\r41 00 98 18 80 10\r\r>", L"0100", L"41 00 BE 3F A8 13 41 00 98 18 80 10"},
        {L"ATE0\rOK\r\r>", L"ATE0", L"OK"},
        {L"AT RV\r\r>", L"AT RV", L""},
        {L"AT RV\rAT RV\r>", L"AT RV", L"AT RV"},  // only the first line is the echo
        {L"AT RV\r12.", L"AT RV", L"12."},       // no prompt came
        {L"", L"AT RV", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(probe::CleanCommandAnswer(c.raw, c.command), c.shown) << c.raw;
}

TPortResult Answered(std::wstring port, int baud, std::wstring identity, std::int64_t ms) {
    TPortResult r;
    r.Port = std::move(port);
    r.Status = TPortStatus::Answered;
    r.Baud = baud;
    r.Tried = {baud};
    r.Identity = std::move(identity);
    r.Raw = L"ATI\r\n" + r.Identity + L"\r\n\r\n>";
    r.Bytes = r.Raw.size();
    r.Milliseconds = ms;
    return r;
}

TPortResult Other(std::wstring port, TPortStatus status, std::int64_t ms) {
    TPortResult r;
    r.Port = std::move(port);
    r.Status = status;
    r.Tried = {38400};
    r.Milliseconds = ms;
    return r;
}

std::vector<TPortResult> Fleet() {
    std::vector<TPortResult> results;
    results.push_back(Answered(L"COM10", 115200, L"QUILLON SIM 1.0", 1012));
    results.push_back(Answered(L"COM3", 38400, L"Adapter 1.5", 9));
    results.push_back(Other(L"COM4", TPortStatus::NoAnswer, 501));
    TPortResult garbage = Other(L"COM5", TPortStatus::NoPrompt, 503);
    garbage.Raw = L"\x00E3\x0091\x0001";
    garbage.Bytes = 64;
    results.push_back(garbage);
    TPortResult inUse = Other(L"COM6", TPortStatus::Failed, 0);
    inUse.Tried.clear();
    inUse.ErrorCode = 1;
    inUse.ErrorText = L"Unable to open com port (Error: 5)";
    results.push_back(inUse);
    return results;
}

TEST(PlainLines, OneAlignedLinePerPortTimesRightAligned) {
    const std::vector<std::wstring> expected = {
        L"COM10  115200  QUILLON SIM 1.0                     1012 ms",
        L"COM3   38400   Adapter 1.5                            9 ms",
        L"COM4   -       no answer                            501 ms",
        L"COM5   -       64 bytes without a prompt            503 ms",
        L"COM6   -       Unable to open com port (Error: 5)     0 ms",
    };
    EXPECT_EQ(probe::PlainLines(Fleet()), expected);
}

TEST(PlainLines, CommandAnswersBelowTheirPortControlCharactersShown) {
    TPortResult r = Answered(L"COM3", 38400, L"Ada\x0007 v1.5\x0080", 45);
    r.Commands = {{L"AT RV", L"AT RV\r12.6V\r\r>", L"12.6V", true},
                  {L"AT@1", L"AT@1\r", L"", false},
                  {L"ATDP", L"ATDP\rAUTO\r\r>", L"AUTO", true}};
    const std::vector<std::wstring> expected = {
        L"COM3  38400  Ada\\x07 v1.5\\x80  45 ms",
        L"             AT RV: 12.6V",
        L"             AT@1: (no prompt)",
        L"             ATDP: AUTO",
    };
    EXPECT_EQ(probe::PlainLines({r}), expected);
}

TEST(PlainLines, OddOutcomes) {
    TPortResult empty = Answered(L"COM3", 9600, L"", 20);
    TPortResult oneByte = Other(L"COM4", TPortStatus::NoPrompt, 500);
    oneByte.Bytes = 1;
    TPortResult unfinished = Other(L"COM5", TPortStatus::Unfinished, 1500);
    TPortResult closeFailed = Answered(L"COM6", 38400, L"Adapter 1.5", 30);
    closeFailed.ErrorCode = 5;
    closeFailed.ErrorText = L"PurgeComm function failed (Error: 22)";
    // The widest outcome sets the column: "1 byte without a prompt".
    const std::vector<std::wstring> expected = {
        L"COM3  9600   (no identity)              20 ms",
        L"COM4  -      1 byte without a prompt   500 ms",
        L"COM5  -      no result in time        1500 ms",
        L"COM6  38400  Adapter 1.5                30 ms",
        L"             PurgeComm function failed (Error: 22)",
    };
    EXPECT_EQ(probe::PlainLines({empty, oneByte, unfinished, closeFailed}), expected);
}

TEST(JsonLine, EveryFieldOfEveryOutcome) {
    const std::vector<TPortResult> fleet = Fleet();
    EXPECT_EQ(probe::JsonLine(fleet[0]),
              L"{\"port\":\"COM10\",\"status\":\"answered\",\"baud\":115200,\"tried\":[115200],"
              L"\"identity\":\"QUILLON SIM 1.0\",\"raw\":\"ATI\\r\\nQUILLON SIM 1.0\\r\\n\\r\\n>\",\"bytes\":25,"
              L"\"commands\":[],\"ms\":1012,\"error_code\":null,\"error_text\":null}");
    EXPECT_EQ(probe::JsonLine(fleet[2]),
              L"{\"port\":\"COM4\",\"status\":\"no answer\",\"baud\":null,\"tried\":[38400],\"identity\":null,"
              L"\"raw\":\"\",\"bytes\":0,\"commands\":[],\"ms\":501,\"error_code\":null,\"error_text\":null}");
    EXPECT_EQ(probe::JsonLine(fleet[3]),
              L"{\"port\":\"COM5\",\"status\":\"no prompt\",\"baud\":null,\"tried\":[38400],\"identity\":null,"
              L"\"raw\":\"\x00E3\\u0091\\u0001\",\"bytes\":64,\"commands\":[],\"ms\":503,\"error_code\":null,"
              L"\"error_text\":null}");
    EXPECT_EQ(probe::JsonLine(fleet[4]),
              L"{\"port\":\"COM6\",\"status\":\"error\",\"baud\":null,\"tried\":[],\"identity\":null,\"raw\":\"\","
              L"\"bytes\":0,\"commands\":[],\"ms\":0,\"error_code\":1,"
              L"\"error_text\":\"Unable to open com port (Error: 5)\"}");
    TPortResult unfinished = Other(L"COM7", TPortStatus::Unfinished, 1500);
    unfinished.Tried.clear();
    EXPECT_EQ(probe::JsonLine(unfinished),
              L"{\"port\":\"COM7\",\"status\":\"unfinished\",\"baud\":null,\"tried\":[],\"identity\":null,"
              L"\"raw\":\"\",\"bytes\":0,\"commands\":[],\"ms\":1500,\"error_code\":null,\"error_text\":null}");
}

TEST(JsonLine, CommandsAndSpeedsTriedInOrder) {
    TPortResult r = Answered(L"COM4", 115200, L"Adapter 1.5", 1010);
    r.Tried = {38400, 9600, 115200};
    r.Commands = {{L"AT RV", L"AT RV\r12.6V\r\r>", L"12.6V", true}, {L"AT@1", L"AT@1\r", L"", false}};
    EXPECT_EQ(probe::JsonLine(r),
              L"{\"port\":\"COM4\",\"status\":\"answered\",\"baud\":115200,\"tried\":[38400,9600,115200],"
              L"\"identity\":\"Adapter 1.5\",\"raw\":\"ATI\\r\\nAdapter 1.5\\r\\n\\r\\n>\",\"bytes\":21,"
              L"\"commands\":[{\"command\":\"AT RV\",\"answer\":\"12.6V\",\"raw\":\"AT RV\\r12.6V\\r\\r>\",\"prompt\":true},"
              L"{\"command\":\"AT@1\",\"answer\":\"\",\"raw\":\"AT@1\\r\",\"prompt\":false}],"
              L"\"ms\":1010,\"error_code\":null,\"error_text\":null}");
}

TEST(JsonString, EscapesQuotesBackslashesAndEveryControlCharacter) {
    EXPECT_EQ(probe::JsonString(L""), L"\"\"");
    EXPECT_EQ(probe::JsonString(L"a\"b\\c/d"), L"\"a\\\"b\\\\c/d\"");
    EXPECT_EQ(probe::JsonString(L"\b\f\n\r\t"), L"\"\\b\\f\\n\\r\\t\"");
    EXPECT_EQ(probe::JsonString(std::wstring(L"\0\x01\x1F\x7F", 4)), L"\"\\u0000\\u0001\\u001F\\u007F\"");
    EXPECT_EQ(probe::JsonString(L"\x0080\x009F\x00A0\x00FF"), L"\"\\u0080\\u009F\x00A0\x00FF\"");
    // Every byte value a port can give: no control character left as it is.
    std::wstring bytes;
    for (wchar_t c = 0; c <= 0xFF; ++c) bytes += c;
    const std::wstring json = probe::JsonString(bytes);
    for (wchar_t c : json) EXPECT_FALSE(c < 0x20 || (c >= 0x7F && c <= 0x9F)) << static_cast<int>(c);
}

TEST(OutputUtf8, EncodesWhatAPortCanGiveAndRejectsHalfPairs) {
    EXPECT_EQ(fw::ToUtf8(L"ATI"), "ATI");
    EXPECT_EQ(fw::ToUtf8(L"\x00E9\x00FF"), "\xC3\xA9\xC3\xBF");
    EXPECT_EQ(fw::ToUtf8(L"\x20AC"), "\xE2\x82\xAC");
    EXPECT_EQ(fw::ToUtf8(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(fw::ToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
        EXPECT_EQ(fw::ToUtf8(L"\xD83D!"), "\xEF\xBF\xBD!");
        EXPECT_EQ(fw::ToUtf8(L"\xDE00"), "\xEF\xBF\xBD");
    } else {
        EXPECT_EQ(fw::ToUtf8(std::wstring(1, static_cast<wchar_t>(0x1F600))), "\xF0\x9F\x98\x80");
        EXPECT_EQ(fw::ToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
    }
}

TEST(ExitStatus, ZeroOnlyWhenAnAdapterAnswered) {
    EXPECT_EQ(probe::ExitStatus(Fleet()), 0);
    std::vector<TPortResult> none = Fleet();
    none.erase(none.begin(), none.begin() + 2);
    EXPECT_EQ(probe::ExitStatus(none), 1);
    EXPECT_EQ(probe::ExitStatus({}), 1);
}

}  // namespace
