#pragma once
// Real pointer input for the frame and menu tests: absolute moves, presses and
// releases at screen points. Every event carries its position: one without it
// can land where the X server still has the pointer before the last move (on
// a caption, say, starting the system's move loop, which then waits for a
// release the test's thread can no longer send).
#include <windows.h>

#include <chrono>

#include "tests/support/Gui.h"

namespace frametest {

// Where the last move sent the pointer.
inline POINT& LastPointer() {
  static POINT last{};
  return last;
}

inline void MouseAt(POINT p) {
  LastPointer() = p;
  testsupport::SendPointerInput(p, 0);
}
// A left press or release where the last move went.
inline void MouseButton(bool down) {
  testsupport::SendPointerInput(LastPointer(), down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
}
// A press and release at a point.
inline void Click(POINT p, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
  LastPointer() = p;
  testsupport::SendPointerInput(p, down);
  testsupport::SendPointerInput(p, up);
}
inline void RightClick(POINT p) { Click(p, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }

// A move, sent again while what it should cause has not happened: under load
// the X server now and then drops a move, and a leave that never comes would
// read as a fault of the window under test.
template <class Pred>
bool MoveUntil(POINT p, Pred pred, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  do {
    MouseAt(p);
    if (testsupport::PumpUntil(pred, std::chrono::milliseconds(400))) return true;
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

}  // namespace frametest
