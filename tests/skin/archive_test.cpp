// Archive writer and reader: round trips, positioning, errors and the preview.
#include "skin/SkinArchive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace skin {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(gen());
  return v;
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Recorder : ArchiveMessages {
  std::vector<std::string> shown;
  void ShowError(const std::string& text) override { shown.push_back(text); }
};

// Reads an archive and returns the reader (owning a copy of the bytes).
std::unique_ptr<TacSkinConvertor> Read(const std::vector<std::uint8_t>& bytes, Recorder* r = nullptr) {
  auto reader = std::make_unique<TacSkinConvertor>();
  reader->SetPackedData(bytes);
  EXPECT_TRUE(reader->ReadArchive(r));
  return reader;
}

std::vector<std::uint8_t> Content(const MemoryStream& s) {
  return {s.Bytes().begin(), s.Bytes().end()};
}

TEST(SkinArchive, RoundTripsZeroToFiveMembers) {
  for (int n = 0; n <= 5; ++n) {
    SCOPED_TRACE(n);
    std::vector<ArchiveMember> members;
    members.push_back({"Options.dat", Bytes("[GLOBALINFO]\r\nVERSION=10.25\r\n")});
    for (int i = 1; i < n; ++i)
      members.push_back({"IMAGE" + std::to_string(i) + ".BMP", RandomBytes(100 * i, i)});
    if (n == 0) members.clear();
    const auto archive = WriteSkinArchive(members);
    auto reader = Read(archive);
    ASSERT_EQ(reader->FileCount, static_cast<int>(reader->Files.size()));
    EXPECT_EQ(reader->FileCount, n == 0 ? 0 : n - 1);
    EXPECT_EQ(reader->Options != nullptr, n > 0);
    if (n > 0) {
      EXPECT_EQ(Content(*reader->Options), members[0].Data);
    }
    for (int i = 1; i < n; ++i) {
      EXPECT_EQ(reader->Files[i - 1].Name, members[i].Name);
      EXPECT_EQ(reader->Files[i - 1].FileType, ftBmp);
      EXPECT_EQ(Content(*reader->Files[i - 1].Stream), members[i].Data);
    }
    EXPECT_EQ(reader->PackedData->Position(), static_cast<std::int64_t>(archive.size()));
  }
}

TEST(SkinArchive, ZeroByteBigAndMixedCaseMembers) {
  const std::vector<ArchiveMember> members = {
      {"EMPTY.TTF", {}},
      {"NOISE.BIN", RandomBytes(300000, 7)},  // compresses to more than one 131072-byte chunk
      {"oPtIoNs.DaT", Bytes("[A]\nB=1\n")},
      {"LAST.otf", Bytes("tail")},
  };
  const auto archive = WriteSkinArchive(members);
  ASSERT_GT(archive.size(), 2 * ZDecompressionStream::ChunkSize);
  auto reader = Read(archive);
  ASSERT_EQ(reader->FileCount, 3);
  EXPECT_EQ(reader->Files[0].Stream->Size(), 0u);
  EXPECT_EQ(reader->Files[0].FileType, ftFont);
  EXPECT_EQ(Content(*reader->Files[1].Stream), members[1].Data);
  EXPECT_EQ(reader->Files[1].FileType, ftOther);
  EXPECT_EQ(Content(*reader->Files[2].Stream), members[3].Data);
  EXPECT_EQ(reader->Files[2].FileType, ftFont);
  ASSERT_TRUE(reader->Options);
  EXPECT_EQ(Content(*reader->Options), members[2].Data);
  EXPECT_EQ(reader->FindFile("LAST.OTF"), &reader->Files[2]);
  EXPECT_EQ(reader->FindFile("OPTIONS.DAT"), nullptr);
}

TEST(SkinArchive, InflatingStreamStandsRightAfterEachMember) {
  // Walk the members by hand: after each zlib stream the archive stream must
  // stand on the next member's name length.
  std::vector<ArchiveMember> members = {
      {"A.BMP", RandomBytes(200000, 1)}, {"B.BMP", {}}, {"C.BMP", Bytes("ccc")}};
  auto archive = WriteSkinArchive(members);
  archive.insert(archive.end(), {'x', 'y', 'z'});
  MemoryStream in = MemoryStream::Borrow(archive);
  in.Seek(8, SeekOrigin::Begin);
  for (const auto& m : members) {
    std::uint8_t b[4];
    in.ReadBuffer(b, 4);
    std::string name(b[0], '\0');
    in.ReadBuffer(name.data(), name.size());
    EXPECT_EQ(name, m.Name);
    in.ReadBuffer(b, 4);
    const auto packed = ZCompress(m.Data);
    const auto start = in.Position();
    ZDecompressionStream z(in);
    std::vector<std::uint8_t> out(m.Data.size() + 10);
    EXPECT_EQ(z.Read(out.data(), out.size()), m.Data.size());
    EXPECT_TRUE(z.Finished());
    EXPECT_EQ(in.Position(), start + static_cast<std::int64_t>(packed.size()));
  }
  EXPECT_EQ(in.Position(), static_cast<std::int64_t>(archive.size()) - 3);
}

TEST(SkinArchive, InflatingStreamSeeksOnlyForward) {
  const auto data = RandomBytes(50000, 3);
  const auto packed = ZCompress(data);
  MemoryStream src = MemoryStream::Borrow(packed);
  ZDecompressionStream z(src);
  EXPECT_EQ(z.Seek(20000, SeekOrigin::Current), 20000);
  std::uint8_t b = 0;
  ASSERT_EQ(z.Read(&b, 1), 1u);
  EXPECT_EQ(b, data[20000]);
  EXPECT_EQ(z.Seek(30000, SeekOrigin::Begin), 30000);
  ASSERT_EQ(z.Read(&b, 1), 1u);
  EXPECT_EQ(b, data[30000]);
  EXPECT_EQ(z.Seek(0, SeekOrigin::Current), 30001);
  for (auto bad : {std::pair<std::int64_t, SeekOrigin>{-1, SeekOrigin::Current},
                   {10, SeekOrigin::Begin},
                   {-5, SeekOrigin::End}}) {
    try {
      z.Seek(bad.first, bad.second);
      ADD_FAILURE() << "seek accepted";
    } catch (const EZDecompressionError& e) {
      EXPECT_STREQ(e.what(), "Invalid ZStream operation!");
    }
  }
  try {
    z.Write(&b, 1);
    ADD_FAILURE() << "write accepted";
  } catch (const EZDecompressionError& e) {
    EXPECT_STREQ(e.what(), "Invalid ZStream operation!");
  }
  EXPECT_EQ(z.Seek(0, SeekOrigin::Begin), 0);
  ASSERT_EQ(z.Read(&b, 1), 1u);
  EXPECT_EQ(b, data[0]);
  EXPECT_EQ(z.Seek(0, SeekOrigin::End), static_cast<std::int64_t>(data.size()));
  EXPECT_EQ(src.Position(), static_cast<std::int64_t>(packed.size()));
}

TEST(SkinArchive, ErrorTexts) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* text;
  };
  const auto good = WriteSkinArchive(std::vector<ArchiveMember>{{"OPTIONS.DAT", Bytes("[X]\nY=2\n")},
                                                               {"M.BMP", RandomBytes(5000, 2)}});
  auto corrupt = good;
  corrupt[good.size() - 2000] ^= 0x55;  // inside M.BMP's deflate data
  auto truncated = good;
  truncated.resize(good.size() - 100);
  auto shortStated = WriteSkinArchive(std::vector<ArchiveMember>{{"A.BMP", Bytes("abcdef")}});
  shortStated[8 + 4 + 5] = 3;  // says 3 bytes, the stream holds 6
  auto longStated = WriteSkinArchive(std::vector<ArchiveMember>{{"A.BMP", Bytes("abcdef")}});
  longStated[8 + 4 + 5] = 9;  // says 9 bytes, the stream holds 6
  std::vector<std::uint8_t> hugeCount = {'A', 'S', 'z', 'f'};
  AppendU32(hugeCount, 0xFFFFFFFFu);
  std::vector<std::uint8_t> hugeName = {'A', 'S', 'z', 'f'};
  AppendU32(hugeName, 1);
  AppendU32(hugeName, 0x7FFFFFFFu);
  hugeName.resize(40);
  std::vector<std::uint8_t> hugeSize = {'A', 'S', 'z', 'f'};
  AppendU32(hugeSize, 1);
  AppendU32(hugeSize, 1);
  hugeSize.push_back('N');
  AppendU32(hugeSize, 0xFFFFFFF0u);
  const auto z = ZCompress(Bytes("x"));
  hugeSize.insert(hugeSize.end(), z.begin(), z.end());

  const std::vector<Case> cases = {
      {"corrupt deflate data", corrupt, "data error"},
      {"truncated member", truncated, "Stream read error"},
      {"stream longer than stated", shortStated, "data error"},
      {"stream shorter than stated", longStated, "Stream read error"},
      {"impossible member count", hugeCount, "Stream read error"},
      {"impossible name length", hugeName, "Stream read error"},
      {"impossible size", hugeSize, "Stream read error"},
      {"count without bytes", {'A', 'S', 'z', 'f', 1, 0}, "Stream read error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TacSkinConvertor reader;
    reader.SetPackedData(c.bytes);
    try {
      reader.ReadArchive();
      ADD_FAILURE() << "read without error";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
    EXPECT_EQ(reader.FileCount, 0);
    EXPECT_TRUE(reader.Files.empty());
    EXPECT_FALSE(reader.Options);
  }
  try {
    TacSkinConvertor reader;
    reader.SetPackedData(corrupt);
    reader.ReadArchive();
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.FErrorCode, -3);
  }
}

TEST(SkinArchive, StreamAskingForADictionaryIsAnError) {
  z_stream z{};
  ASSERT_EQ(deflateInit(&z, 9), Z_OK);
  const std::string dict = "dictionary words";
  deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dict.data()), static_cast<uInt>(dict.size()));
  std::string text = "dictionary words dictionary words";
  std::vector<std::uint8_t> packed(256);
  z.next_in = reinterpret_cast<Bytef*>(text.data());
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = packed.data();
  z.avail_out = static_cast<uInt>(packed.size());
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  packed.resize(z.total_out);
  deflateEnd(&z);
  MemoryStream src = MemoryStream::Borrow(packed);
  ZDecompressionStream in(src);
  std::vector<std::uint8_t> out(text.size());
  try {
    in.ReadBuffer(out.data(), out.size());
    ADD_FAILURE() << "inflated without its dictionary";
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.FErrorCode, 2);
    EXPECT_STREQ(e.what(), "need dictionary");
  }
  for (auto [code, text] : {std::pair{1, "stream end"}, {-1, "file error"}, {-2, "stream error"}, {-3, "data error"},
                            {-4, "insufficient memory"}, {-5, "buffer error"}, {-6, "incompatible version"}})
    EXPECT_EQ(ZErrorText(code), text) << code;
}

TEST(SkinArchive, WrongMagicIsReportedNotThrown) {
  for (const auto& bytes : {Bytes("PK\3\4 something else entirely"), Bytes(""), Bytes("ASz")}) {
    Recorder r;
    TacSkinConvertor reader;
    reader.SetPackedData(bytes);
    EXPECT_FALSE(reader.ReadArchive(&r));
    ASSERT_EQ(r.shown.size(), 1u);
    EXPECT_EQ(r.shown[0], "Loaded data is not a packed skin file");
    EXPECT_FALSE(reader.Options);
  }
}

TEST(SkinArchive, OptionsMemberTwiceOrNever) {
  auto twice = Read(WriteSkinArchive(std::vector<ArchiveMember>{
      {"OPTIONS.DAT", Bytes("first")}, {"X.BMP", Bytes("x")}, {"options.dat", Bytes("second")}}));
  EXPECT_EQ(twice->FileCount, 1);
  EXPECT_EQ(twice->Files.size(), 1u);
  EXPECT_EQ(Content(*twice->Options), Bytes("second"));
  auto never = Read(WriteSkinArchive(std::vector<ArchiveMember>{{"X.BMP", Bytes("x")}, {"Y.JPG", Bytes("y")}}));
  EXPECT_EQ(never->FileCount, 2);
  EXPECT_FALSE(never->Options);
}

TEST(SkinArchive, BorrowedDataIsNotCopied) {
  const auto archive = WriteSkinArchive(std::vector<ArchiveMember>{{"OPTIONS.DAT", Bytes("o")}});
  TacSkinConvertor reader;
  reader.BorrowPackedData(archive);
  ASSERT_TRUE(reader.ReadArchive());
  EXPECT_EQ(reader.PackedData->Bytes().data(), archive.data());
  reader.Clear();
  EXPECT_EQ(reader.PackedData, nullptr);
  EXPECT_FALSE(reader.Options);
}

TEST(SkinArchive, Preview) {
  const auto png = Bytes("\x89PNG\r\n\x1a\nfake image");
  const std::vector<ArchiveMember> members = {{"OPTIONS.DAT", Bytes("o")}};
  // With a trailer: the reader ignores it, the preview search finds it.
  const auto withPreview = WriteSkinArchive(members, png);
  auto reader = Read(withPreview);
  EXPECT_EQ(reader->FileCount, 0);
  MemoryStream dest;
  dest.Write("junk before", 11);
  ASSERT_TRUE(ExtractPreview(dest, withPreview));
  EXPECT_EQ(Content(dest), png);
  EXPECT_EQ(dest.Position(), 0);

  // Trailing bytes that are not a preview: the archive still reads, no preview.
  auto trailing = WriteSkinArchive(members);
  for (char c : std::string("not a preview at all")) trailing.push_back(static_cast<std::uint8_t>(c));
  Read(trailing);
  EXPECT_FALSE(FindPreview(trailing));

  // The first "previewimg" wins, even inside a member's data.
  const auto inner = Bytes(std::string_view("previewimg\x03\0\0\0abc", 17));
  const auto stored = WriteSkinArchive(std::vector<ArchiveMember>{{"RAW.BIN", inner}}, png, 0);
  auto found = FindPreview(stored);
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, Bytes("abc"));

  // A size running past the end gives no preview.
  auto cut = withPreview;
  cut.resize(cut.size() - 1);
  EXPECT_FALSE(FindPreview(cut));
  EXPECT_FALSE(ExtractPreview(dest, cut));
  const auto justMarker = Bytes(std::string_view("previewimg\1\0", 12));
  EXPECT_FALSE(FindPreview(justMarker));
}

TEST(SkinArchive, FileTypes) {
  EXPECT_EQ(FileTypeOf("a.bmp"), ftBmp);
  EXPECT_EQ(FileTypeOf("MASTER COPY.BMP"), ftBmp);
  EXPECT_EQ(FileTypeOf("x.Ttf"), ftFont);
  EXPECT_EQ(FileTypeOf("x.OTF"), ftFont);
  EXPECT_EQ(FileTypeOf("x.png"), ftOther);
  EXPECT_EQ(FileTypeOf("BMP"), ftOther);
  EXPECT_EQ(FileTypeOf("x.bmp.gz"), ftOther);
}

}  // namespace
}  // namespace skin
