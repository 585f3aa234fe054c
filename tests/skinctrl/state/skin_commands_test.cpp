// Skin commands under Wine, through a form with a skinned panel and a skinned
// control: every command a control answers gives the same answer and leaves the
// same state whether it arrives directly through the window's "ACSDATA" link or by
// SendMessage; commands carrying an address are refused from anywhere but this
// thread's own delivery.
#include "SkinScene.h"
#include "skin/SkinBroadcast.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/state/PaintGuard.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <atomic>
#include <thread>

namespace {

using namespace skin;
using namespace skinctrl;

using skintest::SkinScene;

struct Payload {
  std::string section;
  TacSectionBehindQuery query;
  TBackgroundRequest request;
  std::int32_t state[4] = {-7, -7, -7, -7};
  RECT bounds{-1, -1, -1, -1};
  skin::Bitmap32 canvas{120, 90, 0xFF336699u};  // what an outer effect is painted into
};

struct CommandCase {
  const char* name;
  std::uint16_t command;
  std::uint16_t sub = 0;
  std::function<LPARAM(SkinScene&, Payload&)> lParam = nullptr;  // none: 0
  std::function<void(SkinScene&)> prepare = nullptr;
};

LPARAM Manager(SkinScene& s, Payload&) { return reinterpret_cast<LPARAM>(s.manager); }

const HDC somePrintDc = reinterpret_cast<HDC>(static_cast<INT_PTR>(0x1234));

std::vector<CommandCase> Commands() {
  return {
      {"SKINCHANGED", SKC_SKINCHANGED, 0, Manager},
      {"SKINCHANGED other manager", SKC_SKINCHANGED, 0, [](SkinScene&, Payload&) { return LPARAM{8}; }},
      {"SKINREMOVED", SKC_SKINREMOVED, 0, Manager},
      {"REFRESH", SKC_REFRESH, 0, Manager},
      {"STOPUPDATING", SKC_STOPUPDATING, 0, {}, [](SkinScene& s) { s.Data().FUpdating = true; }},
      {"ISSKINNED", SKC_ISSKINNED},
      {"SETUPDATING 1", SKC_SETUPDATING, 1},
      {"SETUPDATING 0", SKC_SETUPDATING, 0, {}, [](SkinScene& s) { s.Data().FUpdating = true; }},
      {"GETSKININDEX", SKC_GETSKININDEX},
      {"GETUPDATING", SKC_GETUPDATING},
      {"GETUPDATING empty cache", SKC_GETUPDATING, 0, {}, [](SkinScene& s) { ClearCache(s.Data()); }},
      {"GETUPDATING parent updating",
       SKC_GETUPDATING,
       0,
       {},
       [](SkinScene& s) { s.panel->SkinData->FUpdating = true; }},
      {"GETHALFVISIBLE", SKC_GETHALFVISIBLE, 0, {}, [](SkinScene& s) { s.Data().HalfVisible = true; }},
      {"SECTIONUPDATED", SKC_SECTIONUPDATED, 0,
       [](SkinScene&, Payload& p) {
         p.section = "BUTTON";
         return reinterpret_cast<LPARAM>(&p.section);
       }},
      {"SETSECTION", SKC_SETSECTION, 0,
       [](SkinScene&, Payload& p) {
         p.section = "edit";
         return reinterpret_cast<LPARAM>(&p.section);
       }},
      {"SETSECTION without a name", SKC_SETSECTION},
      {"STOPANIMATION", SKC_STOPANIMATION},
      {"BGCHANGED", SKC_BGCHANGED, 0, {}, [](SkinScene& s) { s.Data().BGChanged = false; }},
      {"INVALIDATE", SKC_INVALIDATE, 0, {}, [](SkinScene& s) { s.Data().BGChanged = false; }},
      {"REPAINTONMOVE", SKC_REPAINTONMOVE},
      {"PARENTMOVED", SKC_PARENTMOVED, 1, {}, [](SkinScene& s) { s.Data().BGChanged = false; }},
      {"GETBGCOLOR", SKC_GETBGCOLOR},
      {"SETHALFVISIBLE", SKC_SETHALFVISIBLE},
      {"PREPARECACHE", SKC_PREPARECACHE, 0, {}, [](SkinScene& s) { s.Data().BGChanged = true; }},
      {"GETSKINSTATE", SKC_GETSKINSTATE, 0, [](SkinScene&, Payload& p) { return reinterpret_cast<LPARAM>(p.state); }},
      {"CLEARCACHE", SKC_CLEARCACHE},
      {"GETBACKGROUND", SKC_GETBACKGROUND, 0,
       [](SkinScene&, Payload& p) { return reinterpret_cast<LPARAM>(&p.request); }},
      {"GETBACKGROUND hovered", SKC_GETBACKGROUND, 0,
       [](SkinScene&, Payload& p) { return reinterpret_cast<LPARAM>(&p.request); },
       [](SkinScene& s) { s.Data().FMouseAbove = true; }},
      {"GETBACKGROUND plain colour", SKC_GETBACKGROUND, 0,
       [](SkinScene&, Payload& p) { return reinterpret_cast<LPARAM>(&p.request); },
       [](SkinScene& s) { s.manager->SetAllowOuterEffects(false); }},
      {"GETBACKGROUND see-through", SKC_GETBACKGROUND, 0,
       [](SkinScene&, Payload& p) { return reinterpret_cast<LPARAM>(&p.request); },
       [](SkinScene& s) {
         s.Data().SetSkinSection("TRANSPARENT");
         s.Data().FCacheBmp.reset();
       }},
      {"FONTCHANGED", SKC_FONTCHANGED, 0, Manager, [](SkinScene& s) { s.Data().BGChanged = false; }},
      {"GETSKINDATA", SKC_GETSKINDATA},
      {"SETPRINTDC", SKC_SETPRINTDC, 0, [](SkinScene&, Payload&) { return reinterpret_cast<LPARAM>(somePrintDc); }},
      {"SETPRINTDC none", SKC_SETPRINTDC, 0, {}, [](SkinScene& s) { s.Data().CtrlSkinState |= ACS_PRINTING; }},
      {"FRAMECHANGED", SKC_FRAMECHANGED},
      {"GETAPPLICATION", SKC_GETAPPLICATION},
      {"QUERYSECTIONBEHIND", SKC_QUERYSECTIONBEHIND, 0,
       [](SkinScene&, Payload& p) {
         p.query.State = 1;
         p.query.Rect = {1, 2, 3, 4};
         return reinterpret_cast<LPARAM>(&p.query);
       }},
      {"QUERYSECTIONBEHIND see-through", SKC_QUERYSECTIONBEHIND, 0,
       [](SkinScene&, Payload& p) {
         p.query.Rect = {1, 2, 3, 4};
         return reinterpret_cast<LPARAM>(&p.query);
       },
       [](SkinScene& s) { s.Data().SetSkinSection("TRANSPARENT"); }},
      {"SETSCALE", SKC_SETSCALE, 0, [](SkinScene&, Payload&) { return LPARAM{150}; }},
      {"GETSCALE", SKC_GETSCALE, 0, {}, [](SkinScene& s) { s.Data().ScalePercent = 125; }},
      {"GETBOUNDS", SKC_GETBOUNDS, 0, [](SkinScene&, Payload& p) { return reinterpret_cast<LPARAM>(&p.bounds); }},
      {"PAINTOUTER", SKC_PAINTOUTER, 0,
       [](SkinScene&, Payload& p) {
         p.request.Bmp = LinesOf(p.canvas);
         p.request.X = 4;
         p.request.Y = 6;
         p.request.BgType = btBitmap;
         return reinterpret_cast<LPARAM>(&p.request);
       },
       [](SkinScene& s) { s.Data().OuterEffects().SetVisibility(ovAlways); }},
  };
}

std::string Rect(const RECT& r) {
  std::ostringstream s;
  s << '(' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << ')';
  return s.str();
}

// Which of the scene's caches a background answer names.
std::string BitmapName(SkinScene& s, const ScanLines& bmp) {
  if (bmp.Empty()) return "none";
  if (s.Data().FCacheBmp && bmp.SameBitmap(LinesOf(*s.Data().FCacheBmp))) return "cache";
  if (bmp.Width == 120 && bmp.Height == 90) return "canvas";
  if (bmp.SameBitmap(LinesOf(*s.panel->SkinData->FCacheBmp))) return "panel cache";
  return "other";
}

// Everything a command may answer or change, as text (addresses of the scene's own
// objects by name, since each delivery runs in a scene of its own).
std::string Outcome(SkinScene& s, const Payload& p, LRESULT result) {
  TsCommonData& d = s.Data();
  std::ostringstream o;
  if (result == reinterpret_cast<LRESULT>(&d)) {
    o << "result=<skin data>";
  } else if (result == reinterpret_cast<LRESULT>(&fw::Application())) {
    o << "result=<application>";
  } else {
    o << "result=" << result;
  }
  o << " bgChanged=" << d.BGChanged << " updating=" << d.FUpdating << " halfVisible=" << d.HalfVisible
    << " skinIndex=" << d.SkinIndex << " borderIndex=" << d.BorderIndex << " section=" << d.FSkinSection
    << " scale=" << d.ScalePercent << " printDC=" << d.PrintDC << " state=" << std::hex << d.CtrlSkinState << std::dec
    << " cache=" << (d.FCacheBmp ? d.FCacheBmp->Width : -1) << 'x' << (d.FCacheBmp ? d.FCacheBmp->Height : -1)
    << " panelScale=" << s.panel->SkinData->ScalePercent << " query=" << p.query.SkinIndex << Rect(p.query.Rect)
    << " request=" << int(p.request.BgType) << '/' << p.request.Color << '/' << p.request.X << ',' << p.request.Y << '/'
    << p.request.FillRect.Left << ',' << p.request.FillRect.Top << ',' << p.request.FillRect.Right << ','
    << p.request.FillRect.Bottom << '/' << BitmapName(s, p.request.Bmp) << " skinState=" << p.state[0] << ','
    << p.state[1] << ',' << p.state[2] << " bounds=" << Rect(p.bounds) << " outer=" << Rect(d.FOuterRect)
    << " canvas=" << std::hash<std::string_view>{}(std::string_view(
                          reinterpret_cast<const char*>(p.canvas.Pixels.data()), p.canvas.Pixels.size() * 4))
    << " ownCommands=";
  for (std::uint16_t c : s.control->OwnCommands) o << c << ';';
  return o.str();
}

enum class Route { Direct, SendMessage };

std::string Deliver(const CommandCase& c, Route route) {
  SkinScene scene;
  if (c.prepare) c.prepare(scene);
  Payload payload;
  const LPARAM lParam = c.lParam ? c.lParam(scene, payload) : 0;
  scene.control->OwnCommands.clear();
  const HWND wnd = scene.ControlWnd();
  const WPARAM wParam = MakeSkinWParam(c.command, c.sub);
  LRESULT result;
  {
    SkinCommandDelivery delivery;
    if (route == Route::Direct) {
      auto* link = static_cast<TacSkinDataLink*>(::GetPropW(wnd, SkinDataProperty));
      EXPECT_TRUE(link && link->WndProc && link->Self == &scene.Data());
      result = link->WndProc(link->Self, WM_SKINCMD, wParam, lParam);
    } else {
      result = ::SendMessageW(wnd, WM_SKINCMD, wParam, lParam);
    }
  }
  return Outcome(scene, payload, result);
}

class SkinStateTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { fw::Application().Initialize(); }
};

TEST_F(SkinStateTest, EveryCommandIsAnsweredAlikeDirectlyAndBySendMessage) {
  for (const CommandCase& c : Commands()) {
    const std::string direct = Deliver(c, Route::Direct);
    const std::string sent = Deliver(c, Route::SendMessage);
    EXPECT_EQ(direct, sent) << c.name;
  }
}

// What the answers are (the same by either route, as above).
TEST_F(SkinStateTest, CommandAnswers) {
  SkinScene s;
  TsCommonData& d = s.Data();
  const HWND wnd = s.ControlWnd();
  const int button = s.manager->GetSkinIndex("BUTTON");
  ASSERT_GE(button, 0);
  EXPECT_EQ(d.SkinIndex, button);
  EXPECT_TRUE(d.Skinned(true));
  EXPECT_EQ(SendSkinCommand(wnd, SKC_ISSKINNED), 1);
  EXPECT_EQ(SendSkinCommand(wnd, SKC_GETSKININDEX), button + 1);
  EXPECT_EQ(SendSkinCommand(wnd, SKC_REPAINTONMOVE), 1);
  EXPECT_EQ(SendSkinCommand(wnd, SKC_GETSCALE), 100);
  EXPECT_EQ(SendSkinCommand(wnd, SKC_GETSKINDATA), reinterpret_cast<LRESULT>(&d));
  EXPECT_EQ(SendSkinCommand(wnd, SKC_GETBGCOLOR), s.manager->gd()[static_cast<std::size_t>(button)].Props[0].Color);

  std::int32_t state[2] = {0, -5};
  SendSkinCommand(wnd, SKC_GETSKINSTATE, reinterpret_cast<LPARAM>(state));
  EXPECT_EQ(state[1], button);

  RECT bounds{};
  SendSkinCommand(wnd, SKC_GETBOUNDS, reinterpret_cast<LPARAM>(&bounds));
  EXPECT_EQ(Rect(bounds), "(20,30,95,55)");

  // The button section is solid: it answers for itself.
  TacSectionBehindQuery query{0, -1, {1, 1, 2, 2}};
  EXPECT_EQ(SendSkinCommand(wnd, SKC_QUERYSECTIONBEHIND, reinterpret_cast<LPARAM>(&query)), 1);
  EXPECT_EQ(query.SkinIndex, button);
  // A see-through section passes the question on to the panel, moved by its position.
  d.SetSkinSection("TRANSPARENT");
  ASSERT_GE(d.SkinIndex, 0);
  query = {0, -1, {1, 1, 2, 2}};
  EXPECT_EQ(SendSkinCommand(wnd, SKC_QUERYSECTIONBEHIND, reinterpret_cast<LPARAM>(&query)), 1);
  EXPECT_EQ(query.SkinIndex, s.manager->GetSkinIndex("PANEL"));
  EXPECT_EQ(Rect(query.Rect), "(21,31,22,32)");

  std::string section = "edit";
  EXPECT_EQ(SendSkinCommand(wnd, SKC_SETSECTION, reinterpret_cast<LPARAM>(&section)), 1);
  EXPECT_EQ(d.SkinSection(), "EDIT");
  EXPECT_EQ(d.SkinIndex, s.manager->GetSkinIndex("EDIT"));
  EXPECT_EQ(SendSkinCommand(wnd, SKC_SETSECTION), 0);

  SendSkinCommand(wnd, SKC_SETSCALE, 150);
  EXPECT_EQ(d.ScalePercent, 150);
}

// --- Background requests ---

TBackgroundRequest AskBackground(HWND wnd, TBackgroundRequest request = {}) {
  SendSkinCommand(wnd, SKC_GETBACKGROUND, reinterpret_cast<LPARAM>(&request));
  return request;
}

TEST_F(SkinStateTest, PlainSectionsAnswerWithTheirStateColourAndBorderStrips) {
  SkinScene s;
  s.manager->SetAllowOuterEffects(false);  // else children may paint outer effects into the cache
  s.panel->SkinData->SetSkinSection("BUTTON");
  const int index = s.manager->GetSkinIndex("BUTTON");
  ASSERT_GE(index, 0);
  const TsGeneralData& button = s.manager->gd()[static_cast<std::size_t>(index)];
  ASSERT_NE(button.Props[0].Color, button.Props[1].Color);
  ASSERT_TRUE(s.manager->Model().IsValidImgIndex(button.BorderIndex));
  const TsMaskData& border = s.manager->Model().ma[static_cast<std::size_t>(button.BorderIndex)];
  ASSERT_EQ(border.DrawMode & 2, 0);  // drawn in the normal state

  s.Data().FFocused = false;
  s.panel->SkinData->FFocused = false;
  s.Data().FMouseAbove = true;
  s.panel->SkinData->FMouseAbove = true;
  // The button is hot when hovered; the panel only when focused.
  TBackgroundRequest r = AskBackground(s.ControlWnd());
  EXPECT_EQ(r.BgType, btColor);
  EXPECT_EQ(r.Color, button.Props[1].Color);
  EXPECT_EQ(r.FillRect, (TRect{border.WL, border.WT, border.WR, border.WB}));
  EXPECT_TRUE(r.Bmp.SameBitmap(LinesOf(*s.Data().FCacheBmp)));
  EXPECT_EQ(AskBackground(s.panel->Handle()).Color, button.Props[0].Color);
  s.panel->SkinData->FFocused = true;
  EXPECT_EQ(AskBackground(s.panel->Handle()).Color, button.Props[1].Color);

  // A custom colour is the answer whatever the section.
  s.control->SetColor(0x123456);
  s.Data().SetCustomColor(true);
  r = AskBackground(s.ControlWnd());
  EXPECT_EQ(r.BgType, btColor);
  EXPECT_EQ(r.Color, 0x123456);
}

TEST_F(SkinStateTest, OpaqueSectionsAnswerWithTheirCacheRebuiltWhenStale) {
  SkinScene s;  // outer effects allowed: the cache is the answer
  TsCommonData& d = s.Data();
  ClearCache(d);
  const int prepared = s.control->Prepared;
  TBackgroundRequest r = AskBackground(s.ControlWnd());
  EXPECT_EQ(s.control->Prepared, prepared + 1);
  EXPECT_EQ(r.BgType, btBitmap);
  EXPECT_TRUE(r.Bmp.SameBitmap(LinesOf(*d.FCacheBmp)));
  EXPECT_EQ(r.Bmp.Width, 75);
  EXPECT_EQ(r.Bmp.Height, 25);
  EXPECT_EQ(r.X, 0);
  EXPECT_EQ(r.Y, 0);
  // A current cache is given as it is.
  AskBackground(s.ControlWnd());
  EXPECT_EQ(s.control->Prepared, prepared + 1);

  // A control without a size has no cache to give yet.
  s.control->SetBounds(20, 30, 0, 0);
  EXPECT_EQ(AskBackground(s.ControlWnd()).BgType, btNotReady);
}

TEST_F(SkinStateTest, SeeThroughContainersPassTheRequestToTheirParent) {
  SkinScene s;
  TsCommonData& d = s.Data();
  d.SetSkinSection("TRANSPARENT");
  d.FCacheBmp.reset();
  const TBackgroundRequest r = AskBackground(s.ControlWnd());
  EXPECT_EQ(r.BgType, btBitmap);
  EXPECT_TRUE(r.Bmp.SameBitmap(LinesOf(*s.panel->SkinData->FCacheBmp)));
  EXPECT_EQ(r.X, 20);  // the control's place on the panel
  EXPECT_EQ(r.Y, 30);
}

TEST_F(SkinStateTest, DrawingRequestsCopyTheCacheAtTheRequestersPlace) {
  SkinScene s;
  TsCommonData& d = s.Data();
  AskBackground(s.ControlWnd());  // builds the cache
  ASSERT_FALSE(d.BGChanged);
  d.FCacheBmp->At(5, 4) = 0xFF0000FFu;  // blue, where the requester's (3, 1) lies
  TDibBitmap target = NewBitmap32(8, 6);
  TBackgroundRequest request;
  request.PleaseDraw = true;
  request.DrawDC = target.DC();
  request.DrawRect = {1, 1, 6, 4};
  request.X = 2;
  request.Y = 3;
  EXPECT_EQ(AskBackground(s.ControlWnd(), request).BgType, btBitmap);
  const ScanLines lines = target.Lines();
  EXPECT_EQ(lines.At(3, 1) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(lines.At(1, 1) & 0xFFFFFF, d.FCacheBmp->At(3, 4) & 0xFFFFFF);
  EXPECT_EQ(lines.At(0, 0), 0u);  // outside DrawRect
  EXPECT_EQ(lines.At(6, 4), 0u);
}

// --- Trust ---

TEST_F(SkinStateTest, AddressCarryingCommandsAreRefusedUnlessThisThreadDeliversThem) {
  SkinScene s;
  const HWND wnd = s.ControlWnd();
  std::string section = "EDIT";
  const LPARAM address = reinterpret_cast<LPARAM>(&section);

  // Sent without a delivery of this thread: refused.
  EXPECT_EQ(::SendMessageW(wnd, WM_SKINCMD, MakeSkinWParam(SKC_SETSECTION), address), 0);
  // Posted: refused when it arrives through the message loop.
  ::PostMessageW(wnd, WM_SKINCMD, MakeSkinWParam(SKC_SETSECTION), address);
  skintest::Pump();
  // Sent from another thread: refused, while a command without an address is taken.
  LRESULT fromThread = -1;
  std::atomic<bool> done{false};
  std::thread other([&] {
    fromThread = ::SendMessageW(wnd, WM_SKINCMD, MakeSkinWParam(SKC_SETSECTION), address);
    ::SendMessageW(wnd, WM_SKINCMD, MakeSkinWParam(SKC_SETHALFVISIBLE), 0);
    done = true;
  });
  const DWORD start = ::GetTickCount();
  while (!done && ::GetTickCount() - start < 5000) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // dispatches the sent messages
  }
  other.join();
  EXPECT_EQ(fromThread, 0);
  EXPECT_TRUE(s.Data().HalfVisible);
  EXPECT_EQ(s.Data().SkinSection(), "");

  // This thread's own delivery is trusted by either route.
  EXPECT_EQ(SendSkinCommand(wnd, SKC_SETSECTION, address), 1);
  EXPECT_EQ(s.Data().SkinSection(), "EDIT");
}

// --- Cost ---

// Under Wine every window property read or written is a round trip to the
// server, and skin commands reach each control at every paint and broadcast.
std::atomic<int> propertyCalls{0};
decltype(&::GetPropW) realGetProp = nullptr;
decltype(&::SetPropW) realSetProp = nullptr;
HANDLE WINAPI CountedGetProp(HWND wnd, LPCWSTR name) {
  ++propertyCalls;
  return realGetProp(wnd, name);
}
BOOL WINAPI CountedSetProp(HWND wnd, LPCWSTR name, HANDLE data) {
  ++propertyCalls;
  return realSetProp(wnd, name, data);
}

TEST_F(SkinStateTest, CommandsBroadcastsAndReloadsTouchNoWindowProperty) {
  SkinScene s;
  testsupport::ImportPatch get("user32.dll", "GetPropW", reinterpret_cast<void*>(&CountedGetProp));
  testsupport::ImportPatch set("user32.dll", "SetPropW", reinterpret_cast<void*>(&CountedSetProp));
  realGetProp = reinterpret_cast<decltype(realGetProp)>(get.Original());
  realSetProp = reinterpret_cast<decltype(realSetProp)>(set.Original());
  propertyCalls = 0;
  s.control->OwnCommands.clear();

  EXPECT_EQ(SendSkinCommand(s.ControlWnd(), SKC_ISSKINNED), 1);
  BroadcastToControls(s.panel->Handle(), SKC_SETHALFVISIBLE, 0);
  EXPECT_TRUE(IsSkinnedWindow(s.ControlWnd()));
  s.panel->SkinData->Loaded(false);
  s.Data().Loaded(false);

  EXPECT_EQ(propertyCalls, 0);
  EXPECT_EQ(std::count(s.control->OwnCommands.begin(), s.control->OwnCommands.end(), SKC_ISSKINNED), 1);
  EXPECT_TRUE(s.Data().HalfVisible) << "the broadcast did not reach the control";
  // The link is in the window's property still, for whoever looks there.
  EXPECT_EQ(realGetProp(s.ControlWnd(), SkinDataProperty), &s.Data().WndProc);
}

// The built-in skin's button has no outer image of its own: shown always, it
// casts the skin's shadow record around its bounds.
TEST_F(SkinStateTest, PaintOuterCastsTheSkinsShadowAroundTheControl) {
  SkinScene s;
  TsCommonData& d = s.Data();
  Bitmap32 canvas(120, 90, 0xFF336699u);
  const std::vector<std::uint32_t> before = canvas.Pixels;
  TBackgroundRequest request;
  request.Bmp = LinesOf(canvas);
  SendSkinCommand(s.ControlWnd(), SKC_PAINTOUTER, reinterpret_cast<LPARAM>(&request));
  EXPECT_EQ(canvas.Pixels, before) << "not shown unless always";

  d.OuterEffects().SetVisibility(ovAlways);
  SendSkinCommand(s.ControlWnd(), SKC_PAINTOUTER, reinterpret_cast<LPARAM>(&request));
  const TacOutEffData* shadow = s.manager->OuterEffect(1);
  ASSERT_TRUE(shadow && shadow->Source != 0);
  EXPECT_EQ(Rect(d.FOuterRect), Rect(RECT{20 - shadow->OffsetL, 30 - shadow->OffsetT, 95 + shadow->OffsetR,
                                          55 + shadow->OffsetB}));
  EXPECT_NE(canvas.Pixels, before);
  // Only inside that rectangle.
  for (int y = 0; y < canvas.Height; ++y) {
    for (int x = 0; x < canvas.Width; ++x) {
      if (!::PtInRect(&d.FOuterRect, POINT{x, y})) {
        ASSERT_EQ(canvas.At(x, y), 0xFF336699u) << x << ',' << y;
      }
    }
  }
}

}  // namespace

namespace {

// A link that records being called, as one of ours would answer.
int foreignLinkCalls = 0;
LRESULT RecordingLink(void*, UINT, WPARAM, LPARAM) {
  ++foreignLinkCalls;
  return 1;
}

TEST(ForeignWindows, APropertyOnAnotherProcessesWindowDrivesNoneOfOurCode) {
  // The desktop window belongs to the desktop's process. Any program can put
  // a property of our name on a window; the pointer in it means nothing here.
  const HWND desktop = ::GetDesktopWindow();
  DWORD process = 0;
  ::GetWindowThreadProcessId(desktop, &process);
  ASSERT_NE(process, ::GetCurrentProcessId()) << "the desktop window is this process's";
  skin::TacSkinDataLink link{&RecordingLink, nullptr};
  ASSERT_TRUE(::SetPropW(desktop, skin::SkinDataProperty, &link));
  foreignLinkCalls = 0;
  const LRESULT answer = skin::SendSkinCommand(desktop, skin::SKC_ISSKINNED);
  const bool skinned = skin::IsSkinnedWindow(desktop);
  ::RemovePropW(desktop, skin::SkinDataProperty);
  EXPECT_EQ(foreignLinkCalls, 0);
  EXPECT_EQ(answer, 0);
  EXPECT_FALSE(skinned);
}

}  // namespace

namespace {

TEST(PaintFailures, AFailingPaintShowsItsErrorOncePerSkinAndThenPaintsPlainly) {
  SkinScene s;
  int shown = 0;
  auto saved = fw::Application().OnException;
  fw::Application().OnException = [&](std::exception_ptr) { ++shown; };
  const HWND wnd = s.ControlWnd();
  const auto failing = [] { throw std::runtime_error("CreateDIBSection failed"); };
  int runs = 0;
  const auto working = [&] { ++runs; };
  TPaintGuard first, second;
  EXPECT_FALSE(first.Run(s.manager, wnd, failing));
  // Plain from now on with this skin: the skinned paint is not tried again.
  EXPECT_FALSE(first.Skinnable(s.manager));
  EXPECT_FALSE(first.Run(s.manager, wnd, working));
  EXPECT_EQ(runs, 0);
  // Another window failing with the same skin shows no second box.
  EXPECT_FALSE(second.Run(s.manager, wnd, failing));
  EXPECT_EQ(shown, 1);
  // The next skin paints skinned again, and its first failure is shown.
  s.manager->SetActive(false);
  s.manager->SetActive(true);
  EXPECT_TRUE(first.Skinnable(s.manager));
  EXPECT_TRUE(first.Run(s.manager, wnd, working));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(second.Run(s.manager, wnd, failing));
  EXPECT_EQ(shown, 2);
  fw::Application().OnException = saved;

  // The plain look: the button face.
  TDibBitmap picture(40, 20);
  PaintPlainLook(wnd, picture.DC(), true);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const std::uint32_t expected = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  EXPECT_EQ(picture.Lines().At(4, 4) & 0xFFFFFFu, expected);
}

}  // namespace
