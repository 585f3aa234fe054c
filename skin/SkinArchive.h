// The packed skin archive: reading it (TacSkinConvertor), finding its preview
// image, and writing one.
//
// Layout (integers are 32-bit little-endian, nothing is aligned):
//   "ASzf", member count, then per member: name length N, N name bytes
//   (8-bit, no terminator), uncompressed size S, a zlib stream inflating to
//   S bytes. An optional trailer follows: "previewimg", a size P, P PNG bytes.
// The member named "OPTIONS.DAT" (any letter case) is the options file.
#pragma once

#include "skin/SkinStream.h"
#include "skin/ZStream.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

inline constexpr char ArchiveMagic[4] = {'A', 'S', 'z', 'f'};
inline constexpr std::string_view OptionsMemberName = "OPTIONS.DAT";
inline constexpr std::string_view PreviewMarker = "previewimg";
inline constexpr std::string_view NotAPackedSkinText = "Loaded data is not a packed skin file";

// Limits on what an archive may claim before anything is allocated for it.
inline constexpr std::uint32_t MaxArchiveMembers = 65536;
inline constexpr std::uint32_t MaxMemberNameLength = 4096;
inline constexpr std::uint32_t MaxMemberSize = 256u * 1024 * 1024;

enum TacFileType { ftBmp, ftFont, ftOther };

// ".BMP" → ftBmp, ".TTF"/".OTF" → ftFont, anything else ftOther (letter case ignored).
TacFileType FileTypeOf(std::string_view name);

// ASCII upper case, as member and section names are compared.
std::string UpperCase(std::string_view text);

struct TacFileItem {
  std::string Name;  // as stored in the archive
  TacFileType FileType = ftOther;
  std::unique_ptr<MemoryStream> Stream;
};
using TacFileItems = std::vector<TacFileItem>;

// Where a reader reports the archive it cannot take ("Loaded data is not a
// packed skin file"); the Windows side shows a message dialog.
class ArchiveMessages {
public:
  virtual ~ArchiveMessages() = default;
  virtual void ShowError(const std::string& text) = 0;
};

// Holds the inflated members of one archive while a skin is loaded.
class TacSkinConvertor {
public:
  TacSkinConvertor() = default;
  ~TacSkinConvertor() { Clear(); }
  TacSkinConvertor(const TacSkinConvertor&) = delete;
  TacSkinConvertor& operator=(const TacSkinConvertor&) = delete;

  std::unique_ptr<MemoryStream> Options;  // the options member, or none
  MemoryStream* PackedData = nullptr;     // the archive being read
  int FileCount = 0;                      // always Files.size()
  TacFileItems Files;                     // the other members in archive order

  // Reads the archive from an owned copy of the bytes.
  void SetPackedData(std::vector<std::uint8_t> bytes);
  // Reads the archive from bytes that must outlive the reading.
  void BorrowPackedData(std::span<const std::uint8_t> bytes);
  // Drops the archive bytes (freed when owned).
  void FreePackedData();

  // Reads every member of PackedData. Returns false (after telling messages,
  // when given) for data that does not start with the magic. Raises
  // EReadError for a truncated or impossible archive and EZDecompressionError
  // for a damaged zlib stream. On an exception the reader holds no members.
  bool ReadArchive(ArchiveMessages* messages = nullptr);

  // The first member (options member excluded) whose upper-cased name equals
  // upperName, or nullptr.
  const TacFileItem* FindFile(std::string_view upperName) const;

  // Frees the members from the last to the first, then Options, then owned
  // archive bytes.
  void Clear();

private:
  std::unique_ptr<MemoryStream> packed_;
};

// The PNG bytes of the archive's preview trailer, found by the first
// "previewimg" anywhere in the bytes; none when the marker is missing or the
// size it gives runs past the end of the bytes.
std::optional<std::vector<std::uint8_t>> FindPreview(std::span<const std::uint8_t> archive);

// Sets the destination's size to the preview's, copies it and rewinds the
// destination. False when the archive has no preview.
bool ExtractPreview(MemoryStream& destination, std::span<const std::uint8_t> archive);

// Compresses bytes to one zlib stream (RFC 1950).
std::vector<std::uint8_t> ZCompress(std::span<const std::uint8_t> data, int level = 9);

struct ArchiveMember {
  std::string Name;
  std::vector<std::uint8_t> Data;
};

// Builds an archive of the members in the given order, followed by a preview
// trailer when preview is not empty.
std::vector<std::uint8_t> WriteSkinArchive(std::span<const ArchiveMember> members,
                                           std::span<const std::uint8_t> preview = {},
                                           int level = 9);

}  // namespace skin
