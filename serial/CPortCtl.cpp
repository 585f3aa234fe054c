#include "serial/CPortCtl.h"

#include <utility>

#include "serial/ComSettingsText.h"
#include "serial/PortList.h"

namespace serial {

// ---------------------------------------------------------------- TComSelect

void TComSelect::Fill(std::span<const std::wstring_view> texts) {
    FItems->BeginUpdate();
    try {
        FItems->Clear();
        for (std::wstring_view text : texts) FItems->Add(std::wstring(text));
    } catch (...) {
        FItems->EndUpdate();
        throw;
    }
    FItems->EndUpdate();
}

void TComSelect::SelectPort() {
    FItems->Clear();
    ListSerialPorts(*FItems);
}

void TComSelect::SelectBaudRate() { Fill(BaudRateTexts()); }
void TComSelect::SelectDataBits() { Fill(DataBitsTexts()); }
void TComSelect::SelectStopBits() { Fill(StopBitsTexts()); }
void TComSelect::SelectParity() { Fill(ParityTexts()); }
void TComSelect::SelectFlowControl() { Fill(FlowControlTexts()); }

void TComSelect::SetComProperty(TComProperty value) {
    FComProperty = value;
    FChosen = false;
    if (!FItems) return;
    switch (value) {
    case TComProperty::cpNone: FItems->Clear(); break;
    case TComProperty::cpPort: SelectPort(); break;
    case TComProperty::cpBaudRate: SelectBaudRate(); break;
    case TComProperty::cpDataBits: SelectDataBits(); break;
    case TComProperty::cpStopBits: SelectStopBits(); break;
    case TComProperty::cpParity: SelectParity(); break;
    case TComProperty::cpFlowControl: SelectFlowControl(); break;
    }
}

void TComSelect::Change(const std::wstring& text) {
    switch (FComProperty) {
    case TComProperty::cpNone: return;
    case TComProperty::cpPort: FPort = text; break;
    case TComProperty::cpBaudRate: FBaudRate = TextToBaudRate(text); break;
    case TComProperty::cpDataBits: FDataBits = TextToDataBits(text); break;
    case TComProperty::cpStopBits: FStopBits = TextToStopBits(text); break;
    case TComProperty::cpParity: FParity = TextToParity(text); break;
    case TComProperty::cpFlowControl: FFlowControl = TextToFlowControl(text); break;
    }
    FChosen = true;
    if (FAutoApply) ApplySettings();
}

void TComSelect::ApplySettings() {
    if (!FComPort || !FChosen) return;
    switch (FComProperty) {
    case TComProperty::cpNone: break;
    case TComProperty::cpPort: FComPort->SetPort(FPort); break;
    case TComProperty::cpBaudRate: FComPort->SetBaudRate(FBaudRate); break;
    case TComProperty::cpDataBits: FComPort->SetDataBits(FDataBits); break;
    case TComProperty::cpStopBits: FComPort->SetStopBits(FStopBits); break;
    case TComProperty::cpParity: FComPort->Parity().SetBits(FParity); break;
    case TComProperty::cpFlowControl: FComPort->FlowControl().SetFlowControl(FFlowControl); break;
    }
}

void TComSelect::UpdateSettings(int& itemIndex) {
    if (!FComPort || !FItems || FComProperty == TComProperty::cpNone) return;
    std::wstring text;
    switch (FComProperty) {
    case TComProperty::cpNone: return;
    case TComProperty::cpPort: text = FComPort->Port(); break;
    case TComProperty::cpBaudRate: text = BaudRateToText(FComPort->BaudRate()); break;
    case TComProperty::cpDataBits: text = DataBitsToText(FComPort->DataBits()); break;
    case TComProperty::cpStopBits: text = StopBitsToText(FComPort->StopBits()); break;
    case TComProperty::cpParity: text = ParityToText(FComPort->Parity().Bits()); break;
    case TComProperty::cpFlowControl: text = FlowControlToText(FComPort->FlowControl().FlowControl()); break;
    }
    itemIndex = FItems->IndexOf(text);
    if (itemIndex > -1) {
        // Keep the choice without applying it: it is the port's own value.
        const bool autoApply = std::exchange(FAutoApply, false);
        Change(FItems->Get(itemIndex));
        FAutoApply = autoApply;
    }
}

// ---------------------------------------------------------------- TComComboBox

TComComboBox::TComComboBox(fw::TComponent* owner) : fw::TComboBox(owner), FComSelect(std::make_unique<TComSelect>()) {
    FComSelect->SetItems(&Items());
    SetStyle(fw::TComboBoxStyle::csDropDownList);
}

void TComComboBox::SetComPort(TCustomComPort* value) {
    TCustomComPort* old = FComSelect->ComPort();
    if (value == old) return;
    if (old) RemoveFreeNotification(old);
    FComSelect->SetComPort(value);
    if (value) {
        FreeNotification(value);
        UpdateSettings();
    }
}

void TComComboBox::SetComProperty(TComProperty value) {
    FComSelect->SetComProperty(value);
    if (Items().Count() == 0) return;
    if (!FComSelect->ComPort())
        SetItemIndex(0);
    else
        UpdateSettings();
}

std::wstring TComComboBox::Text() {
    const int index = ItemIndex();
    return index < 0 ? std::wstring() : Items().Get(index);
}

void TComComboBox::SetText(const std::wstring& text) {
    if (const int index = Items().IndexOf(text); index >= 0) SetItemIndex(index);
}

void TComComboBox::ApplySettings() { FComSelect->ApplySettings(); }

void TComComboBox::UpdateSettings() {
    int index = ItemIndex();
    FComSelect->UpdateSettings(index);
    SetItemIndex(index);
}

void TComComboBox::Change() {
    FComSelect->Change(Text());
    fw::TComboBox::Change();
}

void TComComboBox::Notification(fw::TComponent* component, fw::TOperation operation) {
    fw::TComboBox::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == FComSelect->ComPort()) {
        FComSelect->SetComPort(nullptr);
        if (Items().Count() > 0) SetItemIndex(0);
    }
}

}  // namespace serial
