// The skin data of a control goes while the application terminates (its own
// program: the application cannot stop terminating again).
#include "SkinScene.h"

#include <gtest/gtest.h>

namespace {

using namespace skin;
using namespace skinctrl;

TEST(SkinDataShutdown, TheWindowPropertyGoesWithTheSkinDataWhileTheApplicationTerminates) {
  fw::Application().Initialize();
  skintest::SkinScene s;
  const HWND wnd = s.ControlWnd();
  ASSERT_NE(::GetPropW(wnd, SkinDataProperty), nullptr);

  fw::Application().Terminate();
  s.control->SkinData.reset();
  EXPECT_EQ(::GetPropW(wnd, SkinDataProperty), nullptr);
  // Commands now reach the window by SendMessage, not the freed object.
  EXPECT_EQ(SendSkinCommand(wnd, SKC_ISSKINNED), 0);
}

}  // namespace
