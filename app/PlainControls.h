#pragma once
// The main window's control classes. Until the skinned controls take their
// place they are the framework's plain controls under the skinned names, so
// that window classes ("TsPanel", "TsButton", and
// "TForm1" for the window itself) are the same before and after: tools that
// find Quillon's windows look for these class names. The label has no window.
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

namespace app {

class TsPanel : public fw::TPanel {
public:
    using fw::TPanel::TPanel;
    const wchar_t* ClassName() const override { return L"TsPanel"; }
};

class TsLabel : public fw::TLabel {
public:
    using fw::TLabel::TLabel;
    const wchar_t* ClassName() const override { return L"TsLabel"; }
};

class TsButton : public fw::TButton {
public:
    using fw::TButton::TButton;
    const wchar_t* ClassName() const override { return L"TsButton"; }
};

}  // namespace app
