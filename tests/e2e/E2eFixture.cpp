#include "E2eFixture.h"

#include <algorithm>
#include <cctype>
#include <iostream>

using namespace std::chrono_literals;

namespace {

bool contains(std::string haystack, std::string needle) {
  auto lower = [](std::string &s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  };
  lower(haystack);
  lower(needle);
  return haystack.find(needle) != std::string::npos;
}

}  // namespace

std::string join(const std::vector<std::string> &v, const std::string &sep) {
  std::string out;
  for (const auto &s : v) out += (out.empty() ? "" : sep) + s;
  return out;
}

void QuillonTest::SetUp() {
  ASSERT_TRUE(session_.hasDisplay()) << "the rig session is not running for " << session_.build();
  ASSERT_TRUE(std::filesystem::exists(session_.quillonExe())) << "not built: " << session_.quillonExe();
  driver_ = std::make_unique<rig::Driver>(session_);
  setPorts({});
}

void QuillonTest::TearDown() {
  if (quillon_) {
    if (quillon_->process().running() && !window_.empty()) {
      if (!boxHwnd_.empty()) driver_->tryCall("dismiss " + boxHwnd_);
      driver_->tryCall("close " + window_);
      quillon_->process().waitExit(3s);
    }
    quillon_.reset();
  }
  if (driver_) {
    // Leave an empty device list behind, as a machine without ports has.
    driver_->tryCall("serialcomm clear");
    driver_.reset();
  }
}

void QuillonTest::setPorts(const std::vector<std::string> &coms) {
  std::vector<std::pair<std::string, std::string>> values;
  for (size_t i = 0; i < coms.size(); ++i) values.emplace_back("Rig" + std::to_string(i), coms[i]);
  driver_->setSerialComm(values);
}

void QuillonTest::startQuillon() {
  launchQuillon();
  findQuillonWindow();
}

void QuillonTest::launchQuillon() {
  const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
  auto log = session_.build() / "rig" / "logs" / (std::string(test->test_suite_name()) + "." + test->name() + ".log");
  std::filesystem::create_directories(log.parent_path());
  quillon_ = std::make_unique<rig::Program>(session_, session_.quillonExe(), std::vector<std::string>{}, log);
}

void QuillonTest::findQuillonWindow() {
  window_ = driver_->mainWindow("Quillon", 30s);
  controls_ = rig::parseChildren(driver_->call("children " + window_));
  for (const auto &c : controls_) {
    if (comboHwnd_.empty() && contains(c.cls, "combobox")) comboHwnd_ = c.hwnd;
    else if (checkHwnd_.empty() && c.text == "Check") checkHwnd_ = c.hwnd;
    else if (memoHwnd_.empty() && (contains(c.cls, "edit") || contains(c.cls, "memo"))) memoHwnd_ = c.hwnd;
  }
  std::string listing;
  for (const auto &c : controls_) listing += "\n  " + c.cls + " '" + c.text + "' " + std::to_string(c.x) + "," + std::to_string(c.y);
  ASSERT_FALSE(comboHwnd_.empty()) << "no port list among" << listing;
  ASSERT_FALSE(checkHwnd_.empty()) << "no Check button among" << listing;
  ASSERT_FALSE(memoHwnd_.empty()) << "no memo among" << listing;
}

QuillonTest::Combo QuillonTest::combo() {
  auto f = driver_->call("combo " + comboHwnd_);
  Combo c;
  c.selection = std::stoi(f.at(0));
  c.text = rig::unescape(f.at(1));
  for (size_t i = 2; i < f.size(); ++i) c.items.push_back(rig::unescape(f[i]));
  return c;
}

bool QuillonTest::checkEnabled() {
  for (const auto &c : rig::parseChildren(driver_->call("children " + window_)))
    if (c.hwnd == checkHwnd_) return c.enabled;
  throw rig::Error("the Check button is gone");
}

std::string QuillonTest::memoText() { return rig::unescape(driver_->call("text " + memoHwnd_).at(0)); }

std::vector<std::string> QuillonTest::memoLines() {
  std::string text = memoText();
  // As a list of lines reads it: a final CR LF ends the last line, it does not
  // start another.
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t at = text.find("\r\n", start);
    lines.push_back(text.substr(start, at - start));
    if (at == std::string::npos) break;
    start = at + 2;
  }
  return lines;
}

void QuillonTest::pick(int index) { driver_->call("select " + comboHwnd_ + " " + std::to_string(index)); }

void QuillonTest::clickCheck() { driver_->call("click " + checkHwnd_); }

std::optional<std::pair<std::string, std::string>> QuillonTest::messageBox(rig::Millis timeout) {
  auto f = driver_->tryCall("msgbox " + std::to_string(timeout.count()), timeout + 10s);
  if (!f) return std::nullopt;
  boxHwnd_ = f->at(0);
  return std::make_pair(rig::unescape(f->at(1)), rig::unescape(f->at(2)));
}

void QuillonTest::dismissMessageBox() {
  driver_->call("dismiss " + boxHwnd_);
  std::string box = boxHwnd_;
  boxHwnd_.clear();
  rig::eventually(5s, [&] { return driver_->call("alive " + box).at(0) == "0"; });
}
