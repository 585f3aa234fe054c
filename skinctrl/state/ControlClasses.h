#pragma once
// Control class codes of skinned controls and the code sets that decide the
// behaviour all skinned controls share.
#include <cstdint>
#include <string_view>

namespace skinctrl {

inline constexpr std::uint8_t COC_Memo = 7;
inline constexpr std::uint8_t COC_ComboBox = 13;
inline constexpr std::uint8_t COC_Panel = 51;
inline constexpr std::uint8_t COC_Button = 93;
inline constexpr std::uint8_t COC_FormFrame = 224;
inline constexpr std::uint8_t COC_FrameAdapter = 226;
inline constexpr std::uint8_t COC_EditAdapter = 231;

// Mouse-over neither makes the control hot nor marks it as hovered.
constexpr bool IsNoHoverCode(int c) noexcept {
  return c == 19 || (c >= 51 && c <= 74) || c == 110 || (c >= 141 && c <= 161);
}
// The owner's colour and font colour follow the state (focus, hover).
constexpr bool IsEditLikeCode(int c) noexcept {
  return (c >= 2 && c <= 18) || (c >= 76 && c <= 84) || (c >= 132 && c <= 140) || c == COC_EditAdapter;
}
// Hover changes the colours of these only while hover colouring is enabled.
constexpr bool IsHoverColoringCode(int c) noexcept { return IsEditLikeCode(c) || c == 85; }
// A child's background request is answered in the normal state even while hovered.
constexpr bool IsBackgroundWithoutHoverCode(int c) noexcept {
  return c == 51 || c == 54 || (c >= 56 && c <= 59) || c == 74 || c == 110 || c == 141 || c == 143 || c == 151 ||
         c == 161 || c == 226;
}
// The control animates its hover look itself.
constexpr bool IsHoverByControlCode(int c) noexcept { return c >= 92 && c <= 94; }
// After a skin refresh the window frame is recalculated.
constexpr bool IsFrameRefreshCode(int c) noexcept {
  return c == 7 || c == 8 || c == 10 || c == 14 || c == 78 || c == 83 || c == 85 || c == COC_EditAdapter;
}

// Hover colouring of edit-like controls: a global switch, off in this program.
inline constexpr bool HoverColoringEnabled = false;

// Where a control without a SkinSection finds its section.
enum class TacSectionSource { FixedName, AskControl, ClassName };
struct TacDefaultSection {
  TacSectionSource Source;
  std::string_view Name;  // for FixedName
};
constexpr TacDefaultSection DefaultSectionOf(int c) noexcept {
  switch (c) {
  case 18: return {TacSectionSource::FixedName, "COMBOBOX"};
  case 19: return {TacSectionSource::FixedName, "BAR"};
  case 20: return {TacSectionSource::FixedName, "BARTITLE"};
  case 50:
  case 152: return {TacSectionSource::FixedName, "CHECKBOX"};
  case 56: return {TacSectionSource::FixedName, "DRAGBAR"};
  case 98: return {TacSectionSource::FixedName, "TOOLBUTTON"};
  case 230: return {TacSectionSource::FixedName, "EDIT"};
  default: break;
  }
  const bool asks = (c >= 2 && c <= 10) || (c >= 12 && c <= 14) || (c >= 32 && c <= 34) || c == 51 || c == 53 ||
                    c == 54 || (c >= 57 && c <= 59) || (c >= 74 && c <= 76) || c == 78 || (c >= 81 && c <= 85) ||
                    (c >= 92 && c <= 94) || (c >= 132 && c <= 141) || c == 143 || c == 151 || c == 161 || c == 165 ||
                    c == 226 || c == 227;
  return {asks ? TacSectionSource::AskControl : TacSectionSource::ClassName, {}};
}

}  // namespace skinctrl
