// The skin list, name lists, extraction and how a skin name is resolved,
// over an in-memory file system.
#include "skin/SkinList.h"
#include "skin/SkinArchive.h"
#include "skin/SkinLoad.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace skin {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

class FakeFiles : public SkinFileSystem {
public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::set<std::string> dirs;
  bool failCreate = false;
  bool failWrite = false;  // a full disk: nothing is written

  bool FileExists(const std::string& path) const override { return files.count(path) > 0; }
  bool DirectoryExists(const std::string& path) const override {
    std::string p = path;
    if (!p.empty() && p.back() != '\\') p += '\\';
    return dirs.count(p) > 0;
  }
  std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) const override {
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  std::vector<std::string> ListFiles(const std::string& directory) const override {
    std::vector<std::string> names;
    for (const auto& [path, bytes] : files)
      if (path.rfind(directory, 0) == 0 && path.find('\\', directory.size()) == std::string::npos)
        names.push_back(path.substr(directory.size()));
    return names;
  }
  bool ForceDirectories(const std::string& path) override {
    if (failCreate) return false;
    dirs.insert(path.back() == '\\' ? path : path + "\\");
    return true;
  }
  bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    if (failWrite) return false;
    files[path].assign(bytes.begin(), bytes.end());
    return true;
  }
  std::string ProgramDirectory() const override { return "C:\\Apps\\Quillon\\"; }
};

struct Boxes : SkinErrorBoxes {
  std::vector<std::string> shown;
  void ErrorBox(const std::string& text) override { shown.push_back(text); }
};

struct Previews : PreviewImages {
  std::vector<std::vector<std::uint8_t>> images;
  void Clear() override { images.clear(); }
  int Add(std::span<const std::uint8_t> png) override {
    if (png.size() < 4 || png[0] != 0x89 || png[1] != 'P') return -1;
    images.emplace_back(png.begin(), png.end());
    return static_cast<int>(images.size()) - 1;
  }
};

const std::vector<std::uint8_t> Png = Bytes("\x89PNG fake");

std::vector<std::uint8_t> Archive(std::string_view options, bool preview) {
  const std::vector<ArchiveMember> m = {{"OPTIONS.DAT", Bytes(options)}};
  return WriteSkinArchive(m, preview ? std::span<const std::uint8_t>(Png) : std::span<const std::uint8_t>());
}

TsStoredSkins Stored(std::initializer_list<std::string> names) {
  TsStoredSkins s;
  for (const auto& n : names) {
    auto& item = s.Add();
    item.Name = n;
    item.PackedData = Archive("[GLOBALINFO]\n", n != "Plain");
  }
  return s;
}

TEST(SkinList, BuildsFromStoredSkinsAndPackedFiles) {
  FakeFiles fs;
  fs.dirs.insert("C:\\Skins\\");
  fs.files["C:\\Skins\\Zeta.asz"] = Archive("", true);
  fs.files["C:\\Skins\\alpha.asz"] = Archive("", false);
  fs.files["C:\\Skins\\Upper.ASZ"] = Archive("", true);  // only the lower-case extension is listed
  fs.files["C:\\Skins\\.hidden.asz"] = Archive("", true);
  fs.files["C:\\Skins\\notes.txt"] = Bytes("x");
  fs.files["C:\\Skins\\Sub\\Inner.asz"] = Archive("", true);
  const auto stored = Stored({"Opus (internal)", "Plain"});
  TacSkinListController list;
  int rebuilt = 0;
  list.OnRebuilt = [&] { ++rebuilt; };
  Previews previews;
  EXPECT_TRUE(list.Marked());
  list.Update(stored, sfiInternal | sfiExternal, "C:\\Skins", fs, &previews);
  EXPECT_FALSE(list.Marked());
  list.Update(stored, sfiInternal | sfiExternal, "C:\\Skins", fs, &previews);
  EXPECT_EQ(rebuilt, 1);
  ASSERT_EQ(list.Entries.size(), 4u);
  EXPECT_EQ(list.Entries[0].skName, "Opus (internal)");
  EXPECT_EQ(list.Entries[0].skSkinMode, smInternal);
  EXPECT_EQ(list.Entries[0].skImageIndex, 0);
  EXPECT_EQ(list.Entries[1].skName, "Plain");
  EXPECT_EQ(list.Entries[1].skImageIndex, -1);
  EXPECT_EQ(list.Entries[2].skName, "Zeta");
  EXPECT_EQ(list.Entries[2].skSkinMode, smExtPacked);
  EXPECT_EQ(list.Entries[2].skImageIndex, 1);
  EXPECT_EQ(list.Entries[3].skName, "alpha");
  EXPECT_EQ(list.Entries[3].skImageIndex, -1);
  EXPECT_EQ(previews.images.size(), 2u);

  struct Case {
    TacSkinTypes kind;
    std::vector<std::string> sorted;
    std::string first;
  };
  for (const Case& c : {Case{stUnpacked, {"alpha", "Zeta"}, "Zeta"}, Case{stPacked, {"Opus (internal)", "Plain"}, "Opus (internal)"},
                        Case{stAllSkins, {"alpha", "Opus (internal)", "Plain", "Zeta"}, "Opus (internal)"}}) {
    const SkinNames names = GetSkinNames(list.Entries, c.kind);
    std::vector<std::string> got;
    for (const auto& l : names.Lines) got.push_back(l.Name);
    EXPECT_EQ(got, c.sorted) << c.kind;
    EXPECT_EQ(names.FirstName, c.first) << c.kind;
  }
  EXPECT_EQ(GetSkinNames(list.Entries, stUnpacked).Lines[1].ImageIndex, 1);

  list.MarkForRebuild();
  list.Update(stored, sfiExternal, "C:\\Missing", fs, &previews);
  EXPECT_TRUE(list.Entries.empty());
  EXPECT_EQ(GetSkinNames(list.Entries, stAllSkins).FirstName, "");
  EXPECT_EQ(GetRandomSkin(list.Entries, [](int) { return 0; }), "");
  list.Rebuild(stored, sfiInternal, "", fs, nullptr);
  EXPECT_EQ(GetRandomSkin(list.Entries, [](int n) { return n - 1; }), "Plain");
}

TEST(SkinList, Extraction) {
  FakeFiles fs;
  fs.dirs.insert("D:\\Out\\");
  Boxes boxes;
  const auto stored = Stored({"Opus (internal)", "Other", "Opus (internal)"});
  ExtractInternalSkin(stored, "Opus (internal)", "D:\\Out", fs, boxes);
  EXPECT_TRUE(boxes.shown.empty());
  ASSERT_TRUE(fs.files.count("D:\\Out\\Opus (internal) extracted.asz"));
  EXPECT_EQ(fs.files["D:\\Out\\Opus (internal) extracted.asz"], stored[2].PackedData);

  ExtractInternalSkin(stored, "opus (internal)", "D:\\Out", fs, boxes);
  ExtractInternalSkin(stored, "Other", "D:\\Nowhere", fs, boxes);
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Skin does not exists.", "Directory does not exists."}));

  boxes.shown.clear();
  ExtractByIndex(stored, 1, "E:/New/", fs, boxes);
  EXPECT_TRUE(fs.files.count("E:/New\\Other extracted.asz"));
  fs.failCreate = true;
  ExtractByIndex(stored, 1, "F", fs, boxes);
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{"F:\\ directory creation error."}));
}

TEST(SkinList, ExtractionThatCannotWriteIsReported) {
  FakeFiles fs;
  fs.dirs.insert("D:\\Out\\");
  Boxes boxes;
  const auto stored = Stored({"Opus (internal)"});
  ExtractByIndex(stored, 0, "D:\\Out", fs, boxes);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(fs.files.size(), 1u);
  fs.files.clear();
  fs.failWrite = true;
  ExtractByIndex(stored, 0, "D:\\Out", fs, boxes);
  EXPECT_TRUE(fs.files.empty());
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{"D:\\Out\\Opus (internal) extracted.asz file writing error."}));
  boxes.shown.clear();
  ExtractInternalSkin(stored, "Opus (internal)", "D:\\Out", fs, boxes);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(SkinList, NameResolution) {
  FakeFiles fs;
  fs.files["c:\\Skins\\Packed.asz"] = Archive("", false);
  fs.dirs.insert("c:\\Skins\\Packed\\");
  fs.files["c:\\Skins\\Folder\\Options.dat"] = Bytes("[GLOBALINFO]\n");
  fs.files["C:\\Apps\\Quillon\\Local\\Options.dat"] = Bytes("[GLOBALINFO]\n");
  const auto one = Stored({"Opus (internal)"});
  const TsStoredSkins none;
  struct Case {
    const char* name;
    const char* dir;
    const TsStoredSkins* stored;
    bool preview;
    SkinKind kind;
    const char* resolvedName;
  };
  const Case cases[] = {
      {"Packed", "c:\\Skins", &one, false, SkinKind::Packed, "Packed"},
      {"Packed.ASZ", "c:\\Skins", &one, false, SkinKind::Packed, "Packed"},
      {"Packed", "c:\\Skins", &one, true, SkinKind::Stored, "Opus (internal)"},  // a directory of the name wins
      {"Folder", "c:\\Skins\\", &one, false, SkinKind::Directory, "Folder"},
      {"Local", ".", &one, false, SkinKind::Directory, "Local"},
      {"Opus (internal)", "c:\\Skins", &one, false, SkinKind::Stored, "Opus (internal)"},
      {"Unknown", "c:\\Skins", &one, false, SkinKind::Stored, "Opus (internal)"},
      {"Unknown", "c:\\Skins", &none, false, SkinKind::None, "Unknown"},
      {".asz", "c:\\Skins", &none, false, SkinKind::None, ".asz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " in " + c.dir);
    const SkinResolution r = ResolveSkinName(c.name, c.dir, *c.stored, fs, c.preview);
    EXPECT_EQ(r.Kind, c.kind);
    EXPECT_EQ(r.Name, c.resolvedName);
  }
  for (auto [in, out] : {std::pair<std::string, std::string>{"", ""}, {"c", "c:\\"}, {"c:", "c:\\"}, {"c:\\x\\", "c:\\x\\"},
                         {"c:/x/", "c:/x\\"}, {"c:\\x", "c:\\x\\"}})
    EXPECT_EQ(NormalizeDir(in), out) << in;
  const std::string prog = "C:\\Apps\\Quillon\\";
  for (auto [in, out] : {std::pair<std::string, std::string>{"..\\Skins", "C:\\Apps\\Skins"}, {".\\Skins", prog + "Skins"},
                         {"./Skins", prog + "Skins"}, {".", prog}, {"Skins", prog + "Skins"},
                         {"c:\\Skins", "c:\\Skins"}, {"\\\\server\\share", "\\\\server\\share"}})
    EXPECT_EQ(FullSkinDirectory(in, prog), out) << in;
}

}  // namespace
}  // namespace skin
