// The skin list's previews on Windows: an image list of 140 × 100 pixels
// filled from the PNG previews of the skins.
#pragma once

#include "skin/SkinList.h"
#include "skin/WinImageDecoder.h"

#include <windows.h>
#include <commctrl.h>

namespace skin {

class WinPreviewImageList final : public PreviewImages {
public:
  static constexpr int Width = 140;
  static constexpr int Height = 100;

  WinPreviewImageList();
  ~WinPreviewImageList() override;
  WinPreviewImageList(const WinPreviewImageList&) = delete;
  WinPreviewImageList& operator=(const WinPreviewImageList&) = delete;

  void Clear() override;
  // Only PNG bytes that decode are added; a preview of another size is
  // scaled to the list's size.
  int Add(std::span<const std::uint8_t> png) override;
  HIMAGELIST Handle() const { return list_; }

private:
  HIMAGELIST list_ = nullptr;
  GdiPlusImageDecoder decoder_;
};

}  // namespace skin
