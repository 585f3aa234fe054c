#pragma once
// The texts of the port's settings, as shown in the setup dialog's lists and
// as written to the registry and INI files, and the conversions both ways.
// The tables behind these routines are the only place the texts live.
// Portable: no Win32 here.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "serial/ComTypes.h"

namespace serial {

// The texts of every member, in member order (entry k is the text of member k).
std::span<const std::wstring_view> BaudRateTexts() noexcept;
std::span<const std::wstring_view> StopBitsTexts() noexcept;
std::span<const std::wstring_view> DataBitsTexts() noexcept;
std::span<const std::wstring_view> ParityTexts() noexcept;
std::span<const std::wstring_view> FlowControlTexts() noexcept;
std::span<const std::wstring_view> DTRTexts() noexcept;
std::span<const std::wstring_view> RTSTexts() noexcept;

std::wstring_view BaudRateToText(TBaudRate value) noexcept;
std::wstring_view StopBitsToText(TStopBits value) noexcept;
std::wstring_view DataBitsToText(TDataBits value) noexcept;
std::wstring_view ParityToText(TParityBits value) noexcept;
std::wstring_view FlowControlToText(TFlowControl value) noexcept;
std::wstring_view DTRToText(TDTRFlowControl value) noexcept;
std::wstring_view RTSToText(TRTSFlowControl value) noexcept;
std::wstring_view BoolToText(bool value) noexcept;

// The member whose text equals `text` ignoring the case of ASCII letters;
// a text that matches none gives the type's fallback (br9600, sbOneStopBit,
// dbEight, prNone, fcCustom, dtrDisable, rtsDisable). Never fail.
TBaudRate TextToBaudRate(std::wstring_view text) noexcept;
TStopBits TextToStopBits(std::wstring_view text) noexcept;
TDataBits TextToDataBits(std::wstring_view text) noexcept;
TParityBits TextToParity(std::wstring_view text) noexcept;
TFlowControl TextToFlowControl(std::wstring_view text) noexcept;
TDTRFlowControl TextToDTR(std::wstring_view text) noexcept;
TRTSFlowControl TextToRTS(std::wstring_view text) noexcept;
// True exactly for "YES" in any ASCII letter case.
bool TextToBool(std::wstring_view text) noexcept;

// Single characters (XON/XOFF, event and replacement characters): codes 33
// to 127 stand for themselves, every other code is "#" and its decimal value
// ("#17", "#0", "#32").
std::wstring CharToText(wchar_t ch);
// The reverse: "" gives code 0; "#" followed by an integer (decimal or
// "$"-prefixed hexadecimal) gives the character of its low 8 bits, "#" followed
// by anything else code 0; any other text its first character ("#" alone is "#").
wchar_t TextToChar(std::wstring_view text) noexcept;

// A whole text as a 32-bit integer: an optional sign, then decimal digits, or
// hexadecimal digits after "$" or "0x" (which may use all 32 bits, "$FFFFFFFF"
// being -1). Nothing else is allowed, not even spaces: empty when malformed
// or out of range.
std::optional<std::int32_t> TextToInteger(std::wstring_view text) noexcept;

}  // namespace serial
