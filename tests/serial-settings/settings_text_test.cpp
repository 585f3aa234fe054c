// Setting texts: the tables, the text-to-setting fallbacks and the character
// notation, as stored in settings files and shown in the setup dialog.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "serial/ComSettingsText.h"

using namespace serial;

namespace {

std::vector<std::wstring> Texts(std::span<const std::wstring_view> s) { return {s.begin(), s.end()}; }

TEST(SettingTexts, TablesListEveryMemberInOrder) {
    EXPECT_EQ(Texts(BaudRateTexts()),
              (std::vector<std::wstring>{L"Custom", L"110", L"300", L"600", L"1200", L"2400", L"4800", L"9600",
                                         L"14400", L"19200", L"38400", L"56000", L"57600", L"115200", L"128000",
                                         L"256000"}));
    EXPECT_EQ(Texts(StopBitsTexts()), (std::vector<std::wstring>{L"1", L"1.5", L"2"}));
    EXPECT_EQ(Texts(DataBitsTexts()), (std::vector<std::wstring>{L"5", L"6", L"7", L"8"}));
    EXPECT_EQ(Texts(ParityTexts()), (std::vector<std::wstring>{L"None", L"Odd", L"Even", L"Mark", L"Space"}));
    EXPECT_EQ(Texts(FlowControlTexts()), (std::vector<std::wstring>{L"Hardware", L"Software", L"None", L"Custom"}));
    EXPECT_EQ(Texts(DTRTexts()), (std::vector<std::wstring>{L"Disable", L"Enable", L"Handshake"}));
    EXPECT_EQ(Texts(RTSTexts()), (std::vector<std::wstring>{L"Disable", L"Enable", L"Handshake", L"Toggle"}));
    EXPECT_EQ(BoolToText(false), L"No");
    EXPECT_EQ(BoolToText(true), L"Yes");
}

// Every member's text converts back to that member, in its own case, in
// upper case and in lower case.
template <typename E, typename ToText, typename FromText>
void ExpectRoundTrip(std::span<const std::wstring_view> table, ToText toText, FromText fromText) {
    for (std::size_t k = 0; k < table.size(); ++k) {
        const auto member = static_cast<E>(k);
        const std::wstring text(toText(member));
        EXPECT_EQ(text, table[k]);
        std::wstring upper = text, lower = text;
        for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(c));
        for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
        EXPECT_EQ(fromText(text), member) << std::string(text.begin(), text.end());
        EXPECT_EQ(fromText(upper), member) << std::string(upper.begin(), upper.end());
        EXPECT_EQ(fromText(lower), member) << std::string(lower.begin(), lower.end());
    }
}

TEST(SettingTexts, EveryMemberRoundTripsInAnyLetterCase) {
    ExpectRoundTrip<TBaudRate>(BaudRateTexts(), BaudRateToText, TextToBaudRate);
    ExpectRoundTrip<TStopBits>(StopBitsTexts(), StopBitsToText, TextToStopBits);
    ExpectRoundTrip<TDataBits>(DataBitsTexts(), DataBitsToText, TextToDataBits);
    ExpectRoundTrip<TParityBits>(ParityTexts(), ParityToText, TextToParity);
    ExpectRoundTrip<TFlowControl>(FlowControlTexts(), FlowControlToText, TextToFlowControl);
    ExpectRoundTrip<TDTRFlowControl>(DTRTexts(), DTRToText, TextToDTR);
    ExpectRoundTrip<TRTSFlowControl>(RTSTexts(), RTSToText, TextToRTS);
}

TEST(SettingTexts, TextsThatMatchNothingGiveTheFallback) {
    struct Case {
        const wchar_t* text;
        TBaudRate baud;
        TStopBits stop;
        TDataBits data;
        TParityBits parity;
        TFlowControl flow;
        TDTRFlowControl dtr;
        TRTSFlowControl rts;
    };
    using enum TBaudRate;
    using enum TStopBits;
    using enum TDataBits;
    using enum TParityBits;
    using enum TFlowControl;
    using enum TDTRFlowControl;
    using enum TRTSFlowControl;
    const Case cases[] = {
        {L"", br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable},
        {L"x", br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable},
        {L"9600 ", br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable},
        {L" 19200", br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable},
        {L"9", br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable},
        {L"1,5", br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable},
        {L"Nonee", br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::wcslen(c.text)));
        EXPECT_EQ(TextToBaudRate(c.text), c.baud);
        EXPECT_EQ(TextToStopBits(c.text), c.stop);
        EXPECT_EQ(TextToDataBits(c.text), c.data);
        EXPECT_EQ(TextToParity(c.text), c.parity);
        EXPECT_EQ(TextToFlowControl(c.text), c.flow);
        EXPECT_EQ(TextToDTR(c.text), c.dtr);
        EXPECT_EQ(TextToRTS(c.text), c.rts);
    }
}

TEST(SettingTexts, ChosenConversions) {
    EXPECT_EQ(TextToBaudRate(L"Custom"), TBaudRate::brCustom);
    EXPECT_EQ(TextToBaudRate(L"custom"), TBaudRate::brCustom);
    EXPECT_EQ(TextToBaudRate(L"CUSTOM"), TBaudRate::brCustom);
    EXPECT_EQ(TextToBaudRate(L""), TBaudRate::br9600);
    EXPECT_EQ(TextToBaudRate(L"256000"), TBaudRate::br256000);
    EXPECT_EQ(TextToStopBits(L"1.5"), TStopBits::sbOne5StopBits);
    EXPECT_EQ(TextToStopBits(L"2"), TStopBits::sbTwoStopBits);
    EXPECT_EQ(TextToDataBits(L"9"), TDataBits::dbEight);
    EXPECT_EQ(TextToDataBits(L"5"), TDataBits::dbFive);
    EXPECT_EQ(TextToFlowControl(L"none"), TFlowControl::fcNone);
    EXPECT_EQ(TextToFlowControl(L"x"), TFlowControl::fcCustom);
    EXPECT_EQ(TextToRTS(L"toggle"), TRTSFlowControl::rtsToggle);
    EXPECT_EQ(TextToDTR(L"HANDSHAKE"), TDTRFlowControl::dtrHandshake);
    // Only ASCII letters fold: a dotless capital I is not "i".
    EXPECT_EQ(TextToParity(L"M\u0130RK"), TParityBits::prNone);
}

TEST(SettingTexts, BooleanTexts) {
    struct Case {
        const wchar_t* text;
        bool value;
    };
    const Case cases[] = {{L"Yes", true},  {L"yes", true},   {L"YES", true}, {L"yEs", true},
                          {L"Y", false},   {L"True", false}, {L"1", false},  {L"No", false},
                          {L"", false},    {L"Yes ", false}, {L" Yes", false}};
    for (const Case& c : cases)
        EXPECT_EQ(TextToBool(c.text), c.value) << std::string(c.text, c.text + std::wcslen(c.text));
}

TEST(SettingTexts, CharacterToText) {
    struct Case {
        unsigned code;
        const wchar_t* text;
    };
    const Case cases[] = {{0, L"#0"},     {17, L"#17"},  {19, L"#19"}, {32, L"#32"},   {33, L"!"},
                          {35, L"#"},     {65, L"A"},    {126, L"~"},  {127, L"\x7f"}, {128, L"#128"},
                          {255, L"#255"}, {300, L"#300"}};
    for (const Case& c : cases) EXPECT_EQ(CharToText(static_cast<wchar_t>(c.code)), c.text) << c.code;
}

TEST(SettingTexts, TextToCharacter) {
    struct Case {
        const wchar_t* text;
        unsigned code;
    };
    const Case cases[] = {
        {L"", 0},        {L"A", 'A'},      {L"XY", 'X'},  {L"#", '#'},     {L"#17", 17},  {L"#0", 0},
        {L"#300", 44},   {L"#x", 0},       {L"#1x", 0},   {L"#$11", 17},   {L"#$1FF", 255}, {L"#0x13", 19},
        {L"#-1", 255},   {L"#+65", 65},    {L"#$", 0},    {L"#-", 0},      {L"# 17", 0},  {L"#99999999999", 0},
        {L"##", 0},      {L"!", '!'},      {L"1", '1'},   {L"#32", 32},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<unsigned>(TextToChar(c.text)), c.code)
            << std::string(c.text, c.text + std::wcslen(c.text));
}

TEST(SettingTexts, EveryByteSurvivesCharacterNotation) {
    for (unsigned code = 0; code < 256; ++code)
        EXPECT_EQ(static_cast<unsigned>(TextToChar(CharToText(static_cast<wchar_t>(code)))), code) << code;
}

}  // namespace

namespace {

TEST(SettingTexts, IntegerTexts) {
    struct Case {
        const wchar_t* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {L"0", 0},
        {L"1024", 1024},
        {L"-1", -1},
        {L"+7", 7},
        {L"2147483647", 2147483647},
        {L"-2147483648", INT32_MIN},
        {L"2147483648", std::nullopt},
        {L"-2147483649", std::nullopt},
        {L"$FF", 255},
        {L"$ffffffff", -1},
        {L"0x10", 16},
        {L"$100000000", std::nullopt},
        {L"", std::nullopt},
        {L"-", std::nullopt},
        {L"$", std::nullopt},
        {L" 1", std::nullopt},
        {L"1 ", std::nullopt},
        {L"12a", std::nullopt},
        {L"1.5", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextToInteger(c.text), c.value) << std::string(c.text, c.text + std::wcslen(c.text));
}

}  // namespace

namespace {

// Arbitrary texts (a fixed seed, so a failure repeats): the conversions never
// fail, a converted setting's text converts back to it, and characters keep
// their low 8 bits.
TEST(SettingTexts, ArbitraryTexts) {
    std::mt19937 random(1234);
    const std::wstring alphabet = L"#$-+0123456789abcdefxXyesYESNo .\u00e9\u0130\uffff";
    for (int i = 0; i < 20000; ++i) {
        std::wstring text(random() % 12, L' ');
        for (auto& c : text) c = alphabet[random() % alphabet.size()];
        const TBaudRate baud = TextToBaudRate(text);
        EXPECT_EQ(TextToBaudRate(BaudRateToText(baud)), baud);
        const TFlowControl flow = TextToFlowControl(text);
        EXPECT_EQ(TextToFlowControl(FlowControlToText(flow)), flow);
        // Beyond code 255 only the low byte, the one the system is given, comes back.
        const wchar_t ch = TextToChar(text);
        EXPECT_EQ(static_cast<unsigned>(TextToChar(CharToText(ch))), static_cast<unsigned>(ch) & 0xFF);
        if (text.size() > 1 && text[0] == L'#') {
            const auto number = TextToInteger(text.substr(1));
            EXPECT_EQ(static_cast<unsigned>(ch), number ? (static_cast<std::uint32_t>(*number) & 0xFF) : 0u);
        }
    }
}

}  // namespace
