#pragma once
// A small skin with hover glows and outer effects, which the built-in skin has
// none of: "GLOWING" glows (a nine-part glow image with a mask of opaque
// corners, half-transparent edges and a clear centre), "NOGLOW" inherits the
// image but has no glow frames, "SHADOWED" casts its own shadow image,
// "SKINSHADOW" and "SKINOUTLINE" take the skin's shadow and outline records.
#include "skin/Bitmap32.h"
#include "skin/SkinArchive.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skintest {

inline constexpr int GlowSide = 12, GlowMargin = 4, GlowImageMargin = 4;
inline constexpr int ShadowSide = 9, ShadowOffset = 3, ShadowOpacity = 128;

// extraSections are appended to the options; extraMembers to the archive.
inline std::vector<std::uint8_t> EffectsSkinArchive(const std::string& extraGlobal = "",
                                                    const std::string& extraSections = "",
                                                    std::vector<skin::ArchiveMember> extraMembers = {}) {
  const std::string options =
      "[GLOBALINFO]\r\n"
      "VERSION=10.25\r\n"
      "MASTERBITMAP=MASTER COPY.BMP\r\n"
      "COLOR=14344676\r\n"
      "FONTCOLOR=1118481\r\n" +
      extraGlobal +
      "[PANEL]\r\n"
      "COLOR=13421772\r\n"
      "FONTCOLOR=0\r\n"
      "[BUTTON]\r\n"
      "COLOR=15790320\r\n"
      "HOTCOLOR=16777215\r\n"
      "FONTCOLOR=0\r\n"
      "HOTFONTCOLOR=0\r\n"
      "[GLOWING]\r\n"
      "STATES=2\r\n"
      "COLOR=12632256\r\n"
      "HOTCOLOR=16777215\r\n"
      "FONTCOLOR=0\r\n"
      "HOTFONTCOLOR=0\r\n"
      "GLOW=1\r\n"
      "GLOWMARGIN=4\r\n"
      "GLOW0=!GLOW.BMP!1!1!3!0004!0004!0004!0004!0\r\n"
      "[NOGLOW]\r\n"
      "PARENTCLASS=GLOWING\r\n"
      "GLOW=0\r\n"
      "[SHADOWED]\r\n"
      "COLOR=3355443\r\n"
      "FONTCOLOR=0\r\n"
      "OUTERMODE=1\r\n"
      "OUTERMASK=!SHADOW.BMP!1!1!0!0003!0003!0003!0003!1\r\n"
      "OUTOPACITY=128\r\n"
      "OUTOFFSL=3\r\n"
      "OUTOFFST=3\r\n"
      "OUTOFFSR=3\r\n"
      "OUTOFFSB=3\r\n"
      "[SKINSHADOW]\r\n"
      "COLOR=3355443\r\n"
      "OUTERMODE=2\r\n"
      "[SKINOUTLINE]\r\n"
      "COLOR=3355443\r\n"
      "OUTERMODE=1\r\n" +
      extraSections;

  skin::Bitmap32 master(40, 24, 0xFF808080u);

  // Image band over mask band: black shows the image, white keeps what is below.
  skin::Bitmap32 glow(GlowSide, 2 * GlowSide);
  for (int y = 0; y < GlowSide; ++y) {
    for (int x = 0; x < GlowSide; ++x) {
      glow.At(x, y) = 0xFF2060E0u + static_cast<std::uint32_t>(x + y);
      const bool edgeX = x < GlowImageMargin || x >= GlowSide - GlowImageMargin;
      const bool edgeY = y < GlowImageMargin || y >= GlowSide - GlowImageMargin;
      glow.At(x, GlowSide + y) = edgeX && edgeY ? 0xFF000000u : (edgeX || edgeY ? 0xFF808080u : 0xFFFFFFFFu);
    }
  }
  skin::Bitmap32 shadow(ShadowSide, 2 * ShadowSide);
  for (int y = 0; y < ShadowSide; ++y) {
    for (int x = 0; x < ShadowSide; ++x) {
      shadow.At(x, y) = 0xFF102030u + static_cast<std::uint32_t>(x);
      shadow.At(x, ShadowSide + y) = 0xFF000000u;
    }
  }
  std::vector<skin::ArchiveMember> members;
  members.push_back({"OPTIONS.DAT", {options.begin(), options.end()}});
  members.push_back({"MASTER COPY.BMP", skin::EncodeBmp32(master)});
  members.push_back({"GLOW.BMP", skin::EncodeBmp32(glow)});
  members.push_back({"SHADOW.BMP", skin::EncodeBmp32(shadow)});
  for (skin::ArchiveMember& m : extraMembers) members.push_back(std::move(m));
  return skin::WriteSkinArchive(members);
}

}  // namespace skintest
