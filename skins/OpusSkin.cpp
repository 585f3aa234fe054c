#include "skins/OpusSkin.h"

namespace skins {

extern const std::uint8_t OpusAszBytes[];
extern const std::size_t OpusAszSize;

std::span<const std::uint8_t> OpusSkinArchive() { return {OpusAszBytes, OpusAszSize}; }

InternalSkinItem OpusInternalSkin() {
  return {"Opus (internal)", 0x000000, 0, 0, "Opus.asz", OpusSkinArchive()};
}

}  // namespace skins
