#include "skin/SkinLoad.h"

#include "skin/SkinIni.h"
#include "skin/SkinLoader.h"
#include "skin/SkinShadow.h"
#include "skin/SkinText.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace skin {
namespace {

constexpr std::string_view GlobalInfo = "GLOBALINFO";

bool EndsWithAszIgnoringCase(const std::string& name) {
    return name.size() > 4 && UpperCase(std::string_view(name).substr(name.size() - 4)) == ".ASZ";
}

// Values a load reads, from the options file (none: every value is its default).
std::optional<std::string> IniValue(const SkinIni* ini, std::string_view section, std::string_view key) {
    if (!ini) return std::nullopt;
    const std::string* v = ini->Find(section, key);
    return v ? std::optional<std::string>(*v) : std::nullopt;
}

SkinDataInputs MakeInputs(const SkinIni* ini, const SkinModel& model, const LoadSettings& s) {
    SkinDataInputs in;
    in.Value = [ini](std::string_view section, std::string_view key) { return IniValue(ini, section, key); };
    in.ScaleIndex = model.GetScale();
    in.Scale = [&model](int v) { return model.ScaleInt(v); };
    in.SystemFrameWidth = s.SystemFrameWidth;
    in.SysColor = s.SysColor;
    return in;
}

// The cache's view of the model.
class ModelLookups final : public ConstDataModel {
public:
    ModelLookups(SkinModel& model, const SkinIni* ini, const TacPaletteArray& palette)
        : model_(model), ini_(ini), palette_(palette) {}

    int SkinIndex(std::string_view section) const override { return model_.GetSkinIndex(section); }
    int MaskIndex(int skinIndex, std::string_view key) const override {
        return skinIndex < 0 ? -1 : model_.GetMaskIndex(skinIndex, key);
    }
    int TextureIndex(int skinIndex, std::string_view key) const override {
        return skinIndex < 0 ? -1 : model_.GetTextureIndex(skinIndex, key);
    }
    int ScaledGlyph(int skinIndex, std::string_view key, bool directly) override {
        if (skinIndex < 0) return -1;
        const int scale = model_.GetScale();
        if (scale > 0) {
            const int scaled = model_.GetMaskIndex(skinIndex, std::string(key) + std::string(ScaleSuffixes[scale]));
            if (scaled >= 0) return scaled;
        }
        const int plain = model_.GetMaskIndex(skinIndex, key);
        if (plain < 0 || scale == 0) return plain;
        return ScaleGlyph(plain, directly);
    }
    int GlobalInt(std::string_view key, int def) const override {
        const auto v = IniValue(ini_, GlobalInfo, key);
        return v ? ToIntDef(*v, def) : def;
    }
    int GlobalIntPerScale(std::string_view key, int def) const override {
        SkinDataInputs in;
        in.Value = [this](std::string_view section, std::string_view k) { return IniValue(ini_, section, k); };
        in.ScaleIndex = model_.GetScale();
        return ReadPerScaleGlobal(in, key, def);
    }
    int AddNewSection(std::string_view name, int parent) override {
        return model_.AddNewSection(name, parent, palette_[pcLabelText], 0xFFFFFF, 0, 1);
    }

private:
    // A plain glyph scaled into a bitmap of its own; glyphs drawn with the key colour
    // first get an alpha mask so that the scaling does not smear the key into them.
    // Several lookups can name one entry (a missing "BICLOSEALONE" borrows the glows of
    // "BICONCLOSE"): each entry is scaled once. A glyph whose scaled size would exceed
    // the pixel budget stays as it is.
    int ScaleGlyph(int index, bool directly) {
        if (!scaled_.insert(index).second) return index;
        TsMaskData& e = model_.ma[static_cast<std::size_t>(index)];
        const Bitmap32& src = e.Bmp ? *e.Bmp : *model_.MasterBitmap;
        const int count = std::max(1, e.ImageCount);
        const int cellW = e.R.Width() / count;
        const int h = e.R.Height();
        const int newCellW = model_.ScaleInt(cellW), newH = model_.ScaleInt(h);
        if (cellW <= 0 || h <= 0 || newCellW <= 0 || newH <= 0) return index;
        const long long newW = static_cast<long long>(newCellW) * count;
        if (newW > MaxBitmapSide || newH > MaxBitmapSide || newW * newH > MaxBitmapPixels) return index;
        auto out = std::make_shared<Bitmap32>(static_cast<int>(newW), newH);
        const bool keyMask = !directly && e.MaskType == 0;
        // A glyph in an empty master has nothing to scale: its copy stays transparent.
        for (int y = 0; y < newH && !src.Empty(); ++y) {
            for (int x = 0; x < newW; ++x) {
                const int cell = x / newCellW;
                const long long fx = e.R.Left + static_cast<long long>(cell) * cellW +
                                     static_cast<long long>(x % newCellW) * cellW / newCellW;
                const long long fy = e.R.Top + static_cast<long long>(y) * h / newH;
                const int sx = static_cast<int>(std::clamp<long long>(fx, 0, src.Width - 1));
                const int sy = static_cast<int>(std::clamp<long long>(fy, 0, src.Height - 1));
                std::uint32_t p = src.At(sx, sy);
                if (keyMask && (p & 0xFFFFFF) == KeyColorPixel) {
                    const auto main = static_cast<std::uint32_t>(palette_[pcMainColor]);
                    p = ((main & 0xFF) << 16) | (main & 0xFF00) | ((main >> 16) & 0xFF);  // alpha 0
                }
                out->At(x, y) = p;
            }
        }
        if (keyMask) e.MaskType = 1;
        e.Bmp = std::move(out);
        e.R = TRect{0, 0, static_cast<int>(newW), newH};
        e.Width = newCellW;
        e.Height = e.MaskType > 0 ? newH / (e.MaskType + 1) : newH;
        return index;
    }

    SkinModel& model_;
    const SkinIni* ini_;
    const TacPaletteArray& palette_;
    std::set<int> scaled_;  // entries already scaled by this load
};

// Generated outer shadow of a record with OuterMode 3 or 4.
int MakeOuterShadow(SkinModel& m, int skinIndex) {
    const TsGeneralData& g = m.gd[static_cast<std::size_t>(skinIndex)];
    const int l = std::max(0, g.OuterOffset.Left), t = std::max(0, g.OuterOffset.Top);
    const int r = std::max(0, g.OuterOffset.Right), b = std::max(0, g.OuterOffset.Bottom);
    const int base = 2 * (g.OuterRadius + g.OuterBlur) + 1;
    const int w = std::min(base + l + r, MaxShadowSide), h = std::min(base + t + b, MaxShadowSide);
    ShadowColors colors{g.OuterColorL, g.OuterColorL, g.OuterColorL, g.OuterColorL};
    if (g.OuterMode != 3) colors = {g.OuterColorL, g.OuterColorT, g.OuterColorR, g.OuterColorB};
    auto bmp = MakeShadowBands(w, h, g.OuterRadius, g.OuterBlur, colors);
    const int index = m.MakeNewItem(skinIndex, "OUTERMASK", 1, 1, 1, TRect{0, 0, bmp->Width, bmp->Height}, itisaBorder,
                                    g.ClassName);
    TsMaskData& e = m.ma[static_cast<std::size_t>(index)];
    e.Bmp = std::move(bmp);
    e.CornerType = 0;
    e.Width = w;
    e.Height = h;
    e.WL = (w + l - r) / 2;
    e.WR = (w + r - l) / 2;
    e.WT = (h + t - b) / 2;
    e.WB = (h + b - t) / 2;
    return index;
}

// Mask of an outer-effect record: source 1 a border reference, source 2 a generated image.
int MakeOuterEffectMask(SkinModel& m, int global, int entry, const TacOutEffData& rec,
                        const std::optional<std::string>& text) {
    const std::string key = entry == 0 ? "LO_MASK" : "SH_MASK";
    if (rec.Source == 1) {
        if (!text) return -1;
        const std::string v = UpperCase(*text);
        if (v.size() < 48 || v[0] != '^') return -1;
        const TRect r{StrToInt(Copy(v, 2, 4)), StrToInt(Copy(v, 7, 4)), StrToInt(Copy(v, 12, 4)), StrToInt(Copy(v, 17, 4))};
        const int index = m.MakeNewItem(global, key, StrToInt(Copy(v, 44, 1)), StrToInt(Copy(v, 46, 1)),
                                        std::max(1, StrToInt(Copy(v, 42, 1))), r, itisaBorder, std::string(GlobalInfo));
        TsMaskData& e = m.ma[static_cast<std::size_t>(index)];
        e.WL = StrToInt(Copy(v, 22, 4));
        e.WT = StrToInt(Copy(v, 27, 4));
        e.WR = StrToInt(Copy(v, 32, 4));
        e.WB = StrToInt(Copy(v, 37, 4));
        e.BorderWidth = StrToInt(Copy(v, 48, 1));
        e.Width = r.Width() / std::max(1, e.ImageCount);
        e.Height = r.Height() / (e.MaskType + 1);
        if (m.GetScale() > 0) {
            e.WL = m.ScaleInt(e.WL);
            e.WT = m.ScaleInt(e.WT);
            e.WR = m.ScaleInt(e.WR);
            e.WB = m.ScaleInt(e.WB);
            e.BorderWidth = m.ScaleInt(e.BorderWidth);
        }
        return index;
    }
    if (rec.Source == 2) {
        // Radius and blur are skin values of any size.
        const long long base = 2 * (static_cast<long long>(rec.Radius) + rec.Blur) + 1;
        const int w = static_cast<int>(std::clamp<long long>(base, 1, MaxShadowSide)), h = w;
        auto bmp = MakeShadowBands(w, h, rec.Radius, rec.Blur, {rec.ColorL, rec.ColorT, rec.ColorR, rec.ColorB});
        const int index = m.MakeNewItem(global, key, 1, 1, 1, TRect{0, 0, bmp->Width, bmp->Height}, itisaBorder,
                                        std::string(GlobalInfo));
        TsMaskData& e = m.ma[static_cast<std::size_t>(index)];
        e.Bmp = std::move(bmp);
        e.Width = w;
        e.Height = h;
        e.WL = e.WR = w / 2;
        e.WT = e.WB = h / 2;
        return index;
    }
    return -1;
}

std::optional<PaletteSectionLook> SectionLook(const SkinModel& m, std::string_view name) {
    const int i = m.GetSkinIndex(name);
    if (i < 0) return std::nullopt;
    const TsGeneralData& g = m.gd[static_cast<std::size_t>(i)];
    PaletteSectionLook look;
    look.States = g.States;
    for (int s = 0; s < 3; ++s) {
        look.Color[s] = g.Props[static_cast<std::size_t>(s)].Color;
        look.FontColor[s] = g.Props[static_cast<std::size_t>(s)].FontColor.Color;
    }
    return look;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<SkinFontFile> LoadFontFiles(const SkinIni* ini, const TacSkinConvertor* archive, const std::string& skinPath,
                                        const SkinFileSystem* fs) {
    std::vector<SkinFontFile> fonts;
    const auto countText = IniValue(ini, GlobalInfo, "FontCount");
    const int count = std::clamp(countText ? ToIntDef(*countText, 0) : 0, 0, MaxSkinFontCount);
    auto fontKey = [&](const char* prefix, int i) {
        return IniValue(ini, GlobalInfo, prefix + std::to_string(i)).value_or(std::string{});
    };
    if (archive) {
        for (const TacFileItem& item : archive->Files) {
            if (item.FileType != ftFont) continue;
            SkinFontFile font;
            font.FileName = FileNameOf(item.Name);
            for (int i = 0; i < count; ++i) {
                if (fontKey("FontFile", i) == item.Name) {
                    font.FontName = fontKey("FontName", i);
                    break;
                }
            }
            const auto bytes = item.Stream ? item.Stream->Bytes() : std::span<const std::uint8_t>{};
            font.Data.assign(bytes.begin(), bytes.end());
            fonts.push_back(std::move(font));
        }
    } else if (fs && !skinPath.empty()) {
        for (int i = 0; i < count; ++i) {
            const std::string file = fontKey("FontFile", i);
            if (file.empty()) continue;
            const std::string path = file.find(':') == std::string::npos ? skinPath + file : file;
            if (!fs->FileExists(path)) continue;
            auto bytes = fs->ReadFile(path);
            if (!bytes) continue;
            fonts.push_back({FileNameOf(file), fontKey("FontName", i), std::move(*bytes)});
        }
    }
    return fonts;
}

void AdjustBitmap(Bitmap32& bmp, int hue, int saturation, int brightness, bool upperHalfOnly) {
    const std::size_t rows = upperHalfOnly ? static_cast<std::size_t>(bmp.Height / 2) : static_cast<std::size_t>(bmp.Height);
    std::span<std::uint32_t> px(bmp.Pixels.data(), std::min(bmp.Pixels.size(), rows * static_cast<std::size_t>(bmp.Width)));
    if (hue != 0) RotateHue(px, hue, true);
    if (saturation != 0) ChangeSaturation(px, saturation);
    if (brightness != 0) ChangeBrightness(px, brightness);
}

}  // namespace

std::string NormalizeDir(std::string dir) {
    if (dir.empty() || dir.back() == '\\') return dir;
    if (dir.back() == '/') {
        dir.back() = '\\';
        return dir;
    }
    if (dir.size() == 1) return dir + ":\\";
    return dir + "\\";
}

std::string FullSkinDirectory(const std::string& skinDirectory, const std::string& programDir) {
    const std::string& d = skinDirectory;
    if (d.rfind("..", 0) == 0) {
        std::string parent = programDir;
        if (!parent.empty() && parent.back() == '\\') parent.pop_back();
        const auto slash = parent.find_last_of('\\');
        parent = slash == std::string::npos ? std::string{} : parent.substr(0, slash + 1);
        return parent + (d.size() > 3 ? d.substr(3) : std::string{});
    }
    if (d.rfind(".\\", 0) == 0 || d.rfind("./", 0) == 0) return programDir + d.substr(2);
    if (d == ".") return programDir;
    if (d.find(':') == std::string::npos && d.find("\\\\") == std::string::npos) return programDir + d;
    return d;
}

SkinResolution ResolveSkinName(std::string name, const std::string& skinDirectory, const TsStoredSkins& stored,
                               const SkinFileSystem& fs, bool previewSeen) {
    if (EndsWithAszIgnoringCase(name)) name.resize(name.size() - 4);
    SkinResolution r;
    r.Name = name;
    const std::string norm = NormalizeDir(skinDirectory);
    const std::string packed = norm + name + ".asz";
    const bool isPacked = previewSeen ? (!fs.DirectoryExists(norm + name) && fs.FileExists(packed)) : fs.FileExists(packed);
    if (isPacked) {
        r.Kind = SkinKind::Packed;
        r.PackedFile = packed;
        return r;
    }
    const std::string path = NormalizeDir(FullSkinDirectory(skinDirectory, fs.ProgramDirectory())) + name + "\\";
    if (fs.FileExists(path + "Options.dat")) {
        r.Kind = SkinKind::Directory;
        r.SkinPath = path;
        return r;
    }
    if (stored.Count() == 0) return r;  // SkinKind::None: skinning goes off
    r.Kind = SkinKind::Stored;
    r.StoredIndex = stored.IndexOf(name);
    if (r.StoredIndex < 0) {
        r.StoredIndex = 0;
        r.Name = stored[0].Name;
    }
    return r;
}

std::string InternalFormatErrorText(const std::string& skinName) {
    return "Internal format error in the \"" + skinName + "\" skin. Please, update this skin to latest version.";
}

std::unique_ptr<LoadedSkin> EmptySkin(const LoadSettings& s) {
    auto skin = std::make_unique<LoadedSkin>();
    skin->Model = std::make_unique<SkinModel>();
    skin->Model->ScaleMode = s.ScaleMode;
    skin->Model->SysFontScale = s.SysFontScale;
    skin->Model->Dpi = s.Dpi;
    skin->Model->Manager = s.Manager;
    skin->Model->Brightness = s.Brightness;
    return skin;
}

std::unique_ptr<LoadedSkin> LoadResolvedSkin(const SkinResolution& where, const TsStoredSkins& stored,
                                             const std::optional<std::string>& optionsOverride,
                                             const LoadSettings& s) {
    auto skin = EmptySkin(s);
    if (where.Kind == SkinKind::None) return skin;

    TacSkinConvertor reader;
    std::optional<SkinIni> ini;
    SkinSource source;
    source.Files = s.Files;
    source.Decoder = s.Decoder;

    auto readArchive = [&] {
        if (!reader.ReadArchive(s.Messages)) throw std::runtime_error(InternalFormatErrorText(where.Name));
        source.Archive = &reader;
    };
    switch (where.Kind) {
    case SkinKind::Packed: {
        auto bytes = s.Files ? s.Files->ReadFile(where.PackedFile) : std::nullopt;
        if (!bytes) throw std::runtime_error(InternalFormatErrorText(where.Name));
        reader.SetPackedData(std::move(*bytes));
        readArchive();
        if (reader.Options) ini = SkinIni::FromBytes(reader.Options->Bytes());
        break;
    }
    case SkinKind::Directory: {
        source.SkinPath = where.SkinPath;
        if (optionsOverride) {
            ini = SkinIni(*optionsOverride);
        } else if (auto bytes = s.Files ? s.Files->ReadFile(where.SkinPath + "Options.dat") : std::nullopt) {
            ini = SkinIni::FromBytes(*bytes);
        }
        break;
    }
    case SkinKind::Stored: {
        const auto& data = stored[where.StoredIndex].PackedData;
        if (!data.empty()) {
            reader.BorrowPackedData(data);
            readArchive();
            if (reader.Options) ini = SkinIni::FromBytes(reader.Options->Bytes());
        }
        if (optionsOverride) ini = SkinIni(*optionsOverride);
        break;
    }
    case SkinKind::None:
        break;
    }
    source.Options = ini ? &*ini : nullptr;

    skin->Model = BuildSkinModel(source, *skin->Model, s.CommonSections, MakeOuterShadow);
    SkinModel& model = *skin->Model;
    const SkinIni* options = source.Options;
    const SkinDataInputs inputs = MakeInputs(options, model, s);

    LoadCommonSkinData(inputs, skin->Common);
    skin->Common.SkinPath = source.SkinPath;
    if (skin->Common.Version > 13.99 && s.VersionWarning) s.VersionWarning(NewerSkinWarning);

    PaletteInputs pin;
    pin.Global = [options](std::string_view key) { return IniValue(options, GlobalInfo, key); };
    pin.Section = [&model](std::string_view name) { return SectionLook(model, name); };
    pin.SysColor = s.SysColor;
    skin->Palette = BuildPalette(pin);

    if (model.GetSkinIndex("TRANSPARENT") < 0) {
        model.AddNewSection("TRANSPARENT", -1, skin->Palette[pcLabelText], 0xFFFFFF, 100, 1);
    }
    if (model.GetSkinIndex("MAINCOLOR") < 0) {
        model.AddNewSection("MAINCOLOR", -1, skin->Palette[pcLabelText], skin->Palette[pcMainColor], 0, 1);
    }

    const int global = model.GetSkinIndex(GlobalInfo);
    skin->oe = LoadOuterEffects(inputs, [&](int entry, const TacOutEffData& rec, const std::optional<std::string>& text) {
        return global < 0 ? -1 : MakeOuterEffectMask(model, global, entry, rec, text);
    });

    ApplyColorAdjustments(*skin, s.HueOffset, s.Saturation, s.Brightness);

    ModelLookups lookups(model, options, skin->Palette);
    InitConstantIndexes(lookups, skin->ConstData);
    ApplySectionSubstitutions(lookups, skin->ConstData);

    skin->Fonts = LoadFontFiles(options, source.Archive, source.SkinPath, s.Files);
    return skin;
}

void ApplyColorAdjustments(LoadedSkin& skin, int hue, int saturation, int brightness) {
    if (hue == 0 && saturation == 0 && brightness == 0) return;
    SkinModel& m = *skin.Model;

    // Title glyphs that keep their hue ("BIKEEPHUE" 1: all of them, 2: the close glyphs).
    std::set<std::string> keepHue;
    if (hue != 0 && skin.Common.BIKeepHUE >= 1) {
        keepHue = {"BICONCLOSE", "BICLOSEALONE", "SICONCLOSE"};
        if (skin.Common.BIKeepHUE == 1) {
            keepHue.insert({"BICONMAX", "BICONMIN", "BICONNORM", "BICONHELP", "SICONMAX", "SICONMIN", "SICONNORM"});
        }
    }
    const int global = m.GetSkinIndex(GlobalInfo);
    auto keepsHue = [&](const TsMaskData& e) { return e.SkinIndex == global && keepHue.count(e.PropertyName) > 0; };

    if (m.MasterBitmap && !m.MasterBitmap->Empty()) {
        Bitmap32& master = *m.MasterBitmap;
        const Bitmap32 before = master;
        AdjustBitmap(master, hue, saturation, brightness, false);
        // Rectangles to give back their original pixels: kept-hue glyphs, and the mask
        // bands of images with a mask band (they hold opacity, not colour).
        auto restore = [&](const TRect& r) {
            for (int y = std::max(0, r.Top); y < std::min(master.Height, r.Bottom); ++y) {
                for (int x = std::max(0, r.Left); x < std::min(master.Width, r.Right); ++x) master.At(x, y) = before.At(x, y);
            }
        };
        for (const TsMaskData& e : m.ma) {
            if (e.Bmp) continue;
            if (keepsHue(e)) restore(e.R);
            if (e.MaskType >= 1 && e.R.Height() > 0) {
                const int band = e.R.Height() / (e.MaskType + 1);
                restore(TRect{e.R.Left, e.R.Top + band, e.R.Right, e.R.Bottom});
            }
        }
    }
    // PNG images of newer skins were left straight for the brightening (DecodeImage).
    std::set<const Bitmap32*> png;
    for (const TacExtFileData& f : m.ExtArray) {
        const std::string name = UpperCase(f.FileName);
        if (f.Bmp && name.size() >= 4 && name.compare(name.size() - 4, 4, ".PNG") == 0) png.insert(f.Bmp.get());
    }
    const bool premultiplied = m.Version > PremultipliedSkinVersion;
    std::set<const Bitmap32*> done;
    for (TsMaskData& e : m.ma) {
        if (!e.Bmp || e.Bmp == m.MasterBitmap || !done.insert(e.Bmp.get()).second) continue;
        const int h = keepsHue(e) ? 0 : hue;
        const bool whole = e.MaskType < 1;
        AdjustBitmap(*e.Bmp, h, saturation, brightness, !whole);
        if (brightness <= 0) continue;
        // Brightening turned transparent pixels visible: newer skins premultiply them
        // away, older ones clear their fully transparent white.
        if (premultiplied && (whole || png.count(e.Bmp.get()) > 0)) {
            PremultiplyAlpha(*e.Bmp);
        } else if (whole) {
            std::replace(e.Bmp->Pixels.begin(), e.Bmp->Pixels.end(), std::uint32_t{0x00FFFFFF}, std::uint32_t{0});
        }
    }

    auto adjust = [&](TColor& c, bool withBrightness) {
        if (c == clNone) return;
        c = AdjustColor(c, hue, saturation, withBrightness ? brightness : 0);
    };
    for (TsGeneralData& g : m.gd) {
        for (TsGenState& st : g.Props) {
            adjust(st.Color, true);
            adjust(st.GlowColor, true);
            adjust(st.FontColor.Color, true);
            adjust(st.FontColor.Left, true);
            adjust(st.FontColor.Top, true);
            adjust(st.FontColor.Right, true);
            adjust(st.FontColor.Bottom, true);
            for (TsGradPoint& p : st.GradientArray) {
                auto v = p.Color;
                if (hue != 0 && st.GradientPercent > 0) v = RotateHue(v, hue);
                if (saturation != 0) v = ChangeSaturation(v, saturation);
                if (brightness != 0) v = ChangeBrightness(v, brightness);
                p.Color = v;
            }
        }
    }
    adjust(skin.Common.Shadow1Color, false);
    for (int i = 0; i < PaletteColorCount; ++i) {
        if (IsAdjustablePaletteColor(i)) adjust(skin.Palette[static_cast<std::size_t>(i)], false);
    }
}

}  // namespace skin
