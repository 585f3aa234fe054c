#include "skinctrl/gdi/Composition.h"

namespace skinctrl {

namespace {

constexpr DWORD DwmTransitionsForceDisabled = 3;  // DWMWA_TRANSITIONS_FORCEDISABLED

using DwmIsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// dwmapi stays loaded for the life of the process once looked up.
HMODULE DwmModule() noexcept {
  static HMODULE module = ::LoadLibraryW(L"dwmapi.dll");
  return module;
}

}  // namespace

bool CompositionEnabled() {
  if (ForcedComposition >= 0) return ForcedComposition != 0;
  if (!DwmModule()) return false;
  auto query = reinterpret_cast<DwmIsCompositionEnabledFn>(
      reinterpret_cast<void*>(::GetProcAddress(DwmModule(), "DwmIsCompositionEnabled")));
  BOOL enabled = FALSE;
  return query && SUCCEEDED(query(&enabled)) && enabled;
}

void SetTransitionsDisabled(HWND wnd, bool disabled) noexcept {
  if (!CompositionEnabled() || !DwmModule()) return;
  if (auto set = reinterpret_cast<DwmSetWindowAttributeFn>(
          reinterpret_cast<void*>(::GetProcAddress(DwmModule(), "DwmSetWindowAttribute")))) {
    const BOOL value = disabled ? TRUE : FALSE;
    set(wnd, DwmTransitionsForceDisabled, &value, sizeof(value));
  }
}

}  // namespace skinctrl
