#pragma once
// What the shared control code reads from a skin section: the state record of a
// visual state, the kind of background a section paints, and whether a section
// lets the one behind it show through.
#include "skin/SkinModel.h"

#include <cstdint>

namespace skinctrl {

// A visual state clamped to the states the section has (never below 0, even for a
// section that declares none).
int ClampSectionState(const skin::TsGeneralData& section, int state) noexcept;
// The state record of a visual state: element min(clamped state, 2) of Props.
const skin::TsGenState& SectionState(const skin::TsGeneralData& section, int state) noexcept;

// BGType bits of a section, from its normal state: 1, 2 or 3 in the low bits for a
// gradient, 0x04 ... 0x80 for a texture by its draw mode.
std::uint16_t BackgroundTypeOf(const skin::SkinModel& model, const skin::TsGeneralData& section);

// Whether the section is see-through at a state, so that a question about the
// section behind a point goes on to the parent. Transparency above 50 decides when
// there is no border image; with one, its draw mode and, for mask-drawn states, the
// blue byte at the centre of the state's mask frame decide. Frame positions are
// bounded by the image's own frame count and by its bitmap.
bool SectionSeeThrough(const skin::SkinModel& model, int skinIndex, int state);

}  // namespace skinctrl
