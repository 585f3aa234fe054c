// Quillon with a damaged "Opus (internal).asz" in its skin directory, as a user may
// leave one there: the start-up load fails while the main window is being created,
// every error box carries the program's title, and the program then starts and works
// without the skin.
// And with hostile skins there, made from our stored skin with numbers no real skin
// has: the window comes up within seconds, at most one error box, it works, and it
// closes with status 0.
#include "E2eFixture.h"
#include "skin/Bitmap32.h"
#include "skin/SkinArchive.h"

#include <climits>
#include <fstream>
#include <iostream>
#include <iterator>

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

// Our stored skin's archive with its options changed and members added.
class HostileSkinTest : public DamagedSkinTest {
protected:
  struct Change {
    std::string Section, Key, Value;
  };

  static std::vector<skin::ArchiveMember> StoredMembers(std::string& options) {
    std::ifstream in(QUILLON_OPUS_ASZ, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    skin::TacSkinConvertor reader;
    reader.SetPackedData(std::move(bytes));
    if (!reader.ReadArchive() || !reader.Options) throw std::runtime_error("cannot read " QUILLON_OPUS_ASZ);
    const auto o = reader.Options->Bytes();
    options.assign(reinterpret_cast<const char*>(o.data()), o.size());
    std::vector<skin::ArchiveMember> members;
    for (const auto& f : reader.Files) {
      const auto b = f.Stream->Bytes();
      members.push_back({f.Name, std::vector<std::uint8_t>(b.begin(), b.end())});
    }
    return members;
  }

  // Each change goes first into its section (a key's first value counts).
  static std::string Changed(const std::string& options, const std::vector<Change>& changes) {
    std::string out;
    size_t pos = 0;
    std::vector<bool> done(changes.size());
    while (pos < options.size()) {
      size_t end = options.find('\n', pos);
      if (end == std::string::npos) end = options.size();
      std::string line = options.substr(pos, end - pos + 1);
      pos = end + 1;
      out += line;
      if (line.size() > 2 && line[0] == '[') {
        const std::string name = line.substr(1, line.find(']') - 1);
        for (size_t i = 0; i < changes.size(); ++i)
          if (changes[i].Section == name) {
            out += changes[i].Key + "=" + changes[i].Value + "\r\n";
            done[i] = true;
          }
      }
    }
    for (size_t i = 0; i < changes.size(); ++i)
      if (!done[i]) out += "\r\n[" + changes[i].Section + "]\r\n" + changes[i].Key + "=" + changes[i].Value + "\r\n";
    return out;
  }

  void placeHostileSkin(const std::vector<Change>& changes, std::vector<skin::ArchiveMember> extra = {}) {
    std::string options;
    auto members = StoredMembers(options);
    const std::string text = Changed(options, changes);
    members.insert(members.begin(), {"OPTIONS.DAT", std::vector<std::uint8_t>(text.begin(), text.end())});
    for (auto& m : extra) members.push_back(std::move(m));
    const auto archive = skin::WriteSkinArchive(members);
    placeArchive(std::string(archive.begin(), archive.end()));
  }

  // Starts Quillon: the window within seconds, at most one box, a working
  // window, closed with status 0.
  void expectShownWorkingAndClosed(const std::string& name) {
    port_ = std::make_unique<rig::Port>(session_, "COM3", rig::AdapterOptions{});
    setPorts({"COM3"});
    const auto start = std::chrono::steady_clock::now();
    launchQuillon();
    int boxes = 0;
    std::string texts;
    // Boxes before the window (a load that fails) and after it (a paint that fails).
    while (auto box = messageBox(boxes == 0 ? 500ms : 1s)) {
      ++boxes;
      texts += " [" + box->second + "]";
      dismissMessageBox();
      if (boxes > 3) break;
    }
    findQuillonWindow();
    const auto shown = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    while (auto box = messageBox(1500ms)) {
      ++boxes;
      texts += " [" + box->second + "]";
      dismissMessageBox();
      if (boxes > 3) break;
    }
    std::cout << name << ": window after " << shown.count() << " ms (a 500 ms look for a box first), " << boxes
              << " boxes" << texts << "\n";
    EXPECT_LE(boxes, 1) << texts;
    EXPECT_LT(shown, 15s);
    rig::screenshot(session_, session_.build() / ("hostile-" + name + ".png"));
    expectWorkingWindow();
    // The system menu opens skinned (its frame and region from the skin) and closes.
    const auto r = driver_->call("rect " + window_);
    const int x = std::stoi(r.at(0)) + 20, y = std::stoi(r.at(1)) + 40;
    const auto asked = std::chrono::steady_clock::now();
    driver_->call("post " + window_ + " 787 0 " + std::to_string(y << 16 | x));  // WM_POPUPSYSTEMMENU
    EXPECT_TRUE(rig::eventually(5s, [&] { return driver_->call("findvisible #32768").at(0) != "0"; })) << "no menu";
    const auto opened = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked);
    std::cout << name << ": system menu after " << opened.count() << " ms\n";
    rig::screenshot(session_, session_.build() / ("hostile-" + name + "-menu.png"));
    driver_->call("key 27");
    EXPECT_TRUE(rig::eventually(5s, [&] { return driver_->call("findvisible #32768").at(0) == "0"; })) << "menu stays";
    EXPECT_FALSE(messageBox(300ms)) << "a box after the menu";
    driver_->call("close " + window_);
    ASSERT_TRUE(quillonProcess().waitExit(10s)) << "still running 10 s after closing";
    EXPECT_EQ(quillonProcess().exitCode(), 0);
  }
};

TEST_F(HostileSkinTest, ComboMarginFarOutsideTheControl) {
  placeHostileSkin({{"GLOBALINFO", "COMBOMARGIN", "-3000"}});
  expectShownWorkingAndClosed("combomargin");
}

TEST_F(HostileSkinTest, TitleButtonMarginsOfABillionPixels) {
  placeHostileSkin({{"GLOBALINFO", "BIRIGHT", "1000000000"}, {"GLOBALINFO", "BISPACE", "1000000000"}});
  expectShownWorkingAndClosed("bimargins");
}

TEST_F(HostileSkinTest, GlowSizesOfThousandsAndBeyondEverywhere) {
  std::vector<Change> changes;
  for (const char* section : {"FORMTITLE", "BUTTON", "PANEL", "EDIT", "COMBOBOX", "MENUITEM"}) {
    changes.push_back({section, "GSIZE", "100000"});
    changes.push_back({section, "HGSIZE", "6000"});
    changes.push_back({section, "GSIZE2", std::to_string(INT_MAX)});
  }
  placeHostileSkin(changes);
  expectShownWorkingAndClosed("glow");
}

TEST_F(HostileSkinTest, BorderImagesWhoseCornersAreAKeyColourCheckerboard) {
  // 2048 x 2048, two state cells of 1024 with 512-pixel corners: a region
  // rectangle for every other pixel of them.
  skin::Bitmap32 checker(2048, 2048, 0xFF808080u);
  for (int y = 0; y < checker.Height; ++y)
    for (int x = (y & 1); x < checker.Width; x += 2) checker.At(x, y) = skin::KeyColorPixel;
  const std::string ref = "!CHECKER.BMP!2!0!0!512!512!512!512!0";
  placeHostileSkin({{"FORM", "BORDERSMASK", ref}, {"FORMTITLE", "BORDERSMASK", ref}, {"MAINMENU", "BORDERSMASK", ref}},
                   {{"CHECKER.BMP", skin::EncodeBmp32(checker)}});
  expectShownWorkingAndClosed("checker");
}

TEST_F(HostileSkinTest, TitleGlyphsWiderThanTheWindow) {
  // Title buttons 8192 pixels wide, a state cell of 4096 for the close button.
  skin::Bitmap32 wide(8192, 64, 0xFF4080C0u);
  placeHostileSkin({{"GLOBALINFO", "BICONCLOSE", "!WIDE.BMP!2!0!2"}, {"GLOBALINFO", "BICONMIN", "!WIDE.BMP!1!0!2"},
                    {"GLOBALINFO", "BICLOSEALONE", "!WIDE.BMP!1!0!2"}},
                   {{"WIDE.BMP", skin::EncodeBmp32(wide)}});
  expectShownWorkingAndClosed("wideglyphs");
}

TEST_F(HostileSkinTest, EveryNumberOfTheSkinAtTheEndsOfTheIntRange) {
  // Each integer value of the stored skin at INT_MAX, then each at INT_MIN,
  // and the skin-wide margins it leaves out at INT_MIN.
  std::string options;
  StoredMembers(options);
  for (const std::string& extreme : {std::to_string(INT_MAX), std::to_string(INT_MIN)}) {
    std::vector<Change> changes;
    std::string section;
    size_t pos = 0;
    while (pos < options.size()) {
      size_t end = options.find('\n', pos);
      if (end == std::string::npos) end = options.size();
      std::string line = options.substr(pos, end - pos);
      pos = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > 2 && line[0] == '[') {
        section = line.substr(1, line.find(']') - 1);
        continue;
      }
      const size_t eq = line.find('=');
      if (eq == std::string::npos || eq + 1 >= line.size()) continue;
      const std::string value = line.substr(eq + 1);
      if (value.find_first_not_of("-0123456789") == std::string::npos) changes.push_back({section, line.substr(0, eq), extreme});
    }
    for (const char* key : {"BIRIGHT", "BILEFT", "BITOP", "BISPACE", "COMBOMARGIN", "FORMOFFSET", "TITLEHEIGHT"})
      changes.push_back({"GLOBALINFO", key, extreme});
    placeHostileSkin(changes);
    expectShownWorkingAndClosed(extreme == std::to_string(INT_MAX) ? "intmax" : "intmin");
    if (HasFatalFailure()) return;
    quillon_.reset();
    port_.reset();
    window_.clear(), comboHwnd_.clear(), checkHwnd_.clear(), memoHwnd_.clear();
  }
}
