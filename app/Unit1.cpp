#include "app/Unit1.h"

#include "app/ReplyDisplay.h"
#include "framework/Dpi.h"
#include "framework/Trace.h"
#include "serial/AdapterCheckPort.h"
#include "serial/PortList.h"
#include "skin/SkinManagerSetup.h"
#include "skinctrl/frame/sSkinProvider.h"
#include "skins/OpusSkin.h"

namespace app {

TForm1::TForm1(fw::TComponent* owner, std::shared_ptr<serial::TCommDevice> commDevice) : fw::TForm(owner) {
    BeginLoading();
    SetName(L"Form1");
    SetBounds(0, 0, Width(), Height());
    SetCaption(L"Quillon");
    SetClientWidth(200);
    SetClientHeight(112);
    SetBorderStyle(fw::TFormBorderStyle::bsSingle);
    SetBorderIcons(fw::biSystemMenu | fw::biMinimize);
    SetPosition(fw::TPosition::poScreenCenter);
    SetColor(fw::clBtnFace);
    Font().SetName(L"Tahoma");
    Font().SetHeight(-11);
    Font().SetColor(fw::clWindowText);
    Font().SetCharset(DEFAULT_CHARSET);
    Font().SetStyle(0);
    SetPixelsPerInch(96);
    OnCreate = [this](fw::TObject* s) { FormCreate(s); };
    OnClose = [this](fw::TObject* s, fw::TCloseAction& action) { FormClose(s, action); };

    sPanel1 = new TsPanel(this);
    sPanel1->SetName(L"sPanel1");
    sPanel1->SetParent(this);
    sPanel1->SetBounds(0, 0, 200, 112);
    sPanel1->SetAlign(fw::TAlign::alClient);
    sPanel1->SetTabOrder(0);

    sLabel1 = new TsLabel(this);
    sLabel1->SetName(L"sLabel1");
    sLabel1->SetParent(sPanel1);
    sLabel1->SetBounds(8, 12, 24, 13);
    sLabel1->SetCaption(L"Port:");

    sButton1 = new TsButton(this);
    sButton1->SetName(L"sButton1");
    sButton1->SetParent(sPanel1);
    sButton1->SetBounds(118, 79, 75, 25);
    sButton1->SetCaption(L"Check");
    sButton1->SetTabOrder(0);
    sButton1->OnClick = [this](fw::TObject* s) { sButton1Click(s); };

    sComboBox1 = new skinctrl::TsComboBox(this);
    sComboBox1->SetName(L"sComboBox1");
    sComboBox1->SetParent(sPanel1);
    sComboBox1->SetBounds(38, 9, 71, 21);
    sComboBox1->SetStyle(fw::TComboBoxStyle::csDropDownList);
    // The selected port stays in the middle of the box at every scale.
    sComboBox1->SetVerticalAlignment(skinctrl::TVerticalAlignment::taVerticalCenter);
    sComboBox1->SetTabOrder(1);

    sMemo1 = new skinctrl::TsMemo(this);
    sMemo1->SetName(L"sMemo1");
    sMemo1->SetParent(sPanel1);
    sMemo1->SetBounds(8, 36, 185, 37);
    sMemo1->SetReadOnly(true);
    sMemo1->SetCursor(IDC_ARROW);
    sMemo1->SetTabOrder(2);
    sMemo1->OnChange = [this](fw::TObject* s) { sMemo1Change(s); };
    sMemo1->OnEnter = [this](fw::TObject* s) { sMemo1Enter(s); };
    sMemo1->OnMouseDown = [this](fw::TObject* s, fw::TMouseButton b, fw::TShiftState sh, int x, int y) {
        sMemo1MouseDown(s, b, sh, x, y);
    };

    // The manager's hook gives the window its skinned frame at its first activation.
    skinctrl::InstallFormFrames();
    sSkinManager1 = new skin::TsSkinManager(this);
    sSkinManager1->SetName(L"sSkinManager1");
    // The skin is read at the scale of the DPI the window is made at (the
    // system's); the form tells every later DPI of its window.
    sSkinManager1->SetPixelsPerInch(fw::SystemDpi());
    OnAfterMonitorDpiChanged = [this](fw::TObject*, int, int dpi) { sSkinManager1->SetPixelsPerInch(dpi); };
    skin::ConfigureMainSkinManager(*sSkinManager1, skins::OpusSkinArchive());

    ComPort = new serial::TComPort(this, std::move(commDevice));
    ComPort->SetName(L"ComPort");
    serial::ConfigureAdapterCheckPort(*ComPort);
    ComPort->OnAfterOpen = [this](fw::TObject* s) { ComPortAfterOpen(s); };
    ComPort->OnAfterClose = [this](fw::TObject* s) { ComPortAfterClose(s); };
    ComPort->OnRxChar = [this](fw::TObject* s, int count) { ComPortRxChar(s, count); };
    ComPort->OnError = [this](fw::TObject* s, serial::TComErrors errors) { ComPortError(s, errors); };

    Timer1 = new fw::TTimer(this);
    Timer1->SetName(L"Timer1");
    Timer1->SetOnTimer([this](fw::TObject* s) { Timer1Timer(s); });

    EndLoading();
}

namespace {

bool SameItems(const fw::TStrings& a, const fw::TStrings& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.Get(i) != b.Get(i)) return false;
    return true;
}

}  // namespace

// Runs every second: when nothing has changed it changes nothing, so that an
// idle window does not read the system's list, nor rebuild and repaint its
// own, each time. The outcome is that of replacing the items with the
// system's list and selecting the first one: nothing but this changes the
// items.
void TForm1::RefreshPortList() {
    fw::TStrings& items = sComboBox1->Items();
    if (portListWatch_.Changed()) {
        fw::TStringList ports;
        ports.Assign(items);  // kept as they are when the system's list cannot be read
        serial::ListSerialPorts(ports);
        if (!SameItems(ports, items)) items.Assign(ports);
    }
    if (items.Count() > 0 && sComboBox1->ItemIndex() != 0) sComboBox1->SetItemIndex(0);
    sButton1->SetEnabled(!sComboBox1->Text().empty());
}

void TForm1::FormCreate(fw::TObject* /*sender*/) { RefreshPortList(); }

void TForm1::Timer1Timer(fw::TObject* /*sender*/) { RefreshPortList(); }

void TForm1::sMemo1Change(fw::TObject* /*sender*/) { ::HideCaret(sMemo1->Handle()); }

void TForm1::sMemo1MouseDown(fw::TObject* /*sender*/, fw::TMouseButton /*button*/, fw::TShiftState /*shift*/, int /*x*/,
                             int /*y*/) {
    ::HideCaret(sMemo1->Handle());
}

void TForm1::sMemo1Enter(fw::TObject* /*sender*/) { sPanel1->SetFocus(); }

void TForm1::sButton1Click(fw::TObject* /*sender*/) {
    using fw::trace::Mark;
    using fw::trace::TPoint;
    Mark(TPoint::ClickHandler);
    if (ComPort->Connected()) {
        ComPort->Close();
        Mark(TPoint::PortClosed);
    } else {
        sMemo1->Lines().Clear();
    }
    const std::wstring port = sComboBox1->Text();
    ComPort->SetPort(port);
    ComPort->Open();
    Mark(TPoint::PortOpened);
    sMemo1->Lines().Add(L"Connect to " + port + L" port is OK.");
    ComPort->WriteStr(L"ATI\r\n");
    Mark(TPoint::CommandWritten);
}

void TForm1::ComPortRxChar(fw::TObject* /*sender*/, int count) {
    fw::trace::Mark(fw::trace::TPoint::RxHandler);
    std::wstring reply;
    ComPort->ReadStr(reply, count);
    fw::trace::Mark(fw::trace::TPoint::ReplyRead);
    const std::optional<std::wstring> line = DeviceFoundLine(std::move(reply));
    if (!line) return;
    sMemo1->AddLastLine(*line);
    fw::trace::Mark(fw::trace::TPoint::MemoTextSet);
    // The answer is what the user waits for: painted now, not when the
    // thread has no other message left (the button's fade ticks among them).
    sMemo1->Update();
}

void TForm1::ComPortError(fw::TObject* /*sender*/, serial::TComErrors /*errors*/) { ComPort->Close(); }

void TForm1::ComPortAfterOpen(fw::TObject* /*sender*/) {}

void TForm1::ComPortAfterClose(fw::TObject* /*sender*/) {}

void TForm1::FormClose(fw::TObject* /*sender*/, fw::TCloseAction& /*action*/) { ComPort->Close(); }

}  // namespace app
