#include "skin/SkinPreview.h"

#include <algorithm>
#include <cstring>

namespace skin {
namespace {

std::string Field(const std::byte* p, std::size_t size) {
    const auto* c = reinterpret_cast<const char*>(p);
    const auto* end = std::find(c, c + size, '\0');
    return std::string(c, end);
}

void PutField(std::string& out, std::size_t offset, const std::string& text, std::size_t size) {
    std::memcpy(out.data() + offset, text.data(), std::min(text.size(), size));
}

}  // namespace

std::optional<TacSkinData> ParsePreviewRecord(std::span<const std::byte> bytes) {
    if (bytes.size() < PreviewRecordSize) return std::nullopt;
    TacSkinData r;
    const auto* p = bytes.data();
    r.Magic = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
              static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    if (r.Magic != PreviewMagic) return std::nullopt;
    r.SkinName = Field(p + 4, PreviewNameSize);
    r.SkinDir = Field(p + 4 + PreviewNameSize, PreviewDirSize);
    r.Data = Field(p + 4 + PreviewNameSize + PreviewDirSize, PreviewDataSize);
    return r;
}

std::string MakePreviewRecord(const std::string& skinName, const std::string& skinDir, const std::string& data,
                              std::uint32_t magic) {
    std::string out(PreviewRecordSize, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((magic >> (8 * i)) & 0xFF);
    PutField(out, 4, skinName, PreviewNameSize);
    PutField(out, 4 + PreviewNameSize, skinDir, PreviewDirSize);
    PutField(out, 4 + PreviewNameSize + PreviewDirSize, data, PreviewDataSize);
    return out;
}

}  // namespace skin
