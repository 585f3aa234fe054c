// Attaching frames: which top-level windows get a frame provider, the
// process-wide list of attached providers, and the default skin manager's hook
// that attaches them at a form's first activation.
#include "skinctrl/frame/sSkinProvider.h"

#include "framework/Application.h"
#include "skin/SkinBroadcast.h"
#include "skin/sSkinManager.h"
#include "skinctrl/menus/sPopupMenus.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace skinctrl {

using skin::TsSkinManager;

namespace {

// Forms carrying this bit in their Tag keep their native frame.
constexpr std::intptr_t NeverSkinTag = 256;
// Pop-up windows of other control libraries that are never given a frame (sorted).
constexpr std::array<std::wstring_view, 7> ExcludedClasses = {
    L"TApplication",          L"TcxComboBoxPopupWindow", L"TcxCustomPopupWindow", L"TcxDateEditPopupWindow",
    L"TcxGridFilterPopup",    L"TdxPopupEditForm",       L"TfcPopup"};
constexpr wchar_t AdapterProperty[] = L"ACSBSC";

// Never destroyed: forms freed during the application object's static
// destruction still take their providers out.
std::vector<TacProvider*>& AttachmentList() {
  static auto* list = new std::vector<TacProvider*>;
  return *list;
}

TsSkinManager* Manager() noexcept { return TsSkinManager::DefaultManager(); }

std::wstring ClassNameOf(HWND wnd) {
  wchar_t name[256] = {};
  ::GetClassNameW(wnd, name, 256);
  return name;
}

}  // namespace

TacProvider::TacProvider(fw::TCustomForm* form) : fw::TComponent(form) { AttachmentList().push_back(this); }

TacProvider::~TacProvider() { std::erase(AttachmentList(), this); }

void TacProvider::Notification(fw::TComponent* component, fw::TOperation operation) {
  fw::TComponent::Notification(component, operation);
  if (operation == fw::TOperation::opRemove && component == sp) sp = nullptr;
}

void TacProvider::InitForm(fw::TCustomForm* form) {
  sp = TsSkinProvider::CreateRT(form);
  FreeNotification(sp);
  sp->FUseGlobalColor = false;
  CtrlHandle = form->HandleIfAllocated();
  sp->AttachingAtActivation();
  // The form is being activated, mostly inside its first showing, before its
  // client area was painted: the frame and the window region are made now, so
  // that the region's redraw joins the first paint rather than repeating it.
  if (CtrlHandle && ::IsWindowVisible(CtrlHandle)) sp->ProcessMessage(WM_NCPAINT, 1);
  sp->FMakeSkinMenu = false;
}

const std::vector<TacProvider*>& AttachedProviders() noexcept { return AttachmentList(); }

TsSkinProvider* ProviderOf(HWND form) noexcept {
  for (TacProvider* p : AttachmentList()) {
    if (p->sp && p->sp->Form()->HandleIfAllocated() == form) return p->sp;
  }
  return nullptr;
}

bool AddSupportedForm(HWND wnd) {
  TsSkinManager* manager = Manager();
  if (!manager || manager->Destroying() || fw::Application().Terminated() || !::IsWindow(wnd)) return false;
  if (skin::SkinDataLinkOf(wnd) || ::GetPropW(wnd, AdapterProperty)) return false;
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_STYLE));
  if ((style & WS_POPUP) && !(style & WS_BORDER)) return false;
  if (ProviderOf(wnd)) return false;
  fw::TCustomForm* form = nullptr;
  for (fw::TCustomForm* f : fw::Forms()) {
    if (!f->Destroying() && f->HandleIfAllocated() == wnd) form = f;
  }
  // Windows that are not forms of the program (unowned system dialogs among
  // them) keep their native frames.
  if (!form) return false;
  if (skin::SendSkinCommand(wnd, skin::SKC_ISSKINNED) == 1) return false;
  if (form->Tag() & NeverSkinTag) return true;
  const std::wstring cls = ClassNameOf(wnd);
  if (std::binary_search(ExcludedClasses.begin(), ExcludedClasses.end(), std::wstring_view(cls))) return true;
  const unsigned rule = cls == L"TMessageForm" ? skin::srStdDialogs : skin::srStdForms;
  if (!(manager->SkinningRules() & rule)) return false;
  auto* provider = new TacProvider(form);
  provider->InitForm(form);
  return true;
}

namespace {

bool IsMenuClass(LPCWSTR cls) noexcept {
  if (!cls) return false;
  if (IS_INTRESOURCE(cls)) return reinterpret_cast<ULONG_PTR>(cls) == 32768;
  return std::wstring_view(cls) == L"#32768";
}

}  // namespace

void SkinHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (!Manager() || fw::Application().Terminated()) return;
  // Forms get their frames at activation: while a window is being created
  // the framework has not yet bound it to its form (unowned system dialogs
  // keep their native frames). Menu windows are taken over as they are
  // created, before the system shows or draws anything in them.
  if (code == HCBT_ACTIVATE) AddSupportedForm(reinterpret_cast<HWND>(wParam));
  if (code == HCBT_CREATEWND && lParam) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    if (create->lpcs && IsMenuClass(create->lpcs->lpszClass)) AttachMenuWindow(reinterpret_cast<HWND>(wParam));
  }
}

void InstallFormFrames() { TsSkinManager::CbtHandler = &SkinHookProc; }

}  // namespace skinctrl
