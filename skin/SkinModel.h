// The in-memory model of a loaded skin: the section records (gd), the image
// entries (ma), the external image cache and the lookups every skinned
// control uses to find its section, images and textures.
#pragma once

#include "skin/Bitmap32.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

using TColor = std::int32_t;

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TsGradPoint {
  std::uint16_t Index = 0;
  std::uint32_t Mode = 0;   // bits 0-1 gradient kind, further bits flags
  std::uint32_t Color = 0;  // top byte 0xFF once loaded
  std::uint8_t Percent = 0; // where the point starts, 0-100; the last has 100
  friend bool operator==(const TsGradPoint&, const TsGradPoint&) = default;
};
using TsGradArray = std::vector<TsGradPoint>;

// Text colour and its outline colours (-1: no outline on that side).
struct TsFontColor {
  TColor Color = 0, Left = -1, Top = -1, Right = -1, Bottom = -1;
};

struct TsGenState {
  int GlowSize = 0;
  int ImagePercent = 0;
  int TextureIndex = -1;
  int Transparency = 0;
  int GradientPercent = 0;
  TColor Color = 0xFFFFFF;
  TColor GlowColor = 0xFFFFFF;
  TsFontColor FontColor;
  TsGradArray GradientArray;
};
using TsProps = std::array<TsGenState, 3>;

struct TsGeneralData {
  std::string ParentClass;
  std::string ClassName;
  TsProps Props;
  bool UseState2 = false;
  bool GiveOwnFont = false;
  bool ShiftOnClick = false;
  bool ReservedBoolean = false;
  int States = 3;
  int ScrollBorderOffset = 0;
  int GlowCount = 0;
  int GlowMargin = 0;
  int GlowSize = 0, HotGlowSize = 0;
  int BorderIndex = -1;
  int ImgTL = -1, ImgTR = -1, ImgBL = -1, ImgBR = -1;
  TColor HotGlowColor = 0, GlowColor = 0;
  int OuterMode = 2;
  int OuterMask = -1;
  int OuterOpacity = 200;
  TRect OuterOffset{-1, -1, -1, -1};
  int OuterBlur = 9;
  int OuterRadius = 9;
  TColor OuterColorL = 0, OuterColorT = 0, OuterColorR = 0, OuterColorB = 0;
};
using TsGeneralDataArray = std::vector<TsGeneralData>;

enum TacImgType { itisaBorder, itisaTexture, itisaGlyph, itisaGlow, itisaPngGlyph };

// The largest cell count, mask-band count and margin an image entry holds (16-bit fields).
inline constexpr int MaxImageCount = 0x7FFF;
inline constexpr int MaxImageMargin = 0x7FFF;

struct TsMaskData {
  std::shared_ptr<Bitmap32> Bmp;  // own bitmap, or none: the image lies in the master bitmap
  std::string ClassName;
  std::string PropertyName;
  TRect R;
  int ImageCount = 1;   // state cells side by side across R, at least 1
  int MaskType = 0;     // mask bands below the image band, at least 0
  int BorderWidth = 0;
  int DrawMode = 0;
  TacImgType ImgType = itisaBorder;
  const void* Manager = nullptr;
  int WL = 0, WT = 0, WR = 0, WB = 0;
  int CornerType = 0;
  int SkinIndex = -1;
  int Width = 0;   // width of one state cell
  int Height = 0;  // height of one band
};
using TsMaskArray = std::vector<TsMaskData>;

struct TacExtFileData {
  std::shared_ptr<Bitmap32> Bmp;
  std::string FileName;
  int MaskType = 0;
};

enum TacScaleMode { sm100, sm125, sm150, sm200, smAuto, smOldMode };

inline constexpr std::array<int, 4> ScalePercents = {100, 125, 150, 200};
inline constexpr std::array<std::string_view, 4> ScaleSuffixes = {"", "*125", "*150", "*200"};

// The scale index (0-3) that the registry value "AppliedDPI" stands for.
int ScaleIndexFromDpi(long dpi);
// The scale index whose percent is nearest to a DPI's (96 is 100 %); between
// two steps the lower one, so that an image is never larger than its room.
int NearestScaleIndex(int dpi);

// Gradient text ("15002349;16777215;97;0;0;...;0" or "...;B") to points;
// malformed texts give no points.
TsGradArray ParseGradient(std::string_view text);

class SkinModel {
public:
  TsGeneralDataArray gd;
  TsMaskArray ma;
  std::vector<TacExtFileData> ExtArray;
  std::shared_ptr<Bitmap32> MasterBitmap = std::make_shared<Bitmap32>();
  double Version = 0;  // "VERSION" of "GLOBALINFO"
  // Directory of a directory skin with its trailing "\"; "" for an archive.
  std::string SkinPath;

  // Scaling: the manager's mode, the system scale index and design time.
  TacScaleMode ScaleMode = smOldMode;
  int SysFontScale = 0;
  // A DPI the manager follows (0: none): ScaleInt then scales by Dpi / 96
  // exactly, which at the four steps is the percent table's arithmetic.
  int Dpi = 0;
  bool DesignTime = false;
  const void* Manager = nullptr;
  // The manager's Brightness: PNG images of newer skins are premultiplied
  // only when it is 0 or less.
  int Brightness = 0;

  int GetSkinIndex(std::string_view sectionName) const;
  // First image of the section and key; else through the section's parent
  // chain when its ParentClass differs from sectionName.
  int GetMaskIndex(int skinIndex, std::string_view sectionName, std::string_view key) const;
  int GetMaskIndex(std::string_view sectionName, std::string_view key) const;
  int GetMaskIndex(int skinIndex, std::string_view key) const;
  int GetTextureIndex(int skinIndex, std::string_view sectionName, std::string_view key) const;
  int GetTextureIndex(int skinIndex, std::string_view key) const;
  bool IsValidSkinIndex(int index) const { return index >= 0 && index < static_cast<int>(gd.size()); }
  bool IsValidImgIndex(int index) const { return index >= 0 && index < static_cast<int>(ma.size()); }
  std::vector<std::string> GetSkinSections() const;

  int MakeNewItem(int skinIndex, std::string_view key, int maskType, int drawMode, int imageCount,
                  const TRect& r, TacImgType imgType, std::string_view sectionName);
  int AddNewSection(std::string_view name, int parentIndex, TColor fontColor, TColor color,
                    int transparency, int states);

  int GetScale() const;
  int ScaleInt(int value, int sysScale) const;
  int ScaleInt(int value) const { return ScaleInt(value, SysFontScale); }

  // The parent record of a section (by its ParentClass), or -1 when it has
  // none, names itself, or is "?".
  int ParentIndex(int skinIndex) const;
};

}  // namespace skin
