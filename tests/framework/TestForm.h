#pragma once
// The test form shared by the framework's window tests: a panel filling a
// shown form, with a label, a button, a combo box and a memo on it, and a
// spy that logs what a control's WindowProc sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "tests/support/Gui.h"

namespace testform {

using namespace std::chrono_literals;

using testsupport::PumpUntil;

inline void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

// Records the messages a control's WindowProc sees, then passes them on.
struct Spy {
    fw::TControl* control;
    std::vector<fw::TMessage> seen;
    std::function<bool(fw::TMessage&)> swallow;
    explicit Spy(fw::TControl* c) : control(c) {
        c->WindowProc.Install(this, [this](fw::TMessage& m) {
            seen.push_back(m);
            if (swallow && swallow(m)) return;
            control->WindowProc.CallNext(this, m);
        });
    }
    Spy(const Spy&) = delete;
    Spy& operator=(const Spy&) = delete;
    ~Spy() { control->WindowProc.Remove(this); }
    int Count(UINT msg) const {
        return static_cast<int>(std::count_if(seen.begin(), seen.end(), [msg](const auto& m) { return m.Msg == msg; }));
    }
    const fw::TMessage* Last(UINT msg) const {
        for (auto it = seen.rbegin(); it != seen.rend(); ++it) {
            if (it->Msg == msg) return &*it;
        }
        return nullptr;
    }
};

class TestForm : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application().SetTitle(L"Controls Test");
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::TFormBorderStyle::bsSingle);
        form->SetClientWidth(300);
        form->SetClientHeight(200);
        form->SetCaption(L"Controls");
        panel = new fw::TPanel(form.get());
        panel->SetParent(form.get());
        panel->SetAlign(fw::TAlign::alClient);
        label = new fw::TLabel(form.get());
        label->SetParent(panel);
        label->SetBounds(10, 10, 40, 13);
        label->SetCaption(L"Label:");
        button = new fw::TButton(form.get());
        button->SetParent(panel);
        button->SetBounds(200, 160, 75, 25);
        button->SetCaption(L"&Go");
        combo = new fw::TComboBox(form.get());
        combo->SetParent(panel);
        combo->SetBounds(60, 8, 100, 21);
        combo->SetStyle(fw::TComboBoxStyle::csDropDownList);
        memo = new fw::TMemo(form.get());
        memo->SetParent(panel);
        memo->SetBounds(10, 40, 280, 100);
        form->SetPosition(fw::TPosition::poScreenCenter);
        form->Show();
        ::SetForegroundWindow(form->Handle());
        Pump(50ms);
    }
    void TearDown() override {
        form.reset();
        fw::Application().OnException = nullptr;
    }

    std::unique_ptr<fw::TForm> form;
    fw::TPanel* panel = nullptr;
    fw::TLabel* label = nullptr;
    fw::TButton* button = nullptr;
    fw::TComboBox* combo = nullptr;
    fw::TMemo* memo = nullptr;
};

}  // namespace testform
