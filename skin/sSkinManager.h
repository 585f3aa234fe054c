#pragma once
// TsSkinManager: the component that owns the current skin, loads and applies it, and
// tells every form and skinned control about it.
#include <windows.h>

#include "framework/Classes.h"
#include "framework/Handles.h"
#include "framework/Thread.h"
#include "skin/CommonSkinData.h"
#include "skin/ConstData.h"
#include "skin/EmbeddedFonts.h"
#include "skin/Palette.h"
#include "skin/SkinList.h"
#include "skin/SkinLoad.h"
#include "skin/WinImageDecoder.h"
#include "skin/WinPreviewImages.h"
#include "skin/SkinPreview.h"
#include "skin/StoredSkins.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skin {

inline constexpr wchar_t SkinLibraryVersion[] = L"13.12";

enum TacSkinningRule : unsigned { srStdForms = 1, srStdDialogs = 2, srThirdParty = 4 };
enum TacManagerState : unsigned { msFontChanging = 1, msSkinLoading = 2, msScaleChanging = 4 };
enum class TacArrowsStyle { arsSolid1, arsLines1, arsSolid2, arsLines2, arsDefault };
enum class TacOptimizingPriority { opSpeed, opMemory };
enum class TacAnimType { atFading, atAero, atDropDown };
enum class TacFontMode { fmDefault, fmFromSkin, fmCustom };
enum class TacShowState { saIgnore, saMinimize, saRestore };
enum TacButtonEvent : unsigned { beMouseEnter = 1, beMouseLeave = 2, beMouseDown = 4, beMouseUp = 8 };
enum TacModalButtonsColoring : unsigned { bcBackground = 1, bcGlyph = 2, bcText = 4 };

struct TacOptions {
    TacScaleMode ScaleMode = smOldMode;
    TacArrowsStyle ArrowsStyle = TacArrowsStyle::arsDefault;
    bool DrawNonClientArea = true;
    bool ChangeSysColors = false;
    bool CheckEmptyAlpha = false;
    bool NoMouseHover = false;
    bool NativeBordersMaximized = false;
    bool StdGlyphsOrder = false;
    bool StdImgTransparency = false;
    TacOptimizingPriority OptimizingPriority = TacOptimizingPriority::opSpeed;
};

struct TacButtonsSupport {
    bool OldGlyphsMode = false;
    bool ShowFocusRect = true;
    bool ShiftContentOnClick = true;
    unsigned ModalButtonsColoring = bcGlyph;
};

struct TacLabelsSupport {
    bool TransparentAlways = true;
};

struct TacScrollBarsSupport {
    int ScrollSize = -1;
    int ButtonsSize = -1;
};

struct TacSkinEffects {
    bool AllowAnimation = true;
    bool AllowAeroBluring = true;
    bool AllowGlowing = true;
    bool AllowOuterEffects = true;
    bool DiscoloredGlyphs = false;
};

struct TacAnimEffect {
    bool Active = true;
    int Time = 0;
    TacAnimType Mode = TacAnimType::atAero;
};

struct TacAnimEffects {
    unsigned ButtonsEvents = beMouseEnter | beMouseLeave | beMouseDown | beMouseUp;
    TacAnimEffect SkinChanging{true, 100, TacAnimType::atFading};
    TacAnimEffect FormShow{true, 0, TacAnimType::atAero};
    TacAnimEffect FormHide{true, 0, TacAnimType::atAero};
    TacAnimEffect DialogShow{true, 0, TacAnimType::atAero};
    TacAnimEffect DialogHide{true, 0, TacAnimType::atAero};
    TacAnimEffect Minimizing{true, 120, TacAnimType::atAero};
    TacAnimEffect PageChange{true, 0, TacAnimType::atAero};
    struct {
        bool Active = false;
        int BlendValue = 170;
        int Time = 1000;
    } BlendOnMoving;
};

struct TacFonts {
    TacFontMode MainMode = TacFontMode::fmDefault;
    std::wstring MainFont;
};

struct TacMenuSupport {
    int AlphaBlend = 255;
    int ExtraLineWidth = 32;
    std::wstring IcoLineSkin;
};

// The 23 lists of class names of standard controls that get skinning adapters.
inline constexpr int ThirdPartyListCount = 23;
struct TsThirdPartyList {
    std::array<std::wstring, ThirdPartyListCount> Lists;
    static const wchar_t* PropertyName(int index) noexcept;
    static const wchar_t* DefaultText(int index) noexcept;
};

struct TacScaleModeChange {
    TacScaleMode OldMode, NewMode;
    int OldPercent, NewPercent;
};

class TsSkinManager;
using TacManagerEvent = std::function<void(TsSkinManager* sender)>;

class TsSkinManager : public fw::TComponent {
public:
    explicit TsSkinManager(fw::TComponent* owner);
    ~TsSkinManager() override;

    // --- Published properties ---
    bool Active() const noexcept { return FActive; }
    void SetActive(bool value);
    const std::wstring& SkinName() const noexcept { return FSkinName; }
    void SetSkinName(const std::wstring& value);
    const std::wstring& SkinDirectory() const noexcept { return FSkinDirectory; }
    void SetSkinDirectory(const std::wstring& value);
    TsStoredSkins& InternalSkins() noexcept { return FInternalSkins; }
    std::wstring SkinInfo() const;
    void SetSkinInfo(const std::wstring&) noexcept {}
    std::wstring Version() const { return SkinLibraryVersion; }
    void SetVersion(const std::wstring&) noexcept {}
    bool IsDefault() const noexcept;
    void SetIsDefault(bool value);
    bool SkinnedPopups() const noexcept { return FSkinnedPopups; }
    void SetSkinnedPopups(bool value) noexcept { FSkinnedPopups = value; }
    bool ExtendedBorders() const noexcept { return FExtendedBorders; }
    void SetExtendedBorders(bool value);
    int Brightness() const noexcept { return FBrightness; }
    void SetBrightness(int value);
    int HueOffset() const noexcept { return FHueOffset; }
    void SetHueOffset(int value);
    int Saturation() const noexcept { return FSaturation; }
    void SetSaturation(int value);
    const std::vector<std::wstring>& CommonSections() const noexcept { return FCommonSections; }
    void SetCommonSections(const std::vector<std::wstring>& lines);
    unsigned SkinningRules() const noexcept { return FSkinningRules; }
    void SetSkinningRules(unsigned value);
    unsigned SkinsFilter() const noexcept { return FSkinsFilter; }
    void SetSkinsFilter(unsigned value);

    const TacOptions& Options() const noexcept { return FOptions; }
    TacOptions& OptionsData() noexcept { return FOptions; }  // plain fields: read by controls
    void SetScaleMode(TacScaleMode mode);
    // Follows a window's DPI (0: none, ScaleMode alone decides): the skin's
    // images and keys of the nearest step of the percent table, ScaleInt at the
    // exact DPI, and the system metrics and fonts it scales read at 96 dpi. A
    // change reloads and re-applies the skin and tells every control the new
    // percent (SKC_SETSCALE); the forms lay themselves out for their DPI.
    int PixelsPerInch() const noexcept { return FPixelsPerInch; }
    void SetPixelsPerInch(int dpi);
    // The DPI at which the system metrics and fonts that ScaleInt scales are
    // read: 96 while the manager follows a DPI, else the system's own.
    int MetricsDpi() const noexcept;
    void SetArrowsStyle(TacArrowsStyle style);
    void SetDrawNonClientArea(bool value);
    TacAnimEffects& AnimEffects() noexcept { return FAnimEffects; }
    const TacButtonsSupport& ButtonsOptions() const noexcept { return FButtonsOptions; }
    TacButtonsSupport& ButtonsOptionsData() noexcept { return FButtonsOptions; }
    void SetOldGlyphsMode(bool value);
    TacLabelsSupport& LabelsOptions() noexcept { return FLabelsOptions; }
    const TacScrollBarsSupport& ScrollsOptions() const noexcept { return FScrollsOptions; }
    void SetScrollSize(int value);
    void SetScrollButtonsSize(int value);
    const TacSkinEffects& Effects() const noexcept { return FEffects; }
    TacSkinEffects& EffectsData() noexcept { return FEffects; }
    void SetAllowOuterEffects(bool value);
    void SetDiscoloredGlyphs(bool value);
    const TacFonts& Fonts() const noexcept { return FFonts; }
    void SetFontsMainMode(TacFontMode mode);
    void SetFontsMainFont(const std::wstring& name);
    TacMenuSupport& MenuSupport() noexcept { return FMenuSupport; }
    TsThirdPartyList& ThirdParty() noexcept { return FThirdParty; }

    TacManagerEvent OnActivate, OnDeactivate, OnBeforeChange, OnAfterChange, OnSkinLoading, OnSkinListChanged,
        OnScaleChanged;
    std::function<void(TsSkinManager*, const std::wstring& oldFont, const std::wstring& newFont)> OnFontChanged;
    std::function<void(TsSkinManager*, const TacScaleModeChange&)> OnScaleModeChange;

    // --- Operations ---
    void UpdateSkin(bool repaint = true);
    void RepaintForms(bool doLockForms = true);
    void UpdateSkinSection(const std::wstring& sectionName);
    void BeginUpdate() noexcept { NoAutoUpdate = true; }
    void EndUpdate(bool repaint, bool allowAnimation);
    void ChangeAppFont(const std::wstring& fontName, bool doLockForms);
    void UpdateAllScale();
    // Rescales one form from the percent it reports (SKC_GETSCALE; 0 = currentScale,
    // -1 = never) to the manager's.
    void UpdateScale(HWND form, int currentScale);
    // The window under the mouse changed (hover tracking of skinned controls).
    void TrackActiveControl(HWND wnd);
    void GetSkinSections(std::vector<std::string>& list) const;

    int GetScale() const noexcept;
    int ScaleInt(int value, int controlScale = 0) const noexcept;

    // Counts the skins put in place (loads and removals), so that what
    // happens once per skin can tell one from the next.
    unsigned LoadCount() const noexcept { return loadCount_; }
    // True for the first paint failure since the skin was put in place: a
    // paint that fails shows its error once per skin, not once per paint.
    bool FirstPaintFailureOfLoad() noexcept;
    int GetSkinIndex(std::string_view section) const;
    int GetMaskIndex(int skinIndex, std::string_view key) const;
    int GetTextureIndex(int skinIndex, std::string_view key) const;

    TColor GetGlobalColor() const noexcept { return Palette[pcMainColor]; }
    TColor GetGlobalFontColor() const noexcept { return Palette[pcLabelText]; }
    TColor GetActiveEditColor() const noexcept { return Palette[pcEditBG]; }
    TColor GetActiveEditFontColor() const noexcept { return Palette[pcEditText]; }
    TColor GetHighLightColor(bool focused) const noexcept {
        return focused ? Palette[pcSelectionBG_Focused] : Palette[pcSelectionBG];
    }
    TColor GetHighLightFontColor(bool focused) const noexcept {
        return focused ? Palette[pcSelectionText_Focused] : Palette[pcSelectionText];
    }
    // The outer-effect record of a mode; nullptr for a mode no record exists for.
    const TacOutEffData* OuterEffect(int mode) const noexcept;

    std::wstring GetFullSkinDirectory() const;
    // The skin list (stored skins and packed files of the skin directory, as SkinsFilter
    // says) with its previews, rebuilt when marked.
    const std::vector<TacSkinListData>& SkinList();
    TacSkinListController SkinListController;
    // The previews' image list (140 x 100), made with the first rebuild.
    WinPreviewImageList* PreviewImageList() noexcept { return previews_.get(); }
    // Fills the list with the names of one kind of skins, sorted; returns the first name
    // in skin-list order ("" when there is none).
    std::wstring GetSkinNames(std::vector<std::wstring>& list, TacSkinTypes kind);
    std::wstring GetExternalSkinNames(std::vector<std::wstring>& list) { return GetSkinNames(list, stUnpacked); }
    std::wstring GetRandomSkin();
    // Writes a stored skin's archive as "<dir>\<name> extracted.asz".
    void ExtractInternalSkin(const std::wstring& skinName, const std::wstring& directory);
    void ExtractByIndex(int index, const std::wstring& directory);

    // The skin-list controls registered with the manager.
    void RegisterSkinListControl(HWND wnd);
    void UnregisterSkinListControl(HWND wnd) noexcept;

    static TsSkinManager* DefaultManager() noexcept;

    // --- Run-time state ---
    bool GlobalHookInstalled() const noexcept { return FGlobalHookInstalled; }
    HWND FActiveControl = nullptr;
    TsSkinData CommonSkinData;
    TacPaletteArray Palette{};
    std::array<fw::UniqueBrush, 6> Brushes;
    std::vector<TacOutEffData> oe;
    TConstantSkinData ConstData;
    TacEmbeddedFonts EmbeddedFonts;
    unsigned ManagerState = 0;
    bool NoAutoUpdate = false;
    TacShowState ShowState = TacShowState::saIgnore;
    std::optional<TacSkinData> PreviewBuffer;
    bool SkinIsPacked = false;
    bool SkinRemoving = false;
    int SysFontScale = 0;
    RECT FormShadowSize{};
    std::array<std::vector<std::wstring>, ThirdPartyListCount> ThirdLists;
    std::wstring DefStoredFontName, DefOldFontName, DefNewFontName;
    // The model: gd, ma and the master bitmap (empty while no skin is loaded).
    const SkinModel& Model() const noexcept { return *skin_->Model; }
    const TsGeneralDataArray& gd() const noexcept { return skin_->Model->gd; }
    const TsMaskArray& ma() const noexcept { return skin_->Model->ma; }

    // Where the manager's message boxes go (error, warning); tests replace it.
    static std::function<int(const std::wstring& text, const std::wstring& caption, UINT type)> MessageBoxHook;
    // Called for every notification of the CBT hook (frame skinning attaches here).
    static std::function<void(int code, WPARAM wParam, LPARAM lParam)> CbtHandler;

protected:
    void Loaded() override;

private:
    void LoadNamedSkin(const std::wstring& previousName);
    void ActivateSkin(bool repaint);
    void RemoveSkin();
    void ReloadForAdjustment();
    void ResetSkinData();
    void InstallHook();
    void UnInstallHook() noexcept;
    void HookApplication();
    void UnhookApplication() noexcept;
    bool AppWindowHook(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void ApplyPreview();
    void UpdateDialogSwitch();
    void NotifySkinListControls(std::uint16_t command);
    void CreateBrushes();
    void UpdateFormShadowSize();
    void CopyThirdPartyToLists();
    void StoreDefFont();
    void CheckHot();
    void StartHotCheck();
    void StopHotCheck() noexcept;
    int ShowBox(const std::wstring& text, const std::wstring& caption, UINT type) const;
    void ErrorBox(const std::wstring& text) const;
    LoadSettings MakeLoadSettings() const;
    void SetAdjustment(int& field, int value);
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept;

    bool FActive = true;
    std::wstring FSkinName;
    std::wstring FSkinDirectory;
    TsStoredSkins FInternalSkins;
    bool FSkinnedPopups = true;
    bool FExtendedBorders = false;
    int FBrightness = 0;
    int FHueOffset = 0;
    int FSaturation = 0;
    std::vector<std::wstring> FCommonSections;
    unsigned FSkinningRules = srStdForms | srStdDialogs | srThirdParty;
    unsigned FSkinsFilter = sfiInternal | sfiExternal;
    TacOptions FOptions;
    int FPixelsPerInch = 0;
    TacAnimEffects FAnimEffects;
    TacButtonsSupport FButtonsOptions;
    TacLabelsSupport FLabelsOptions;
    TacScrollBarsSupport FScrollsOptions;
    TacSkinEffects FEffects;
    TacFonts FFonts;
    TacMenuSupport FMenuSupport;
    TsThirdPartyList FThirdParty;

    bool FGlobalHookInstalled = false;
    int appHookId_ = 0;
    std::unique_ptr<LoadedSkin> skin_;
    unsigned loadCount_ = 0;
    unsigned paintFailureLoad_ = ~0u;  // the LoadCount of the last paint failure shown
    bool skinLoaded_ = false;  // skin_ holds a loaded skin (not the empty stand-in)
    std::optional<std::string> previewOptions_;
    std::vector<HWND> skinListControls_;
    std::unique_ptr<fw::TUtilWindow> timerCheckHot_;
    // The hover check rests while the pointer rests over the hot control,
    // and the application's mouse watch starts it again.
    POINT hotCheckPoint_{};
    int hotCheckStillTicks_ = 0;
    bool hotCheckResting_ = false;
    int mouseWatchId_ = 0;
    std::unique_ptr<WinPreviewImageList> previews_;
    int skinListStoredCount_ = -1;
};

// Whether standard dialogs are skinned now (default manager active and srStdDialogs set).
bool StdDialogsSkinned() noexcept;

}  // namespace skin
