// Quillon with a damaged "Opus (internal).asz" in its skin directory, as a user may
// leave one there: the start-up load fails while the main window is being created,
// every error box carries the program's title, and the program then starts and works
// without the skin.
#include "E2eFixture.h"

#include <fstream>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::string u32(std::uint32_t v) {
  return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

}  // namespace

class DamagedSkinTest : public QuillonTest {
protected:
  void TearDown() override {
    QuillonTest::TearDown();
    std::error_code ec;
    fs::remove(archive_, ec);
    if (madeDir_) fs::remove(archive_.parent_path(), ec);
  }

  // Puts the archive where the skin manager's "c:\Skins" leads in the session's prefix.
  void placeArchive(const std::string &bytes) {
    const fs::path dir = session_.prefix() / "drive_c" / "Skins";
    madeDir_ = fs::create_directories(dir);
    archive_ = dir / "Opus (internal).asz";
    std::ofstream(archive_, std::ios::binary) << bytes;
  }

  // Starts Quillon and takes the boxes of the failed load: {caption, text} each.
  std::vector<std::pair<std::string, std::string>> startThroughBoxes(size_t count) {
    port_ = std::make_unique<rig::Port>(session_, "COM3", rig::AdapterOptions{});
    setPorts({"COM3"});
    launchQuillon();
    std::vector<std::pair<std::string, std::string>> boxes;
    for (size_t i = 0; i < count; ++i) {
      auto box = messageBox(i == 0 ? 30s : 5s);
      if (!box) break;
      boxes.push_back(*box);
      dismissMessageBox();
    }
    return boxes;
  }

  // The window appears after the boxes, lists the port and checks it.
  void expectWorkingWindow() {
    findQuillonWindow();
    ASSERT_TRUE(rig::eventually(3s, [&] { return combo().text == "COM3"; })) << join(combo().items);
    clickCheck();
    EXPECT_TRUE(rig::eventually(3s, [&] {
      return memoLines() == std::vector<std::string>{"Connect to COM3 port is OK.", "Device found: QUILLON SIM 1.0"};
    })) << memoText();
    EXPECT_FALSE(messageBox(200ms)) << "unexpected message box";
  }

  fs::path archive_;
  bool madeDir_ = false;
  std::unique_ptr<rig::Port> port_;
};

TEST_F(DamagedSkinTest, NotAnArchiveShowsBothBoxesUnderTheProgramTitle) {
  placeArchive("this is not a skin archive at all");
  const auto boxes = startThroughBoxes(2);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].first, "Quillon");
  EXPECT_EQ(boxes[0].second, "Loaded data is not a packed skin file");
  EXPECT_EQ(boxes[1].first, "Quillon");
  EXPECT_EQ(boxes[1].second,
            "Internal format error in the \"Opus (internal)\" skin. Please, update this skin to latest version.");
  expectWorkingWindow();
}

TEST_F(DamagedSkinTest, DamagedMemberShowsTheInflaterErrorUnderTheProgramTitle) {
  // One member whose zlib stream has a valid header and then an invalid block type.
  placeArchive("ASzf" + u32(1) + u32(11) + "OPTIONS.DAT" + u32(100) + std::string("\x78\x9c\xff\xff\xff\xff\xff\xff", 8));
  const auto boxes = startThroughBoxes(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].first, "Quillon");
  EXPECT_EQ(boxes[0].second, "data error");
  expectWorkingWindow();
}
