// quillon-probe's command line: what each option gives, and every way of
// getting it wrong ending in a message rather than a guess.
#include "probe/ProbeOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using probe::ParseArguments;
using probe::TProbeOptions;

TProbeOptions Parsed(const std::vector<std::wstring>& args) {
    const probe::TParsedArguments parsed = ParseArguments(args);
    EXPECT_TRUE(parsed.Options) << std::string(parsed.Error.begin(), parsed.Error.end());
    return parsed.Options.value_or(TProbeOptions{});
}

std::wstring Error(const std::vector<std::wstring>& args) {
    const probe::TParsedArguments parsed = ParseArguments(args);
    EXPECT_FALSE(parsed.Options);
    return parsed.Error;
}

TEST(ProbeOptions, NoArgumentsProbeEveryListedPortOnceAt38400) {
    const TProbeOptions o = Parsed({});
    EXPECT_TRUE(o.Ports.empty());
    EXPECT_EQ(o.Bauds, std::vector<int>{38400});
    EXPECT_EQ(o.TimeoutMs, probe::kDefaultTimeoutMs);
    EXPECT_TRUE(o.Commands.empty());
    EXPECT_FALSE(o.Json);
    EXPECT_FALSE(o.Help);
}

TEST(ProbeOptions, EachOptionInBothSpellings) {
    const TProbeOptions o = Parsed({L"--port", L"COM3", L"--port=COM10", L"--baud", L"115200", L"--timeout=250",
                                    L"--command", L"AT RV", L"--command=AT@1", L"--json"});
    EXPECT_EQ(o.Ports, (std::vector<std::wstring>{L"COM3", L"COM10"}));
    EXPECT_EQ(o.Bauds, std::vector<int>{115200});
    EXPECT_EQ(o.TimeoutMs, 250);
    EXPECT_EQ(o.Commands, (std::vector<std::wstring>{L"AT RV", L"AT@1"}));
    EXPECT_TRUE(o.Json);
}

TEST(ProbeOptions, AutoTriesTheCommonSpeeds38400First) {
    for (const wchar_t* spelling : {L"auto", L"AUTO", L"Auto"}) {
        EXPECT_EQ(Parsed({L"--baud", spelling}).Bauds,
                  (std::vector<int>{38400, 9600, 115200, 57600, 19200, 230400, 500000}))
            << spelling;
    }
}

TEST(ProbeOptions, APortNamedTwiceIsProbedOnceInTheOrderFirstGiven) {
    EXPECT_EQ(Parsed({L"--port", L"COM4", L"--port", L"COM3", L"--port", L"com4"}).Ports,
              (std::vector<std::wstring>{L"COM4", L"COM3"}));
}

TEST(ProbeOptions, CommandsKeepTheirOrderAndRepeats) {
    EXPECT_EQ(Parsed({L"--command", L"ATZ", L"--command", L"AT RV", L"--command", L"ATZ"}).Commands,
              (std::vector<std::wstring>{L"ATZ", L"AT RV", L"ATZ"}));
    // Latin-1 text goes out one byte per character.
    EXPECT_EQ(Parsed({L"--command", L"AT\x00E9"}).Commands, std::vector<std::wstring>{L"AT\x00E9"});
}

TEST(ProbeOptions, HelpWinsWhateverStandsBesideIt) {
    for (const wchar_t* help : {L"--help", L"-h", L"/?"}) {
        EXPECT_TRUE(Parsed({help}).Help) << help;
        EXPECT_TRUE(Parsed({L"--baud", L"nonsense", help}).Help) << help;
    }
}

TEST(ProbeOptions, SpeedAndTimeoutBounds) {
    EXPECT_EQ(Parsed({L"--baud", L"110"}).Bauds, std::vector<int>{110});
    EXPECT_EQ(Parsed({L"--baud", L"4000000"}).Bauds, std::vector<int>{4000000});
    EXPECT_EQ(Parsed({L"--timeout", L"1"}).TimeoutMs, 1);
    EXPECT_EQ(Parsed({L"--timeout", L"600000"}).TimeoutMs, 600000);
}

struct Wrong {
    std::vector<std::wstring> args;
    std::wstring error;
};

TEST(ProbeOptions, UsageErrorsSayWhatIsWrong) {
    const Wrong cases[] = {
        {{L"COM3"}, L"unexpected argument \"COM3\""},
        {{L"-port", L"COM3"}, L"unexpected argument \"-port\""},
        {{L"--verbose"}, L"unknown option \"--verbose\""},
        {{L"--port"}, L"--port needs a value"},
        {{L"--port="}, L"--port needs a port name such as COM3, not \"\""},
        {{L"--port", L"\\\\.\\COM3"}, L"--port needs a port name such as COM3, not \"\\\\.\\COM3\""},
        {{L"--port", L"COM 3"}, L"--port needs a port name such as COM3, not \"COM 3\""},
        {{L"--baud", L"fast"}, L"--baud needs auto or a speed from 110 to 4000000 bits per second, not \"fast\""},
        {{L"--baud", L"0"}, L"--baud needs auto or a speed from 110 to 4000000 bits per second, not \"0\""},
        {{L"--baud", L"-9600"}, L"--baud needs auto or a speed from 110 to 4000000 bits per second, not \"-9600\""},
        {{L"--baud", L"4000001"},
         L"--baud needs auto or a speed from 110 to 4000000 bits per second, not \"4000001\""},
        {{L"--baud", L"99999999999"},
         L"--baud needs auto or a speed from 110 to 4000000 bits per second, not \"99999999999\""},
        {{L"--baud", L"9600", L"--baud", L"auto"}, L"--baud is given twice"},
        {{L"--timeout", L"0"}, L"--timeout needs milliseconds from 1 to 600000, not \"0\""},
        {{L"--timeout", L"1.5"}, L"--timeout needs milliseconds from 1 to 600000, not \"1.5\""},
        {{L"--timeout", L"600001"}, L"--timeout needs milliseconds from 1 to 600000, not \"600001\""},
        {{L"--timeout", L"100", L"--timeout=200"}, L"--timeout is given twice"},
        {{L"--command", L""},
         L"--command needs printable text (characters up to U+00FF, sent one byte each), not \"\""},
        {{L"--command", L"AT\rZ"},
         L"--command needs printable text (characters up to U+00FF, sent one byte each), not \"AT\rZ\""},
        {{L"--command", L"AT\x20AC"},
         L"--command needs printable text (characters up to U+00FF, sent one byte each), not \"AT\x20AC\""},
        {{L"--json=yes"}, L"--json takes no value"},
    };
    for (const Wrong& c : cases) {
        std::wstring args;
        for (const std::wstring& a : c.args) args += L" [" + a + L"]";
        EXPECT_EQ(Error(c.args), c.error) << std::string(args.begin(), args.end());
    }
}

TEST(ProbeOptions, HelpFitsOneScreenAndNamesEveryOption) {
    const std::wstring help = probe::HelpText();
    int lines = 0;
    std::size_t from = 0;
    for (std::size_t at; (at = help.find(L'\n', from)) != std::wstring::npos; from = at + 1) {
        ++lines;
        EXPECT_LE(at - from, 79u) << "line " << lines;
    }
    EXPECT_EQ(from, help.size()) << "the last line ends with a line end";
    EXPECT_LE(lines, 24);
    for (const char* option : {"--port", "--baud auto", "--baud N", "--timeout", "--command", "--json"})
        EXPECT_NE(help.find(std::wstring(option, option + std::char_traits<char>::length(option))), std::wstring::npos)
            << option;
    EXPECT_NE(help.find(L"(default " + std::to_wstring(probe::kDefaultTimeoutMs) + L")"), std::wstring::npos);
    EXPECT_NE(help.find(L"Exit status: 0"), std::wstring::npos);
}

}  // namespace
