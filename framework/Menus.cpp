#include "framework/Menus.h"

#include <algorithm>
#include <map>
#include <memory>

#include "framework/Exception.h"
#include "framework/Screen.h"
#include "framework/Thread.h"

namespace fw {

namespace {

// Menu items alive now by their command identifier (GUI thread only).
// Never destroyed: menus freed during the application object's static
// destruction still take their items out.
std::map<UINT, TMenuItem*>& Commands() {
    static auto* commands = new std::map<UINT, TMenuItem*>;
    return *commands;
}

UINT NextCommand() {
    static UINT next = 0;
    // Identifiers 1 to 0xEFFF: WM_COMMAND carries 16 bits, and the system
    // commands start at 0xF000.
    do {
        next = next % 0xEFFF + 1;
    } while (Commands().contains(next));
    return next;
}

std::wstring KeyName(WORD key) {
    if (key >= 'A' && key <= 'Z') return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= '0' && key <= '9') return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= VK_F1 && key <= VK_F24) return L"F" + std::to_wstring(key - VK_F1 + 1);
    switch (key) {
    case VK_BACK: return L"BkSp";
    case VK_TAB: return L"Tab";
    case VK_RETURN: return L"Enter";
    case VK_ESCAPE: return L"Esc";
    case VK_SPACE: return L"Space";
    case VK_PRIOR: return L"PgUp";
    case VK_NEXT: return L"PgDn";
    case VK_END: return L"End";
    case VK_HOME: return L"Home";
    case VK_LEFT: return L"Left";
    case VK_UP: return L"Up";
    case VK_RIGHT: return L"Right";
    case VK_DOWN: return L"Down";
    case VK_INSERT: return L"Ins";
    case VK_DELETE: return L"Del";
    default: return {};
    }
}

TOwnerDrawState DrawState(UINT itemState) noexcept {
    TOwnerDrawState s = 0;
    if (itemState & ODS_SELECTED) s |= odSelected;
    if (itemState & ODS_GRAYED) s |= odGrayed;
    if (itemState & ODS_DISABLED) s |= odDisabled;
    if (itemState & ODS_CHECKED) s |= odChecked;
    if (itemState & ODS_FOCUS) s |= odFocused;
    if (itemState & ODS_DEFAULT) s |= odDefault;
    if (itemState & ODS_NOACCEL) s |= odNoAccel;
    if (itemState & ODS_NOFOCUSRECT) s |= odNoFocusRect;
    return s;
}

// The letter a caption underlines (after its first single "&"), or 0.
wchar_t Accelerator(const std::wstring& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return caption[i + 1];
        ++i;
    }
    return 0;
}

wchar_t Upper(wchar_t c) {
    wchar_t text[2] = {c, 0};
    ::CharUpperW(text);
    return text[0];
}

// A key pressed in a shown menu whose items the system cannot read (owner
// drawn ones carry no text): the enabled item underlining that letter runs;
// when several do, the selection moves to the next of them after the
// highlighted item, as native menus do.
LRESULT MenuChar(wchar_t key, HMENU menu) {
    std::vector<int> matches;
    int highlighted = -1;
    const int count = menu ? ::GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.fState & MFS_HILITE) highlighted = i;
        if (info.fType & MFT_SEPARATOR) continue;
        const TMenuItem* item = TMenuItem::FindCommand(info.wID);
        if (!item || !item->Enabled() || (info.fState & MFS_DISABLED)) continue;
        const wchar_t letter = Accelerator(item->Caption());
        if (letter && Upper(letter) == Upper(key)) matches.push_back(i);
    }
    if (matches.empty()) return MAKELRESULT(0, MNC_IGNORE);
    if (matches.size() == 1) return MAKELRESULT(matches.front(), MNC_EXECUTE);
    const auto next = std::upper_bound(matches.begin(), matches.end(), highlighted);
    return MAKELRESULT(next == matches.end() ? matches.front() : *next, MNC_SELECT);
}

// The canvas every menu item is measured on. A DC fetched and a font made
// and realised in it for each item cost more under Wine than the measuring
// itself (about 60 us an item); kept, the font is made once and only made
// again when the menu font changes.
TCanvas& MeasuringCanvas() {
    static auto* dc = new UniqueMemoryDc(::CreateCompatibleDC(nullptr));
    static auto* canvas = new TCanvas(dc->get());
    return *canvas;
}

// The owner of shown menus: routes the menu's owner-draw, keyboard and
// command messages to the items.
LRESULT OwnerProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MENUCHAR:
        return MenuChar(static_cast<wchar_t>(LOWORD(wParam)), reinterpret_cast<HMENU>(lParam));
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis->CtlType != ODT_MENU) break;
        TMenuItem* item = TMenuItem::FindCommand(mis->itemID);
        if (!item) break;
        TCanvas& canvas = MeasuringCanvas();
        canvas.Font().Assign(Screen().MenuFont());
        int width = static_cast<int>(mis->itemWidth), height = static_cast<int>(mis->itemHeight);
        item->MeasureItem(canvas, width, height);
        mis->itemWidth = static_cast<UINT>(std::max(width, 0));
        mis->itemHeight = static_cast<UINT>(std::max(height, 0));
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlType != ODT_MENU) break;
        TMenuItem* item = TMenuItem::FindCommand(dis->itemID);
        if (!item) break;
        const int saved = ::SaveDC(dis->hDC);
        TCanvas canvas(dis->hDC);
        canvas.Font().Assign(Screen().MenuFont());
        item->AdvancedDrawItem(canvas, dis->rcItem, DrawState(dis->itemState));
        ::RestoreDC(dis->hDC, saved);
        // The system draws a sub-menu's arrow into the same DC once the item
        // is drawn (a white box with a black arrow under Wine). A handler
        // draws the whole item, arrow included: the item is taken out of the
        // DC's clip so that nothing lands on it afterwards.
        if (item->OnAdvancedDrawItem && item->Count() > 0)
            ::ExcludeClipRect(dis->hDC, dis->rcItem.left, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom);
        return TRUE;
    }
    case WM_COMMAND:
        // Posted when the menu has closed: the item may be gone by now.
        if (HIWORD(wParam) == 0 && lParam == 0) {
            if (TMenuItem* item = TMenuItem::FindCommand(LOWORD(wParam))) item->Click();
            return 0;
        }
        break;
    default:
        break;
    }
    return TUtilWindow::DefaultHandler(msg, wParam, lParam);
}

// The HMENU of one showing, destroyed when it closes.
struct MenuHandleTraits {
    using Type = HMENU;
    static Type empty() noexcept { return nullptr; }
    static bool valid(Type h) noexcept { return h != nullptr; }
    static void close(Type h) noexcept { ::DestroyMenu(h); }
};
using UniqueMenu = UniqueResource<MenuHandleTraits>;

}  // namespace

std::wstring ShortCutToText(TShortCut shortCut) {
    const std::wstring key = KeyName(static_cast<WORD>(shortCut & 0xFF));
    if (key.empty()) return {};
    std::wstring text;
    if (shortCut & scCtrl) text += L"Ctrl+";
    if (shortCut & scShift) text += L"Shift+";
    if (shortCut & scAlt) text += L"Alt+";
    return text + key;
}

// ---------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommand()) {
    Commands()[command_] = this;
}

TMenuItem::~TMenuItem() {
    Commands().erase(command_);
    for (TMenuItem* child : items_) child->parent_ = nullptr;
    if (parent_) parent_->Remove(this);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item || item == this) throw Exception(L"A menu item cannot contain itself");
    if (item->parent_) throw Exception(L"Menu inserted twice");
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) noexcept {
    if (!item) return;
    std::erase(items_, item);
    if (item->parent_ == this) item->parent_ = nullptr;
}

int TMenuItem::MenuIndex() const noexcept {
    if (!parent_) return -1;
    const auto& list = parent_->items_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

bool TMenuItem::OwnerDraw() const noexcept {
    const TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    return root->menu_ && root->menu_->OwnerDraw();
}

TMenuItem* TMenuItem::FindCommand(UINT command) noexcept {
    auto it = Commands().find(command);
    return it != Commands().end() ? it->second : nullptr;
}

void TMenuItem::SetChecked(bool value) {
    checked_ = value;
    if (value && radioItem_ && parent_) {
        for (TMenuItem* sibling : parent_->items_) {
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->checked_ = false;
        }
    }
}

void TMenuItem::Click() {
    if (OnClick && !Destroying()) OnClick(this);
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height) {
    if (IsLine()) {
        height = Screen().MenuHeight() / 2;
    } else {
        std::wstring text = caption_;
        if (const std::wstring keys = ShortCutToText(shortCut_); !keys.empty()) text += L"\t" + keys;
        const SIZE size = canvas.TextExtent(text);
        width = size.cx + 2 * Screen().MenuCheckWidth();
        height = std::max<int>(size.cy + 4, Screen().MenuHeight());
    }
    if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state) {
    if (OnAdvancedDrawItem) {
        OnAdvancedDrawItem(this, canvas, rect, state);
        return;
    }
    const bool selected = (state & odSelected) != 0;
    canvas.SetBrushColor(selected ? clHighlight : clMenu);
    canvas.FillRect(rect);
    RECT r = rect;
    if (IsLine()) {
        r.top = (rect.top + rect.bottom) / 2;
        canvas.Frame3D(r, clBtnShadow, clBtnHighlight, 1);
        return;
    }
    canvas.Font().SetColor((state & (odDisabled | odGrayed)) ? clGrayText : selected ? clHighlightText : clMenuText);
    r.left += Screen().MenuCheckWidth();
    canvas.DrawText(caption_, r, DT_SINGLELINE | DT_VCENTER | ((state & odNoAccel) ? DT_HIDEPREFIX : 0u));
    if (const std::wstring keys = ShortCutToText(shortCut_); !keys.empty()) {
        r.right -= Screen().MenuCheckWidth();
        canvas.DrawText(keys, r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    }
}

void TMenuItem::AppendTo(HMENU menu, bool ownerDraw) const {
    for (const TMenuItem* item : items_) {
        if (!item->visible_) continue;
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
        mii.wID = item->command_;
        mii.dwItemData = reinterpret_cast<ULONG_PTR>(item);
        std::wstring text = item->caption_;
        if (const std::wstring keys = ShortCutToText(item->shortCut_); !keys.empty()) text += L"\t" + keys;
        if (ownerDraw) {
            // A drawn separator is still a separator to the system: the
            // arrow keys step over it and a click on it runs nothing.
            mii.fType = MFT_OWNERDRAW | (item->IsLine() ? MFT_SEPARATOR : 0u);
        } else if (item->IsLine()) {
            mii.fType = MFT_SEPARATOR;
        } else {
            mii.fType = MFT_STRING;
            mii.fMask |= MIIM_STRING;
            mii.dwTypeData = text.data();
        }
        if (item->radioItem_) mii.fType |= MFT_RADIOCHECK;
        if (item->checked_) mii.fState |= MFS_CHECKED;
        if (!item->enabled_) mii.fState |= MFS_DISABLED;
        if (item->default_) mii.fState |= MFS_DEFAULT;
        HMENU sub = nullptr;
        if (!item->items_.empty()) {
            sub = ::CreatePopupMenu();
            if (!sub) throw EOSError(L"Cannot create a menu", ::GetLastError());
            mii.fMask |= MIIM_SUBMENU;
            mii.hSubMenu = sub;
        }
        if (!::InsertMenuItemW(menu, ::GetMenuItemCount(menu), TRUE, &mii)) {
            if (sub) ::DestroyMenu(sub);
            throw EOSError(L"Cannot add a menu item", ::GetLastError());
        }
        // The parent menu owns the submenu now and destroys it with itself.
        if (sub) item->AppendTo(sub, ownerDraw);
    }
}

// ---------------------------------------------------------------- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(nullptr) { items_.menu_ = this; }

TPopupMenu::~TPopupMenu() { SetDestroying(); }

void TPopupMenu::SetPopupComponent(TComponent* component) {
    if (component == popupComponent_) return;
    if (popupComponent_) RemoveFreeNotification(popupComponent_);
    popupComponent_ = component;
    if (component) FreeNotification(component);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

HWND TPopupMenu::OwnerWindow() {
    static TUtilWindow owner(&OwnerProc, L"TPUtilWindow", TUtilWindowKind::TopLevel);
    return owner.Handle();
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    UniqueMenu menu(::CreatePopupMenu());
    if (!menu) throw EOSError(L"Cannot create a menu", ::GetLastError());
    items_.AppendTo(menu.get(), ownerDraw_);
    ::TrackPopupMenu(menu.get(), TrackFlags(), x, y, 0, OwnerWindow(), nullptr);
}

UINT TPopupMenu::TrackFlags() const noexcept {
    return TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | (animated_ ? 0u : static_cast<UINT>(TPM_NOANIMATION));
}

}  // namespace fw
