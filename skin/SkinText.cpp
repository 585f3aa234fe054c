#include "skin/SkinText.h"

#include <limits>

namespace skin {

std::string_view Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

std::optional<std::int64_t> ParseInt64(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  // Hexadecimal texts may fill all 64 bits (colour values are written so);
  // decimal ones must fit the signed range.
  const std::uint64_t limit = base == 16 ? std::numeric_limits<std::uint64_t>::max()
                                         : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    if (value > (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  if (base == 10 && !negative && value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    return std::nullopt;
  const auto signedValue = static_cast<std::int64_t>(value);
  return negative ? static_cast<std::int64_t>(0 - value) : signedValue;
}

std::optional<int> ParseInt(std::string_view text) {
  const auto v = ParseInt64(text);
  if (!v) return std::nullopt;
  // Hexadecimal 32-bit values such as $FFFFFFFF read as their signed form.
  if (*v >= std::numeric_limits<std::int32_t>::min() && *v <= std::numeric_limits<std::int32_t>::max())
    return static_cast<int>(*v);
  if (*v > 0 && *v <= 0xFFFFFFFFll && Trim(text).find_first_of("$xX") != std::string_view::npos)
    return static_cast<int>(static_cast<std::uint32_t>(*v));
  return std::nullopt;
}

int ToIntDef(std::string_view text, int def) { return ParseInt(text).value_or(def); }

int StrToInt(std::string_view text) {
  if (const auto v = ParseInt(text)) return *v;
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::vector<std::string_view> SplitWords(std::string_view text, char separator, bool skipEmpty) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = text.find(separator, start);
    const std::string_view word = text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
    if (!skipEmpty || !word.empty()) words.push_back(word);
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return words;
}

std::string_view Copy(std::string_view text, std::size_t from, std::size_t count) {
  if (from < 1 || from > text.size()) return {};
  return text.substr(from - 1, count);
}

}  // namespace skin
