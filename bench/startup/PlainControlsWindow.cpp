// The yardstick for the skinned controls: Quillon's main window as it was
// with the framework's plain panel, label and button (same layout, the same
// skin manager loading the stored skin, the same manifest), so that the
// start-up benchmark shows what painting the controls from the skin costs.
#include <windows.h>

#include "app/PlainControls.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "skin/SkinManagerSetup.h"
#include "skin/sSkinManager.h"
#include "skins/OpusSkin.h"

namespace {

class TPlainPanel : public fw::TPanel {
public:
    using fw::TPanel::TPanel;
    const wchar_t* ClassName() const override { return L"TsPanel"; }
};

class TPlainButton : public fw::TButton {
public:
    using fw::TButton::TButton;
    const wchar_t* ClassName() const override { return L"TsButton"; }
};

class TPlainForm : public fw::TForm {
public:
    explicit TPlainForm(fw::TComponent* owner) : fw::TForm(owner) {
        BeginLoading();
        SetCaption(L"Quillon");
        SetClientWidth(200);
        SetClientHeight(112);
        SetBorderStyle(fw::TFormBorderStyle::bsSingle);
        SetBorderIcons(fw::biSystemMenu | fw::biMinimize);
        SetPosition(fw::TPosition::poScreenCenter);
        Font().SetName(L"Tahoma");
        Font().SetHeight(-11);
        SetPixelsPerInch(96);

        auto* panel = new TPlainPanel(this);
        panel->SetParent(this);
        panel->SetBounds(0, 0, 200, 112);
        panel->SetAlign(fw::TAlign::alClient);
        auto* label = new fw::TLabel(this);
        label->SetParent(panel);
        label->SetBounds(8, 12, 24, 13);
        label->SetCaption(L"Port:");
        auto* button = new TPlainButton(this);
        button->SetParent(panel);
        button->SetBounds(118, 79, 75, 25);
        button->SetCaption(L"Check");
        auto* combo = new app::TsComboBox(this);
        combo->SetParent(panel);
        combo->SetBounds(38, 9, 71, 21);
        combo->SetStyle(fw::TComboBoxStyle::csDropDownList);
        auto* memo = new app::TsMemo(this);
        memo->SetParent(panel);
        memo->SetBounds(8, 36, 185, 37);
        memo->SetReadOnly(true);
        auto* manager = new skin::TsSkinManager(this);
        skin::ConfigureMainSkinManager(*manager, skins::OpusSkinArchive());
        EndLoading();
    }
    // The benchmark finds the window by this class name.
    const wchar_t* ClassName() const override { return L"TPlainForm1"; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    fw::TApplication& application = fw::Application();
    try {
        application.Initialize();
        application.SetMainFormOnTaskBar(true);
        application.SetTitle(L"Quillon");
        application.CreateForm<TPlainForm>();
        application.Run();
    } catch (...) {
        application.HandleException(std::current_exception());
    }
    return 0;
}
