// The portable part of the framework: exception messages and UTF-16/UTF-8.
#include <gtest/gtest.h>

#include "framework/CommandLine.h"
#include "framework/Exception.h"

namespace {

TEST(TextConversion, RoundTripsEveryPlane) {
    const std::wstring text = L"A\u00e9\u20ac\U0001F600z";
    EXPECT_EQ(fw::ToUtf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
    EXPECT_EQ(fw::FromUtf8(fw::ToUtf8(text)), text);
}

TEST(TextConversion, IllFormedInputBecomesReplacementCharacters) {
    EXPECT_EQ(fw::FromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");           // overlong
    EXPECT_EQ(fw::FromUtf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // surrogate
    EXPECT_EQ(fw::FromUtf8("ab\xE2\x82"), L"ab\uFFFD\uFFFD");        // cut short
    EXPECT_EQ(fw::FromUtf8("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
    std::wstring lone;
    lone += static_cast<wchar_t>(0xD800);
    lone += L'x';
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(fw::ToUtf8(lone), "\xEF\xBF\xBDx");
    }
}

TEST(Exception, MessageAndWhat) {
    const fw::EOSError e(L"Caf\u00e9 failed", 5);
    EXPECT_EQ(e.ErrorCode(), 5u);
    EXPECT_STREQ(e.what(), "Caf\xC3\xA9 failed");
    EXPECT_EQ(fw::ExceptionMessage(std::make_exception_ptr(e)), L"Caf\u00e9 failed");
    EXPECT_EQ(fw::ExceptionMessage(nullptr), L"");
}

TEST(CommandLine, SplitsAtBlanksOutsideQuotes) {
    using V = std::vector<std::wstring>;
    EXPECT_EQ(fw::SplitCommandLine(L"prog.exe"), V{L"prog.exe"});
    EXPECT_EQ(fw::SplitCommandLine(L"  \"C:\\Program Files\\q.exe\"\t/a  b "), (V{L"C:\\Program Files\\q.exe", L"/a", L"b"}));
    EXPECT_EQ(fw::SplitCommandLine(L"p \"say \"\"hi\"\"\" x\"y z\""), (V{L"p", L"say \"hi\"", L"xy z"}));
    EXPECT_EQ(fw::SplitCommandLine(L"p \"\""), (V{L"p", L""}));
    EXPECT_EQ(fw::SplitCommandLine(L""), V{});
}

TEST(CommandLine, SwitchesMatchInAnyLetterCaseAfterTheProgramName) {
    EXPECT_TRUE(fw::HasSwitch(L"q.exe /ACVer", L"/acver"));
    EXPECT_TRUE(fw::HasSwitch(L"q.exe x \"/acver\"", L"/acver"));
    EXPECT_FALSE(fw::HasSwitch(L"/acver", L"/acver"));
    EXPECT_FALSE(fw::HasSwitch(L"q.exe /acverx /acve", L"/acver"));
    EXPECT_FALSE(fw::HasSwitch(L"", L"/acver"));
}

}  // namespace
