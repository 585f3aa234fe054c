#pragma once
// Where a control's background comes from, and the request a control sends its
// parent (SKC_GETBACKGROUND) to learn it.
#include <windows.h>

#include "skin/Bitmap32.h"
#include "skin/SkinColors.h"
#include "skin/SkinModel.h"

#include <cstdint>

namespace skin {

struct TCacheInfo {
    Bitmap32* Bmp = nullptr;  // holds the background (not owned), or none
    int X = 0, Y = 0;         // position in Bmp of the receiver's origin
    TColor FillColor = KeyColor;  // KeyColor: no colour known
    TRect FillRect{};         // widths of the border strips of Bmp to copy
    bool Ready = false;       // Bmp at (X, Y) holds the finished background
};

struct TBackgroundRequest {
    Bitmap32* Bmp = nullptr;  // answer: the answering control's cache
    TColor Color = 0;         // answer: the colour when BgType is 1
    int X = 0, Y = 0;         // answer: offset in Bmp of the answering control's origin
    TRect DrawRect{};         // request: area to paint with PleaseDraw
    TRect FillRect{};         // answer: border-strip widths
    std::uint8_t BgType = 0;  // answer: 0 none, 1 colour, 2 bitmap, 3 not ready
    bool PleaseDraw = false;  // request: paint into DrawDC instead
    HDC DrawDC = nullptr;     // request: target of PleaseDraw
};

}  // namespace skin
