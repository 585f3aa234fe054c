// PNG and JPEG images of skins, decoded with GDI+ (loaded at run time) into
// 32-bit bitmaps with alpha. Windows only.
#pragma once

#include "skin/SkinFiles.h"

#include <memory>

namespace skin {

class GdiPlusImageDecoder final : public ImageDecoder {
public:
  GdiPlusImageDecoder();
  ~GdiPlusImageDecoder() override;
  GdiPlusImageDecoder(const GdiPlusImageDecoder&) = delete;
  GdiPlusImageDecoder& operator=(const GdiPlusImageDecoder&) = delete;

  // False when GDI+ could not be loaded or started; Decode then gives none.
  bool Available() const;
  // Any format GDI+ reads; none for bytes it cannot decode.
  std::shared_ptr<Bitmap32> Decode(std::span<const std::uint8_t> bytes, std::string_view upperExtension) override;

private:
  struct Api;
  Api& api() const;
  // GDI+ and the COM libraries it pulls in are a noticeable part of a
  // program's start under Wine, and most skins hold only BMP images: GDI+ is
  // loaded at the first image that needs it.
  mutable std::unique_ptr<Api> api_;
};

}  // namespace skin
