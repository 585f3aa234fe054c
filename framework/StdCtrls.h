#pragma once
// Standard controls: label, push button, combo box, memo.
#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/Strings.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fw {

// A caption painted on the parent. With AutoSize the control takes the size
// of its text.
// Where a label that does not size itself shortens a text too long for it.
enum class TEllipsisPosition { epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis };

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TLabel"; }

    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool value);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool value);
    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment value);
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool value);
    // "&" marks the next letter as the accelerator (underlined) unless off.
    bool ShowAccelChar() const noexcept { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    // Used only while AutoSize is off.
    TEllipsisPosition EllipsisPosition() const noexcept { return ellipsisPosition_; }
    void SetEllipsisPosition(TEllipsisPosition value);

protected:
    void Paint(TCanvas& canvas) override;
    void WndProc(TMessage& message) override;
    void Loaded() override;
    UINT DrawTextFlags() const;
    void AdjustBounds();

private:
    bool autoSize_ = true;
    bool transparent_ = false;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    TEllipsisPosition ellipsisPosition_ = TEllipsisPosition::epNone;
};

// A push button; Default makes it the form's default (Enter) button.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    ~TButton() override;
    const wchar_t* ClassName() const override { return L"TButton"; }

    bool Default() const noexcept { return default_; }
    void SetDefault(bool value);
    // Clicking sets the form's ModalResult to this (unless mrNone), before OnClick.
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int value) noexcept { modalResult_ = value; }
    // The button Escape presses.
    bool Cancel() const noexcept { return cancel_; }
    void SetCancel(bool value) noexcept { cancel_ = value; }
    // Presses the button in code: as if clicked.
    void PerformClick() { Click(); }

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void Click() override;

private:
    bool default_ = false;
    int modalResult_ = 0;
    bool cancel_ = false;
};

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboBox;

using TDrawItemEvent = std::function<void(TObject* sender, int index, const RECT& rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TObject* sender, int index, int& height)>;

// The items of a combo box, kept in its window.
class TComboBoxStrings : public TStrings {
public:
    explicit TComboBoxStrings(TComboBox& combo) : combo_(combo) {}
    int Count() const override;
    std::wstring Get(int index) const override;
    int Add(const std::wstring& value) override;
    void Insert(int index, const std::wstring& value) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    void SetUpdateState(bool updating) override;

private:
    HWND Wnd() const;
    TComboBox& combo_;
};

// A combo box. The items live in the window; reading or changing them makes it.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner);
    ~TComboBox() override;
    const wchar_t* ClassName() const override { return L"TComboBox"; }

    TStrings& Items() noexcept { return items_; }
    int ItemIndex();
    void SetItemIndex(int index);
    TComboBoxStyle Style() const noexcept { return style_; }
    void SetStyle(TComboBoxStyle style);
    int DropDownCount() const noexcept { return dropDownCount_; }
    void SetDropDownCount(int count);
    bool DroppedDown() const;
    // The height of the items in the open list (owner-drawn: what
    // MeasureItem is told first); 0 leaves it to the system.
    int ItemHeight() const;
    void SetItemHeight(int value);
    // The native windows inside: the list of the drop-down part, and the
    // edit field (none for drop-down lists).
    HWND ListHandle();
    HWND EditHandle();
    // The canvas owner-drawn items are drawn on, valid during DrawItem.
    TCanvas& Canvas() noexcept { return canvas_; }

    TNotifyEvent OnChange;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    int NativeHeight(int height) const override;
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    // Owner-drawn styles: draws item index (-1: the empty selection field);
    // the default fills the background and writes the item's text.
    virtual void DrawItem(int index, const RECT& rect, TOwnerDrawState state);
    // csOwnerDrawVariable: the height of item index.
    virtual void MeasureItem(int index, int& height);

private:
    friend class TComboBoxStrings;
    // Makes the closed combo box as high as designed (Height) whatever the font.
    void FitSelectionField();
    bool HasEdit() const noexcept {
        return style_ == TComboBoxStyle::csDropDown || style_ == TComboBoxStyle::csSimple;
    }

    TComboBoxStrings items_;
    TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
    int dropDownCount_ = 8;
    int itemHeight_ = 0;
    TCanvas canvas_;
    int designHeight_ = 0;
    // What survives a re-creation of the window.
    TStringList savedItems_;
    int savedIndex_ = -1;
    std::wstring savedText_;
    bool textSaved_ = false;
};

class TMemo;

// The lines of a memo, over its text. Adding a line to text that ends with a
// line break (or is empty) adds the line and CR LF; otherwise CR LF and the line.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo& memo) : memo_(memo) {}
    int Count() const override;
    std::wstring Get(int index) const override;
    int Add(const std::wstring& value) override;
    void Insert(int index, const std::wstring& value) override;
    void Delete(int index) override;
    void Clear() override;
    std::wstring Text() const override;
    void SetText(std::wstring_view text) override;

protected:
    void SetUpdateState(bool updating) override;

private:
    TStringList Split() const;
    TMemo& memo_;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line edit.
class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;
    const wchar_t* ClassName() const override { return L"TMemo"; }

    TStrings& Lines() noexcept { return lines_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value);
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool value);
    TScrollStyle ScrollBars() const noexcept { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    // Adds text at the end without replacing the rest (keeps the view at the end).
    void AppendText(const std::wstring& text);
    // What Lines().Add(line) leaves with the line break at its end taken off,
    // in one change of the text: the control lays out and invalidates the
    // end of its text once, not twice.
    void AddLastLine(std::wstring_view line);
    // Calls read with the text where the control keeps it, and returns what
    // read returns. Nothing is copied: the view is valid while read runs,
    // which must not change the memo.
    template <typename Read>
    decltype(auto) ReadText(Read&& read) const {
        const TLockedText text(*this);
        return std::forward<Read>(read)(text.View());
    }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    virtual void Change();

private:
    // The control's text buffer, locked while the object lives; the memo's
    // own text while it has no window.
    class TLockedText {
    public:
        explicit TLockedText(const TMemo& memo);
        ~TLockedText();
        TLockedText(const TLockedText&) = delete;
        TLockedText& operator=(const TLockedText&) = delete;
        std::wstring_view View() const noexcept { return view_; }

    private:
        HLOCAL buffer_ = nullptr;
        std::wstring copy_;  // a control that lends no buffer: its text read once
        std::wstring_view view_;
    };

    void ReserveText(HWND wnd, size_t length);

    TMemoStrings lines_;
    // The characters the text buffer given to the control holds (0: the
    // control's own buffer).
    size_t textCapacity_ = 0;
    // The selection, kept over a re-creation of the window.
    DWORD savedSelStart_ = 0, savedSelEnd_ = 0;
    bool readOnly_ = false;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
};

}  // namespace fw
