// The options file in memory: INI text with case-sensitive section and key
// names, sections and keys kept in file order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace skin {

class SkinIni {
public:
  struct Entry {
    std::string Key;
    std::string Value;
  };
  struct Section {
    std::string Name;
    std::vector<Entry> Entries;
  };

  SkinIni() = default;
  // A UTF-8 byte-order mark at the start is skipped. Lines end with CR LF, LF or CR. Lines are trimmed; empty lines and lines
  // beginning with ";" are skipped; "[name]" opens a section (a repeated name
  // continues the first section of that name); "key=value" lines before the
  // first section are ignored, as are lines without "=".
  explicit SkinIni(std::string_view text);
  static SkinIni FromBytes(std::span<const std::uint8_t> bytes);

  const std::vector<Section>& Sections() const { return sections_; }
  const Section* FindSection(std::string_view name) const;
  int SectionIndex(std::string_view name) const;
  bool SectionExists(std::string_view name) const { return FindSection(name) != nullptr; }
  // The first value of the key in the section, or none.
  const std::string* Find(std::string_view section, std::string_view key) const;
  bool ValueExists(std::string_view section, std::string_view key) const { return Find(section, key) != nullptr; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // A value that is missing or not a number gives def.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  std::int64_t ReadInt64(std::string_view section, std::string_view key, std::int64_t def) const;
  // "TRUE" or "1" is true, any other present value false, a missing one def.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // "VERSION"-style value with "." as the decimal separator; def when unreadable.
  double ReadFloat(std::string_view section, std::string_view key, double def) const;

private:
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> index_;
};

}  // namespace skin
