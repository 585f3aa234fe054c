// Small text helpers shared by the options reader and the skin loader.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

// A text that should have been a number: "'12x4' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

std::string_view Trim(std::string_view text);

// Decimal with an optional sign, or hexadecimal after "$" or "0x"; spaces
// around are allowed. None for anything else or a value out of range.
std::optional<std::int64_t> ParseInt64(std::string_view text);
std::optional<int> ParseInt(std::string_view text);
int ToIntDef(std::string_view text, int def);
// As ParseInt, raising EConvertError for a text that is not a number.
int StrToInt(std::string_view text);

// Splits at the separator; skipEmpty drops empty words.
std::vector<std::string_view> SplitWords(std::string_view text, char separator, bool skipEmpty);

// Characters from 1-based position `from`, at most `count` (shorter near the end).
std::string_view Copy(std::string_view text, std::size_t from, std::size_t count);

}  // namespace skin
