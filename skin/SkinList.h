// The list of available skins (stored ones and the packed files of the skin
// directory) with their previews, the name lists made from it, and the
// extraction of a stored skin to a file.
#pragma once

#include "skin/SkinFiles.h"
#include "skin/StoredSkins.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace skin {

enum TacSkinMode { smInternal, smExtPacked, smExtUnpacked };
enum TacSkinTypes { stUnpacked = 0, stPacked = 1, stAllSkins = 2 };
enum TacSkinsFilterItem { sfiInternal = 1, sfiExternal = 2 };

struct TacSkinListData {
  std::string skName;
  TacSkinMode skSkinMode = smInternal;
  int skImageIndex = -1;  // the preview in the list's images, -1 none
};

// Where previews go: the Windows side decodes the PNG into its 140 × 100
// image list. Returns the image's index, or -1 when the bytes are not a PNG.
class PreviewImages {
public:
  virtual ~PreviewImages() = default;
  virtual void Clear() = 0;
  virtual int Add(std::span<const std::uint8_t> png) = 0;
};

class TacSkinListController {
public:
  std::vector<TacSkinListData> Entries;
  // Told after every rebuild (the manager sends SKC_SKINLISTCHANGED).
  std::function<void()> OnRebuilt;

  // A stored skin was created, or SkinDirectory or SkinsFilter changed.
  void MarkForRebuild() { marked_ = true; }
  bool Marked() const { return marked_; }

  // Rebuilds the entries and previews: with sfiInternal every stored skin;
  // with sfiExternal, when the full skin directory exists, every file in it
  // whose name does not begin with "." and ends exactly in ".asz".
  void Rebuild(const TsStoredSkins& stored, int filter, const std::string& fullSkinDirectory,
               const SkinFileSystem& files, PreviewImages* previews);
  // Rebuilds only when marked.
  void Update(const TsStoredSkins& stored, int filter, const std::string& fullSkinDirectory,
              const SkinFileSystem& files, PreviewImages* previews);
  // Takes another (the default manager's) list over.
  void CopyFrom(const TacSkinListController& other);

private:
  bool marked_ = true;
};

struct SkinNameLine {
  std::string Name;
  int ImageIndex = -1;
};

struct SkinNames {
  std::vector<SkinNameLine> Lines;  // sorted by name
  std::string FirstName;            // the first in list order, "" when none
};

// The names of one kind of skin: stUnpacked the skin directory's, stPacked
// the stored ones, stAllSkins all of them.
SkinNames GetSkinNames(const std::vector<TacSkinListData>& entries, TacSkinTypes kind);

// A name chosen by pick(count) among all entries (pick returns 0..count-1);
// "" when there is none.
std::string GetRandomSkin(const std::vector<TacSkinListData>& entries, const std::function<int(int)>& pick);

// Writes stored skin `index` to the normalised directory as "<Name> extracted.asz".
// A directory that cannot be created or a file that cannot be written is reported
// in an error box.
void ExtractByIndex(const TsStoredSkins& stored, int index, const std::string& directory, SkinFileSystem& files,
                    SkinErrorBoxes& errors);
// Extracts every stored skin named exactly `name`; "Directory does not
// exists." or "Skin does not exists." otherwise.
void ExtractInternalSkin(const TsStoredSkins& stored, const std::string& name, const std::string& directory,
                         SkinFileSystem& files, SkinErrorBoxes& errors);

}  // namespace skin
