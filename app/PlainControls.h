#pragma once
// The main window's controls that are not skinned yet: the framework's plain
// controls under the skinned names, so that window classes ("TsComboBox",
// "TsMemo") are the same before and after: tools that find Quillon's windows
// look for these class names.
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

namespace app {

class TsComboBox : public fw::TComboBox {
public:
    using fw::TComboBox::TComboBox;
    const wchar_t* ClassName() const override { return L"TsComboBox"; }
};

class TsMemo : public fw::TMemo {
public:
    using fw::TMemo::TMemo;
    const wchar_t* ClassName() const override { return L"TsMemo"; }
};

}  // namespace app
