#pragma once
// The live-preview record another program sends to show a skin it is editing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace skin {

inline constexpr std::uint32_t PreviewCopyDataId = 7;
inline constexpr std::uint32_t PreviewMagic = 0xA400;
inline constexpr std::size_t PreviewNameSize = 128;
inline constexpr std::size_t PreviewDirSize = 512;
inline constexpr std::size_t PreviewDataSize = 30001;
inline constexpr std::size_t PreviewRecordSize = 4 + PreviewNameSize + PreviewDirSize + PreviewDataSize;
static_assert(PreviewRecordSize == 30645);

// The record's fields as 8-bit text (system code page), each ending at its first NUL or
// at the end of its field, whichever comes first.
struct TacSkinData {
    std::uint32_t Magic = 0;
    std::string SkinName;
    std::string SkinDir;
    std::string Data;
};

// nullopt unless the bytes hold at least a whole record starting with the magic value.
std::optional<TacSkinData> ParsePreviewRecord(std::span<const std::byte> bytes);

// The bytes of a record, for senders and tests; fields longer than theirs are cut.
std::string MakePreviewRecord(const std::string& skinName, const std::string& skinDir, const std::string& data,
                              std::uint32_t magic = PreviewMagic);

}  // namespace skin
