#include "skinctrl/state/ClassBrush.h"

#include <algorithm>
#include <map>
#include <vector>

namespace skinctrl {

namespace {

struct ClassRecord {
  LONG_PTR Original = 0;
  std::vector<HWND> Users;
};

// Touched only from the GUI thread, like the windows themselves. Never
// destroyed: forms freed by the application object's own static destruction
// give their brushes back after this file's statics would be gone.
std::map<ATOM, ClassRecord>& Records() {
  static auto* records = new std::map<ATOM, ClassRecord>;
  return *records;
}

ATOM ClassAtomOf(HWND wnd) noexcept { return static_cast<ATOM>(::GetClassWord(wnd, GCW_ATOM)); }

// A window destroyed without giving its brush back no longer holds it.
void ForgetDestroyed(ClassRecord& record) { std::erase_if(record.Users, [](HWND w) { return !::IsWindow(w); }); }

}  // namespace

void SetSkinClassBrush(HWND wnd, HBRUSH brush) {
  if (!::IsWindow(wnd)) return;
  auto [it, added] = Records().try_emplace(ClassAtomOf(wnd));
  ClassRecord& record = it->second;
  // A record outlives its users only when the last was destroyed without
  // giving the brush back: the class still carries a skin brush then, and
  // the original recorded first is still the one to put back.
  if (added) record.Original = ::GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND);
  else ForgetDestroyed(record);
  if (std::ranges::find(record.Users, wnd) == record.Users.end()) record.Users.push_back(wnd);
  ::SetClassLongPtrW(wnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush));
}

void RestoreSkinClassBrush(HWND wnd) noexcept {
  auto& records = Records();
  const auto it = records.find(ClassAtomOf(wnd));
  if (it == records.end()) return;
  ClassRecord& record = it->second;
  const auto user = std::ranges::find(record.Users, wnd);
  if (user == record.Users.end()) return;
  record.Users.erase(user);
  ForgetDestroyed(record);
  if (!record.Users.empty()) return;
  ::SetClassLongPtrW(wnd, GCLP_HBRBACKGROUND, record.Original);
  records.erase(it);
}

}  // namespace skinctrl
