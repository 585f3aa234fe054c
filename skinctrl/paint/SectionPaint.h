// Painting a skin section into a control's bitmap: background layers
// (colour, gradient, texture, transparency over the parent), corner images,
// the border image, colour changes, and the disabled look.
#pragma once

#include "skin/SkinModel.h"
#include "skinctrl/paint/CacheInfo.h"
#include "skinctrl/paint/PixelMath.h"

namespace skinctrl {

// What the painting reads of a control's skinning state.
struct TControlLook {
  int SkinIndex = -1;
  TColor CustomColor = KeyColor;  // the owner's resolved Color when CustomColor is set, else KeyColor
  TColor ColorTone = NoColor;
  int HUEOffset = 0;   // degrees
  int Saturation = 0;  // percent
};

// The opaque layers of one state: image percent I, gradient percent G,
// colour C, the gradient points and the texture.
struct TSectionLayers {
  int ImagePercent = 0;
  int GradientPercent = 0;
  TColor Color = 0;
  const skin::TsGradArray* Gradient = nullptr;
  int TextureIndex = -1;
};

// Texture, gradient and colour, opaque, into the rectangle.
void FillSectionLayers(const ScanLines& bmp, TRect rect, const TSectionLayers& layers, const skin::SkinModel* model);

// The background of a section in a state: its layers, mixed with or replaced
// by the parent background of ci as the state's Transparency says. offset is
// the receiver's position in the parent; customColor (KeyColor: none)
// replaces the section's colours. tex1 and tex2 override the hot-state
// overlay texture and the texture (-1: from the section).
void PaintSectionBackground(const skin::SkinModel* model, int skinIndex, const TCacheInfo& ci, int state,
                            TColor customColor, int tex1, int tex2, const ScanLines& bmp, TPoint offset, TRect rect);

// A control's section: background, corner images, border image, then tone,
// hue and saturation.
void PaintSkinControl(const skin::SkinModel* model, const TControlLook& look, const TCacheInfo& ci, int tex1,
                      int tex2, bool updateCorners, const ScanLines& bmp, TPoint offset, TRect rect, int state);

// The same for a section given by index (corners always updated, no colour
// changes).
void PaintSkinSection(const skin::SkinModel* model, int skinIndex, const TCacheInfo& ci, int tex1, int tex2,
                      const ScanLines& bmp, TPoint offset, TRect rect, int state);

// A container's section over the parent background ci (already fetched):
// background, border image, and then the corner images over the border.
// Colour changes are left to the caller.
void PaintSkinLayersOnParent(const skin::SkinModel* model, const TControlLook& look, TCacheInfo ci, int tex1,
                             int tex2, bool updateCorners, const ScanLines& bmp, TPoint offset, TRect rect,
                             int state);

// What a skinned parent's answer to a child's background request rests on,
// for the state it answers in (its cache aside).
struct TBackgroundPlan {
  // The state record's Transparency.
  int Transparency = 0;
  // Opaque, without gradient, texture or corner images, and no outer
  // effects: the parent answers with its colour.
  bool PlainColor = false;
  // With PlainColor: the widths of the border image's strips (WL, WT, WR,
  // WB) when the border is drawn in state 0, which the child copies from
  // the parent's cache.
  TRect FillRect;
};
TBackgroundPlan PlanBackgroundAnswer(const skin::SkinModel* model, int skinIndex, int state, bool outerEffects);

// Tuning of the disabled look: the control's weight when blended with its
// background (of 255), and the saturation percent of the greyed look (-100:
// plain greyscale).
inline int DisabledBlendWeight = 100;
inline int DisabledSaturation = -90;

enum TDisabledKind : int { dkBlended = 1, dkGrayed = 2 };

// The disabled look of a control's bitmap at `position` in its parent.
// parentColor is used when ci knows no colour.
void PaintDisabled(const ScanLines& bmp, int disabledKind, TPoint position, const TCacheInfo& ci,
                   TColor parentColor);

}  // namespace skinctrl
