#pragma once
// The port setup dialog: port name, baud rate, data bits, stop bits, parity
// and flow control picked from drop-down lists and applied on OK.
#include "framework/GroupBox.h"
#include "framework/ModalForm.h"
#include "framework/StdCtrls.h"
#include "serial/CPortCtl.h"
#include "serial/ComPort.h"

namespace serial {

class TComSetupFrm : public fw::TModalForm {
public:
    explicit TComSetupFrm(fw::TComponent* owner);
    const wchar_t* ClassName() const override { return L"TComSetupFrm"; }

    // Owned by the form, as components.
    fw::TGroupBox* GroupBox1;
    fw::TLabel* Label1;
    fw::TLabel* Label2;
    fw::TLabel* Label3;
    fw::TLabel* Label4;
    fw::TLabel* Label5;
    fw::TLabel* Label6;
    TComComboBox* Combo1;
    TComComboBox* Combo2;
    TComComboBox* Combo3;
    TComComboBox* Combo4;
    TComComboBox* Combo5;
    TComComboBox* Combo6;
    fw::TModalButton* Button1;
    fw::TModalButton* Button2;
};

// Runs the setup dialog for port. On OK the choices are set on the port
// inside one update bracket, so an open port gets them all at once; with
// Cancel nothing changes. An error while applying propagates, with the
// bracket closed and the dialog freed.
void ShowSetupDialog(TCustomComPort& port);

}  // namespace serial
