#pragma once
// Indexes of well-known sections and images, cached once per load so that controls
// need not search by name.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

enum TacSection : int {
    ssMenuItem, ssCheckBox, ssSpeedButton, ssSpeedButton_Small, ssToolButton, ssTransparent,
    ssGroupBox, ssDivider, ssWebBtn, ssButton, ssComboNoEdit, ssButtonHuge, ssToolBar, ssEdit,
    ssGauge, ssSelection, ssStatusBar, ssPanel, ssPanelLow, ssTrackBar, ssProgressV, ssDragBar,
    ssGripH, ssGripV, ssProgressH, ssTabSheet, ssUpDown, ssComboBox, ssCaption, ssMainMenu,
    ssSplitter, ssComboBtn, ssFormTitle, ssHint, ssDividerV, ssPageControl, ssTabTop, ssBarPanel,
    ssBarTitle, ssMenuCaption, ssDialogTitle, ssMenuButton, ssMenuLine, ssFormHeader, ssTBBtn,
    ssTBMenuBtn, ssTBTab, ssColHeader, ssColHeaderA, ssColHeaderL, ssColHeaderR, ssSlider_Off,
    ssSlider_On,
    SectionCount
};
static_assert(SectionCount == 53);

// Section name of each TacSection ("MENUITEM" ...).
std::string_view SectionName(int section) noexcept;
// Enumeration name of each TacSection ("ssMenuItem" ...), for dumps.
std::string_view SectionEnumName(int section) noexcept;

// Sections that stand in for missing ones, applied in this order after the lookup.
struct SectionSubstitution {
    TacSection missing;
    int substitute;  // a TacSection, or -1 when the section has none
};
inline constexpr int SubstitutionCount = 14;
const std::array<SectionSubstitution, SubstitutionCount>& SectionSubstitutions() noexcept;

struct TacConstElementData {
    int SkinIndex = -1;
    int MaskIndex = -1;    // "BORDERSMASK"
    int GlyphIndex = -1;   // "GLYPHMASK"
    std::array<int, 3> BGIndex{-1, -1, -1};  // "PATTERN", "HOTPATTERN"
    std::string SkinSection;
};

struct TacTrackBarData {
    int SkinIndex = -1;
    int MaskIndex = -1;      // "BORDERSMASK"
    int ChannelIndex = -1;   // "SLIDERCHANNEL"
    std::array<int, 2> BGIndex{-1, -1};  // "PATTERN", "HOTPATTERN"
    int ProgIndex = -1;
    int TickIndex = -1;
    int SliderIndex = -1;
};

// Title glyphs: the first five have glow frames.
enum TacTitleGlyph : int {
    tgCloseAlone, tgClose, tgMax, tgMin, tgNorm, tgHelp,
    tgSmallClose, tgSmallMax, tgSmallMin, tgSmallNorm, tgSmallHelp, tgTitleButton, tgLast,
    TitleGlyphCount
};
inline constexpr int TitleGlowCount = 5;
// More glow frames than this are not read, whatever the skin claims.
inline constexpr int MaxGlowFrames = 64;

template <std::size_t N>
constexpr std::array<int, N> NoIndexes() {
    std::array<int, N> a{};
    a.fill(-1);
    return a;
}

struct TConstantSkinData {
    int IndexGLobalInfo = -1;
    std::array<int, SectionCount> Sections = NoIndexes<SectionCount>();
    std::array<int, 3> CheckBox{-1, -1, -1};
    std::array<int, 3> SmallCheckBox{-1, -1, -1};
    std::array<int, 2> RadioButton{-1, -1};
    int ExBorder = -1;
    int GripRightBottom = -1;
    int GripHorizontal = -1;
    int GripVertical = -1;
    TacConstElementData MenuItem;
    TacConstElementData ComboBtn;
    // [layout: first, last, middle, single][side: left, top, right, bottom]
    std::array<std::array<TacConstElementData, 4>, 4> Tabs{};
    std::array<TacConstElementData, 4> Scrolls{};
    std::array<TacConstElementData, 4> ScrollBtns{};
    std::array<TacConstElementData, 4> UpDownBtns{};
    std::array<TacConstElementData, 2> Sliders{};
    std::array<TacTrackBarData, 2> TrackBar{};  // vertical, horizontal
    std::array<int, TitleGlyphCount> TitleGlyphs = NoIndexes<TitleGlyphCount>();
    std::array<std::vector<int>, TitleGlowCount> TitleGlows{};
    std::array<int, TitleGlowCount> GlowMargins = NoIndexes<TitleGlowCount>();

    // Every index -1, as while no skin is loaded.
    void Clear() { *this = TConstantSkinData{}; }
};

// What filling the cache needs from the loaded model.
class ConstDataModel {
public:
    virtual ~ConstDataModel() = default;
    virtual int SkinIndex(std::string_view section) const = 0;
    // Image of a key of a section, following the section's parents.
    virtual int MaskIndex(int skinIndex, std::string_view key) const = 0;
    virtual int TextureIndex(int skinIndex, std::string_view key) const = 0;
    // A glyph looked up under its scaled key first; at a scale above 100 % without one,
    // a scaled copy of the plain glyph (with `directly`, without the mask step).
    virtual int ScaledGlyph(int skinIndex, std::string_view key, bool directly) = 0;
    // Integer of "GLOBALINFO" (`def` when absent), and the per-scale form.
    virtual int GlobalInt(std::string_view key, int def) const = 0;
    virtual int GlobalIntPerScale(std::string_view key, int def) const = 0;
    // Appends a copy of `parent` under `name`; returns its index.
    virtual int AddNewSection(std::string_view name, int parent) = 0;
};

// Step 4 of a load, in two parts around the mask indexes of the records: first every
// cached index and `Sections`, then the substitutes of missing sections.
void InitConstantIndexes(ConstDataModel& model, TConstantSkinData& data);
void ApplySectionSubstitutions(ConstDataModel& model, TConstantSkinData& data);

}  // namespace skin
