#pragma once
// The main window: a port list that follows the system's serial ports, the
// "Check" button and the result memo.
#include <memory>

#include "app/PortListWatch.h"
#include "framework/Forms.h"
#include "serial/ComPort.h"
#include "skin/sSkinManager.h"
#include "skinctrl/adapters/sComboBox.h"
#include "skinctrl/adapters/sMemo.h"
#include "skinctrl/controls/sButton.h"
#include "skinctrl/controls/sLabel.h"
#include "skinctrl/controls/sPanel.h"

namespace app {

using skinctrl::TsButton;
using skinctrl::TsComboBox;
using skinctrl::TsLabel;
using skinctrl::TsMemo;
using skinctrl::TsPanel;

class TForm1 : public fw::TForm {
public:
    // Creates the components in the order of the window's description and
    // sets their stored properties; OnCreate runs from AfterConstruction.
    // commDevice: the system calls ComPort makes (the kernel's; tests give
    // a scripted device, to check the window against any line).
    explicit TForm1(fw::TComponent* owner,
                    std::shared_ptr<serial::TCommDevice> commDevice = serial::KernelCommDevice());
    const wchar_t* ClassName() const override { return L"TForm1"; }

    TsPanel* sPanel1;
    TsLabel* sLabel1;
    TsButton* sButton1;
    TsComboBox* sComboBox1;
    TsMemo* sMemo1;
    skin::TsSkinManager* sSkinManager1;
    serial::TComPort* ComPort;
    fw::TTimer* Timer1;

    void FormCreate(fw::TObject* sender);
    void Timer1Timer(fw::TObject* sender);
    void sMemo1Change(fw::TObject* sender);
    void sMemo1MouseDown(fw::TObject* sender, fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    void sMemo1Enter(fw::TObject* sender);

    void sButton1Click(fw::TObject* sender);
    void ComPortRxChar(fw::TObject* sender, int count);
    void ComPortError(fw::TObject* sender, serial::TComErrors errors);
    void ComPortAfterOpen(fw::TObject* sender);
    void ComPortAfterClose(fw::TObject* sender);
    void FormClose(fw::TObject* sender, fw::TCloseAction& action);

    // Fills the list from the system, selects the first port, and enables
    // "Check" only when a port is shown.
    void RefreshPortList();

private:
    TPortListWatch portListWatch_;
};

}  // namespace app
