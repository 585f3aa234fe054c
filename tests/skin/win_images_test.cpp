// PNG images of skins through GDI+: a skin's "!" image and an archive's preview.
#include "skin/SkinLoader.h"
#include "skin/WinImageDecoder.h"
#include "skin/WinPreviewImages.h"
#include "tests/support/NoSkinFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace skin {
namespace {

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  auto u32 = [&](std::uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  u32(static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  u32(static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// An RGBA PNG of the given pixels (0xAARRGGBB), rows top first.
std::vector<std::uint8_t> Png(int w, int h, const std::vector<std::uint32_t>& px) {
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr = {0, 0, 0, static_cast<std::uint8_t>(w), 0, 0, 0, static_cast<std::uint8_t>(h), 8, 6, 0, 0, 0};
  Chunk(out, "IHDR", ihdr);
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = px[static_cast<std::size_t>(y * w + x)];
      raw.insert(raw.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                             static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)});
    }
  }
  Chunk(out, "IDAT", ZCompress(raw));
  Chunk(out, "IEND", {});
  return out;
}

const std::vector<std::uint32_t> Pixels = {0xFF102030u, 0x80FF0000u, 0x00000000u, 0xFFFFFFFFu, 0xFF00FF00u, 0x400000FFu};

TEST(SkinWinImages, DecodesPngWithAlpha) {
  GdiPlusImageDecoder decoder;
  ASSERT_TRUE(decoder.Available());
  const auto bmp = decoder.Decode(Png(3, 2, Pixels), ".PNG");
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->Width, 3);
  EXPECT_EQ(bmp->Height, 2);
  EXPECT_EQ(bmp->Pixels, Pixels);
  const std::vector<std::uint8_t> junk = {1, 2, 3, 4, 5};
  EXPECT_FALSE(decoder.Decode(junk, ".PNG"));
}

TEST(SkinWinImages, PngImagesOfASkinArePremultipliedInNewerSkins) {
  GdiPlusImageDecoder decoder;
  const std::string options = "[GLOBALINFO]\nVERSION=10.25\n[BTN]\nGLYPH=!ICON.PNG!3!0!2\n";
  const std::vector<ArchiveMember> members = {{"OPTIONS.DAT", {options.begin(), options.end()}},
                                              {"icon.png", Png(3, 2, Pixels)}};
  const auto png = Png(2, 1, {0xFF000000u, 0xFFFFFFFFu});
  TacSkinConvertor archive;
  archive.SetPackedData(WriteSkinArchive(members, png));
  ASSERT_TRUE(archive.ReadArchive());
  const SkinIni ini = SkinIni::FromBytes(archive.Options->Bytes());
  SkinSource source{&ini, &archive, nullptr, &decoder, ""};
  const auto model = BuildSkinModel(source, SkinModel{});
  const int i = model->GetMaskIndex("BTN", "GLYPH");
  ASSERT_GE(i, 0);
  const TsMaskData& m = model->ma[static_cast<std::size_t>(i)];
  ASSERT_TRUE(m.Bmp);
  EXPECT_EQ(m.ImgType, itisaGlyph);
  EXPECT_EQ(m.ImageCount, 3);
  EXPECT_EQ(m.Bmp->At(1, 0), 0x80800000u);  // half-transparent red, premultiplied
  EXPECT_EQ(m.Bmp->At(2, 1), 0x40000040u);

  const auto preview = FindPreview(archive.PackedData->Bytes());
  ASSERT_TRUE(preview);
  const auto image = decoder.Decode(*preview, ".PNG");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Width, 2);
}

TEST(SkinWinImages, PreviewImageListTakesOnlyPngs) {
  WinPreviewImageList list;
  ASSERT_TRUE(list.Handle());
  std::vector<std::uint32_t> full(140 * 100, 0xFF336699u);
  EXPECT_EQ(list.Add(Png(140, 100, full)), 0);
  EXPECT_EQ(list.Add(Png(3, 2, Pixels)), 1);  // scaled to the list's size
  const auto bmp = EncodeBmp32(Bitmap32(140, 100));
  EXPECT_EQ(list.Add(bmp), -1);  // a preview must be a PNG
  std::vector<std::uint8_t> cut = Png(3, 2, Pixels);
  cut.resize(20);
  EXPECT_EQ(list.Add(cut), -1);
  EXPECT_EQ(ImageList_GetImageCount(list.Handle()), 2);

  // The skin list puts the previews of stored skins into it.
  TsStoredSkins stored;
  for (int i = 0; i < 3; ++i) {
    auto& item = stored.Add();
    item.Name = "Skin " + std::to_string(i);
    const std::vector<ArchiveMember> none;
    item.PackedData = WriteSkinArchive(none, i == 1 ? std::vector<std::uint8_t>{} : Png(140, 100, full));
  }
  testsupport::NoSkinFiles files;
  TacSkinListController skins;
  skins.Rebuild(stored, sfiInternal | sfiExternal, "C:\\Skins", files, &list);
  ASSERT_EQ(skins.Entries.size(), 3u);
  EXPECT_EQ(skins.Entries[0].skImageIndex, 0);
  EXPECT_EQ(skins.Entries[1].skImageIndex, -1);
  EXPECT_EQ(skins.Entries[2].skImageIndex, 1);
  EXPECT_EQ(ImageList_GetImageCount(list.Handle()), 2);
}

}  // namespace
}  // namespace skin
