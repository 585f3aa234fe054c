// Archive bytes → reader → members and preview. Every outcome but a crash,
// a sanitizer report or an unexpected exception type is fine.
#include "skin/SkinArchive.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData(bytes);
  try {
    if (reader.ReadArchive()) {
      if (reader.FileCount != static_cast<int>(reader.Files.size())) std::abort();
      std::size_t total = reader.Options ? reader.Options->Size() : 0;
      for (const auto& f : reader.Files) total += f.Stream->Size();
      if (total > skin::MaxArchiveMembers * static_cast<std::size_t>(skin::MaxMemberSize)) std::abort();
    }
  } catch (const skin::EReadError&) {
  } catch (const skin::EZLibError&) {
  }
  skin::MemoryStream preview;
  skin::ExtractPreview(preview, bytes);
  if (preview.Size() > size) std::abort();
  return 0;
}
