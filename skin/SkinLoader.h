// Building the skin model from an options file: the image entries (step 1),
// the section records (step 3, without the skin-wide values and palette),
// the merge of common sections, and the per-record and per-image indexes.
#pragma once

#include "skin/SkinArchive.h"
#include "skin/SkinFiles.h"
#include "skin/SkinIni.h"
#include "skin/SkinModel.h"

#include <functional>
#include <memory>
#include <string>

namespace skin {

// Where the options file and the images of one load come from.
struct SkinSource {
  const SkinIni* Options = nullptr;          // none: every value has its default
  const TacSkinConvertor* Archive = nullptr; // the archive being loaded, or none
  const SkinFileSystem* Files = nullptr;     // for directory skins and absolute names
  ImageDecoder* Decoder = nullptr;           // PNG and JPEG; none: such images are missing
  std::string SkinPath;                      // directory skin path with "\", or ""
};

// Step 1: the image entries (and the master bitmap and external image cache).
// Raises EConvertError for a fixed-column field that is not a number.
void LoadAllMasks(SkinModel& model, const SkinSource& source, std::string_view commonSections = {});

// Step 3, sections only: one record per section of the options file, in
// file order, with inherited values; then the common sections merged.
void LoadSectionRecords(SkinModel& model, const SkinSource& source, std::string_view commonSections = {});

// The merge of common sections alone (part of LoadSectionRecords).
void MergeCommonSections(SkinModel& model, std::string_view commonSections);

// Makes the generated outer-shadow image of a record with OuterMode 3 or 4;
// returns its image index or -1.
using OuterShadowMaker = std::function<int(SkinModel&, int skinIndex)>;

// Per record: border, corner, outer and texture indexes and
// ScrollBorderOffset; per image: Width and Height.
void InitMaskIndexes(SkinModel& model, const OuterShadowMaker& makeOuterShadow = {});

// The whole section model from a source: steps 1 and 3 and the indexes. The
// new model is built aside; an exception leaves nothing half-built behind.
std::unique_ptr<SkinModel> BuildSkinModel(const SkinSource& source, const SkinModel& settings,
                                          std::string_view commonSections = {},
                                          const OuterShadowMaker& makeOuterShadow = {});

// An integer or colour key read through the PARENTCLASS chain: the section's
// own value when present and not negative, else the parent's, else def;
// capped at max. The chain ends at a section met a second time.
int ReadInherited(const SkinIni& ini, std::string_view section, std::string_view key, int def, int max);
// As ReadInherited without a default: -1 when no section of the chain has the key.
int ReadInheritedOrMissing(const SkinIni& ini, std::string_view section, std::string_view key, int max);
bool ReadInheritedBool(const SkinIni& ini, std::string_view section, std::string_view key, bool def);
// Gradient texts inherit alike; "?" counts as missing.
std::string ReadInheritedText(const SkinIni& ini, std::string_view section, std::string_view key);

}  // namespace skin
