#include "skin/SkinManagerSetup.h"

namespace skin {

void ConfigureMainSkinManager(TsSkinManager& manager, std::span<const std::uint8_t> storedSkinArchive) {
    manager.SetOldGlyphsMode(true);
    TsStoredSkin& item = manager.InternalSkins().Add();
    item.Name = "Opus (internal)";
    item.Shadow1Color = 0;
    item.Shadow1Offset = 0;
    item.Shadow1Transparency = 0;
    item.OrigName = "Opus.asz";
    item.PackedData.assign(storedSkinArchive.begin(), storedSkinArchive.end());
    manager.SetSkinDirectory(L"c:\\Skins");
    manager.SetSkinName(MainSkinName);
    manager.SetSkinInfo(L"10.25");
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        manager.ThirdParty().Lists[static_cast<std::size_t>(i)] = TsThirdPartyList::DefaultText(i);
    }
}

}  // namespace skin
