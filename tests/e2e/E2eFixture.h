// The fixture of the end-to-end tests: the session, the driver, Quillon.exe and
// the ports a test makes. Quillon is started by startQuillon() after the test has
// set up ports and the serial device list, and is closed (or ended) afterwards.
#pragma once

#include "rig.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class QuillonTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Starts Quillon and finds its window and controls.
  void startQuillon();
  // The two halves of startQuillon, for tests that meet boxes shown before the window.
  void launchQuillon();
  void findQuillonWindow();
  // Replaces the serial device list with these COM names (values named Rig0, Rig1, ...).
  void setPorts(const std::vector<std::string> &coms);

  struct Combo {
    int selection = -1;
    std::string text;
    std::vector<std::string> items;
  };
  Combo combo();
  bool checkEnabled();
  std::string memoText();
  // Lines of the memo, split at CR LF (a final CR LF adds no empty line).
  std::vector<std::string> memoLines();
  // Selects item index in the port list as a user would.
  void pick(int index);
  // Presses Check with a real mouse click.
  void clickCheck();
  // Waits up to timeout for a message box: {caption, text}, hwnd in boxHwnd.
  std::optional<std::pair<std::string, std::string>> messageBox(rig::Millis timeout);
  void dismissMessageBox();
  bool quillonRunning() { return quillon_ && quillon_->process().running(); }
  rig::Process &quillonProcess() { return quillon_->process(); }

  rig::Session session_ = rig::Session::fromEnvironment();
  std::unique_ptr<rig::Driver> driver_;
  std::unique_ptr<rig::Program> quillon_;
  std::string window_, comboHwnd_, checkHwnd_, memoHwnd_, boxHwnd_;
  std::vector<rig::Control> controls_;
};

std::string join(const std::vector<std::string> &v, const std::string &sep = ",");
