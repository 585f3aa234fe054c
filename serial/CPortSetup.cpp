#include "serial/CPortSetup.h"

#include <array>
#include <exception>
#include <memory>

namespace serial {

TComSetupFrm::TComSetupFrm(fw::TComponent* owner) : fw::TModalForm(owner) {
    SetName(L"ComSetupFrm");
    SetCaption(L"Setup");
    SetBorderStyle(fw::TFormBorderStyle::bsDialog);
    SetClientWidth(231);
    SetClientHeight(216);
    SetPosition(fw::TPosition::poScreenCenter);
    SetColor(fw::clBtnFace);
    Font().SetName(L"MS Sans Serif");
    Font().SetHeight(-11);

    GroupBox1 = new fw::TGroupBox(this);
    GroupBox1->SetName(L"GroupBox1");
    GroupBox1->SetParent(this);
    GroupBox1->SetBounds(8, 8, 217, 169);
    GroupBox1->SetCaption(L" Settings ");
    GroupBox1->SetTabOrder(0);

    struct Row {
        fw::TLabel*& label;
        const wchar_t* labelName;
        const wchar_t* caption;
        TComComboBox*& combo;
        const wchar_t* comboName;
        TComProperty property;
    };
    const std::array<Row, 6> rows{{
        {Label1, L"Label1", L"Port", Combo1, L"Combo1", TComProperty::cpPort},
        {Label2, L"Label2", L"Baud rate", Combo2, L"Combo2", TComProperty::cpBaudRate},
        {Label3, L"Label3", L"Data bits", Combo3, L"Combo3", TComProperty::cpDataBits},
        {Label4, L"Label4", L"Stop bits", Combo4, L"Combo4", TComProperty::cpStopBits},
        {Label5, L"Label5", L"Parity", Combo5, L"Combo5", TComProperty::cpParity},
        {Label6, L"Label6", L"Flow control", Combo6, L"Combo6", TComProperty::cpFlowControl},
    }};
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const Row& row = rows[static_cast<size_t>(i)];
        row.label = new fw::TLabel(this);
        row.label->SetName(row.labelName);
        row.label->SetParent(GroupBox1);
        row.label->SetBounds(8, 24 + 24 * i, 0, 13);
        row.label->SetCaption(row.caption);

        row.combo = new TComComboBox(this);
        row.combo->SetName(row.comboName);
        row.combo->SetParent(GroupBox1);
        row.combo->SetBounds(80, 16 + 24 * i, 129, 21);
        row.combo->SetTabStop(true);
        row.combo->SetTabOrder(i);
        row.combo->SetComProperty(row.property);
    }

    Button1 = new fw::TModalButton(this);
    Button1->SetName(L"Button1");
    Button1->SetParent(this);
    Button1->SetBounds(70, 184, 75, 25);
    Button1->SetCaption(L"OK");
    Button1->SetDefault(true);
    Button1->SetModalResult(fw::mrOk);
    Button1->SetTabStop(true);
    Button1->SetTabOrder(1);

    Button2 = new fw::TModalButton(this);
    Button2->SetName(L"Button2");
    Button2->SetParent(this);
    Button2->SetBounds(150, 184, 75, 25);
    Button2->SetCaption(L"Cancel");
    Button2->SetModalResult(fw::mrCancel);
    Button2->SetCancel(true);
    Button2->SetTabStop(true);
    Button2->SetTabOrder(2);
}

void ShowSetupDialog(TCustomComPort& port) {
    auto dialog = std::make_unique<TComSetupFrm>(nullptr);
    TComComboBox* const combos[] = {dialog->Combo1, dialog->Combo2, dialog->Combo3,
                                    dialog->Combo4, dialog->Combo5, dialog->Combo6};
    for (TComComboBox* combo : combos) combo->SetComPort(&port);
    for (TComComboBox* combo : combos) combo->UpdateSettings();
    if (dialog->ShowModal() != fw::mrOk) return;

    // The bracket closes whatever happens: an update count left raised
    // would keep every later change from reaching an open port.
    std::exception_ptr failure;
    port.BeginUpdate();
    try {
        for (TComComboBox* combo : combos) combo->ApplySettings();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        port.EndUpdate();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
}

void TCustomComPort::ShowSetupDialog() { serial::ShowSetupDialog(*this); }

}  // namespace serial
