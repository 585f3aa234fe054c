#include "framework/StdCtrls.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "framework/Exception.h"
#include "framework/Forms.h"

namespace fw {

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) { SetParentColor(true); }

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::SetTransparent(bool value) {
    transparent_ = value;
    Invalidate();
}

void TLabel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetEllipsisPosition(TEllipsisPosition value) {
    if (value == ellipsisPosition_) return;
    ellipsisPosition_ = value;
    Invalidate();
}

UINT TLabel::DrawTextFlags() const {
    UINT flags = DT_EXPANDTABS;
    flags |= wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE;
    if (alignment_ == TAlignment::taRightJustify) flags |= DT_RIGHT;
    if (alignment_ == TAlignment::taCenter) flags |= DT_CENTER;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    if (!autoSize_) {
        switch (ellipsisPosition_) {
        case TEllipsisPosition::epNone: break;
        case TEllipsisPosition::epPathEllipsis: flags |= DT_PATH_ELLIPSIS; break;
        case TEllipsisPosition::epEndEllipsis: flags |= DT_END_ELLIPSIS; break;
        case TEllipsisPosition::epWordEllipsis: flags |= DT_WORD_ELLIPSIS; break;
        }
    }
    return flags;
}

void TLabel::AdjustBounds() {
    if (!autoSize_ || Loading()) return;
    WindowDc screen(nullptr);
    SelectObjectScope font(screen.get(), Font().Handle());
    const std::wstring text = Text().empty() ? std::wstring(L" ") : Text();
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r, DrawTextFlags() | DT_CALCRECT);
    SetBounds(Left(), Top(), r.right, r.bottom);
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::WndProc(TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) {
        TGraphicControl::WndProc(m);
        AdjustBounds();
        Invalidate();
        return;
    }
    TGraphicControl::WndProc(m);
}

void TLabel::Paint(TCanvas& canvas) {
    RECT r = ClientRect();
    if (!transparent_) {
        canvas.SetBrushColor(Color());
        canvas.FillRect(r);
    }
    if (!Enabled()) {
        // Engraved look of disabled text.
        RECT shifted = r;
        ::OffsetRect(&shifted, 1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        canvas.DrawText(Text(), shifted, DrawTextFlags());
        canvas.Font().SetColor(clBtnShadow);
    }
    canvas.DrawText(Text(), r, DrawTextFlags());
}

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }

TButton::~TButton() { DestroyHandle(); }

void TButton::SetDefault(bool value) {
    if (value == default_) return;
    default_ = value;
    HWND wnd = HandleIfAllocated();
    if (!wnd) return;
    // BM_SETSTYLE replaces the button type: only a push button changes it.
    const LONG type = ::GetWindowLongW(wnd, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        ::SendMessageW(wnd, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

void TButton::Click() {
    if (modalResult_ != mrNone) {
        if (TCustomForm* form = ParentForm()) form->SetModalResult(modalResult_);
    }
    TWinControl::Click();
}

void TButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClass = L"BUTTON";
    p.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

namespace {
// True when caption marks key as its accelerator ("&Check" and 'c').
bool IsAccel(wchar_t key, const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(key))) ==
               ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(caption[i + 1])));
    }
    return false;
}
}  // namespace

void TButton::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == BN_CLICKED) Click();
        return;
    }
    if (m.Msg == CM_DIALOGCHAR) {
        if (IsAccel(static_cast<wchar_t>(m.WParam), Caption()) && CanFocus()) {
            Click();
            m.Result = 1;
        }
        return;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TComboBox

HWND TComboBoxStrings::Wnd() const { return combo_.Handle(); }

int TComboBoxStrings::Count() const { return static_cast<int>(::SendMessageW(Wnd(), CB_GETCOUNT, 0, 0)); }

std::wstring TComboBoxStrings::Get(int index) const {
    CheckIndex(index, Count());
    const auto len = ::SendMessageW(Wnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring s(static_cast<size_t>(std::max<LRESULT>(len, 0)) + 1, L'\0');
    const auto got = ::SendMessageW(Wnd(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    return s;
}

int TComboBoxStrings::Add(const std::wstring& value) {
    const auto r = ::SendMessageW(Wnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(value.c_str()));
    if (r < 0) throw EListError(L"Out of memory adding a list item");
    return static_cast<int>(r);
}

void TComboBoxStrings::Insert(int index, const std::wstring& value) {
    CheckIndex(index, Count() + 1);
    const auto r = ::SendMessageW(Wnd(), CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(value.c_str()));
    if (r < 0) throw EListError(L"Out of memory adding a list item");
}

void TComboBoxStrings::Delete(int index) {
    CheckIndex(index, Count());
    ::SendMessageW(Wnd(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TComboBoxStrings::Clear() {
    ::SendMessageW(Wnd(), CB_RESETCONTENT, 0, 0);
    combo_.Invalidate();
}

void TComboBoxStrings::SetUpdateState(bool updating) {
    HWND wnd = Wnd();
    ::SendMessageW(wnd, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
    if (!updating) ::InvalidateRect(wnd, nullptr, TRUE);
}

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner), items_(*this) {
    SetTabStop(true);
    SetColor(clWindow);
}

TComboBox::~TComboBox() { DestroyHandle(); }

int TComboBox::ItemIndex() { return static_cast<int>(::SendMessageW(Handle(), CB_GETCURSEL, 0, 0)); }

void TComboBox::SetItemIndex(int index) { ::SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void TComboBox::SetStyle(TComboBoxStyle style) {
    if (style == style_) return;
    style_ = style;
    RecreateWnd();
}

void TComboBox::SetDropDownCount(int count) {
    dropDownCount_ = count;
    if (HWND wnd = HandleIfAllocated()) ::SendMessageW(wnd, CB_SETMINVISIBLE, static_cast<WPARAM>(count), 0);
}

bool TComboBox::DroppedDown() const {
    HWND wnd = HandleIfAllocated();
    return wnd && ::SendMessageW(wnd, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

int TComboBox::ItemHeight() const {
    if (HWND wnd = HandleIfAllocated()) return static_cast<int>(::SendMessageW(wnd, CB_GETITEMHEIGHT, 0, 0));
    return itemHeight_;
}

void TComboBox::SetItemHeight(int value) {
    itemHeight_ = value;
    if (HWND wnd = HandleIfAllocated(); wnd && value > 0) ::SendMessageW(wnd, CB_SETITEMHEIGHT, 0, value);
}

HWND TComboBox::ListHandle() {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return ::GetComboBoxInfo(Handle(), &info) ? info.hwndList : nullptr;
}

HWND TComboBox::EditHandle() {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!::GetComboBoxInfo(Handle(), &info) || info.hwndItem == Handle()) return nullptr;
    return info.hwndItem;
}

void TComboBox::DrawItem(int index, const RECT& rect, TOwnerDrawState state) {
    if (OnDrawItem && CanFire()) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    const bool selected = (state & odSelected) != 0;
    canvas_.SetBrushColor(selected ? clHighlight : Color());
    canvas_.FillRect(rect);
    if (index < 0) return;
    canvas_.Font().SetColor(selected ? clHighlightText : Font().Color());
    RECT r = rect;
    r.left += 2;
    canvas_.DrawText(items_.Get(index), r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TComboBox::MeasureItem(int index, int& height) {
    if (OnMeasureItem && CanFire()) OnMeasureItem(this, index, height);
}

void TComboBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClass = L"COMBOBOX";
    p.Style |= WS_VSCROLL;
    switch (style_) {
    case TComboBoxStyle::csDropDown: p.Style |= CBS_DROPDOWN | CBS_AUTOHSCROLL; break;
    case TComboBoxStyle::csSimple: p.Style |= CBS_SIMPLE | CBS_AUTOHSCROLL; break;
    case TComboBoxStyle::csDropDownList: p.Style |= CBS_DROPDOWNLIST; break;
    case TComboBoxStyle::csOwnerDrawFixed: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS; break;
    case TComboBoxStyle::csOwnerDrawVariable: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS; break;
    }
    designHeight_ = Height();
}

int TComboBox::NativeHeight(int height) const {
    // Windows takes a combo box's height as the height of the open list.
    if (style_ == TComboBoxStyle::csSimple) return height;
    return height + dropDownCount_ * (std::abs(Font().Height()) + 4) + 2;
}

void TComboBox::CreateHandleDone() {
    TWinControl::CreateHandleDone();
    HWND wnd = HandleIfAllocated();
    ::SendMessageW(wnd, CB_SETMINVISIBLE, static_cast<WPARAM>(dropDownCount_), 0);
    if (itemHeight_ > 0) ::SendMessageW(wnd, CB_SETITEMHEIGHT, 0, itemHeight_);
    for (const auto& item : savedItems_.Items()) {
        ::SendMessageW(wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    savedItems_.Clear();
    if (savedIndex_ >= 0) ::SendMessageW(wnd, CB_SETCURSEL, static_cast<WPARAM>(savedIndex_), 0);
    savedIndex_ = -1;
    // An edit field may hold text that is no item (typed, or set in code).
    if (textSaved_ && HasEdit() && GetText() != savedText_) ::SetWindowTextW(wnd, savedText_.c_str());
    textSaved_ = false;
    savedText_.clear();
    FitSelectionField();
}

void TComboBox::FitSelectionField() {
    if (style_ == TComboBoxStyle::csSimple || designHeight_ <= 0) return;
    HWND wnd = HandleIfAllocated();
    RECT r;
    ::GetWindowRect(wnd, &r);
    const int actual = r.bottom - r.top;
    if (actual == designHeight_) return;
    /* The closed height follows the font; the design was made with a font
       whose field gave designHeight_. Adjust the field by the difference. */
    const auto field = ::SendMessageW(wnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (field <= 0) return;
    ::SendMessageW(wnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field + designHeight_ - actual);
    UpdateBounds();
}

void TComboBox::DestroyWnd() {
    HWND wnd = HandleIfAllocated();
    savedItems_.Clear();
    const int n = static_cast<int>(::SendMessageW(wnd, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) savedItems_.Add(items_.Get(i));
    savedIndex_ = static_cast<int>(::SendMessageW(wnd, CB_GETCURSEL, 0, 0));
    savedText_ = GetText();
    textSaved_ = true;
    TWinControl::DestroyWnd();
}

void TComboBox::WndProc(TMessage& m) {
    if (m.Msg == CN_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
        int height = itemHeight_ > 0 ? itemHeight_ : static_cast<int>(mis->itemHeight);
        // The selection field is -1; only variable-height items ask per item.
        if (style_ == TComboBoxStyle::csOwnerDrawVariable && mis->itemID != static_cast<UINT>(-1)) {
            MeasureItem(static_cast<int>(mis->itemID), height);
        }
        mis->itemHeight = static_cast<UINT>(std::max(height, 1));
        m.Result = TRUE;
        return;
    }
    if (m.Msg == CN_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
        TOwnerDrawState state = 0;
        if (dis->itemState & ODS_SELECTED) state |= odSelected;
        if (dis->itemState & ODS_DISABLED) state |= odDisabled;
        if (dis->itemState & ODS_FOCUS) state |= odFocused;
        if (dis->itemState & ODS_COMBOBOXEDIT) state |= odComboBoxEdit;
        const int saved = ::SaveDC(dis->hDC);
        canvas_.SetHandle(dis->hDC);
        canvas_.Font().Assign(Font());
        DrawItem(static_cast<int>(dis->itemID), dis->rcItem, state);
        if ((dis->itemState & ODS_FOCUS) && (dis->itemAction & ODA_FOCUS) == 0) ::DrawFocusRect(dis->hDC, &dis->rcItem);
        canvas_.SetHandle(nullptr);
        ::RestoreDC(dis->hDC, saved);
        m.Result = TRUE;
        return;
    }
    if (m.Msg == CN_COMMAND) {
        switch (HIWORD(m.WParam)) {
        case CBN_SELCHANGE:
            Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
            Select();
            Change();
            break;
        case CBN_EDITCHANGE:
            Change();
            break;
        case CBN_DROPDOWN:
            DropDown();
            break;
        case CBN_CLOSEUP:
            CloseUp();
            break;
        }
        return;
    }
    TWinControl::WndProc(m);
}

void TComboBox::Change() {
    if (OnChange && CanFire()) OnChange(this);
}

void TComboBox::Select() {
    if (OnSelect && CanFire()) OnSelect(this);
}

void TComboBox::DropDown() {
    if (OnDropDown && CanFire()) OnDropDown(this);
}

void TComboBox::CloseUp() {
    if (OnCloseUp && CanFire()) OnCloseUp(this);
}

// ---------------------------------------------------------------- TMemo

namespace {

// The lines TStrings::SetText makes of a text, counted without making them.
int LineCount(std::wstring_view text) {
    int count = 0;
    for (size_t start = 0; start < text.size(); ++count) {
        const size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos) return count + 1;
        start = end + 1;
        if (text[end] == L'\r' && start < text.size() && text[start] == L'\n') ++start;
    }
    return count;
}

bool EndsWithLineBreak(std::wstring_view text) {
    return !text.empty() && (text.back() == L'\n' || text.back() == L'\r');
}

}  // namespace

TStringList TMemoStrings::Split() const {
    TStringList lines;
    lines.SetText(memo_.Text());
    return lines;
}

int TMemoStrings::Count() const { return memo_.ReadText(LineCount); }

std::wstring TMemoStrings::Get(int index) const { return Split().Get(index); }

// A line added at the end goes in through the window as it is: the text is
// read where the control keeps it, neither copied nor split into lines (a log
// that grows by a line at a time would cost its whole length several times
// over per line, and fragment the heap with it).
int TMemoStrings::Add(const std::wstring& value) {
    const auto [index, lineBreakFirst] = memo_.ReadText([](std::wstring_view text) {
        // Empty text counts as ending with a line break: the first line gets
        // no line break in front of it.
        return std::pair{LineCount(text), !text.empty() && !EndsWithLineBreak(text)};
    });
    memo_.AppendText(lineBreakFirst ? L"\r\n" + value : value + L"\r\n");
    return index;
}

void TMemoStrings::Insert(int index, const std::wstring& value) {
    if (index == Count()) {
        Add(value);
        return;
    }
    const std::wstring text = memo_.Text();
    TStringList lines;
    lines.SetText(text);
    CheckIndex(index, lines.Count() + 1);
    lines.Insert(index, value);
    std::wstring joined = lines.Text();
    if (!EndsWithLineBreak(text)) joined.resize(joined.size() - 2);
    memo_.SetText(joined);
}

void TMemoStrings::Delete(int index) {
    const std::wstring text = memo_.Text();
    TStringList lines;
    lines.SetText(text);
    lines.Delete(index);
    std::wstring joined = lines.Text();
    if (!EndsWithLineBreak(text) && !joined.empty()) joined.resize(joined.size() - 2);
    memo_.SetText(joined);
}

void TMemoStrings::Clear() { memo_.SetText({}); }

std::wstring TMemoStrings::Text() const { return memo_.Text(); }

void TMemoStrings::SetText(std::wstring_view text) { memo_.SetText(std::wstring(text)); }

void TMemoStrings::SetUpdateState(bool updating) {
    if (HWND wnd = memo_.HandleIfAllocated()) {
        ::SendMessageW(wnd, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
        if (!updating) ::InvalidateRect(wnd, nullptr, TRUE);
    }
}

TMemo::TMemo(TComponent* owner) : TWinControl(owner), lines_(*this) {
    SetTabStop(true);
    SetColor(clWindow);
}

TMemo::~TMemo() { DestroyHandle(); }

void TMemo::SetReadOnly(bool value) {
    readOnly_ = value;
    if (HWND wnd = HandleIfAllocated()) ::SendMessageW(wnd, EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TMemo::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    RecreateWnd();
}

void TMemo::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_) return;
    scrollBars_ = value;
    RecreateWnd();
}

// A multi-line edit control lends its text buffer (EM_GETHANDLE) to be read
// in place, and takes it back at its next use of the text.
TMemo::TLockedText::TLockedText(const TMemo& memo) {
    HWND wnd = memo.HandleIfAllocated();
    if (!wnd) {
        view_ = memo.text_;
        return;
    }
    buffer_ = reinterpret_cast<HLOCAL>(::SendMessageW(wnd, EM_GETHANDLE, 0, 0));
    const auto* text = buffer_ ? static_cast<const wchar_t*>(::LocalLock(buffer_)) : nullptr;
    if (text) {
        view_ = std::wstring_view(text, ::wcsnlen(text, ::LocalSize(buffer_) / sizeof(wchar_t)));
        return;
    }
    buffer_ = nullptr;
    copy_.resize(static_cast<size_t>(::GetWindowTextLengthW(wnd)) + 1);
    copy_.resize(static_cast<size_t>(std::max(::GetWindowTextW(wnd, copy_.data(), static_cast<int>(copy_.size())), 0)));
    view_ = copy_;
}

TMemo::TLockedText::~TLockedText() {
    if (buffer_) ::LocalUnlock(buffer_);
}

void TMemo::AddLastLine(std::wstring_view line) {
    const bool lineBreakFirst = ReadText([](std::wstring_view text) { return !text.empty() && !EndsWithLineBreak(text); });
    std::wstring added = lineBreakFirst ? L"\r\n" + std::wstring(line) : std::wstring(line) + L"\r\n";
    if (added.ends_with(L"\r\n")) added.resize(added.size() - 2);
    if (!added.empty()) AppendText(added);
}

void TMemo::AppendText(const std::wstring& text) {
    HWND wnd = HandleIfAllocated();
    if (!wnd) {
        text_ += text;
        return;
    }
    const int len = ::GetWindowTextLengthW(wnd);
    ReserveText(wnd, static_cast<size_t>(len) + text.size());
    ::SendMessageW(wnd, EM_SETSEL, static_cast<WPARAM>(len), len);
    ::SendMessageW(wnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

// The edit control grows its text buffer a few characters beyond what it
// needs, each time in a new block of the process heap: a text that grows by
// a line at a time leaves behind it a trail of freed blocks each too small
// for the next size, and under Wine the heap grew by several megabytes over
// a 64 K character log. The memo hands the control a buffer of twice the
// length instead whenever the text would not fit (the control owns it from
// then on and frees it with the window), so the buffer moves a dozen times
// over such a log rather than at every line.
void TMemo::ReserveText(HWND wnd, size_t length) {
    if (length + 1 <= textCapacity_) return;
    const auto old = reinterpret_cast<HLOCAL>(::SendMessageW(wnd, EM_GETHANDLE, 0, 0));
    if (!old) return;
    const size_t capacity = std::max<size_t>(4096, (length + 1) * 2);
    HLOCAL buffer = ::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, capacity * sizeof(wchar_t));
    if (!buffer) return;
    const auto* from = static_cast<const wchar_t*>(::LocalLock(old));
    auto* to = static_cast<wchar_t*>(::LocalLock(buffer));
    if (from && to) std::wmemcpy(to, from, std::min(::wcsnlen(from, ::LocalSize(old) / sizeof(wchar_t)), capacity - 1));
    if (to) ::LocalUnlock(buffer);
    if (from) ::LocalUnlock(old);
    ::SendMessageW(wnd, EM_SETHANDLE, reinterpret_cast<WPARAM>(buffer), 0);
    ::LocalFree(old);
    textCapacity_ = capacity;
}

void TMemo::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClass = L"EDIT";
    p.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
    if (!wordWrap_) p.Style |= ES_AUTOHSCROLL;
    if (readOnly_) p.Style |= ES_READONLY;
    if (scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth) p.Style |= WS_VSCROLL;
    if (scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth) p.Style |= WS_HSCROLL;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TMemo::CreateHandleDone() {
    TWinControl::CreateHandleDone();
    ::SendMessageW(HandleIfAllocated(), EM_SETSEL, savedSelStart_, static_cast<LPARAM>(savedSelEnd_));
    savedSelStart_ = savedSelEnd_ = 0;
}

void TMemo::DestroyWnd() {
    textCapacity_ = 0;
    ::SendMessageW(HandleIfAllocated(), EM_GETSEL, reinterpret_cast<WPARAM>(&savedSelStart_),
                   reinterpret_cast<LPARAM>(&savedSelEnd_));
    TWinControl::DestroyWnd();
}

void TMemo::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (HIWORD(m.WParam) == EN_CHANGE) Change();
        return;
    case WM_CREATE:
        TWinControl::WndProc(m);
        // No limit beyond memory (the default stops at 32767 characters).
        ::SendMessageW(HandleIfAllocated(), EM_SETLIMITTEXT, 0, 0);
        return;
    default:
        TWinControl::WndProc(m);
    }
}

void TMemo::Change() {
    Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this));
    if (OnChange && CanFire()) OnChange(this);
}

}  // namespace fw
