#include "skin/SkinLoader.h"

#include "skin/SkinLimits.h"
#include "skin/SkinText.h"

#include <algorithm>
#include <climits>

namespace skin {

namespace {

constexpr std::string_view GlobalInfo = "GLOBALINFO";
constexpr int MaxInt = INT_MAX;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

std::string ExtensionOf(std::string_view upperName) {
  const auto dot = upperName.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(upperName.substr(dot));
}

// Images are decoded by the extension of the name they were asked for.
std::shared_ptr<Bitmap32> DecodeImage(const SkinModel& model, const SkinSource& source,
                                      std::span<const std::uint8_t> bytes, std::string_view name) {
  const std::string ext = ExtensionOf(UpperCase(name));
  if (ext == ".BMP") return DecodeBmp(bytes).Bitmap;
  if ((ext == ".PNG" || ext == ".JPG" || ext == ".JPEG") && source.Decoder) {
    auto bmp = source.Decoder->Decode(bytes, ext);
    if (!bmp || bmp->Empty()) return nullptr;
    // With a positive brightness the colour adjustment premultiplies after brightening.
    if (ext == ".PNG" && model.Version > PremultipliedSkinVersion && model.Brightness <= 0) PremultiplyAlpha(*bmp);
    return bmp;
  }
  return nullptr;
}

std::string FilePath(const SkinSource& source, std::string_view name) {
  return name.find(':') != std::string_view::npos ? std::string(name) : source.SkinPath + std::string(name);
}

std::shared_ptr<Bitmap32> ReadImageFile(const SkinModel& model, const SkinSource& source, std::string_view name) {
  if (!source.Files) return nullptr;
  const std::string path = FilePath(source, name);
  if (!source.Files->FileExists(path)) return nullptr;
  const auto bytes = source.Files->ReadFile(path);
  if (!bytes) return nullptr;
  return DecodeImage(model, source, *bytes, name);
}

// An image stored apart from the master bitmap: from the cache, else the
// archive member, else the file. Every decoded image enters the cache.
std::shared_ptr<Bitmap32> FetchImage(SkinModel& model, const SkinSource& source, const std::string& name,
                                     int maskType) {
  for (const TacExtFileData& e : model.ExtArray)
    if (e.FileName == name) return e.Bmp;
  std::shared_ptr<Bitmap32> bmp;
  if (source.Archive) {
    for (const TacFileItem& f : source.Archive->Files)
      if (UpperCase(f.Name) == name) {
        bmp = DecodeImage(model, source, f.Stream->Bytes(), name);
        break;
      }
  }
  if (!bmp) bmp = ReadImageFile(model, source, name);
  if (!bmp) return nullptr;
  model.ExtArray.push_back(TacExtFileData{bmp, name, maskType});
  return bmp;
}

// Reads a fixed-column number of a reference ("@0106@0000..."): 1-based
// position, width.
int Field(std::string_view value, std::size_t pos, std::size_t width) {
  return StrToInt(Copy(value, pos, width));
}

TRect FixedRect(std::string_view value) {
  return TRect{Field(value, 2, 4), Field(value, 7, 4), Field(value, 12, 4), Field(value, 17, 4)};
}

// Clips a rectangle to a bitmap.
TRect Clip(TRect r, const Bitmap32& bmp) {
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, bmp.Width);
  r.Bottom = std::min(r.Bottom, bmp.Height);
  return r;
}

bool HasKeyPixel(const Bitmap32& bmp, TRect r) {
  r = Clip(r, bmp);
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (bmp.IsKey(x, y)) return true;
  return false;
}

int ComputeCornerType(const SkinModel& model, const TsMaskData& m, bool buttonHuge) {
  if (buttonHuge && m.PropertyName != "BORDERSMASK") return 2;
  if (m.R.IsEmpty()) return 0;
  const Bitmap32& bmp = m.Bmp ? *m.Bmp : *model.MasterBitmap;
  const int cellW = m.R.Width() / m.ImageCount;
  const int bandH = m.R.Height() / (m.MaskType + 1);
  for (int i = 0; i < m.ImageCount; ++i) {
    const TRect cell{m.R.Left + i * cellW, m.R.Top, m.R.Left + (i + 1) * cellW, m.R.Top + bandH};
    const TRect corners[4] = {
        {cell.Left, cell.Top, cell.Left + m.WL, cell.Top + m.WT},
        {cell.Right - m.WR, cell.Top, cell.Right, cell.Top + m.WT},
        {cell.Left, cell.Bottom - m.WB, cell.Left + m.WL, cell.Bottom},
        {cell.Right - m.WR, cell.Bottom - m.WB, cell.Right, cell.Bottom},
    };
    for (TRect c : corners) {
      c = TRect{std::max(c.Left, cell.Left), std::max(c.Top, cell.Top), std::min(c.Right, cell.Right),
                std::min(c.Bottom, cell.Bottom)};
      if (HasKeyPixel(bmp, c)) return 1;
    }
  }
  return 0;
}

// Appends an entry; a count below 1 or a negative mask type from the skin are
// brought to 1 and 0 first. An entry the skin gave 0 cells gets its missing
// margins from BorderWidth or its cell size.
TsMaskData& AddEntry(SkinModel& model, int skinIndex, std::string_view section, std::string_view key,
                     const TRect& r, int imageCount, int maskType, int drawMode, TacImgType type) {
  const int index = model.MakeNewItem(skinIndex, key, maskType, drawMode, imageCount, r, type, section);
  return model.ma[static_cast<std::size_t>(index)];
}

void FixZeroCount(TsMaskData& m, int rawCount) {
  if (rawCount > 0) return;
  auto fill = [&](int& margin, int size) {
    if (margin <= 0) margin = m.BorderWidth > 0 ? m.BorderWidth : size;
  };
  fill(m.WL, m.Width), fill(m.WR, m.Width), fill(m.WT, m.Height), fill(m.WB, m.Height);
}

void SetThirds(TsMaskData& m) {
  m.WL = m.WR = m.R.Width() / (m.ImageCount * 3);
  m.WT = m.WB = m.R.Height() / (m.MaskType * 3 + 3);
}

struct MaskLoader {
  SkinModel& model;
  const SkinSource& source;
  const SkinIni& ini;
  int scale;
  std::string_view suffix;
  int buttonHugeIndex;

  // The scaled variant's value (key + suffix) replaces the value at scales above 100 %.
  bool ScaledValue(std::string_view section, const std::string& key, std::string& value) const {
    if (scale <= 0) return false;
    const std::string* scaled = ini.Find(section, key + std::string(suffix));
    if (!scaled) return false;
    value = UpperCase(*scaled);
    return true;
  }

  void Glyph(int si, std::string_view section, const std::string& key, std::string_view value) {
    const TRect r = FixedRect(value);
    const int count = Field(value, 22, 1);
    TsMaskData& m = AddEntry(model, si, section, key, r, count, Field(value, 24, 1), 0, itisaGlyph);
    FixZeroCount(m, count);
  }

  void Border(int si, std::string_view section, const std::string& key, std::string value) {
    if (key.find('*') != std::string::npos) return;
    ScaledValue(section, key, value);
    const TRect r = FixedRect(value);
    const int wl = Field(value, 22, 4), wt = Field(value, 27, 4), wr = Field(value, 32, 4), wb = Field(value, 37, 4);
    const int count = Field(value, 42, 1), maskType = Field(value, 44, 1), drawMode = Field(value, 46, 1);
    const int borderWidth = Field(value, 48, 1);
    TsMaskData& m = AddEntry(model, si, section, key, r, count, maskType, drawMode, itisaBorder);
    m.BorderWidth = borderWidth;
    m.WL = wl, m.WT = wt, m.WR = wr, m.WB = wb;
    if (wl == 0 && wt == 0 && wr == 0 && wb == 0) {
      if (borderWidth != 0) m.WL = m.WT = m.WR = m.WB = borderWidth;
      else SetThirds(m);
    }
    FixZeroCount(m, count);
    m.CornerType = ComputeCornerType(model, m, si == buttonHugeIndex);
  }

  void Texture(int si, std::string_view section, const std::string& key, std::string_view value) {
    const TRect r = FixedRect(value);
    const int drawMode = Field(value, 22, 2);
    const int maskType = value.size() >= 25 ? Field(value, 25, 1) : 0;
    std::shared_ptr<Bitmap32> bmp;
    if (value.size() > 26) {
      const auto words = SplitWords(value, '~', true);
      if (words.size() >= 7) bmp = FetchImage(model, source, std::string(words[6]), maskType);
    }
    TsMaskData& m = AddEntry(model, si, section, key, r, 1, maskType, drawMode, itisaTexture);
    m.Bmp = std::move(bmp);
  }

  void External(int si, std::string_view section, const std::string& key, std::string value) {
    if (key.find('*') != std::string::npos) return;
    std::string property = key;
    if (ScaledValue(section, key, value)) property += suffix;
    const auto words = SplitWords(value, '!', true);
    if (words.empty()) return;
    auto word = [&](std::size_t i) { return i < words.size() ? ToIntDef(words[i], 0) : 0; };
    const int count = word(1), maskType = word(2);
    auto bmp = FetchImage(model, source, std::string(words[0]), maskType);
    if (!bmp || bmp->Width <= 0) return;
    const auto type = static_cast<TacImgType>(std::clamp(word(3), 0, 4));
    TsMaskData& m = AddEntry(model, si, section, property, TRect{0, 0, bmp->Width, bmp->Height}, count,
                             maskType, words.size() >= 9 ? word(8) : 0, type);
    m.Bmp = std::move(bmp);
    auto margin = [&](std::size_t i) { return std::clamp(word(i), -MaxImageMargin, MaxImageMargin); };
    if (words.size() >= 5) m.WL = margin(4), m.WT = margin(5), m.WR = margin(6), m.WB = margin(7);
    else SetThirds(m);
    FixZeroCount(m, count);
    if (type == itisaBorder) m.CornerType = ComputeCornerType(model, m, si == buttonHugeIndex);
  }

  void FileName(int si, std::string_view section, const std::string& key, const std::string& value) {
    auto bmp = FetchImage(model, source, value, 0);
    if (!bmp || bmp->Width <= 0) return;
    TsMaskData& m = AddEntry(model, si, section, key, TRect{0, 0, bmp->Width, bmp->Height}, 1, 0, 0, itisaTexture);
    m.Bmp = std::move(bmp);
    SetThirds(m);
  }
};

// Common sections: an INI text whose key names compare without letter case.
struct CommonSection {
  std::string Name;
  std::vector<SkinIni::Entry> Entries;
  const std::string* Find(std::string_view key) const {
    for (const auto& e : Entries)
      if (EqualsNoCase(e.Key, key)) return &e.Value;
    return nullptr;
  }
  // Negative or unreadable integers count as missing.
  std::optional<int> Int(std::string_view key) const {
    const std::string* v = Find(key);
    if (!v) return std::nullopt;
    const auto i = ParseInt(*v);
    if (!i || *i < 0) return std::nullopt;
    return i;
  }
};

std::vector<CommonSection> ParseCommonSections(std::string_view text) {
  std::vector<CommonSection> sections;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line[0] == '[' && line.back() == ']') {
      sections.push_back(CommonSection{std::string(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    if (sections.empty()) continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    sections.back().Entries.push_back(SkinIni::Entry{std::string(line.substr(0, eq)), std::string(line.substr(eq + 1))});
  }
  return sections;
}

void ReadCommonImages(SkinModel& model, const SkinSource& source, const SkinIni& ini, std::string_view text) {
  for (const CommonSection& s : ParseCommonSections(text)) {
    if (s.Name == GlobalInfo) continue;
    const std::string section = UpperCase(s.Name);
    for (const auto& e : s.Entries) {
      const std::string value = UpperCase(e.Value);
      if (value.find(".BMP") == std::string::npos || !source.Files) continue;
      const std::string path = FilePath(source, e.Value);
      if (!source.Files->FileExists(path)) continue;
      const auto bytes = source.Files->ReadFile(path);
      if (!bytes) continue;
      auto bmp = DecodeBmp(*bytes).Bitmap;
      if (!bmp || bmp->Width <= 0) continue;
      bmp->Transparent = true;
      TsMaskData& m = AddEntry(model, ini.SectionIndex(section), section, UpperCase(e.Key),
                               TRect{0, 0, bmp->Width, bmp->Height}, 1, 0, 0, itisaTexture);
      m.Bmp = std::move(bmp);
      SetThirds(m);
    }
  }
}

// A section and its PARENTCLASS ancestors, nearest first. A chain of
// distinct sections has at most as many links as there are sections, so
// stopping there ends a cycle of parents without changing what a read finds.
class SectionChain {
public:
  SectionChain(const SkinIni& ini, std::string_view section) {
    const SkinIni::Section* current = ini.FindSection(section);
    while (current && links_.size() < ini.Sections().size()) {
      links_.push_back(current);
      const std::string* parent = Own(*current, "PARENTCLASS");
      if (!parent || parent->empty() || *parent == "?" || *parent == current->Name) break;
      current = ini.FindSection(*parent);
    }
  }

  // The first value of the key along the chain that accept takes.
  template <class Accept>
  void Find(std::string_view key, Accept accept) const {
    for (const SkinIni::Section* s : links_)
      if (const std::string* v = Own(*s, key); v && accept(*v)) return;
  }

  int IntOrMissing(std::string_view key, int max) const {
    int result = -1;
    Find(key, [&](const std::string& v) {
      const auto i = ParseInt(v);
      if (!i || *i < 0) return false;
      result = std::min(*i, max);
      return true;
    });
    return result;
  }
  int Int(std::string_view key, int def, int max) const {
    const int v = IntOrMissing(key, max);
    return v < 0 ? std::min(def, max) : v;
  }
  bool Bool(std::string_view key, bool def) const {
    bool result = def;
    Find(key, [&](const std::string& v) {
      if (v == "?") return false;
      result = v == "TRUE" || v == "1";
      return true;
    });
    return result;
  }
  std::string Text(std::string_view key) const {
    std::string result;
    Find(key, [&](const std::string& v) {
      if (v == "?") return false;
      result = v;
      return true;
    });
    return result;
  }

private:
  static const std::string* Own(const SkinIni::Section& s, std::string_view key) {
    for (const SkinIni::Entry& e : s.Entries)
      if (e.Key == key) return &e.Value;
    return nullptr;
  }
  std::vector<const SkinIni::Section*> links_;
};

// The keys of one state's values: normal, hot, and the second pressed state.
constexpr std::string_view StateKeys[3][12] = {
    {"COLOR", "FONTCOLOR", "TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM", "GCOL", "GSIZE", "GRADIENTPERCENT",
     "GRADIENTDATA", "IMAGEPERCENT", "TRANSPARENCY"},
    {"HOTCOLOR", "HOTFONTCOLOR", "HOTTCLEFT", "HOTTCTOP", "HOTTCRIGHT", "HOTTCBOTTOM", "HGCOL", "HGSIZE",
     "HOTGRADIENTPERCENT", "HOTGRADIENTDATA", "HOTIMAGEPERCENT", "HOTTRANSPARENCY"},
    {"COLOR2", "FONTCOLOR2", "TCLEFT2", "TCTOP2", "TCRIGHT2", "TCBOTTOM2", "GCOL2", "GSIZE2", "GRADIENTPERCENT2",
     "GRADIENTDATA2", "IMAGEPERCENT2", "TRANSPARENCY2"}};

TsGenState ReadState(const SectionChain& c, int n) {
  const auto& k = StateKeys[n];
  auto percent = [&](std::string_view key) { return std::min(c.Int(key, 0, MaxInt), 100); };
  TsGenState s;
  s.Color = c.Int(k[0], 0xFFFFFF, MaxInt);
  s.FontColor.Color = c.Int(k[1], 0, MaxInt);
  s.FontColor.Left = c.Int(k[2], -1, MaxInt);
  s.FontColor.Top = c.Int(k[3], -1, MaxInt);
  s.FontColor.Right = c.Int(k[4], -1, MaxInt);
  s.FontColor.Bottom = c.Int(k[5], -1, MaxInt);
  s.GlowColor = c.Int(k[6], 0xFFFFFF, MaxInt);
  s.GlowSize = c.Int(k[7], 0, MaxGlowSize);
  s.GradientPercent = percent(k[8]);
  const std::string gradient = c.Text(k[9]);
  if (gradient.size() < 4) s.GradientPercent = 0;
  else s.GradientArray = ParseGradient(gradient);
  s.ImagePercent = percent(k[10]);
  s.Transparency = percent(k[11]);
  return s;
}

TsGenState ReadCommonState(const CommonSection& s, int n, const TsGenState& parent) {
  const auto& k = StateKeys[n];
  TsGenState st = parent;
  auto take = [&](std::string_view key, int& field) {
    if (const auto v = s.Int(key)) field = *v;
  };
  take(k[0], st.Color);
  take(k[1], st.FontColor.Color);
  take(k[2], st.FontColor.Left);
  take(k[3], st.FontColor.Top);
  take(k[4], st.FontColor.Right);
  take(k[5], st.FontColor.Bottom);
  take(k[6], st.GlowColor);
  take(k[7], st.GlowSize);
  take(k[8], st.GradientPercent);
  take(k[10], st.ImagePercent);
  take(k[11], st.Transparency);
  st.GradientPercent = std::clamp(st.GradientPercent, 0, 100);
  st.ImagePercent = std::clamp(st.ImagePercent, 0, 100);
  st.Transparency = std::clamp(st.Transparency, 0, 100);
  st.GlowSize = std::clamp(st.GlowSize, 0, MaxGlowSize);
  if (const std::string* g = s.Find(k[9])) {
    if (g->size() < 4) {
      st.GradientPercent = 0;
      st.GradientArray.clear();
    } else {
      st.GradientArray = ParseGradient(*g);
    }
  }
  st.TextureIndex = -1;
  return st;
}

bool IsTrueText(std::string_view v) { return v == "1" || EqualsNoCase(v, "TRUE"); }


}  // namespace

int ReadInheritedOrMissing(const SkinIni& ini, std::string_view section, std::string_view key, int max) {
  return SectionChain(ini, section).IntOrMissing(key, max);
}

int ReadInherited(const SkinIni& ini, std::string_view section, std::string_view key, int def, int max) {
  return SectionChain(ini, section).Int(key, def, max);
}

bool ReadInheritedBool(const SkinIni& ini, std::string_view section, std::string_view key, bool def) {
  return SectionChain(ini, section).Bool(key, def);
}

std::string ReadInheritedText(const SkinIni& ini, std::string_view section, std::string_view key) {
  return SectionChain(ini, section).Text(key);
}

void LoadAllMasks(SkinModel& model, const SkinSource& source, std::string_view commonSections) {
  model.ma.clear();
  model.ExtArray.clear();
  const SkinIni empty;
  const SkinIni& ini = source.Options ? *source.Options : empty;
  model.SkinPath = source.SkinPath;
  model.Version = ini.ReadFloat(GlobalInfo, "VERSION", 0);

  model.MasterBitmap = std::make_shared<Bitmap32>();
  const std::string master = ini.ReadString(GlobalInfo, "MASTERBITMAP", "");
  if (!master.empty()) {
    std::shared_ptr<Bitmap32> bmp;
    if (source.Archive) {
      // Member names and the value are both compared upper-cased, so a value
      // written in mixed case finds its member too.
      const std::string upperMaster = UpperCase(master);
      for (const TacFileItem& f : source.Archive->Files)
        if ((f.FileType == ftBmp || f.FileType == ftOther) && UpperCase(f.Name) == upperMaster) {
          bmp = DecodeImage(model, source, f.Stream->Bytes(), master);
          break;
        }
    } else {
      bmp = ReadImageFile(model, source, master);
    }
    if (bmp) model.MasterBitmap = std::move(bmp);
  }
  model.MasterBitmap->Transparent = true;
  model.MasterBitmap->TransparentColor = KeyColorPixel;

  const int scale = model.GetScale();
  MaskLoader loader{model, source, ini, scale, ScaleSuffixes[static_cast<std::size_t>(scale)],
                    ini.SectionIndex("BUTTON_HUGE")};
  const auto& sections = ini.Sections();
  for (std::size_t si = 0; si < sections.size(); ++si) {
    const auto& section = sections[si];
    bool masterSkipped = section.Name != GlobalInfo;
    for (const auto& entry : section.Entries) {
      if (!masterSkipped && entry.Key == "MASTERBITMAP") {
        masterSkipped = true;
        continue;
      }
      const std::string value = UpperCase(entry.Value);
      if (value.empty()) continue;
      const int index = static_cast<int>(si);
      switch (value[0]) {
        case '@': loader.Glyph(index, section.Name, entry.Key, value); break;
        case '^': loader.Border(index, section.Name, entry.Key, value); break;
        case '~': loader.Texture(index, section.Name, entry.Key, value); break;
        case '!': loader.External(index, section.Name, entry.Key, value); break;
        default:
          if (value.find(".JPG") != std::string::npos || value.find(".BMP") != std::string::npos)
            loader.FileName(index, section.Name, entry.Key, value);
      }
    }
  }
  ReadCommonImages(model, source, ini, commonSections);
}

void LoadSectionRecords(SkinModel& model, const SkinSource& source, std::string_view commonSections) {
  model.gd.clear();
  const SkinIni empty;
  const SkinIni& ini = source.Options ? *source.Options : empty;
  for (const auto& section : ini.Sections()) {
    const std::string_view name = section.Name;
    const SectionChain c(ini, name);
    TsGeneralData d;
    d.ClassName = name;
    d.ParentClass = ini.ReadString(name, "PARENTCLASS", "");
    d.GiveOwnFont = c.Bool("GIVEOWNFONT", false);
    d.ShiftOnClick = c.Bool("SHIFTCLICK", false);
    d.ReservedBoolean = c.Bool("RESERVEDBOOLEAN", false);
    d.States = std::max(c.Int("STATES", 3, 255), 1);
    d.GlowCount = c.Int("GLOW", 0, 255);
    d.GlowMargin = c.Int("GLOWMARGIN", 0, 255);
    d.OuterMode = c.Int("OUTERMODE", 2, MaxInt);
    d.OuterOpacity = c.Int("OUTOPACITY", 200, 255);
    d.OuterOffset = TRect{c.IntOrMissing("OUTOFFSL", 255),
                          c.IntOrMissing("OUTOFFST", 255),
                          c.IntOrMissing("OUTOFFSR", 255),
                          c.IntOrMissing("OUTOFFSB", 255)};
    d.OuterBlur = c.Int("OUTBLUR", 9, 30);
    d.OuterRadius = c.Int("OUTRADIUS", 9, 30);
    d.OuterColorL = c.Int("OUTCOLL", 0, MaxInt);
    d.OuterColorT = c.Int("OUTCOLT", 0, MaxInt);
    d.OuterColorR = c.Int("OUTCOLR", 0, MaxInt);
    d.OuterColorB = c.Int("OUTCOLB", 0, MaxInt);
    d.Props[0] = ReadState(c, 0);
    d.Props[1] = d.States >= 2 ? ReadState(c, 1) : d.Props[0];
    d.UseState2 = c.Int("USESTATE2", 0, MaxInt) == 1;
    d.Props[2] = d.UseState2 ? ReadState(c, 2) : d.Props[1];
    model.gd.push_back(std::move(d));
  }
  MergeCommonSections(model, commonSections);
}

void MergeCommonSections(SkinModel& model, std::string_view commonSections) {
  for (const CommonSection& s : ParseCommonSections(commonSections)) {
    if (model.GetSkinIndex(s.Name) >= 0) continue;
    TsGeneralData d;
    // Without the key the record has no parent; "-1" only marks that.
    const std::string* parentName = s.Find("PARENTCLASS");
    const std::string parentClass = parentName ? UpperCase(*parentName) : "-1";
    const TsGeneralData* parent = nullptr;
    if (parentName)
      for (const TsGeneralData& g : model.gd)
        if (UpperCase(g.ClassName) == parentClass) {
          parent = &g;
          break;
        }
    TsGeneralData standIn;
    standIn.States = 3;
    if (parent) d = *parent;
    d.ParentClass = parentClass;
    const TsGeneralData& p = parent ? *parent : standIn;
    d.ClassName = s.Name;
    d.States = std::clamp(s.Int("STATES").value_or(p.States), 1, 255);
    d.Props[0] = ReadCommonState(s, 0, p.Props[0]);
    d.Props[1] = d.States >= 2 ? ReadCommonState(s, 1, p.Props[1]) : d.Props[0];
    const auto useState2 = s.Int("USESTATE2");
    d.UseState2 = useState2 ? *useState2 == 1 : p.UseState2;
    d.Props[2] = d.UseState2 ? ReadCommonState(s, 2, p.Props[2]) : d.Props[1];
    if (const std::string* v = s.Find("RESERVEDBOOLEAN")) d.ReservedBoolean = IsTrueText(*v);
    else d.ReservedBoolean = p.ReservedBoolean;
    if (const std::string* v = s.Find("GIVEOWNFONT")) d.GiveOwnFont = IsTrueText(*v);
    else d.GiveOwnFont = p.GiveOwnFont;
    d.GlowCount = std::min(s.Int("GLOW").value_or(p.GlowCount), 255);
    d.GlowMargin = std::min(s.Int("GLOWMARGIN").value_or(p.GlowMargin), 255);
    model.gd.push_back(std::move(d));
    // Images read from this section's ".BMP" values now have their record.
    const int index = static_cast<int>(model.gd.size()) - 1;
    const std::string upper = UpperCase(s.Name);
    for (TsMaskData& m : model.ma)
      if (m.SkinIndex < 0 && m.ClassName == upper) m.SkinIndex = index;
  }
}

void InitMaskIndexes(SkinModel& model, const OuterShadowMaker& makeOuterShadow) {
  for (std::size_t n = 0; n < model.gd.size(); ++n) {
    const int i = static_cast<int>(n);
    if (model.gd[n].ClassName == GlobalInfo) continue;
    {
      TsGeneralData& d = model.gd[n];
      d.BorderIndex = model.GetMaskIndex(i, "BORDERSMASK");
      d.ImgTL = model.GetMaskIndex(i, "IMGTOPLEFT");
      d.ImgTR = model.GetMaskIndex(i, "IMGTOPRIGHT");
      d.ImgBL = model.GetMaskIndex(i, "IMGBTMLEFT");
      d.ImgBR = model.GetMaskIndex(i, "IMGBTMRIGHT");
    }
    const int mode = model.gd[n].OuterMode;
    int outer = -1;
    if (mode == 1 || mode == 2) outer = model.GetMaskIndex(i, "OUTERMASK");
    else if ((mode == 3 || mode == 4) && makeOuterShadow) outer = makeOuterShadow(model, i);
    TsGeneralData& d = model.gd[n];  // the maker may have grown the arrays
    d.OuterMask = outer;
    d.Props[0].TextureIndex = model.GetTextureIndex(i, "PATTERN");
    d.Props[1].TextureIndex = d.States > 1 ? model.GetTextureIndex(i, "HOTPATTERN") : d.Props[0].TextureIndex;
    d.Props[2].TextureIndex =
        d.States > 2 && d.UseState2 ? model.GetTextureIndex(i, "PATTERN2") : d.Props[1].TextureIndex;
    if (d.BorderIndex < 0) {
      d.ScrollBorderOffset = -2;
    } else {
      const TsMaskData& b = model.ma[static_cast<std::size_t>(d.BorderIndex)];
      d.ScrollBorderOffset =
          (d.ClassName == "EDIT" || d.ClassName == "ALPHAEDIT") && b.WL == 1 && b.WT == 1 && b.WR == 1 && b.WB == 1
              ? -1
              : 0;
    }
  }
  for (TsMaskData& m : model.ma) {
    m.ImageCount = std::max(m.ImageCount, 1);
    m.MaskType = std::max(m.MaskType, 0);
    m.Width = m.R.Width() / m.ImageCount;
    m.Height = m.R.Height() / (m.MaskType + 1);
  }
}

std::unique_ptr<SkinModel> BuildSkinModel(const SkinSource& source, const SkinModel& settings,
                                          std::string_view commonSections, const OuterShadowMaker& makeOuterShadow) {
  auto model = std::make_unique<SkinModel>();
  model->ScaleMode = settings.ScaleMode;
  model->SysFontScale = settings.SysFontScale;
  model->Dpi = settings.Dpi;
  model->DesignTime = settings.DesignTime;
  model->Manager = settings.Manager;
  model->Brightness = settings.Brightness;
  LoadAllMasks(*model, source, commonSections);
  LoadSectionRecords(*model, source, commonSections);
  InitMaskIndexes(*model, makeOuterShadow);
  return model;
}

}  // namespace skin
