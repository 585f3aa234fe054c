#pragma once
// Standard controls: label, push button, combo box, memo.
#include "framework/Controls.h"
#include "framework/Strings.h"

namespace fw {

// A caption painted on the parent. With AutoSize the control takes the size
// of its text.
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
};

// A push button; Default makes it the form's default (Enter) button.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    ~TButton() override;
    const wchar_t* ClassName() const override { return L"TButton"; }

    bool Default() const noexcept { return default_; }
    void SetDefault(bool value);
    // Presses the button in code: as if clicked.
    void PerformClick() { Click(); }

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    bool default_ = false;
};

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboBox;

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

    TNotifyEvent OnChange;
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

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    virtual void Change();

private:
    TMemoStrings lines_;
    // The selection, kept over a re-creation of the window.
    DWORD savedSelStart_ = 0, savedSelEnd_ = 0;
    bool readOnly_ = false;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
};

}  // namespace fw
