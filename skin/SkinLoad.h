#pragma once
// One whole skin load: finding the skin a name stands for, building the section model,
// the skin-wide data, the palette, the colour adjustments and the index cache.
#include "skin/CommonSkinData.h"
#include "skin/ConstData.h"
#include "skin/Palette.h"
#include "skin/SkinArchive.h"
#include "skin/SkinFiles.h"
#include "skin/SkinModel.h"
#include "skin/StoredSkins.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skin {

// "c:\Skins" -> "c:\Skins\"; "c:/Skins/" -> "c:/Skins\"; "c" -> "c:\"; "" stays "".
std::string NormalizeDir(std::string dir);
// The skin directory made absolute against the program's directory (with its "\").
std::string FullSkinDirectory(const std::string& skinDirectory, const std::string& programDir);

enum class SkinKind { Packed, Directory, Stored, None };

struct SkinResolution {
    SkinKind Kind = SkinKind::None;
    std::string Name;        // without ".asz"; the stored skin's name when it stood in
    std::string PackedFile;  // Packed: the archive file
    std::string SkinPath;    // Directory: the skin's directory with "\"
    int StoredIndex = -1;    // Stored: the item
};

// Which skin a name stands for. `previewSeen` switches the packed-file test to the one
// used once a live preview has arrived (a directory of the name wins).
SkinResolution ResolveSkinName(std::string name, const std::string& skinDirectory, const TsStoredSkins& stored,
                               const SkinFileSystem& fs, bool previewSeen);

// A skin says how many fonts it has; more than this are not read.
inline constexpr int MaxSkinFontCount = 64;

struct SkinFontFile {
    std::string FileName;
    std::string FontName;
    std::vector<std::uint8_t> Data;
};

struct LoadSettings {
    TacScaleMode ScaleMode = smOldMode;
    int SysFontScale = 0;
    int Dpi = 0;  // the DPI the manager follows, 0 none
    int HueOffset = 0;
    int Saturation = 0;
    int Brightness = 0;
    SysColorFn SysColor;
    int SystemFrameWidth = 4;
    std::string CommonSections;   // INI text
    const void* Manager = nullptr;
    const SkinFileSystem* Files = nullptr;
    ImageDecoder* Decoder = nullptr;
    ArchiveMessages* Messages = nullptr;
    // Told when the skin is newer than this library supports; loading goes on.
    std::function<void(const std::string& text)> VersionWarning;
};

struct LoadedSkin {
    std::unique_ptr<SkinModel> Model;
    TsSkinData Common;
    std::vector<TacOutEffData> oe;
    TacPaletteArray Palette{};
    TConstantSkinData ConstData;
    std::vector<SkinFontFile> Fonts;
};

inline constexpr char NewerSkinWarning[] =
    "This version of the skin has not complete support by used skinning package release.\r\n"
    "Components must be updated to latest version for using this skin.";

// "Internal format error in the "name" skin. Please, update this skin to latest version."
std::string InternalFormatErrorText(const std::string& skinName);

// Loads what a resolution names. `optionsOverride` (a live preview's text) replaces the
// options file of a directory or stored skin. Throws on a damaged skin; nothing of the
// result exists then.
std::unique_ptr<LoadedSkin> LoadResolvedSkin(const SkinResolution& where, const TsStoredSkins& stored,
                                             const std::optional<std::string>& optionsOverride,
                                             const LoadSettings& settings);

// The model with nothing loaded: no records, no images.
std::unique_ptr<LoadedSkin> EmptySkin(const LoadSettings& settings);

// Hue, saturation and brightness over the model, the palette and the skin-wide colours.
void ApplyColorAdjustments(LoadedSkin& skin, int hue, int saturation, int brightness);

}  // namespace skin
