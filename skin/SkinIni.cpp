#include "skin/SkinIni.h"

#include "skin/SkinText.h"

#include <charconv>

namespace skin {

SkinIni::SkinIni(std::string_view text) {
  // Editors may start the file with a UTF-8 byte-order mark; it belongs to no line.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Section* current = nullptr;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;

    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']' && line.size() >= 2) {
      const std::string name(Trim(line.substr(1, line.size() - 2)));
      const auto [it, added] = index_.try_emplace(name, sections_.size());
      if (added) sections_.push_back(Section{name, {}});
      current = &sections_[it->second];
      continue;
    }
    if (!current) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    current->Entries.push_back(Entry{std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1)))});
  }
}

SkinIni SkinIni::FromBytes(std::span<const std::uint8_t> bytes) {
  return SkinIni(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

const SkinIni::Section* SkinIni::FindSection(std::string_view name) const {
  const auto it = index_.find(name);
  return it == index_.end() ? nullptr : &sections_[it->second];
}

int SkinIni::SectionIndex(std::string_view name) const {
  const auto it = index_.find(name);
  return it == index_.end() ? -1 : static_cast<int>(it->second);
}

const std::string* SkinIni::Find(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return nullptr;
  for (const Entry& e : s->Entries)
    if (e.Key == key) return &e.Value;
  return nullptr;
}

std::string SkinIni::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const std::string* v = Find(section, key);
  return v ? *v : std::string(def);
}

int SkinIni::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const std::string* v = Find(section, key);
  return v ? ToIntDef(*v, def) : def;
}

std::int64_t SkinIni::ReadInt64(std::string_view section, std::string_view key, std::int64_t def) const {
  const std::string* v = Find(section, key);
  if (!v) return def;
  return ParseInt64(*v).value_or(def);
}

bool SkinIni::ReadBool(std::string_view section, std::string_view key, bool def) const {
  const std::string* v = Find(section, key);
  if (!v) return def;
  return *v == "TRUE" || *v == "1";
}

double SkinIni::ReadFloat(std::string_view section, std::string_view key, double def) const {
  const std::string* v = Find(section, key);
  if (!v) return def;
  const std::string_view t = Trim(*v);
  double value = 0;
  const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec != std::errc() || ptr != t.data() + t.size()) return def;
  return value;
}

}  // namespace skin
