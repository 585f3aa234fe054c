// What the painting primitives provide to the skinning state, reduced to what
// these tests observe: a background answer by colour, and the blend of frames.
#include "PaintingStandIn.h"

#include <algorithm>

namespace skintest {
std::vector<int> BackgroundStates;
}

namespace skinctrl {

void AnswerBackgroundRequest(TsCommonData& data, TBackgroundRequest& request, int state) {
    skintest::BackgroundStates.push_back(state);
    request.BgType = 1;
    request.Color = StateBackgroundColor(data, state);
}

void BlendBitmapRect(skin::Bitmap32& dst, const skin::Bitmap32& src, int weight, POINT dstPoint, const TRect& srcRect) {
    const int w = std::min({srcRect.Width(), src.Width - srcRect.Left, static_cast<int>(dst.Width - dstPoint.x)});
    const int h = std::min({srcRect.Height(), src.Height - srcRect.Top, static_cast<int>(dst.Height - dstPoint.y)});
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t& d = dst.At(dstPoint.x + x, dstPoint.y + y);
            const std::uint32_t s = src.At(srcRect.Left + x, srcRect.Top + y);
            std::uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const std::uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
                out |= ((sc * (256 - weight) + dc * weight) >> 8) << shift;
            }
            d = out;
        }
    }
}

}  // namespace skinctrl
