#include "serial/ComSettingsText.h"

#include <array>
#include <cstdint>
#include <optional>
#include <type_traits>

namespace serial {
namespace {

using namespace std::string_view_literals;

constexpr std::array<std::wstring_view, 16> kBaudRate = {
    L"Custom"sv, L"110"sv,   L"300"sv,   L"600"sv,   L"1200"sv,  L"2400"sv,   L"4800"sv,   L"9600"sv,
    L"14400"sv,  L"19200"sv, L"38400"sv, L"56000"sv, L"57600"sv, L"115200"sv, L"128000"sv, L"256000"sv};
constexpr std::array<std::wstring_view, 3> kStopBits = {L"1"sv, L"1.5"sv, L"2"sv};
constexpr std::array<std::wstring_view, 4> kDataBits = {L"5"sv, L"6"sv, L"7"sv, L"8"sv};
constexpr std::array<std::wstring_view, 5> kParity = {L"None"sv, L"Odd"sv, L"Even"sv, L"Mark"sv, L"Space"sv};
constexpr std::array<std::wstring_view, 4> kFlowControl = {L"Hardware"sv, L"Software"sv, L"None"sv, L"Custom"sv};
constexpr std::array<std::wstring_view, 3> kDTR = {L"Disable"sv, L"Enable"sv, L"Handshake"sv};
constexpr std::array<std::wstring_view, 4> kRTS = {L"Disable"sv, L"Enable"sv, L"Handshake"sv, L"Toggle"sv};
constexpr std::array<std::wstring_view, 2> kBool = {L"No"sv, L"Yes"sv};

constexpr wchar_t AsciiUpper(wchar_t c) noexcept { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

template <typename E, std::size_t N>
E Lookup(const std::array<std::wstring_view, N>& table, std::wstring_view text, E fallback) noexcept {
    for (std::size_t k = 0; k < N; ++k)
        if (EqualsIgnoringAsciiCase(table[k], text)) return static_cast<E>(k);
    return fallback;
}

template <std::size_t N, typename E>
std::wstring_view Entry(const std::array<std::wstring_view, N>& table, E value) noexcept {
    const auto k = static_cast<std::size_t>(value);
    return k < N ? table[k] : std::wstring_view{};
}

int HexDigit(wchar_t c) noexcept {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

}  // namespace

std::span<const std::wstring_view> BaudRateTexts() noexcept { return kBaudRate; }
std::span<const std::wstring_view> StopBitsTexts() noexcept { return kStopBits; }
std::span<const std::wstring_view> DataBitsTexts() noexcept { return kDataBits; }
std::span<const std::wstring_view> ParityTexts() noexcept { return kParity; }
std::span<const std::wstring_view> FlowControlTexts() noexcept { return kFlowControl; }
std::span<const std::wstring_view> DTRTexts() noexcept { return kDTR; }
std::span<const std::wstring_view> RTSTexts() noexcept { return kRTS; }

std::wstring_view BaudRateToText(TBaudRate value) noexcept { return Entry(kBaudRate, value); }
std::wstring_view StopBitsToText(TStopBits value) noexcept { return Entry(kStopBits, value); }
std::wstring_view DataBitsToText(TDataBits value) noexcept { return Entry(kDataBits, value); }
std::wstring_view ParityToText(TParityBits value) noexcept { return Entry(kParity, value); }
std::wstring_view FlowControlToText(TFlowControl value) noexcept { return Entry(kFlowControl, value); }
std::wstring_view DTRToText(TDTRFlowControl value) noexcept { return Entry(kDTR, value); }
std::wstring_view RTSToText(TRTSFlowControl value) noexcept { return Entry(kRTS, value); }
std::wstring_view BoolToText(bool value) noexcept { return kBool[value ? 1 : 0]; }

TBaudRate TextToBaudRate(std::wstring_view text) noexcept { return Lookup(kBaudRate, text, TBaudRate::br9600); }
TStopBits TextToStopBits(std::wstring_view text) noexcept { return Lookup(kStopBits, text, TStopBits::sbOneStopBit); }
TDataBits TextToDataBits(std::wstring_view text) noexcept { return Lookup(kDataBits, text, TDataBits::dbEight); }
TParityBits TextToParity(std::wstring_view text) noexcept { return Lookup(kParity, text, TParityBits::prNone); }
TFlowControl TextToFlowControl(std::wstring_view text) noexcept {
    return Lookup(kFlowControl, text, TFlowControl::fcCustom);
}
TDTRFlowControl TextToDTR(std::wstring_view text) noexcept { return Lookup(kDTR, text, TDTRFlowControl::dtrDisable); }
TRTSFlowControl TextToRTS(std::wstring_view text) noexcept { return Lookup(kRTS, text, TRTSFlowControl::rtsDisable); }
bool TextToBool(std::wstring_view text) noexcept { return EqualsIgnoringAsciiCase(text, L"YES"); }

std::optional<std::int32_t> TextToInteger(std::wstring_view s) noexcept {
    bool negative = false;
    if (!s.empty() && (s.front() == L'-' || s.front() == L'+')) {
        negative = s.front() == L'-';
        s.remove_prefix(1);
    }
    unsigned base = 10;
    std::uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (!s.empty() && s.front() == L'$') {
        s.remove_prefix(1);
        base = 16;
    } else if (s.size() > 1 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    if (base == 16) limit = 0xFFFFFFFFull;
    if (s.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (wchar_t c : s) {
        const int d = HexDigit(c);
        if (d < 0 || static_cast<unsigned>(d) >= base) return std::nullopt;
        value = value * base + static_cast<unsigned>(d);
        if (value > limit) return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(negative ? (0 - value) : value);
    return static_cast<std::int32_t>(bits);
}

std::wstring CharToText(wchar_t ch) {
    // wchar_t is signed on some platforms; the code is the character's bits.
    const auto code = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(ch));
    if (code >= 33 && code <= 127) return std::wstring(1, ch);
    return L"#" + std::to_wstring(code);
}

wchar_t TextToChar(std::wstring_view text) noexcept {
    if (text.empty()) return 0;
    if (text.front() == L'#' && text.size() > 1) {
        const auto value = TextToInteger(text.substr(1));
        return value ? static_cast<wchar_t>(static_cast<std::uint32_t>(*value) & 0xFF) : 0;
    }
    return text.front();
}

}  // namespace serial
