#include "skin/SkinList.h"

#include "skin/SkinArchive.h"
#include "skin/SkinLoad.h"

#include <algorithm>

namespace skin {

namespace {

int AddPreview(PreviewImages* previews, std::span<const std::uint8_t> archive) {
  if (!previews) return -1;
  const auto png = FindPreview(archive);
  return png ? previews->Add(*png) : -1;
}

}  // namespace

void TacSkinListController::Rebuild(const TsStoredSkins& stored, int filter, const std::string& fullSkinDirectory,
                                    const SkinFileSystem& files, PreviewImages* previews) {
  Entries.clear();
  if (previews) previews->Clear();
  if (filter & sfiInternal) {
    for (int i = 0; i < stored.Count(); ++i)
      Entries.push_back({stored[i].Name, smInternal, AddPreview(previews, stored[i].PackedData)});
  }
  const std::string dir = NormalizeDir(fullSkinDirectory);
  if ((filter & sfiExternal) && !dir.empty() && files.DirectoryExists(dir)) {
    for (const std::string& file : files.ListFiles(dir)) {
      constexpr std::string_view ext = ".asz";
      if (file.empty() || file[0] == '.' || file.size() <= ext.size() ||
          file.compare(file.size() - ext.size(), ext.size(), ext) != 0)
        continue;
      int image = -1;
      if (previews) {
        if (const auto bytes = files.ReadFile(dir + file)) image = AddPreview(previews, *bytes);
      }
      Entries.push_back({file.substr(0, file.size() - ext.size()), smExtPacked, image});
    }
  }
  marked_ = false;
  if (OnRebuilt) OnRebuilt();
}

void TacSkinListController::Update(const TsStoredSkins& stored, int filter, const std::string& fullSkinDirectory,
                                   const SkinFileSystem& files, PreviewImages* previews) {
  if (marked_) Rebuild(stored, filter, fullSkinDirectory, files, previews);
}

void TacSkinListController::CopyFrom(const TacSkinListController& other) {
  Entries = other.Entries;
  marked_ = false;
}

SkinNames GetSkinNames(const std::vector<TacSkinListData>& entries, TacSkinTypes kind) {
  SkinNames names;
  for (const TacSkinListData& e : entries) {
    const bool internal = e.skSkinMode == smInternal;
    if (kind == stAllSkins || (kind == stPacked && internal) || (kind == stUnpacked && !internal)) {
      if (names.Lines.empty()) names.FirstName = e.skName;
      names.Lines.push_back({e.skName, e.skImageIndex});
    }
  }
  std::stable_sort(names.Lines.begin(), names.Lines.end(),
                   [](const SkinNameLine& a, const SkinNameLine& b) { return UpperCase(a.Name) < UpperCase(b.Name); });
  return names;
}

std::string GetRandomSkin(const std::vector<TacSkinListData>& entries, const std::function<int(int)>& pick) {
  if (entries.empty()) return {};
  const int i = std::clamp(pick(static_cast<int>(entries.size())), 0, static_cast<int>(entries.size()) - 1);
  return entries[static_cast<std::size_t>(i)].skName;
}

void ExtractByIndex(const TsStoredSkins& stored, int index, const std::string& directory, SkinFileSystem& files,
                    SkinErrorBoxes& errors) {
  if (index < 0 || index >= stored.Count()) return;
  const std::string dir = NormalizeDir(directory);
  if (!files.DirectoryExists(dir) && !files.ForceDirectories(dir)) {
    errors.ErrorBox(dir + " directory creation error.");
    return;
  }
  const TsStoredSkin& item = stored[index];
  const std::string file = dir + item.Name + " extracted.asz";
  if (!files.WriteFile(file, item.PackedData)) errors.ErrorBox(file + " file writing error.");
}

void ExtractInternalSkin(const TsStoredSkins& stored, const std::string& name, const std::string& directory,
                         SkinFileSystem& files, SkinErrorBoxes& errors) {
  bool found = false;
  for (int i = 0; i < stored.Count(); ++i) {
    if (stored[i].Name != name) continue;
    found = true;
    if (files.DirectoryExists(directory)) ExtractByIndex(stored, i, directory, files, errors);
    else errors.ErrorBox("Directory does not exists.");
  }
  if (!found) errors.ErrorBox("Skin does not exists.");
}

}  // namespace skin
