// A 5 x 7 pixel font for the mock window's texts (only the letters it shows).
#pragma once

#include "Raster.h"

#include <string_view>

namespace skintest {

// Width in pixels of the text at the given scale.
int MockTextWidth(std::string_view text, int scale);
// Draws the text with its left edge at x, centred vertically on yCentre.
void DrawMockText(skingen::Image& image, std::string_view text, int x, int yCentre, std::uint32_t colour, int scale);

}  // namespace skintest
