#include "skin/sSkinManager.h"

#include "framework/Application.h"
#include "framework/CommandLine.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "skin/SkinBroadcast.h"
#include "skin/SkinCommand.h"
#include "skin/WinSkinFiles.h"

#include <algorithm>

namespace skin {
namespace {

TsSkinManager* defaultManager = nullptr;
// One skin load at a time in the whole program; loads must not nest.
bool skinLoading = false;
// Once a live preview arrived, directories of a skin's name win over packed files.
bool previewSeen = false;
bool stdDialogsSkinned = false;
HHOOK cbtHook = nullptr;

// What the library's initialisation records about the system.
struct LibraryInfo {
    bool IsNT = false;
    BOOL(WINAPI* SetProcessDPIAware)() = nullptr;
};

std::wstring ProgramTitle() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    if (const auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos) name.erase(0, slash + 1);
    if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.erase(dot);
    return name;
}

LibraryInfo InitSkinLibrary() {
    LibraryInfo info;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    info.IsNT = ::GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    if (HMODULE user32 = ::GetModuleHandleW(L"user32.dll")) {
        info.SetProcessDPIAware = reinterpret_cast<BOOL(WINAPI*)()>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDPIAware")));
    }
    if (fw::HasSwitch(::GetCommandLineW(), L"/acver")) {
        ::MessageBoxW(nullptr, (std::wstring(L"Skin engine v") + SkinLibraryVersion).c_str(), ProgramTitle().c_str(),
                      MB_OK);
    }
    return info;
}

// Runs when the program starts, as part of the library's initialisation.
const LibraryInfo libraryInfo = InitSkinLibrary();

std::wstring Wide8(const std::string& text) {
    // Preview texts and stored names are 8-bit text of the system code page.
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

int SystemScaleIndex() {
    DWORD dpi = 0, size = sizeof dpi, type = 0;
    fw::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
        return 0;
    }
    if (::RegQueryValueExW(key.get(), L"AppliedDPI", nullptr, &type, reinterpret_cast<BYTE*>(&dpi), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return 0;
    }
    return ScaleIndexFromDpi(static_cast<long>(dpi));
}

TColor SysColor(int index) { return static_cast<TColor>(::GetSysColor(index)); }

class ManagerArchiveMessages final : public ArchiveMessages {
public:
    explicit ManagerArchiveMessages(std::function<void(const std::string&)> show) : show_(std::move(show)) {}
    void ShowError(const std::string& text) override { show_(text); }

private:
    std::function<void(const std::string&)> show_;
};

}  // namespace

std::function<int(const std::wstring&, const std::wstring&, UINT)> TsSkinManager::MessageBoxHook;
std::function<void(int, WPARAM, LPARAM)> TsSkinManager::CbtHandler;

const wchar_t* TsThirdPartyList::PropertyName(int index) noexcept {
    static constexpr const wchar_t* names[ThirdPartyListCount] = {
        L"ThirdEdits", L"ThirdButtons", L"ThirdBitBtns", L"ThirdCheckBoxes", L"ThirdComboBoxes", L"ThirdGrids",
        L"ThirdGroupBoxes", L"ThirdListViews", L"ThirdPanels", L"ThirdTreeViews", L"ThirdWWEdits", L"ThirdGridEh",
        L"ThirdVirtualTrees", L"ThirdPageControl", L"ThirdTabControl", L"ThirdToolBar", L"ThirdStatusBar",
        L"ThirdSpeedButton", L"ThirdScrollControl", L"ThirdUpDown", L"ThirdScrollBar", L"ThirdStaticText",
        L"ThirdNativePaint"};
    return index >= 0 && index < ThirdPartyListCount ? names[index] : L"";
}

const wchar_t* TsThirdPartyList::DefaultText(int index) noexcept {
    return index == 1 ? L"TButton" : L" ";
}

bool StdDialogsSkinned() noexcept { return stdDialogsSkinned; }

TsSkinManager* TsSkinManager::DefaultManager() noexcept { return defaultManager; }

TsSkinManager::TsSkinManager(fw::TComponent* owner) : fw::TComponent(owner) {
    SysFontScale = SystemScaleIndex();
    CommonSkinData.SysInactiveBorderColor = static_cast<TColor>(::GetSysColor(COLOR_INACTIVEBORDER));
    skin_ = EmptySkin(MakeLoadSettings());
    ++loadCount_;
    ConstData.Clear();
    if (!defaultManager) {
        defaultManager = this;
        HookApplication();
    }
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        if (FThirdParty.Lists[static_cast<std::size_t>(i)].empty()) {
            FThirdParty.Lists[static_cast<std::size_t>(i)] = TsThirdPartyList::DefaultText(i);
        }
    }
    CopyThirdPartyToLists();
    if (FSkinDirectory.empty()) FSkinDirectory = L"c:\\Skins";
}

TsSkinManager::~TsSkinManager() {
    SetDestroying();
    if (CommonSkinData.Active) {
        FActive = false;
        RemoveSkin();
    }
    FExtendedBorders = false;
    UnInstallHook();
    if (mouseWatchId_) fw::Application().RemoveMouseWatch(mouseWatchId_);
    EmbeddedFonts.Clear();
    if (defaultManager == this) {
        UnhookApplication();
        defaultManager = nullptr;
        stdDialogsSkinned = false;
    }
    // The class-name lists go back into the properties.
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        std::wstring text;
        for (const auto& line : ThirdLists[static_cast<std::size_t>(i)]) {
            if (!text.empty()) text += L"\r\n";
            text += line;
        }
        FThirdParty.Lists[static_cast<std::size_t>(i)] = text;
    }
}

LoadSettings TsSkinManager::MakeLoadSettings() const {
    static WinSkinFileSystem files;
    static GdiPlusImageDecoder decoder;
    LoadSettings s;
    s.ScaleMode = FOptions.ScaleMode;
    s.SysFontScale = SysFontScale;
    s.Dpi = FPixelsPerInch;
    s.HueOffset = FHueOffset;
    s.Saturation = FSaturation;
    s.Brightness = FBrightness;
    s.SysColor = SysColor;
    s.SystemFrameWidth = ::GetSystemMetrics(SM_CXFRAME);
    std::wstring common;
    for (const auto& line : FCommonSections) common += line + L"\r\n";
    s.CommonSections = fw::ToUtf8(common);
    s.Manager = this;
    s.Files = &files;
    s.Decoder = &decoder;
    return s;
}

int TsSkinManager::ShowBox(const std::wstring& text, const std::wstring& caption, UINT type) const {
    if (MessageBoxHook) return MessageBoxHook(text, caption, type);
    return ::MessageBoxW(::GetActiveWindow(), text.c_str(), caption.c_str(), type);
}

// Error boxes carry the program's title, as every other error box of the program does;
// the title is set before the first form is created, so boxes of the start-up load
// have it too.
void TsSkinManager::ErrorBox(const std::wstring& text) const {
    ShowBox(text, fw::Application().Title(), MB_ICONERROR | MB_OK);
}

// --- Properties ---

bool TsSkinManager::IsDefault() const noexcept { return defaultManager == this; }

bool TsSkinManager::FirstPaintFailureOfLoad() noexcept {
    if (paintFailureLoad_ == loadCount_) return false;
    paintFailureLoad_ = loadCount_;
    return true;
}

void TsSkinManager::SetIsDefault(bool value) {
    if (!value && defaultManager && defaultManager != this) return;
    if (!value && defaultManager == this) return;  // stays the default until another takes over
    if (defaultManager != this) {
        if (defaultManager) {
            defaultManager->UnInstallHook();
            defaultManager->UnhookApplication();
        }
        defaultManager = this;
        HookApplication();
    }
    if (FActive) {
        UpdateSkin(true);
    } else {
        RemoveSkin();
    }
}

void TsSkinManager::SetSkinName(const std::wstring& value) {
    const std::wstring previous = FSkinName;
    FSkinName = value;
    if (FActive) LoadNamedSkin(previous);
    NotifySkinListControls(SKC_LISTSKINCHANGED);
    UpdateDialogSwitch();
}

void TsSkinManager::SetActive(bool value) {
    if (value == FActive && (!value || CommonSkinData.Active || Loading())) return;
    FActive = value;
    if (Loading()) return;
    if (value) {
        LoadNamedSkin(FSkinName);
    } else if (CommonSkinData.Active || skinLoaded_) {
        RemoveSkin();
    }
    NotifySkinListControls(SKC_LISTSKINCHANGED);
    UpdateDialogSwitch();
}

void TsSkinManager::SetSkinDirectory(const std::wstring& value) {
    if (value == FSkinDirectory) return;
    FSkinDirectory = value;
    SkinListController.MarkForRebuild();
    if (OnSkinListChanged) OnSkinListChanged(this);
    NotifySkinListControls(SKC_SKINLISTCHANGED);
}

std::wstring TsSkinManager::SkinInfo() const {
    if (!CommonSkinData.Active) return L"N/A";
    return fw::FromUtf8(SkinVersionText(CommonSkinData.Version));
}

void TsSkinManager::SetExtendedBorders(bool value) {
    if (value == FExtendedBorders) return;
    FExtendedBorders = value;
    if (CommonSkinData.Active && !Loading()) {
        ReloadForAdjustment();
    }
}

void TsSkinManager::SetAdjustment(int& field, int value) {
    if (field == value) return;
    field = value;
    if (FActive && CommonSkinData.Active && !Loading() && !skinLoading) ReloadForAdjustment();
}

void TsSkinManager::SetBrightness(int value) { SetAdjustment(FBrightness, std::clamp(value, -100, 100)); }
void TsSkinManager::SetHueOffset(int value) { SetAdjustment(FHueOffset, value); }
void TsSkinManager::SetSaturation(int value) { SetAdjustment(FSaturation, value); }

void TsSkinManager::SetCommonSections(const std::vector<std::wstring>& lines) {
    FCommonSections.clear();
    for (std::wstring line : lines) {
        if (line.empty() || line.front() != L';') std::erase(line, L' ');
        FCommonSections.push_back(std::move(line));
    }
    if (FActive && !Loading()) SetSkinName(FSkinName);
}

void TsSkinManager::SetSkinningRules(unsigned value) {
    FSkinningRules = value;
    UpdateDialogSwitch();
}

void TsSkinManager::SetSkinsFilter(unsigned value) {
    if (value == FSkinsFilter) return;
    FSkinsFilter = value;
    SkinListController.MarkForRebuild();
    if (OnSkinListChanged) OnSkinListChanged(this);
    NotifySkinListControls(SKC_SKINLISTCHANGED);
}

void TsSkinManager::SetArrowsStyle(TacArrowsStyle style) {
    if (style == FOptions.ArrowsStyle) return;
    FOptions.ArrowsStyle = style;
    if (!Loading()) UpdateSkin(true);
}

void TsSkinManager::SetDrawNonClientArea(bool value) {
    if (value == FOptions.DrawNonClientArea) return;
    FOptions.DrawNonClientArea = value;
    if (Loading()) return;
    SkinCommandDelivery delivery;
    ForEachFormWindow([&](HWND form) {
        if (IsSkinnedWindow(form)) SendSkinCommand(form, SKC_DRAWNONCLIENT, value ? 1 : 0);
    });
}

void TsSkinManager::SetOldGlyphsMode(bool value) {
    if (value == FButtonsOptions.OldGlyphsMode) return;
    FButtonsOptions.OldGlyphsMode = value;
    if (!Loading() && CommonSkinData.Active) RepaintForms(true);
}

void TsSkinManager::SetScrollSize(int value) {
    if (value == FScrollsOptions.ScrollSize) return;
    FScrollsOptions.ScrollSize = value;
    if (!Loading() && CommonSkinData.Active) BroadcastToForms(SKC_FRAMECHANGED, 0);
}

void TsSkinManager::SetScrollButtonsSize(int value) {
    if (value == FScrollsOptions.ButtonsSize) return;
    FScrollsOptions.ButtonsSize = value;
    if (!Loading() && CommonSkinData.Active) RepaintForms(true);
}

void TsSkinManager::SetAllowOuterEffects(bool value) {
    if (value == FEffects.AllowOuterEffects) return;
    FEffects.AllowOuterEffects = value;
    if (!Loading() && CommonSkinData.Active) RepaintForms(true);
}

void TsSkinManager::SetDiscoloredGlyphs(bool value) {
    if (value == FEffects.DiscoloredGlyphs) return;
    FEffects.DiscoloredGlyphs = value;
    if (!Loading() && CommonSkinData.Active) RepaintForms(true);
}

void TsSkinManager::SetFontsMainMode(TacFontMode mode) {
    FFonts.MainMode = mode;
    if (Loading()) return;
    StoreDefFont();
    switch (mode) {
    case TacFontMode::fmDefault: ChangeAppFont(DefStoredFontName, true); break;
    case TacFontMode::fmFromSkin:
        ChangeAppFont(CommonSkinData.MainFont.empty() ? DefStoredFontName : fw::FromUtf8(CommonSkinData.MainFont), true);
        break;
    case TacFontMode::fmCustom: ChangeAppFont(FFonts.MainFont, true); break;
    }
}

void TsSkinManager::SetFontsMainFont(const std::wstring& name) {
    FFonts.MainFont = name;
    if (!Loading() && FFonts.MainMode == TacFontMode::fmCustom) {
        StoreDefFont();
        ChangeAppFont(name, true);
    }
}

void TsSkinManager::SetScaleMode(TacScaleMode mode) {
    if (mode == FOptions.ScaleMode) return;
    ManagerState |= msScaleChanging;
    // The model scales with the mode it was given; keep it in step with the option.
    auto setMode = [this](TacScaleMode m) {
        FOptions.ScaleMode = m;
        skin_->Model->ScaleMode = m;
    };
    const TacScaleMode oldMode = FOptions.ScaleMode;
    const int oldPercent = ScalePercents[static_cast<std::size_t>(GetScale())];
    setMode(mode);
    const int newPercent = ScalePercents[static_cast<std::size_t>(GetScale())];
    setMode(oldMode);
    if (OnScaleModeChange) OnScaleModeChange(this, {oldMode, mode, oldPercent, newPercent});
    if (Loading()) {
        setMode(mode);
    } else {
        BeginUpdate();
        setMode(mode);
        UpdateAllScale();
        if (FActive) LoadNamedSkin(FSkinName);
        if (OnScaleChanged) OnScaleChanged(this);
        EndUpdate(true, false);
    }
    ManagerState &= ~msScaleChanging;
}

void TsSkinManager::SetPixelsPerInch(int dpi) {
    dpi = std::max(dpi, 0);
    if (dpi == FPixelsPerInch) return;
    FPixelsPerInch = dpi;
    if (dpi > 0) {
        FOptions.ScaleMode = static_cast<TacScaleMode>(NearestScaleIndex(dpi));
        // The metrics ScaleInt scales are read at 100 %.
        SysFontScale = 0;
    } else {
        SysFontScale = SystemScaleIndex();
    }
    SkinModel& model = *skin_->Model;
    model.ScaleMode = FOptions.ScaleMode;
    model.SysFontScale = SysFontScale;
    model.Dpi = dpi;
    if (Loading() || !FActive || !skinLoaded_) return;
    ManagerState |= msScaleChanging;
    BeginUpdate();
    LoadNamedSkin(FSkinName);
    const int percent = ::MulDiv(100, dpi > 0 ? dpi : 96, 96);
    ForEachFormWindow([&](HWND form) {
        SendSkinCommand(form, SKC_SETSCALE, percent);
        BroadcastToControls(form, SKC_SETSCALE, percent);
    });
    if (OnScaleChanged) OnScaleChanged(this);
    EndUpdate(true, false);
    ManagerState &= ~msScaleChanging;
}

int TsSkinManager::MetricsDpi() const noexcept {
    return FPixelsPerInch > 0 ? fw::DefaultPixelsPerInch : fw::SystemDpi();
}

// --- Scale and lookups ---

int TsSkinManager::GetScale() const noexcept {
    return skin_->Model->GetScale();
}

int TsSkinManager::ScaleInt(int value, int controlScale) const noexcept {
    return skin_->Model->ScaleInt(value, controlScale);
}

int TsSkinManager::GetSkinIndex(std::string_view section) const { return skin_->Model->GetSkinIndex(section); }
int TsSkinManager::GetMaskIndex(int skinIndex, std::string_view key) const {
    return skin_->Model->GetMaskIndex(skinIndex, key);
}
int TsSkinManager::GetTextureIndex(int skinIndex, std::string_view key) const {
    return skin_->Model->GetTextureIndex(skinIndex, key);
}

void TsSkinManager::GetSkinSections(std::vector<std::string>& list) const {
    list.clear();
    if (CommonSkinData.Active) list = skin_->Model->GetSkinSections();
}

const TacOutEffData* TsSkinManager::OuterEffect(int mode) const noexcept {
    if (mode < 0 || static_cast<std::size_t>(mode) >= oe.size()) return nullptr;
    return &oe[static_cast<std::size_t>(mode)];
}

std::wstring TsSkinManager::GetFullSkinDirectory() const {
    WinSkinFileSystem files;
    return fw::FromUtf8(FullSkinDirectory(fw::ToUtf8(FSkinDirectory), files.ProgramDirectory()));
}

// --- Skin list ---

const std::vector<TacSkinListData>& TsSkinManager::SkinList() {
    if (defaultManager && defaultManager != this && defaultManager->FSkinDirectory != FSkinDirectory) {
        SkinListController.CopyFrom(defaultManager->SkinListController);
        return SkinListController.Entries;
    }
    if (skinListStoredCount_ != FInternalSkins.Count()) SkinListController.MarkForRebuild();
    skinListStoredCount_ = FInternalSkins.Count();
    if (!previews_) previews_ = std::make_unique<WinPreviewImageList>();
    if (!SkinListController.OnRebuilt) {
        SkinListController.OnRebuilt = [this] { NotifySkinListControls(SKC_SKINLISTCHANGED); };
    }
    WinSkinFileSystem files;
    SkinListController.Update(FInternalSkins, static_cast<int>(FSkinsFilter), fw::ToUtf8(GetFullSkinDirectory()), files,
                              previews_.get());
    return SkinListController.Entries;
}

std::wstring TsSkinManager::GetSkinNames(std::vector<std::wstring>& list, TacSkinTypes kind) {
    const SkinNames names = skin::GetSkinNames(SkinList(), kind);
    list.clear();
    for (const SkinNameLine& line : names.Lines) list.push_back(fw::FromUtf8(line.Name));
    return fw::FromUtf8(names.FirstName);
}

std::wstring TsSkinManager::GetRandomSkin() {
    return fw::FromUtf8(skin::GetRandomSkin(SkinList(), [](int count) {
        return static_cast<int>(::GetTickCount() % static_cast<DWORD>(count));
    }));
}

namespace {
class ManagerErrorBoxes final : public SkinErrorBoxes {
public:
    explicit ManagerErrorBoxes(std::function<void(const std::string&)> show) : show_(std::move(show)) {}
    void ErrorBox(const std::string& text) override { show_(text); }

private:
    std::function<void(const std::string&)> show_;
};
}  // namespace

void TsSkinManager::ExtractInternalSkin(const std::wstring& skinName, const std::wstring& directory) {
    WinSkinFileSystem files;
    ManagerErrorBoxes boxes([this](const std::string& t) { ErrorBox(fw::FromUtf8(t)); });
    skin::ExtractInternalSkin(FInternalSkins, fw::ToUtf8(skinName), fw::ToUtf8(directory), files, boxes);
}

void TsSkinManager::ExtractByIndex(int index, const std::wstring& directory) {
    WinSkinFileSystem files;
    ManagerErrorBoxes boxes([this](const std::string& t) { ErrorBox(fw::FromUtf8(t)); });
    skin::ExtractByIndex(FInternalSkins, index, fw::ToUtf8(directory), files, boxes);
}

// --- Loading, activation, removal ---

void TsSkinManager::ResetSkinData() {
    CommonSkinData.Active = false;
}

void TsSkinManager::LoadNamedSkin(const std::wstring& previousName) {
    if (skinLoading) return;  // a load started from an event of another load
    if (OnBeforeChange) OnBeforeChange(this);
    const bool wasActive = CommonSkinData.Active;
    skinLoading = true;
    struct LoadingFlag {
        ~LoadingFlag() { skinLoading = false; }
    } clearFlag;
    ResetSkinData();

    bool loaded = false;
    try {
        WinSkinFileSystem files;
        const SkinResolution where =
            ResolveSkinName(fw::ToUtf8(FSkinName), fw::ToUtf8(FSkinDirectory), FInternalSkins, files, previewSeen);
        if (where.Kind == SkinKind::None) {
            FActive = false;
        } else {
            FSkinName = fw::FromUtf8(where.Name);
            LoadSettings settings = MakeLoadSettings();
            ManagerArchiveMessages messages(
                [this](const std::string& text) { ErrorBox(fw::FromUtf8(text)); });
            settings.Messages = &messages;
            settings.VersionWarning = [this](const std::string& text) {
                const unsigned rules = FSkinningRules;
                FSkinningRules &= ~srStdDialogs;
                UpdateDialogSwitch();
                ShowBox(fw::FromUtf8(text), L"Warning", MB_ICONWARNING | MB_OK);
                FSkinningRules = rules;
                UpdateDialogSwitch();
            };
            const std::optional<std::string> preview =
                where.Kind == SkinKind::Packed ? std::nullopt : previewOptions_;
            auto skin = LoadResolvedSkin(where, FInternalSkins, preview, settings);

            // The new skin is complete: it replaces the previous one as a whole.
            SkinIsPacked = where.Kind == SkinKind::Packed;
            skin_ = std::move(skin);
            ++loadCount_;
            const TColor inactiveBorder = CommonSkinData.SysInactiveBorderColor;
            CommonSkinData = skin_->Common;
            CommonSkinData.SysInactiveBorderColor = inactiveBorder;
            Palette = skin_->Palette;
            oe = skin_->oe;
            ConstData = skin_->ConstData;
            UpdateFormShadowSize();
            CreateBrushes();
            EmbeddedFonts.Clear();
            for (const auto& font : skin_->Fonts) EmbeddedFonts.Add(font.FileName, font.FontName, font.Data);
            loaded = true;
            skinLoaded_ = true;
            if (OnSkinLoading) OnSkinLoading(this);
        }
    } catch (const std::exception& e) {
        FSkinName = previousName;
        CommonSkinData.Active = wasActive;
        const std::wstring message = fw::ExceptionMessage(std::current_exception());
        ErrorBox(message.empty() ? fw::FromUtf8(e.what()) : message);
        return;
    }

    if (!FActive) {
        RemoveSkin();
    } else if (loaded && !NoAutoUpdate) {
        ActivateSkin(true);
    }
    if (!wasActive && CommonSkinData.Active && !Loading() && OnActivate) OnActivate(this);
    skinLoading = false;
    if (!NoAutoUpdate && OnAfterChange) OnAfterChange(this);
}

void TsSkinManager::ReloadForAdjustment() {
    LoadNamedSkin(FSkinName);
    if (!NoAutoUpdate) RepaintForms(true);
}

void TsSkinManager::UpdateFormShadowSize() {
    FormShadowSize = RECT{};
    if (!FActive || !FExtendedBorders) return;
    const TsSkinData& d = CommonSkinData;
    const auto& images = skin_->Model->ma;
    if (ConstData.ExBorder >= 0 && static_cast<std::size_t>(ConstData.ExBorder) < images.size()) {
        if (d.ExDrawMode != 0) {
            FormShadowSize = RECT{d.ExContentOffs, d.ExContentOffs, d.ExContentOffs, d.ExContentOffs};
        } else {
            const TsMaskData& e = images[static_cast<std::size_t>(ConstData.ExBorder)];
            FormShadowSize = RECT{std::max(0, e.WL - d.ExContentOffs), std::max(0, e.WT - d.ExContentOffs),
                                  std::max(0, e.WR - d.ExContentOffs), std::max(0, e.WB - d.ExContentOffs)};
        }
    } else {
        const int size = d.WndShadowSize, offset = d.WndShadowOffset;
        FormShadowSize = RECT{std::max(0, size), std::max(0, size - offset), std::max(0, size), std::max(0, size + offset)};
    }
}

void TsSkinManager::CreateBrushes() {
    for (std::size_t i = 0; i < Brushes.size(); ++i) {
        const auto c = static_cast<std::uint32_t>(Palette[i]);
        Brushes[i].reset(::CreateSolidBrush(RGB(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF)));
    }
}

void TsSkinManager::UpdateSkin(bool repaint) {
    if (FActive) ActivateSkin(repaint);
}

void TsSkinManager::ActivateSkin(bool repaint) {
    if (Loading() || !skinLoaded_) return;
    ManagerState |= msSkinLoading;
    ResetSkinData();
    BroadcastToForms(SKC_SKINCHANGED, reinterpret_cast<LPARAM>(this));
    CommonSkinData.Active = true;
    if (IsDefault()) InstallHook();
    if (FFonts.MainMode == TacFontMode::fmFromSkin) {
        StoreDefFont();
        ChangeAppFont(CommonSkinData.MainFont.empty() ? DefStoredFontName : fw::FromUtf8(CommonSkinData.MainFont), false);
    }
    if (repaint) RepaintForms(false);
    ManagerState &= ~msSkinLoading;
}

void TsSkinManager::RemoveSkin() {
    SkinRemoving = true;
    if (FFonts.MainMode == TacFontMode::fmFromSkin && !DefStoredFontName.empty()) ChangeAppFont(DefStoredFontName, false);
    UnInstallHook();
    ResetSkinData();
    BroadcastToForms(SKC_SKINREMOVED, reinterpret_cast<LPARAM>(this));
    skin_ = EmptySkin(MakeLoadSettings());
    ++loadCount_;
    skinLoaded_ = false;
    oe.clear();
    EmbeddedFonts.Clear();
    SkinRemoving = false;
    ConstData.Clear();
    UpdateDialogSwitch();
    if (!Destroying() && OnDeactivate) OnDeactivate(this);
}

void TsSkinManager::Loaded() {
    fw::TComponent::Loaded();
    if (FOptions.ScaleMode != smOldMode && libraryInfo.SetProcessDPIAware) libraryInfo.SetProcessDPIAware();
    if (FSkinDirectory.empty()) FSkinDirectory = L"c:\\Skins";
    if (FMenuSupport.IcoLineSkin.empty()) FMenuSupport.IcoLineSkin = L"ICOLINE";
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        if (FThirdParty.Lists[static_cast<std::size_t>(i)].empty()) {
            FThirdParty.Lists[static_cast<std::size_t>(i)] = TsThirdPartyList::DefaultText(i);
        }
    }
    CopyThirdPartyToLists();
    const bool wasActive = CommonSkinData.Active;
    if (FActive && !FSkinName.empty()) {
        if (!skinLoaded_) {
            // Active was set after the name while loading: the load was deferred to here.
            LoadNamedSkin(FSkinName);
        }
        if (FActive) ActivateSkin(false);
    }
    UpdateDialogSwitch();
    if (!wasActive && CommonSkinData.Active && OnActivate) OnActivate(this);
}

void TsSkinManager::CopyThirdPartyToLists() {
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        auto& list = ThirdLists[static_cast<std::size_t>(i)];
        list.clear();
        const std::wstring& text = FThirdParty.Lists[static_cast<std::size_t>(i)];
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find_first_of(L"\r\n", start);
            if (end == std::wstring::npos) end = text.size();
            list.push_back(text.substr(start, end - start));
            if (end < text.size() && text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ++end;
            start = end + 1;
        }
    }
}

// --- Broadcasts ---

void TsSkinManager::RepaintForms(bool doLockForms) {
    (void)doLockForms;  // freezing for the change animation belongs to the frame skinning
    BroadcastToForms(SKC_STOPANIMATION, reinterpret_cast<LPARAM>(this));
    BroadcastToForms(SKC_REFRESH, reinterpret_cast<LPARAM>(this));
    if (Loading()) return;
    ForEachAdaptedWindow([](HWND wnd) {
        ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
    });
}

void TsSkinManager::UpdateSkinSection(const std::wstring& sectionName) {
    const std::string upper = UpperCase(fw::ToUtf8(sectionName));
    SkinCommandDelivery delivery;
    ForEachFormWindow([&](HWND form) { BroadcastToControls(form, SKC_SECTIONUPDATED, reinterpret_cast<LPARAM>(&upper)); });
}

void TsSkinManager::EndUpdate(bool repaint, bool allowAnimation) {
    NoAutoUpdate = false;
    const bool animation = FAnimEffects.SkinChanging.Active;
    if (!allowAnimation) FAnimEffects.SkinChanging.Active = false;
    UpdateSkin(repaint);
    FAnimEffects.SkinChanging.Active = animation;
    if (OnAfterChange) OnAfterChange(this);
}

void TsSkinManager::StoreDefFont() {
    if (!DefStoredFontName.empty()) return;
    LOGFONTW lf{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    DefStoredFontName = DefOldFontName = lf.lfFaceName;
}

void TsSkinManager::ChangeAppFont(const std::wstring& fontName, bool doLockForms) {
    (void)doLockForms;
    if (fontName == DefOldFontName) return;
    ManagerState |= msFontChanging;
    DefNewFontName = fontName;
    BroadcastToForms(SKC_FONTCHANGED, reinterpret_cast<LPARAM>(this));
    if (OnFontChanged) OnFontChanged(this, DefOldFontName, fontName);
    DefOldFontName = fontName;
    ManagerState &= ~msFontChanging;
}

void TsSkinManager::UpdateScale(HWND form, int currentScale) {
    StoreDefFont();
    LRESULT reported = SendSkinCommand(form, SKC_GETSCALE);
    if (reported == -1) return;
    const int oldPercent = reported == 0 ? currentScale : static_cast<int>(reported);
    const int newPercent = ScalePercents[static_cast<std::size_t>(GetScale())];
    if (oldPercent <= 0 || oldPercent == newPercent) return;
    RECT r{};
    ::GetWindowRect(form, &r);
    const bool visible = ::IsWindowVisible(form);
    if (visible) ::ShowWindow(form, SW_HIDE);
    ::SetWindowPos(form, nullptr, 0, 0, (r.right - r.left) * newPercent / oldPercent,
                   (r.bottom - r.top) * newPercent / oldPercent, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendSkinCommand(form, SKC_SETSCALE, newPercent);
    BroadcastToControls(form, SKC_SETSCALE, newPercent);
    if (visible) ::ShowWindow(form, SW_SHOWNA);
}

void TsSkinManager::UpdateAllScale() {
    ForEachFormWindow([&](HWND form) { UpdateScale(form, 100); });
}

void TsSkinManager::RegisterSkinListControl(HWND wnd) {
    if (std::find(skinListControls_.begin(), skinListControls_.end(), wnd) == skinListControls_.end()) {
        skinListControls_.push_back(wnd);
    }
}

void TsSkinManager::UnregisterSkinListControl(HWND wnd) noexcept { std::erase(skinListControls_, wnd); }

void TsSkinManager::NotifySkinListControls(std::uint16_t command) {
    for (HWND wnd : skinListControls_) {
        if (::IsWindow(wnd)) ::PostMessageW(wnd, WM_SKINCMD, MakeSkinWParam(command), 0);
    }
}

void TsSkinManager::UpdateDialogSwitch() {
    if (defaultManager) {
        stdDialogsSkinned = defaultManager->CommonSkinData.Active && (defaultManager->FSkinningRules & srStdDialogs) != 0;
    } else {
        stdDialogsSkinned = false;
    }
}

// --- Hover tracking ---

namespace {
constexpr UINT_PTR kHotCheckTimer = 1;
constexpr UINT kHotCheckMs = 100;
// Checks that found the cursor where it was before: after this many the
// check rests until the pointer moves. Under Wine each check asks the X
// server and the wineserver for the cursor, and a user's pointer may rest
// over a control for hours.
constexpr int kHotCheckRestingTicks = 3;
}  // namespace

void TsSkinManager::TrackActiveControl(HWND wnd) {
    if (wnd == FActiveControl) return;
    if (FActiveControl && ::IsWindow(FActiveControl)) {
        POINT p{};
        ::GetCursorPos(&p);
        RECT r{};
        ::GetWindowRect(FActiveControl, &r);
        if (::PtInRect(&r, p) && wnd && ::IsChild(wnd, FActiveControl)) return;
        SendSkinCommand(FActiveControl, SKC_HOTDEACTIVATED, reinterpret_cast<LPARAM>(this));
    }
    FActiveControl = wnd;
    if (!wnd) {
        StopHotCheck();
        return;
    }
    SendSkinCommand(wnd, SKC_HOTACTIVATED, reinterpret_cast<LPARAM>(this));
    StartHotCheck();
}

void TsSkinManager::StartHotCheck() {
    if (!timerCheckHot_) {
        timerCheckHot_ = std::make_unique<fw::TUtilWindow>([this](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg == WM_TIMER) {
                CheckHot();
                return 0;
            }
            // Not timerCheckHot_: the window's first messages arrive while
            // make_unique is still constructing it.
            return fw::TUtilWindow::DefaultHandler(msg, wParam, lParam);
        });
    }
    if (!mouseWatchId_) {
        // A pointer that leaves from rest sends a mouse move or, straight
        // out of this thread's windows, a mouse leave through the loop.
        mouseWatchId_ = fw::Application().AddMouseWatch([this] {
            if (!hotCheckResting_ || !FActiveControl) return;
            StartHotCheck();
            CheckHot();
        });
    }
    hotCheckResting_ = false;
    hotCheckStillTicks_ = 0;
    ::GetCursorPos(&hotCheckPoint_);
    ::SetTimer(timerCheckHot_->Handle(), kHotCheckTimer, kHotCheckMs, nullptr);
}

// The check runs only while a control is hot: an idle window is not woken.
void TsSkinManager::StopHotCheck() noexcept {
    hotCheckResting_ = false;
    if (timerCheckHot_) ::KillTimer(timerCheckHot_->Handle(), kHotCheckTimer);
}

void TsSkinManager::CheckHot() {
    if (!FActiveControl) {
        StopHotCheck();
        return;
    }
    POINT p{};
    ::GetCursorPos(&p);
    RECT r{};
    if (!::IsWindow(FActiveControl) || !::GetWindowRect(FActiveControl, &r) || !::PtInRect(&r, p)) {
        const HWND old = std::exchange(FActiveControl, nullptr);
        StopHotCheck();
        if (::IsWindow(old)) SendSkinCommand(old, SKC_HOTDEACTIVATED, reinterpret_cast<LPARAM>(this));
        return;
    }
    if (p.x != hotCheckPoint_.x || p.y != hotCheckPoint_.y) {
        hotCheckPoint_ = p;
        hotCheckStillTicks_ = 0;
    } else if (++hotCheckStillTicks_ >= kHotCheckRestingTicks) {
        StopHotCheck();
        hotCheckResting_ = true;
    }
}

// --- Hooks ---

LRESULT CALLBACK TsSkinManager::CbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    // The next hook first: what it answers stands, and the window is then
    // handled as it will be created or activated.
    const LRESULT next = ::CallNextHookEx(cbtHook, code, wParam, lParam);
    if (code >= 0 && CbtHandler) {
        try {
            CbtHandler(code, wParam, lParam);
        } catch (...) {
            fw::Application().HandleException(std::current_exception());
        }
    }
    return next;
}

void TsSkinManager::InstallHook() {
    if (FGlobalHookInstalled) return;
    cbtHook = ::SetWindowsHookExW(WH_CBT, CbtProc, nullptr, ::GetCurrentThreadId());
    FGlobalHookInstalled = cbtHook != nullptr;
}

void TsSkinManager::UnInstallHook() noexcept {
    if (!FGlobalHookInstalled) return;
    if (cbtHook) ::UnhookWindowsHookEx(cbtHook);
    cbtHook = nullptr;
    FGlobalHookInstalled = false;
}

void TsSkinManager::HookApplication() {
    if (appHookId_ != 0) return;
    appHookId_ = fw::Application().HookMainWindow(
        [this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) { return AppWindowHook(msg, wParam, lParam, result); });
}

void TsSkinManager::UnhookApplication() noexcept {
    if (appHookId_ == 0) return;
    fw::Application().UnhookMainWindow(appHookId_);
    appHookId_ = 0;
}

bool TsSkinManager::AppWindowHook(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_COPYDATA: {
        // The record comes from another process: its size is checked before any byte is read.
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data && data->dwData == PreviewCopyDataId && data->lpData && data->cbData >= PreviewRecordSize) {
            if (auto record = ParsePreviewRecord(
                    std::span(static_cast<const std::byte*>(data->lpData), static_cast<std::size_t>(data->cbData)))) {
                PreviewBuffer = std::move(record);
                ::PostMessageW(fw::Application().Handle(), WM_SKINCMD, MakeSkinWParam(SKC_APPLYPREVIEW), 0);
            }
        }
        result = 0;
        return true;
    }
    case WM_SKINCMD:
        if (SkinCommandOf(wParam) == SKC_APPLYPREVIEW) {
            ApplyPreview();
            result = 0;
            return true;
        }
        return false;
    case WM_THEMECHANGED:
        result = 0;
        return true;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE: ShowState = TacShowState::saMinimize; break;
        case SC_RESTORE: ShowState = TacShowState::saRestore; break;
        default: ShowState = TacShowState::saIgnore; break;
        }
        return false;
    case WM_ACTIVATEAPP: {
        SkinCommandDelivery delivery;
        ForEachFormWindow([](HWND form) { SendSkinCommand(form, SKC_INVALIDATE); });
        return false;
    }
    default:
        return false;
    }
}

void TsSkinManager::ApplyPreview() {
    if (!PreviewBuffer || PreviewBuffer->Magic != PreviewMagic) return;
    const TacSkinData record = *PreviewBuffer;
    BeginUpdate();
    previewOptions_ = record.Data;
    previewSeen = true;
    SetSkinDirectory(Wide8(record.SkinDir));
    SetSkinName(Wide8(record.SkinName));
    EndUpdate(true, true);
}

}  // namespace skin
