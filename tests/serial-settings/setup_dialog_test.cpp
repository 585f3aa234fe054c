// The port setup dialog, run for real and driven through its windows from a
// second thread, as a user would: keys to the lists, clicks on the buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Handles.h"
#include "serial/CPortSetup.h"
#include "serial/ComPort.h"
#include "tests/support/FakeCommDevice.h"

using namespace serial;
using FakeCommDevice = testserial::TFakeCommDevice;

namespace {

// The system's serial port list, as the dialog's port list reads it.
void SetSystemPorts(const std::vector<std::wstring>& ports) {
    // The key lives below a volatile one, so it is volatile itself.
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
    fw::UniqueHKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    for (size_t i = 0; i < ports.size(); ++i) {
        const std::wstring name = L"\\Device\\Serial" + std::to_wstring(i);
        ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(ports[i].c_str()),
                         static_cast<DWORD>((ports[i].size() + 1) * sizeof(wchar_t)));
    }
}

std::wstring ClassOf(HWND w) {
    wchar_t name[128] = {};
    ::GetClassNameW(w, name, 128);
    return name;
}

std::wstring TextOf(HWND w) {
    wchar_t text[256] = {};
    ::SendMessageTimeoutW(w, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
    return text;
}

LRESULT Send(HWND w, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(w, msg, wParam, lParam, SMTO_BLOCK, 5000, &result);
    return static_cast<LRESULT>(result);
}

// What the driver saw of one window: where it is in the dialog's client area.
struct Child {
    HWND wnd = nullptr;
    HWND parent = nullptr;
    std::wstring cls;
    std::wstring text;
    RECT rect{};  // in the dialog's client coordinates
    LONG_PTR style = 0;
};

struct ComboState {
    std::vector<std::wstring> items;
    int selected = -1;
};

struct DialogSeen {
    bool found = false;
    RECT client{};
    RECT window{};
    LONG_PTR style = 0, exStyle = 0;
    std::wstring caption;
    std::vector<Child> children;
    std::vector<ComboState> combos;  // Combo1 .. Combo6, top to bottom
    std::wstring note;               // what went wrong in the driver

    const Child* Find(const std::wstring& cls, const std::wstring& text) const {
        for (const Child& c : children)
            if (c.cls == cls && c.text == text) return &c;
        return nullptr;
    }
};

HWND FindDialog() {
    HWND w = ::FindWindowW(L"TComSetupFrm", L"Setup");
    return w && ::IsWindowVisible(w) ? w : nullptr;
}

HWND WaitForDialog() {
    for (int i = 0; i < 500; ++i) {
        if (HWND w = FindDialog()) return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

std::vector<HWND> Combos(const DialogSeen& seen) {
    std::vector<const Child*> combos;
    for (const Child& c : seen.children)
        if (c.cls == L"TComComboBox") combos.push_back(&c);
    std::sort(combos.begin(), combos.end(), [](const Child* a, const Child* b) { return a->rect.top < b->rect.top; });
    std::vector<HWND> result;
    for (const Child* c : combos) result.push_back(c->wnd);
    return result;
}

ComboState ReadCombo(HWND combo) {
    ComboState state;
    const int count = static_cast<int>(Send(combo, CB_GETCOUNT));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        state.items.push_back(text);
    }
    state.selected = static_cast<int>(Send(combo, CB_GETCURSEL));
    return state;
}

void Look(HWND dialog, DialogSeen& seen) {
    seen.found = true;
    ::GetClientRect(dialog, &seen.client);
    ::GetWindowRect(dialog, &seen.window);
    seen.style = ::GetWindowLongPtrW(dialog, GWL_STYLE);
    seen.exStyle = ::GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    seen.caption = TextOf(dialog);
    seen.children.clear();
    struct Ctx {
        HWND dialog;
        DialogSeen* seen;
    } ctx{dialog, &seen};
    ::EnumChildWindows(
        dialog,
        [](HWND w, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            Child child;
            child.wnd = w;
            child.parent = ::GetParent(w);
            child.cls = ClassOf(w);
            child.text = TextOf(w);
            child.style = ::GetWindowLongPtrW(w, GWL_STYLE);
            ::GetWindowRect(w, &child.rect);
            ::MapWindowPoints(nullptr, c->dialog, reinterpret_cast<POINT*>(&child.rect), 2);
            c->seen->children.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    seen.combos.clear();
    for (HWND combo : Combos(seen)) seen.combos.push_back(ReadCombo(combo));
}

// Writes what the dialog shows on screen, frame included, as a 24-bit BMP.
void SaveScreenshot(HWND dialog, const char* path) {
    RECT r;
    ::GetWindowRect(dialog, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    fw::WindowDc screen(nullptr);
    fw::UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    fw::UniqueBitmap bitmap(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return;
    {
        fw::SelectObjectScope select(memory.get(), bitmap.get());
        ::BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    ::GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
    const DWORD imageSize = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    if (FILE* f = std::fopen(path, "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
        std::fwrite(bits, 1, imageSize, f);
        std::fclose(f);
    }
}

// Waits until pred holds (up to 5 s).
bool WaitUntil(const std::function<bool()>& pred) {
    for (int i = 0; i < 250; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void PressKey(HWND wnd, WORD key) {
    ::PostMessageW(wnd, WM_KEYDOWN, key, 1);
    ::PostMessageW(wnd, WM_KEYUP, key, 0xC0000001);
}

// Runs the dialog for port while `drive` works it from another thread.
// drive gets the dialog's window and what was seen of it when it appeared;
// it must end the dialog. Should the driver fail, the dialog is closed so
// that the test ends.
DialogSeen RunDialog(TCustomComPort& port, const std::function<void(HWND, DialogSeen&)>& drive,
                     std::exception_ptr* failure = nullptr) {
    DialogSeen seen;
    std::thread driver([&] {
        HWND dialog = WaitForDialog();
        if (!dialog) {
            seen.note = L"the dialog did not appear";
            return;
        }
        Look(dialog, seen);
        drive(dialog, seen);
        if (!WaitUntil([&] { return !::IsWindowVisible(dialog); })) {
            seen.note += L" the driver did not end the dialog;";
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    });
    try {
        port.ShowSetupDialog();
    } catch (...) {
        if (!failure) {
            driver.join();
            throw;
        }
        *failure = std::current_exception();
    }
    driver.join();
    return seen;
}

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

HWND ButtonOf(const DialogSeen& seen, const wchar_t* caption) {
    const Child* c = seen.Find(L"TButton", caption);
    return c ? c->wnd : nullptr;
}

// Moves a list's selection by `steps` with the Down (or Up) key, as a user
// does, and waits until the list shows it.
bool Step(HWND combo, int steps) {
    const int target = static_cast<int>(Send(combo, CB_GETCURSEL)) + steps;
    for (int i = 0; i < std::abs(steps); ++i) PressKey(combo, steps > 0 ? VK_DOWN : VK_UP);
    return WaitUntil([&] { return Send(combo, CB_GETCURSEL) == target; });
}

class SetupDialog : public ::testing::Test {
protected:
    void SetUp() override { SetSystemPorts({L"COM1", L"COM3", L"COM10"}); }

    std::shared_ptr<FakeCommDevice> device = std::make_shared<FakeCommDevice>();
    std::unique_ptr<TComPort> port = [this] {
        auto p = std::make_unique<TComPort>(nullptr, device);
        p->SetEvents({});
        return p;
    }();
};

TEST_F(SetupDialog, LayoutCaptionsAndListsOfADefaultPort) {
    const DialogSeen seen = RunDialog(*port, [](HWND dialog, DialogSeen&) {
        SaveScreenshot(dialog, "setup-dialog.bmp");
        PressKey(dialog, VK_ESCAPE);
    });
    ASSERT_TRUE(seen.found) << std::string(seen.note.begin(), seen.note.end());
    // Escape ended it.
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    EXPECT_EQ(seen.caption, L"Setup");
    EXPECT_EQ(seen.client.right, 231);
    EXPECT_EQ(seen.client.bottom, 216);
    // A dialog frame, centred on the 1024 x 768 screen.
    EXPECT_TRUE(seen.exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(seen.style & WS_THICKFRAME);
    EXPECT_NEAR((seen.window.left + seen.window.right) / 2, 512, 1);
    EXPECT_NEAR((seen.window.top + seen.window.bottom) / 2, 384, 1);

    const Child* group = seen.Find(L"TGroupBox", L" Settings ");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->rect.left, 8);
    EXPECT_EQ(group->rect.top, 8);
    EXPECT_EQ(group->rect.right - group->rect.left, 217);
    EXPECT_EQ(group->rect.bottom - group->rect.top, 169);

    const Child* ok = seen.Find(L"TButton", L"OK");
    const Child* cancel = seen.Find(L"TButton", L"Cancel");
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(ok->rect.left, 70);
    EXPECT_EQ(ok->rect.top, 184);
    EXPECT_EQ(ok->rect.right - ok->rect.left, 75);
    EXPECT_EQ(ok->rect.bottom - ok->rect.top, 25);
    EXPECT_EQ(ok->style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(cancel->rect.left, 150);
    EXPECT_EQ(cancel->rect.top, 184);
    EXPECT_EQ(cancel->rect.right - cancel->rect.left, 75);
    EXPECT_EQ(cancel->rect.bottom - cancel->rect.top, 25);

    // Six drop-down lists in the group box, 24 pixels apart.
    std::vector<const Child*> combos;
    for (const Child& c : seen.children)
        if (c.cls == L"TComComboBox") combos.push_back(&c);
    ASSERT_EQ(combos.size(), 6u);
    std::sort(combos.begin(), combos.end(), [](const Child* a, const Child* b) { return a->rect.top < b->rect.top; });
    for (int i = 0; i < 6; ++i) {
        const Child& c = *combos[static_cast<size_t>(i)];
        EXPECT_EQ(c.parent, group->wnd);
        EXPECT_EQ(c.style & 3, CBS_DROPDOWNLIST);
        EXPECT_EQ(c.rect.left, 8 + 80) << i;
        EXPECT_EQ(c.rect.top, 8 + 16 + 24 * i) << i;
        EXPECT_EQ(c.rect.right - c.rect.left, 129) << i;
        EXPECT_EQ(c.rect.bottom - c.rect.top, 21) << i;
    }

    ASSERT_EQ(seen.combos.size(), 6u);
    using Items = std::vector<std::wstring>;
    EXPECT_EQ(seen.combos[0].items, (Items{L"COM1", L"COM10", L"COM3"}));
    EXPECT_EQ(seen.combos[1].items,
              (Items{L"Custom", L"110", L"300", L"600", L"1200", L"2400", L"4800", L"9600", L"14400", L"19200",
                     L"38400", L"56000", L"57600", L"115200", L"128000", L"256000"}));
    EXPECT_EQ(seen.combos[2].items, (Items{L"5", L"6", L"7", L"8"}));
    EXPECT_EQ(seen.combos[3].items, (Items{L"1", L"1.5", L"2"}));
    EXPECT_EQ(seen.combos[4].items, (Items{L"None", L"Odd", L"Even", L"Mark", L"Space"}));
    EXPECT_EQ(seen.combos[5].items, (Items{L"Hardware", L"Software", L"None", L"Custom"}));
    // The default port's values are selected: COM1, 9600, 8, 1, None, None.
    EXPECT_EQ(seen.combos[0].selected, 0);
    EXPECT_EQ(seen.combos[1].selected, 7);
    EXPECT_EQ(seen.combos[2].selected, 3);
    EXPECT_EQ(seen.combos[3].selected, 0);
    EXPECT_EQ(seen.combos[4].selected, 0);
    EXPECT_EQ(seen.combos[5].selected, 2);

    EXPECT_EQ(port->BaudRate(), TBaudRate::br9600);
    EXPECT_EQ(FindDialog(), nullptr);
}

TEST_F(SetupDialog, LabelsOfTheStoredForm) {
    TComSetupFrm form(nullptr);
    const fw::TLabel* labels[] = {form.Label1, form.Label2, form.Label3, form.Label4, form.Label5, form.Label6};
    const wchar_t* captions[] = {L"Port", L"Baud rate", L"Data bits", L"Stop bits", L"Parity", L"Flow control"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(labels[i]->Caption(), captions[i]);
        EXPECT_EQ(labels[i]->Parent(), form.GroupBox1);
        EXPECT_EQ(labels[i]->Left(), 8);
        EXPECT_EQ(labels[i]->Top(), 24 + 24 * i);
    }
    EXPECT_EQ(form.Font().Name(), L"MS Sans Serif");
    EXPECT_EQ(form.Font().Height(), -11);
    EXPECT_EQ(form.Button1->ModalResult(), fw::mrOk);
    EXPECT_TRUE(form.Button1->Default());
    EXPECT_EQ(form.Button2->ModalResult(), fw::mrCancel);
    EXPECT_EQ(form.GroupBox1->TabOrder(), 0);
    EXPECT_EQ(form.Button1->TabOrder(), 1);
    EXPECT_EQ(form.Button2->TabOrder(), 2);
    const TComComboBox* combos[] = {form.Combo1, form.Combo2, form.Combo3, form.Combo4, form.Combo5, form.Combo6};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(combos[i]->TabOrder(), i);
}

TEST_F(SetupDialog, NineteenThousandTwoHundredThenCancelChangesNothing) {
    const DialogSeen seen = RunDialog(*port, [](HWND, DialogSeen& seen) {
        const auto combos = Combos(seen);
        if (combos.size() != 6 || !Step(combos[1], 2)) seen.note = L"could not pick 19200";
        Click(ButtonOf(seen, L"Cancel"));
    });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    EXPECT_EQ(port->BaudRate(), TBaudRate::br9600);
}

TEST_F(SetupDialog, NineteenThousandTwoHundredThenOk) {
    const DialogSeen seen = RunDialog(*port, [](HWND, DialogSeen& seen) {
        const auto combos = Combos(seen);
        if (combos.size() != 6 || !Step(combos[1], 2)) seen.note = L"could not pick 19200";
        // Enter in a list presses the default button.
        PressKey(combos[1], VK_RETURN);
    });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    EXPECT_EQ(port->BaudRate(), TBaudRate::br19200);
    // The other settings are set to what they were.
    EXPECT_EQ(port->Port(), L"COM1");
    EXPECT_EQ(port->DataBits(), TDataBits::dbEight);
    EXPECT_EQ(port->FlowControl().FlowControl(), TFlowControl::fcNone);
}

TEST_F(SetupDialog, CustomFlowControlShowsAsCustomAndOkLeavesItsFields) {
    port->FlowControl().SetControlRTS(TRTSFlowControl::rtsEnable);
    port->FlowControl().SetXonXoffIn(true);
    port->FlowControl().SetControlDTR(TDTRFlowControl::dtrHandshake);
    const DialogSeen seen = RunDialog(*port, [](HWND, DialogSeen& seen) { Click(ButtonOf(seen, L"OK")); });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    ASSERT_EQ(seen.combos.size(), 6u);
    EXPECT_EQ(seen.combos[5].selected, 3);
    EXPECT_EQ(port->FlowControl().ControlRTS(), TRTSFlowControl::rtsEnable);
    EXPECT_TRUE(port->FlowControl().XonXoffIn());
    EXPECT_FALSE(port->FlowControl().XonXoffOut());
    EXPECT_FALSE(port->FlowControl().OutCTSFlow());
    EXPECT_EQ(port->FlowControl().ControlDTR(), TDTRFlowControl::dtrHandshake);
}

TEST_F(SetupDialog, OkAppliesToAnOpenPortOnce) {
    port->Open();
    ASSERT_TRUE(port->Connected());
    device->ClearCalls();
    const DialogSeen seen = RunDialog(*port, [](HWND, DialogSeen& seen) {
        const auto combos = Combos(seen);
        // 19200 baud, 7 data bits, even parity, hardware flow control.
        if (combos.size() != 6 || !Step(combos[1], 2) || !Step(combos[2], -1) || !Step(combos[4], 2) ||
            !Step(combos[5], -2)) {
            seen.note = L"could not pick the settings";
        }
        Click(ButtonOf(seen, L"OK"));
    });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    EXPECT_TRUE(port->Connected());
    EXPECT_EQ(device->Count("Create"), 0);
    EXPECT_EQ(device->Count("SetupComm"), 1);
    EXPECT_EQ(device->Count("SetCommState"), 1);
    EXPECT_EQ(device->Count("SetCommTimeouts"), 1);
    EXPECT_EQ(device->LastDcb().BaudRate, 19200u);
    EXPECT_EQ(device->LastDcb().ByteSize, 7);
    EXPECT_EQ(device->LastDcb().Parity, EVENPARITY);
    EXPECT_TRUE(device->LastDcb().fOutxCtsFlow);
    EXPECT_EQ(device->LastDcb().fRtsControl, RTS_CONTROL_HANDSHAKE);
}

TEST_F(SetupDialog, AnApplyErrorClosesTheBracketAndTheDialog) {
    device->Missing.insert(L"\\\\.\\COM3");
    port->Open();
    std::exception_ptr failure;
    const DialogSeen seen = RunDialog(
        *port,
        [](HWND, DialogSeen& seen) {
            const auto combos = Combos(seen);
            // COM1 -> COM10 -> COM3, a port that cannot be opened.
            if (combos.size() != 6 || !Step(combos[0], 2) || !Step(combos[1], 1))
                seen.note = L"could not pick COM3 and 14400";
            Click(ButtonOf(seen, L"OK"));
        },
        &failure);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    ASSERT_TRUE(failure);
    try {
        std::rethrow_exception(failure);
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_EQ(e.WinCode(), 2);
    }
    EXPECT_EQ(FindDialog(), nullptr);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->Port(), L"COM3");

    // The bracket is closed: opening applies the settings, and a change
    // reaches the open device at once.
    port->SetPort(L"COM1");
    device->ClearCalls();
    port->Open();
    EXPECT_EQ(device->Count("SetCommState"), 1);
    EXPECT_EQ(device->LastDcb().BaudRate, 9600u);
    port->SetBaudRate(TBaudRate::br38400);
    EXPECT_EQ(device->Count("SetCommState"), 2);
    EXPECT_EQ(device->LastDcb().BaudRate, 38400u);
}

TEST_F(SetupDialog, APortMissingFromTheSystemListKeepsItsName) {
    port->SetPort(L"COM9");
    const DialogSeen seen = RunDialog(*port, [](HWND, DialogSeen& seen) { Click(ButtonOf(seen, L"OK")); });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    ASSERT_EQ(seen.combos.size(), 6u);
    EXPECT_EQ(seen.combos[0].selected, -1);
    EXPECT_EQ(port->Port(), L"COM9");
}

TEST_F(SetupDialog, ClosingTheWindowCancels) {
    const DialogSeen seen = RunDialog(*port, [](HWND dialog, DialogSeen& seen) {
        const auto combos = Combos(seen);
        if (combos.size() != 6 || !Step(combos[3], 2)) seen.note = L"could not pick 2 stop bits";
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    EXPECT_EQ(port->StopBits(), TStopBits::sbOneStopBit);
}

TEST_F(SetupDialog, EscapeFirstClosesAnOpenList) {
    const DialogSeen seen = RunDialog(*port, [](HWND dialog, DialogSeen& seen) {
        const auto combos = Combos(seen);
        if (combos.size() != 6) return;
        Send(combos[1], CB_SHOWDROPDOWN, TRUE);
        if (!WaitUntil([&] { return Send(combos[1], CB_GETDROPPEDSTATE) != 0; })) seen.note = L"the list did not open";
        PressKey(combos[1], VK_ESCAPE);
        if (!WaitUntil([&] { return Send(combos[1], CB_GETDROPPEDSTATE) == 0; })) seen.note += L" the list stayed open";
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (!::IsWindowVisible(dialog)) seen.note += L" the dialog closed with the list";
        PressKey(combos[1], VK_ESCAPE);
    });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.note.empty()) << std::string(seen.note.begin(), seen.note.end());
    EXPECT_EQ(FindDialog(), nullptr);
}

TEST_F(SetupDialog, OtherWindowsWaitWhileTheDialogRuns) {
    fw::TForm other(nullptr);
    other.SetBounds(10, 10, 200, 100);
    other.SetCaption(L"Other");
    other.Show();
    HWND otherWnd = other.Handle();
    ASSERT_TRUE(::IsWindowEnabled(otherWnd));
    bool disabledWhileShown = false;
    const DialogSeen seen = RunDialog(*port, [&](HWND, DialogSeen& seen) {
        disabledWhileShown = !::IsWindowEnabled(otherWnd);
        Click(ButtonOf(seen, L"Cancel"));
    });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(disabledWhileShown);
    EXPECT_TRUE(::IsWindowEnabled(otherWnd));
}

TEST_F(SetupDialog, SelectKeepsAChoiceUntilApplied) {
    fw::TStringList items;
    TComSelect select;
    select.SetItems(&items);
    select.SetComProperty(TComProperty::cpBaudRate);
    EXPECT_EQ(items.Count(), 16);
    EXPECT_EQ(items[0], L"Custom");

    // No choice yet: applying sets nothing, not even the zero member.
    select.SetComPort(port.get());
    select.ApplySettings();
    EXPECT_EQ(port->BaudRate(), TBaudRate::br9600);

    int index = -5;
    select.UpdateSettings(index);
    EXPECT_EQ(index, 7);
    select.Change(L"115200");
    EXPECT_EQ(port->BaudRate(), TBaudRate::br9600);
    select.ApplySettings();
    EXPECT_EQ(port->BaudRate(), TBaudRate::br115200);
    select.Change(L"custom");
    select.ApplySettings();
    EXPECT_EQ(port->BaudRate(), TBaudRate::brCustom);

    // A port name the system does not list: no index, and the name stays.
    port->SetPort(L"COM9");
    select.SetComProperty(TComProperty::cpPort);
    EXPECT_EQ(items.Count(), 3);
    index = 0;
    select.UpdateSettings(index);
    EXPECT_EQ(index, -1);
    select.ApplySettings();
    EXPECT_EQ(port->Port(), L"COM9");
    select.SetAutoApply(true);
    select.Change(L"COM3");
    EXPECT_EQ(port->Port(), L"COM3");

    // No property: the index is left alone, the items are gone.
    select.SetComProperty(TComProperty::cpNone);
    EXPECT_EQ(items.Count(), 0);
    index = 4;
    select.UpdateSettings(index);
    EXPECT_EQ(index, 4);
}

// The lists on their own, on a form that is never shown.
class SettingLists : public SetupDialog {
protected:
    fw::TForm form{nullptr};
    TComComboBox* NewList(TComProperty property) {
        auto* combo = new TComComboBox(&form);
        combo->SetParent(&form);
        combo->SetBounds(0, 0, 120, 21);
        combo->SetComProperty(property);
        return combo;
    }
    // What a user's Down key does to the list.
    static void Down(TComComboBox* combo) { ::SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 1); }
};

TEST_F(SettingLists, WithoutAPortTheFirstItemIsSelected) {
    TComComboBox* parity = NewList(TComProperty::cpParity);
    EXPECT_EQ(parity->Style(), fw::TComboBoxStyle::csDropDownList);
    EXPECT_EQ(parity->Items().Count(), 5);
    EXPECT_EQ(parity->ItemIndex(), 0);
    EXPECT_EQ(parity->Text(), L"None");
    parity->SetText(L"Mark");
    EXPECT_EQ(parity->ItemIndex(), 3);
    parity->SetText(L"Sideways");
    EXPECT_EQ(parity->Text(), L"Mark");
    parity->SetItemIndex(-1);
    EXPECT_EQ(parity->Text(), L"");

    parity->SetComProperty(TComProperty::cpNone);
    EXPECT_EQ(parity->Items().Count(), 0);
    TComComboBox* ports = NewList(TComProperty::cpPort);
    EXPECT_EQ(ports->Items().Count(), 3);
    EXPECT_EQ(ports->Text(), L"COM1");
}

TEST_F(SettingLists, BoundListsShowAndApplyThePortsValue) {
    port->Parity().SetBits(TParityBits::prOdd);
    TComComboBox* parity = NewList(TComProperty::cpParity);
    parity->SetComPort(port.get());
    EXPECT_EQ(parity->Text(), L"Odd");

    // Without AutoApply a pick waits for ApplySettings.
    Down(parity);
    EXPECT_EQ(parity->Text(), L"Even");
    EXPECT_EQ(port->Parity().Bits(), TParityBits::prOdd);
    parity->ApplySettings();
    EXPECT_EQ(port->Parity().Bits(), TParityBits::prEven);

    // With AutoApply each pick reaches the port at once.
    TComComboBox* stop = NewList(TComProperty::cpStopBits);
    stop->SetComPort(port.get());
    stop->SetAutoApply(true);
    EXPECT_EQ(port->StopBits(), TStopBits::sbOneStopBit);
    Down(stop);
    EXPECT_EQ(port->StopBits(), TStopBits::sbOne5StopBits);

    // The port changed elsewhere: UpdateSettings shows it again.
    port->Parity().SetBits(TParityBits::prSpace);
    parity->UpdateSettings();
    EXPECT_EQ(parity->Text(), L"Space");
}

TEST_F(SettingLists, AFreedPortIsUnbound) {
    TComComboBox* baud = NewList(TComProperty::cpBaudRate);
    baud->SetComPort(port.get());
    EXPECT_EQ(baud->Text(), L"9600");
    port.reset();
    EXPECT_EQ(baud->ComPort(), nullptr);
    EXPECT_EQ(baud->ItemIndex(), 0);
    baud->ApplySettings();  // nothing bound: nothing happens
}

}  // namespace
