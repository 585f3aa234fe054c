#pragma once
// Pop-up menus: a tree of menu items shown with TrackPopupMenu. The menu's
// owner is a hidden window of the framework that routes WM_MEASUREITEM,
// WM_DRAWITEM (owner-drawn items) and WM_COMMAND (the chosen item) to the
// items themselves.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"

namespace fw {

class TMenuItem;

// A key with modifiers: the low byte a virtual key, then scShift, scCtrl, scAlt.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
// "Ctrl+Shift+A", "F5", "Del"; empty for none.
std::wstring ShortCutToText(TShortCut shortCut);

enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16, odDefault = 32,
    odNoAccel = 64, odNoFocusRect = 128, odComboBoxEdit = 256
};
using TOwnerDrawState = unsigned;

using TMenuMeasureItemEvent = std::function<void(TObject* sender, TCanvas& canvas, int& width, int& height)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* sender, TCanvas& canvas, const RECT& rect, TOwnerDrawState state)>;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::wstring& Caption() const noexcept { return caption_; }
    void SetCaption(std::wstring caption) { caption_ = std::move(caption); }
    // A caption of "-" makes the item a separator line.
    bool IsLine() const noexcept { return caption_ == L"-"; }
    TShortCut ShortCut() const noexcept { return shortCut_; }
    void SetShortCut(TShortCut value) noexcept { shortCut_ = value; }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value) noexcept { enabled_ = value; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value) noexcept { visible_ = value; }
    bool Checked() const noexcept { return checked_; }
    // Checking a radio item unchecks the other radio items of its group.
    void SetChecked(bool value);
    bool RadioItem() const noexcept { return radioItem_; }
    void SetRadioItem(bool value) noexcept { radioItem_ = value; }
    int GroupIndex() const noexcept { return groupIndex_; }
    void SetGroupIndex(int value) noexcept { groupIndex_ = value; }
    bool Default() const noexcept { return default_; }
    void SetDefault(bool value) noexcept { default_ = value; }

    // The item tree.
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    void Add(TMenuItem* item) { Insert(Count(), item); }
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item) noexcept;
    TMenuItem* Parent() const noexcept { return parent_; }
    int MenuIndex() const noexcept;
    // Owner-drawn when the pop-up menu it belongs to is.
    bool OwnerDraw() const noexcept;

    // The identifier WM_COMMAND carries for this item.
    UINT Command() const noexcept { return command_; }
    // The item with that identifier, alive now, or none.
    static TMenuItem* FindCommand(UINT command) noexcept;

    // Runs OnClick (a radio item checks itself first when it is AutoCheck).
    virtual void Click();
    // Owner-drawn items: the size, then the drawing (defaults draw the
    // caption and shortcut with the screen's menu font).
    virtual void MeasureItem(TCanvas& canvas, int& width, int& height);
    virtual void AdvancedDrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state);

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    // Draws the whole item, a sub-menu's arrow included: the system adds none.
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

private:
    friend class TPopupMenu;
    // Adds this item's visible children to menu.
    void AppendTo(HMENU menu, bool ownerDraw) const;

    std::wstring caption_;
    TShortCut shortCut_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool default_ = false;
    UINT command_;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    class TPopupMenu* menu_ = nullptr;  // set on the root item
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // The root of the item tree; its children are the menu's items.
    TMenuItem& Items() noexcept { return items_; }
    bool OwnerDraw() const noexcept { return ownerDraw_; }
    void SetOwnerDraw(bool value) noexcept { ownerDraw_ = value; }
    // Whether the system may animate the menu's opening (on by default).
    bool Animated() const noexcept { return animated_; }
    void SetAnimated(bool value) noexcept { animated_ = value; }
    // The flags Popup tracks the menu with.
    UINT TrackFlags() const noexcept;
    // The control the menu was last shown for (WM_CONTEXTMENU sets it).
    TComponent* PopupComponent() const noexcept { return popupComponent_; }
    void SetPopupComponent(TComponent* component);

    // Shows the menu with its top-left corner at the screen point (x, y) and
    // returns when it closes; the chosen item's OnClick runs from the
    // message loop after that.
    virtual void Popup(int x, int y);
    // The hidden window that owns shown menus.
    static HWND OwnerWindow();

    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TMenuItem items_;
    bool ownerDraw_ = false;
    bool animated_ = true;
    TComponent* popupComponent_ = nullptr;
};

}  // namespace fw
