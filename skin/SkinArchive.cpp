#include "skin/SkinArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

namespace skin {

namespace {

std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t ReadU32(Stream& s) {
  std::uint8_t b[4];
  s.ReadBuffer(b, 4);
  return LoadU32(b);
}

// The smallest member: a name length, an empty name, a size and the 8 bytes of
// an empty zlib stream (header, an empty final block, Adler-32).
constexpr std::uint64_t MinMemberBytes = 4 + 4 + 8;
// Deflate expands at most about 1032:1; a size beyond that is impossible.
constexpr std::uint64_t MaxInflateRatio = 1032;

}  // namespace

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

TacFileType FileTypeOf(std::string_view name) {
  const std::string upper = UpperCase(name);
  const auto dot = upper.rfind('.');
  if (dot == std::string::npos) return ftOther;
  const std::string_view ext = std::string_view(upper).substr(dot);
  if (ext == ".BMP") return ftBmp;
  if (ext == ".TTF" || ext == ".OTF") return ftFont;
  return ftOther;
}

void TacSkinConvertor::SetPackedData(std::vector<std::uint8_t> bytes) {
  packed_ = std::make_unique<MemoryStream>(std::move(bytes));
  PackedData = packed_.get();
}

void TacSkinConvertor::BorrowPackedData(std::span<const std::uint8_t> bytes) {
  packed_ = std::make_unique<MemoryStream>(MemoryStream::Borrow(bytes));
  PackedData = packed_.get();
}

void TacSkinConvertor::FreePackedData() {
  PackedData = nullptr;
  packed_.reset();
}

void TacSkinConvertor::Clear() {
  while (!Files.empty()) Files.pop_back();
  FileCount = 0;
  Options.reset();
  FreePackedData();
}

const TacFileItem* TacSkinConvertor::FindFile(std::string_view upperName) const {
  for (const TacFileItem& f : Files)
    if (UpperCase(f.Name) == upperName) return &f;
  return nullptr;
}

bool TacSkinConvertor::ReadArchive(ArchiveMessages* messages) {
  Files.clear();
  FileCount = 0;
  Options.reset();
  if (!PackedData) return false;
  MemoryStream& in = *PackedData;
  const std::uint64_t total = in.Size();

  in.Seek(0, SeekOrigin::Begin);
  std::uint8_t header[8] = {};
  const std::size_t got = in.Read(header, sizeof header);
  if (got < 4 || std::memcmp(header, ArchiveMagic, 4) != 0) {
    if (messages) messages->ShowError(std::string(NotAPackedSkinText));
    return false;
  }
  if (got < 8) throw EReadError();
  const std::uint32_t count = LoadU32(header + 4);
  if (count > MaxArchiveMembers || count > (total - 8) / MinMemberBytes) throw EReadError();
  in.Seek(8, SeekOrigin::Begin);

  try {
    TacFileItems files;
    files.reserve(count);
    std::unique_ptr<MemoryStream> options;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t nameLength = ReadU32(in);
      auto remaining = [&] { return total - static_cast<std::uint64_t>(in.Position()); };
      if (nameLength > MaxMemberNameLength || nameLength > remaining()) throw EReadError();
      std::string name(nameLength, '\0');
      in.ReadBuffer(name.data(), nameLength);
      const std::uint32_t size = ReadU32(in);
      if (size > MaxMemberSize || size > remaining() * MaxInflateRatio) throw EReadError();

      std::vector<std::uint8_t> bytes(size);
      {
        ZDecompressionStream z(in);
        z.ReadBuffer(bytes.data(), bytes.size());
        // The stream has to end right after its stated size: more data would
        // shift every following member, and a missing end is a cut member.
        std::uint8_t extra;
        if (z.Read(&extra, 1) != 0) throw EZDecompressionError(Z_DATA_ERROR);
        if (!z.Finished()) throw EReadError();
      }
      auto data = std::make_unique<MemoryStream>(std::move(bytes));
      if (UpperCase(name) == OptionsMemberName) {
        options = std::move(data);
      } else {
        TacFileItem item;
        item.FileType = FileTypeOf(name);
        item.Name = std::move(name);
        item.Stream = std::move(data);
        files.push_back(std::move(item));
      }
    }
    Files = std::move(files);
    FileCount = static_cast<int>(Files.size());
    Options = std::move(options);
  } catch (...) {
    Files.clear();
    FileCount = 0;
    Options.reset();
    throw;
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> FindPreview(std::span<const std::uint8_t> archive) {
  const auto marker = std::boyer_moore_horspool_searcher(PreviewMarker.begin(), PreviewMarker.end());
  const auto it = std::search(archive.begin(), archive.end(), marker);
  if (it == archive.end()) return std::nullopt;
  const std::size_t at = static_cast<std::size_t>(it - archive.begin()) + PreviewMarker.size();
  if (archive.size() - at < 4) return std::nullopt;
  const std::uint32_t size = LoadU32(archive.data() + at);
  if (size > archive.size() - at - 4) return std::nullopt;
  return std::vector<std::uint8_t>(archive.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                   archive.begin() + static_cast<std::ptrdiff_t>(at + 4 + size));
}

bool ExtractPreview(MemoryStream& destination, std::span<const std::uint8_t> archive) {
  auto preview = FindPreview(archive);
  if (!preview) return false;
  destination.SetSize(0);
  destination.Seek(0, SeekOrigin::Begin);
  destination.Write(preview->data(), preview->size());
  destination.Seek(0, SeekOrigin::Begin);
  return true;
}

std::vector<std::uint8_t> ZCompress(std::span<const std::uint8_t> data, int level) {
  uLongf bound = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(bound);
  const int rc = compress2(out.data(), &bound, data.data(), static_cast<uLong>(data.size()), level);
  if (rc != Z_OK) throw EZLibError(rc, ZErrorText(rc));
  out.resize(bound);
  return out;
}

std::vector<std::uint8_t> WriteSkinArchive(std::span<const ArchiveMember> members,
                                           std::span<const std::uint8_t> preview, int level) {
  std::vector<std::uint8_t> out(ArchiveMagic, ArchiveMagic + 4);
  StoreU32(out, static_cast<std::uint32_t>(members.size()));
  for (const ArchiveMember& m : members) {
    if (m.Name.size() > MaxMemberNameLength || m.Data.size() > MaxMemberSize)
      throw std::length_error("skin archive member too large: " + m.Name);
    StoreU32(out, static_cast<std::uint32_t>(m.Name.size()));
    out.insert(out.end(), m.Name.begin(), m.Name.end());
    StoreU32(out, static_cast<std::uint32_t>(m.Data.size()));
    const auto packed = ZCompress(m.Data, level);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  if (!preview.empty()) {
    out.insert(out.end(), PreviewMarker.begin(), PreviewMarker.end());
    StoreU32(out, static_cast<std::uint32_t>(preview.size()));
    out.insert(out.end(), preview.begin(), preview.end());
  }
  return out;
}

}  // namespace skin
