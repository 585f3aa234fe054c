#pragma once
// Lists that edit one setting of a port: TComSelect fills a list with the
// setting's texts (or the system's port names) and converts between the
// chosen text and the setting; TComComboBox is a drop-down list built on it.
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "framework/StdCtrls.h"
#include "framework/Strings.h"
#include "serial/ComPort.h"
#include "serial/ComTypes.h"

namespace serial {

// Which setting of the port a list edits.
enum class TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

class TComSelect {
public:
    TComSelect() = default;
    TComSelect(const TComSelect&) = delete;
    TComSelect& operator=(const TComSelect&) = delete;

    // The list's lines (not owned); must be set before ComProperty.
    fw::TStrings* Items() const noexcept { return FItems; }
    void SetItems(fw::TStrings* items) noexcept { FItems = items; }
    TComProperty ComProperty() const noexcept { return FComProperty; }
    // Stores the property, refills the items and forgets the kept choice.
    void SetComProperty(TComProperty value);
    TCustomComPort* ComPort() const noexcept { return FComPort; }
    void SetComPort(TCustomComPort* value) noexcept { FComPort = value; }
    // Apply each choice to the port at once.
    bool AutoApply() const noexcept { return FAutoApply; }
    void SetAutoApply(bool value) noexcept { FAutoApply = value; }

    void SelectPort();
    void SelectBaudRate();
    void SelectDataBits();
    void SelectStopBits();
    void SelectParity();
    void SelectFlowControl();

    // The user picked `text`: keep its setting (and apply it with AutoApply).
    void Change(const std::wstring& text);
    // Sets the kept choice on the bound port. Nothing is set before a choice
    // was made or matched: a port whose name the list does not hold keeps it.
    void ApplySettings();
    // The index of the port's current value among the items (-1: none); a
    // value found becomes the kept choice. Without a port or a property the
    // index is left as it is.
    void UpdateSettings(int& itemIndex);

private:
    void Fill(std::span<const std::wstring_view> texts);

    std::wstring FPort;
    TBaudRate FBaudRate = TBaudRate::br9600;
    TDataBits FDataBits = TDataBits::dbEight;
    TStopBits FStopBits = TStopBits::sbOneStopBit;
    TParityBits FParity = TParityBits::prNone;
    TFlowControl FFlowControl = TFlowControl::fcNone;
    bool FChosen = false;
    fw::TStrings* FItems = nullptr;
    TComProperty FComProperty = TComProperty::cpNone;
    TCustomComPort* FComPort = nullptr;
    bool FAutoApply = false;
};

// A drop-down list (no typing) bound to one setting of a port.
class TComComboBox : public fw::TComboBox {
public:
    explicit TComComboBox(fw::TComponent* owner);
    const wchar_t* ClassName() const override { return L"TComComboBox"; }

    TCustomComPort* ComPort() const noexcept { return FComSelect->ComPort(); }
    // Binds the port (told when it is freed) and shows its current value.
    void SetComPort(TCustomComPort* value);
    TComProperty ComProperty() const noexcept { return FComSelect->ComProperty(); }
    // Refills the list and selects the port's value, or the first item without a port.
    void SetComProperty(TComProperty value);
    bool AutoApply() const noexcept { return FComSelect->AutoApply(); }
    void SetAutoApply(bool value) noexcept { FComSelect->SetAutoApply(value); }
    // The selected item, empty when none is selected.
    std::wstring Text();
    // Selects the item equal to text; without one nothing changes.
    void SetText(const std::wstring& text);

    void ApplySettings();
    void UpdateSettings();

protected:
    void Change() override;
    void Notification(fw::TComponent* component, fw::TOperation operation) override;

private:
    std::unique_ptr<TComSelect> FComSelect;
};

}  // namespace serial
