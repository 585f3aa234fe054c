// The model built from the stored skin, compared with the committed dump: any change
// to the skin or to the loader shows as a readable difference. Run with
// QUILLON_UPDATE_GOLDEN=1 to write the new dump over the committed one.
#include "ModelDump.h"
#include "skins/OpusSkin.h"
#include "tests/support/NoSkinFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace skin {
namespace {

// A fixed system palette, so that the dump does not depend on the machine.
TColor FixedSysColor(int index) { return 0x101010 * (index % 16) + index; }

TEST(StoredSkinGolden, ModelMatchesTheCommittedDump) {
    const auto item = skins::OpusInternalSkin();
    TsStoredSkins stored;
    auto& s = stored.Add();
    s.Name = std::string(item.Name);
    s.PackedData.assign(item.Data.begin(), item.Data.end());
    testsupport::NoSkinFiles fs;
    const SkinResolution where = ResolveSkinName("Opus (internal)", "c:\\Skins", stored, fs, false);
    ASSERT_EQ(where.Kind, SkinKind::Stored);
    LoadSettings settings;
    settings.SysColor = FixedSysColor;
    settings.SystemFrameWidth = 4;
    settings.Files = &fs;
    const auto skin = LoadResolvedSkin(where, stored, std::nullopt, settings);
    EXPECT_EQ(SkinVersionText(skin->Common.Version), "10.25");
    // What the internal skin is known to lack, and what every load adds.
    EXPECT_EQ(skin->ConstData.Sections[ssComboNoEdit], -1);
    EXPECT_GE(skin->Model->GetSkinIndex("TRANSPARENT"), 0);
    EXPECT_GE(skin->Model->GetSkinIndex("MAINCOLOR"), 0);

    const std::string actual = skintest::DumpLoadedSkin(*skin);
    const std::string goldenPath = QUILLON_GOLDEN_DUMP;
    if (const char* update = std::getenv("QUILLON_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        std::ofstream(goldenPath, std::ios::binary) << actual;
    }
    std::ifstream in(goldenPath, std::ios::binary);
    ASSERT_TRUE(in) << "no committed dump at " << goldenPath;
    std::stringstream golden;
    golden << in.rdbuf();
    if (golden.str() != actual) {
        std::ofstream(goldenPath + ".actual", std::ios::binary) << actual;
        FAIL() << "the model differs from " << goldenPath << "; compare with " << goldenPath
               << ".actual (diff -u), and commit it with QUILLON_UPDATE_GOLDEN=1 when the change is meant";
    }
}

}  // namespace
}  // namespace skin
