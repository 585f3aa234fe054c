// The committed archive against the generator, the embedded copy and the
// stored-skin item.
#include "ImageFiles.h"
#include "SkinBuilder.h"
#include "SkinTestSupport.h"
#include "skin/SkinArchive.h"
#include "skins/OpusSkin.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Members {
  std::vector<std::uint8_t> options;
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
};

Members Inflate(const std::vector<std::uint8_t>& archive) {
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData(archive);
  EXPECT_TRUE(reader.ReadArchive());
  Members m;
  if (reader.Options) m.options.assign(reader.Options->Bytes().begin(), reader.Options->Bytes().end());
  for (const auto& f : reader.Files)
    m.files.emplace_back(f.Name, std::vector<std::uint8_t>(f.Stream->Bytes().begin(), f.Stream->Bytes().end()));
  return m;
}

TEST(SkinArchive, CommittedArchiveIsWhatTheGeneratorDraws) {
  const std::vector<std::uint8_t> committed = skintest::CommittedArchive();
  const std::vector<std::uint8_t> fresh = skingen::PackSkin(skingen::BuildSkin());
  const Members a = Inflate(committed), b = Inflate(fresh);
  EXPECT_EQ(a.options, b.options) << "skins/Opus.asz is out of date: build the \"redraw_skin\" target and commit it";
  ASSERT_EQ(a.files.size(), b.files.size());
  for (std::size_t i = 0; i < a.files.size(); ++i) {
    EXPECT_EQ(a.files[i].first, b.files[i].first);
    EXPECT_TRUE(a.files[i].second == b.files[i].second) << a.files[i].first << " differs from the generator's";
  }
  const auto previewA = skin::FindPreview(committed), previewB = skin::FindPreview(fresh);
  ASSERT_TRUE(previewA && previewB);
  const auto imageA = skingen::DecodePng(*previewA), imageB = skingen::DecodePng(*previewB);
  ASSERT_TRUE(imageA && imageB);
  EXPECT_TRUE(imageA->Pixels() == imageB->Pixels()) << "the preview differs from the generator's";
}

TEST(SkinArchive, GeneratorRunsAreByteForByteEqual) {
  EXPECT_EQ(skingen::PackSkin(skingen::BuildSkin()), skingen::PackSkin(skingen::BuildSkin()));
}

TEST(SkinArchive, HoldsItsThreeMembersAndAPreviewOfTheSkinListSize) {
  const std::vector<std::uint8_t> archive = skintest::CommittedArchive();
  EXPECT_LE(archive.size(), 64u * 1024) << "the archive has grown beyond what a built-in skin should weigh";
  const Members m = Inflate(archive);
  EXPECT_FALSE(m.options.empty());
  ASSERT_EQ(m.files.size(), 2u);
  EXPECT_EQ(m.files[0].first, "MASTER COPY.BMP");
  EXPECT_EQ(m.files[1].first, "BUTTONHUGE.BMP");
  EXPECT_TRUE(skingen::DecodeBmp(m.files[0].second));
  EXPECT_TRUE(skingen::DecodeBmp(m.files[1].second));

  const auto preview = skin::FindPreview(archive);
  ASSERT_TRUE(preview);
  const auto image = skingen::DecodePng(*preview);
  ASSERT_TRUE(image) << "the preview trailer is not a PNG";
  EXPECT_EQ(image->Width(), 140);
  EXPECT_EQ(image->Height(), 100);
}

TEST(SkinArchive, EmbeddedCopyAndStoredItemMatchTheCommittedArchive) {
  const std::vector<std::uint8_t> committed = skintest::CommittedArchive();
  const auto embedded = skins::OpusSkinArchive();
  EXPECT_TRUE(std::vector<std::uint8_t>(embedded.begin(), embedded.end()) == committed);

  const skins::InternalSkinItem item = skins::OpusInternalSkin();
  EXPECT_EQ(item.Name, "Opus (internal)");
  EXPECT_EQ(item.OriginName, "Opus.asz");
  EXPECT_EQ(item.Shadow1Color, 0u);
  EXPECT_EQ(item.Shadow1Offset, 0);
  EXPECT_EQ(item.Shadow1Transparency, 0);
  EXPECT_EQ(item.Data.data(), embedded.data());
  EXPECT_EQ(skins::OpusSkinInfo, "10.25");
}

TEST(SkinArchive, PngAndBmpFilesSurviveARoundTrip) {
  skingen::Image image(7, 5, 0x123456);
  image.Set(6, 4, 0xFF00FF);
  image.Set(0, 0, 0x010203);
  const auto png = skingen::DecodePng(skingen::EncodePng(image));
  ASSERT_TRUE(png);
  EXPECT_TRUE(png->Pixels() == image.Pixels());
  const auto bmp = skingen::DecodeBmp(skingen::EncodeBmp(image));
  ASSERT_TRUE(bmp);
  EXPECT_TRUE(bmp->Pixels() == image.Pixels());

  std::vector<std::uint8_t> damaged = skingen::EncodePng(image);
  damaged[20] ^= 1;  // inside IHDR: its CRC no longer matches
  EXPECT_FALSE(skingen::DecodePng(damaged));
}

}  // namespace
