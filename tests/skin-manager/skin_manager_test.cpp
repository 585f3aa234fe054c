// The skin manager under Wine: start-up of the main window's manager, name resolution
// against real files, error handling, live preview, hooks, broadcasts to real windows,
// the trust rule of skin commands and the "/acver" switch.
#include "TestSkins.h"
#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "skin/SkinBroadcast.h"
#include "skin/SkinCommand.h"
#include "skin/SkinManagerSetup.h"
#include "skin/sSkinManager.h"
#include "skins/OpusSkin.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <fstream>
#include <map>
#include <thread>

namespace skin {
namespace {

using skintest::TestArchive;
using skintest::TestOptions;

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// A plain top-level window standing for a form: it records the skin commands it gets.
class TestWindow {
public:
    struct Received {
        std::uint16_t command;
        LPARAM lParam;
        bool trusted;
    };
    TestWindow() {
        static const ATOM cls = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TTestForm";
            return ::RegisterClassW(&wc);
        }();
        (void)cls;
        wnd_ = ::CreateWindowExW(0, L"TTestForm", L"test form", WS_OVERLAPPEDWINDOW, 0, 0, 200, 112, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
        windows()[wnd_] = this;
    }
    ~TestWindow() {
        windows().erase(wnd_);
        ::DestroyWindow(wnd_);
    }
    HWND Handle() const { return wnd_; }
    std::vector<Received> received;
    int Count(std::uint16_t command) const {
        int n = 0;
        for (const auto& r : received) n += r.command == command;
        return n;
    }

private:
    static std::map<HWND, TestWindow*>& windows() {
        static std::map<HWND, TestWindow*> w;
        return w;
    }
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_SKINCMD) {
            auto it = windows().find(wnd);
            if (it != windows().end()) it->second->received.push_back({SkinCommandOf(wParam), lParam, IsTrustedSkinCommand()});
            return 0;
        }
        return ::DefWindowProcW(wnd, msg, wParam, lParam);
    }
    HWND wnd_ = nullptr;
};

struct BoxRecord {
    std::wstring text, caption;
    UINT type;
};

class SkinManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fw::Application().Initialize(); }
    void SetUp() override {
        boxes.clear();
        TsSkinManager::MessageBoxHook = [this](const std::wstring& t, const std::wstring& c, UINT type) {
            boxes.push_back({t, c, type});
            return IDOK;
        };
    }
    void TearDown() override {
        TsSkinManager::MessageBoxHook = nullptr;
        TsSkinManager::CbtHandler = nullptr;
        Pump();
        EXPECT_EQ(TsSkinManager::DefaultManager(), nullptr) << "a test left a manager behind";
    }

    // The main window's manager as the form creates it: loading, the stored properties,
    // then Loaded.
    TsSkinManager* CreateMainManager(fw::TComponent& form, const std::vector<std::uint8_t>& archive) {
        form.BeginLoading();
        auto* manager = new TsSkinManager(&form);
        ConfigureMainSkinManager(*manager, archive);
        form.EndLoading();
        return manager;
    }

    std::vector<BoxRecord> boxes;
};

std::wstring TempDirectory(const wchar_t* name) {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    std::wstring dir = std::wstring(base) + name + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(fw::ToUtf8(path), std::ios::binary);
    ASSERT_TRUE(out) << fw::ToUtf8(path);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// --- Start-up ---

TEST_F(SkinManagerTest, StartUpLoadsAndActivatesTheStoredSkinAndTellsForms) {
    TestWindow window;
    int cbtCreates = 0;
    {
        fw::TComponent form(nullptr);
        TsSkinManager* m = CreateMainManager(form, TestArchive());
        EXPECT_TRUE(m->Active());
        EXPECT_TRUE(m->CommonSkinData.Active);
        EXPECT_EQ(m->SkinInfo(), L"10.25");
        EXPECT_EQ(m->Version(), L"13.12");
        EXPECT_EQ(m->SkinName(), L"Opus (internal)");
        EXPECT_EQ(m->SkinDirectory(), L"c:\\Skins");
        EXPECT_TRUE(m->IsDefault());
        EXPECT_EQ(TsSkinManager::DefaultManager(), m);
        EXPECT_TRUE(m->ButtonsOptions().OldGlyphsMode);
        EXPECT_EQ(m->ThirdLists[1], std::vector<std::wstring>{L"TButton"});
        EXPECT_EQ(m->ThirdLists[0], std::vector<std::wstring>{L" "});
        EXPECT_EQ(m->MenuSupport().IcoLineSkin, L"ICOLINE");
        EXPECT_GT(m->gd().size(), 0u);
        EXPECT_EQ(m->ConstData.Sections[ssComboNoEdit], -1);
        EXPECT_GE(m->GetSkinIndex("TRANSPARENT"), 0);

        // Exactly one skin-changed command reached the form, carrying the manager.
        ASSERT_EQ(window.Count(SKC_SKINCHANGED), 1);
        for (const auto& r : window.received) {
            if (r.command == SKC_SKINCHANGED) {
                EXPECT_EQ(r.lParam, reinterpret_cast<LPARAM>(m));
                EXPECT_TRUE(r.trusted);
            }
        }
        // Activation at start-up does not repaint.
        EXPECT_EQ(window.Count(SKC_REFRESH), 0);

        // The CBT hook is installed once, however often the skin is applied.
        EXPECT_TRUE(m->GlobalHookInstalled());
        m->UpdateSkin(true);
        m->UpdateSkin(false);
        EXPECT_EQ(window.Count(SKC_SKINCHANGED), 3);
        EXPECT_EQ(window.Count(SKC_REFRESH), 1);
        TsSkinManager::CbtHandler = [&](int code, WPARAM, LPARAM) { cbtCreates += code == HCBT_CREATEWND; };
        { TestWindow probe; }
        EXPECT_EQ(cbtCreates, 1);

        // Switching the skin off removes the skin and the hook and tells the form.
        m->SetActive(false);
        EXPECT_FALSE(m->GlobalHookInstalled());
        EXPECT_EQ(m->SkinInfo(), L"N/A");
        EXPECT_EQ(window.Count(SKC_SKINREMOVED), 1);
        EXPECT_TRUE(m->gd().empty());
        cbtCreates = 0;
        { TestWindow probe; }
        EXPECT_EQ(cbtCreates, 0);
    }
    EXPECT_EQ(TsSkinManager::DefaultManager(), nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SkinManagerTest, StartUpWithTheBuiltInSkin) {
    TestWindow window;
    fw::TComponent form(nullptr);
    const auto item = skins::OpusInternalSkin();
    TsSkinManager* m = CreateMainManager(form, {item.Data.begin(), item.Data.end()});
    EXPECT_TRUE(m->CommonSkinData.Active);
    EXPECT_EQ(m->SkinInfo(), L"10.25");
    EXPECT_EQ(fw::ToUtf8(m->SkinInfo()), skins::OpusSkinInfo);
    EXPECT_TRUE(m->IsDefault());
    EXPECT_TRUE(m->GlobalHookInstalled());
    EXPECT_EQ(m->InternalSkins()[0].OrigName, "Opus.asz");
    EXPECT_EQ(m->ConstData.Sections[ssComboNoEdit], -1);
    EXPECT_EQ(m->ConstData.Sections[ssMenuLine], -1);
    EXPECT_GE(m->GetSkinIndex("TRANSPARENT"), 0);
    EXPECT_GE(m->GetSkinIndex("MAINCOLOR"), 0);
    EXPECT_FALSE(m->Model().MasterBitmap->Empty());
    ASSERT_EQ(window.Count(SKC_SKINCHANGED), 1);
    for (const auto& r : window.received) {
        if (r.command == SKC_SKINCHANGED) {
            EXPECT_EQ(r.lParam, reinterpret_cast<LPARAM>(m));
        }
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SkinManagerTest, RegisteredSkinnedFormsGetBroadcastsOnceAndPlainSkinnedOnesNotTwice) {
    TestWindow plain, skinned;
    RegisterSkinnedForm(skinned.Handle());
    {
        fw::TComponent form(nullptr);
        TsSkinManager* m = CreateMainManager(form, TestArchive());
        m->RepaintForms(true);
        EXPECT_EQ(plain.Count(SKC_SKINCHANGED), 1);
        EXPECT_EQ(skinned.Count(SKC_SKINCHANGED), 1);
        EXPECT_EQ(skinned.Count(SKC_REFRESH), 1);
        EXPECT_EQ(skinned.Count(SKC_STOPANIMATION), 1);
        m->UpdateSkinSection(L"button");
        // Section updates go to controls only; these windows have none.
        EXPECT_EQ(plain.Count(SKC_SECTIONUPDATED), 0);
    }
    UnregisterSkinnedForm(skinned.Handle());
}

TEST_F(SkinManagerTest, ControlReportingTheMouseOverItGetsHotUntilThePointerLeaves) {
    TestWindow window;
    ::SetWindowPos(window.Handle(), HWND_TOP, 0, 0, 200, 112, SWP_SHOWWINDOW);
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    ASSERT_TRUE(m->CommonSkinData.Active);
    RECT r{};
    ::GetWindowRect(window.Handle(), &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    // What a skinned control does when the mouse enters it; the first call
    // starts the manager's 100 ms hover check.
    m->TrackActiveControl(window.Handle());
    EXPECT_EQ(window.Count(SKC_HOTACTIVATED), 1);
    ::SetCursorPos(r.right + 100, r.bottom + 100);
    const DWORD end = ::GetTickCount() + 3000;
    while (window.Count(SKC_HOTDEACTIVATED) == 0 && ::GetTickCount() < end) {
        Pump();
        ::Sleep(10);
    }
    EXPECT_EQ(window.Count(SKC_HOTDEACTIVATED), 1);
    // With no control hot the check has stopped: nothing wakes the thread.
    Pump();
    ::Sleep(350);
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    // A control that gets hot again starts it again.
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    m->TrackActiveControl(window.Handle());
    ::Sleep(150);
    EXPECT_TRUE(::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    m->TrackActiveControl(nullptr);
    Pump();
    ::Sleep(350);
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
}

TEST_F(SkinManagerTest, ControlsOfAFormReceiveTheCommandsToo) {
    TestWindow window;
    HWND child = ::CreateWindowExW(0, L"TTestForm", L"", WS_CHILD, 0, 0, 10, 10, window.Handle(), nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    std::vector<std::uint16_t> childCommands;
    // The child is a TTestForm too but not in the recorder's map: record through the link.
    TacSkinDataLink link;
    link.Self = &childCommands;
    link.WndProc = [](void* self, UINT, WPARAM w, LPARAM) -> LRESULT {
        static_cast<std::vector<std::uint16_t>*>(self)->push_back(SkinCommandOf(w));
        return 0;
    };
    SetSkinDataLink(child, &link);
    {
        fw::TComponent form(nullptr);
        TsSkinManager* m = CreateMainManager(form, TestArchive());
        m->UpdateSkinSection(L"button");
    }
    RemoveSkinDataLink(child, &link);
    ::DestroyWindow(child);
    const std::vector<std::uint16_t> expected = {SKC_SKINCHANGED, SKC_SECTIONUPDATED, SKC_SKINREMOVED};
    EXPECT_EQ(childCommands, expected);
}

TEST_F(SkinManagerTest, AThrowingReceiverDoesNotEndABroadcastOnEitherPath) {
    // A form of the framework whose controls take skin commands both ways:
    // directly through a window's link, and through Perform (the label).
    auto* form = new fw::TForm(nullptr);
    form->AfterConstruction();
    auto* first = new fw::TPanel(form);
    first->SetParent(form);
    auto* label = new fw::TLabel(form);
    label->SetParent(form);
    auto* last = new fw::TPanel(form);
    last->SetParent(form);
    form->HandleNeeded();
    std::vector<std::exception_ptr> errors;
    fw::Application().OnException = [&](std::exception_ptr e) { errors.push_back(e); };

    struct Receiver {
        fw::TWinControl* control;
        int got = 0;
        bool recreate = false;
    };
    Receiver throwing{first}, recreating{last};
    auto proc = [](void* self, UINT, WPARAM, LPARAM) -> LRESULT {
        auto* r = static_cast<Receiver*>(self);
        ++r->got;
        if (r->recreate) {
            HWND before = r->control->HandleIfAllocated();
            r->control->RecreateWnd();
            // Not under the running command: it waits for the loop.
            EXPECT_EQ(r->control->HandleIfAllocated(), before);
            return 1;
        }
        throw fw::Exception(L"broken receiver");
    };
    TacSkinDataLink firstLink{proc, &throwing}, lastLink{proc, &recreating};
    recreating.recreate = true;
    SetSkinDataLink(first->Handle(), &firstLink);
    HWND lastWnd = last->Handle();
    SetSkinDataLink(lastWnd, &lastLink);
    int labelGot = 0;
    label->WindowProc.Install(&labelGot, [&](fw::TMessage& m) {
        if (m.Msg == WM_SKINCMD) {
            ++labelGot;
            throw fw::Exception(L"broken label");
        }
        label->WindowProc.CallNext(&labelGot, m);
    });

    BroadcastToControls(form->Handle(), SKC_REFRESH, 0);
    EXPECT_EQ(throwing.got, 1);
    EXPECT_EQ(labelGot, 1);
    EXPECT_EQ(recreating.got, 1);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(fw::ExceptionMessage(errors[0]), L"broken receiver");
    EXPECT_EQ(fw::ExceptionMessage(errors[1]), L"broken label");
    EXPECT_TRUE(::IsWindow(lastWnd));
    Pump();
    EXPECT_FALSE(::IsWindow(lastWnd));
    EXPECT_TRUE(::IsWindow(last->HandleIfAllocated()));

    RemoveSkinDataLink(first->Handle(), &firstLink);
    RemoveSkinDataLink(lastWnd, &lastLink);
    label->WindowProc.Remove(&labelGot);
    fw::Application().OnException = nullptr;
    delete form;
}

// Records the skin commands a framework control gets through its window-procedure slot.
struct SlotRecorder {
    std::vector<std::pair<std::uint16_t, LPARAM>> commands;
    void Attach(fw::TControl& control) {
        control.WindowProc.Install(this, [this, &control](fw::TMessage& m) {
            if (m.Msg == WM_SKINCMD) commands.emplace_back(SkinCommandOf(m.WParam), m.LParam);
            control.WindowProc.CallNext(this, m);
        });
        owner = &control;
    }
    ~SlotRecorder() {
        if (owner) owner->WindowProc.Remove(this);
    }
    int Count(std::uint16_t command) const {
        int n = 0;
        for (const auto& c : commands) n += c.first == command;
        return n;
    }
    fw::TControl* owner = nullptr;
};

TEST_F(SkinManagerTest, FrameworkFormsAndAllTheirControlsReceiveTheCommands) {
    {
        auto* form = new fw::TForm(nullptr);
        form->AfterConstruction();
        auto* panel = new fw::TPanel(form);
        panel->SetParent(form);
        auto* label = new fw::TLabel(form);  // a graphic control: no window of its own
        label->SetParent(panel);
        auto* button = new fw::TButton(form);
        button->SetParent(panel);
        form->HandleNeeded();
        SlotRecorder onForm, onPanel, onLabel, onButton;
        onForm.Attach(*form);
        onPanel.Attach(*panel);
        onLabel.Attach(*label);
        onButton.Attach(*button);
        {
            fw::TComponent owner(nullptr);
            TsSkinManager* m = CreateMainManager(owner, TestArchive());
            for (const SlotRecorder* r : {&onForm, &onPanel, &onLabel, &onButton}) {
                ASSERT_EQ(r->Count(SKC_SKINCHANGED), 1);
                for (const auto& c : r->commands) {
                    if (c.first == SKC_SKINCHANGED) {
                        EXPECT_EQ(c.second, reinterpret_cast<LPARAM>(m));
                    }
                }
            }
            m->UpdateSkinSection(L"panel");
            EXPECT_EQ(onLabel.Count(SKC_SECTIONUPDATED), 1);
            EXPECT_EQ(onForm.Count(SKC_SECTIONUPDATED), 0);  // controls only
        }
        EXPECT_EQ(onButton.Count(SKC_SKINREMOVED), 1);
        EXPECT_EQ(onLabel.Count(SKC_SKINREMOVED), 1);
        onForm.owner = onPanel.owner = onLabel.owner = onButton.owner = nullptr;
        delete form;
    }
}

// --- Names and stored skins ---

TEST_F(SkinManagerTest, UnknownNameLoadsFirstStoredSkinAndExtensionIsDropped) {
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    m->SetSkinName(L"Nothing like it");
    EXPECT_EQ(m->SkinName(), L"Opus (internal)");
    EXPECT_TRUE(m->CommonSkinData.Active);
    m->SetSkinName(L"Opus (internal).AsZ");
    EXPECT_EQ(m->SkinName(), L"Opus (internal)");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SkinManagerTest, NoStoredSkinsSwitchesSkinningOff) {
    fw::TComponent form(nullptr);
    form.BeginLoading();
    auto* m = new TsSkinManager(&form);
    m->SetSkinName(L"Anything");
    form.EndLoading();
    EXPECT_FALSE(m->Active());
    EXPECT_FALSE(m->CommonSkinData.Active);
    EXPECT_TRUE(m->gd().empty());
    EXPECT_TRUE(m->ma().empty());
    for (int s = 0; s < SectionCount; ++s) EXPECT_EQ(m->ConstData.Sections[s], -1);
    EXPECT_EQ(m->ConstData.IndexGLobalInfo, -1);
    EXPECT_EQ(m->SkinInfo(), L"N/A");
    EXPECT_FALSE(m->GlobalHookInstalled());
    // Nothing loaded: applying or taking over as default applies nothing.
    TestWindow window;
    m->SetIsDefault(true);
    m->UpdateSkin(true);
    EXPECT_EQ(window.Count(SKC_SKINCHANGED), 0);
    EXPECT_FALSE(m->CommonSkinData.Active);
}

TEST_F(SkinManagerTest, CorruptStoredSkinShowsErrorAndKeepsPreviousSkinAndName) {
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    auto bad = TestArchive(TestOptions("11.0"));
    for (std::size_t i = 40; i < 60; ++i) bad[i] ^= 0xA5;
    TsStoredSkin& item = m->InternalSkins().Add();
    item.Name = "Broken";
    item.PackedData = bad;
    const auto sectionsBefore = m->gd().size();
    m->SetSkinName(L"Broken");
    ASSERT_EQ(boxes.size(), 1u);
    // Captioned with the program's title, as all its error boxes are.
    EXPECT_EQ(boxes[0].caption, fw::Application().Title());
    EXPECT_FALSE(boxes[0].text.empty());
    EXPECT_NE(boxes[0].type & MB_ICONERROR, 0u);
    EXPECT_EQ(m->SkinName(), L"Opus (internal)");
    EXPECT_TRUE(m->CommonSkinData.Active);
    EXPECT_EQ(m->SkinInfo(), L"10.25");
    EXPECT_EQ(m->gd().size(), sectionsBefore);

    // Data that is not an archive at all: the reader's dialog, then the format error.
    boxes.clear();
    item.PackedData = skintest::Bytes("certainly not a skin archive");
    m->SetSkinName(L"Broken");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Loaded data is not a packed skin file");
    EXPECT_EQ(boxes[1].text, L"Internal format error in the \"Broken\" skin. Please, update this skin to latest version.");
    for (const auto& box : boxes) EXPECT_EQ(box.caption, fw::Application().Title());
    EXPECT_EQ(m->SkinName(), L"Opus (internal)");
}

TEST_F(SkinManagerTest, ExternalPackedAndDirectorySkinsAreFoundInTheSkinDirectory) {
    const std::wstring dir = TempDirectory(L"qskins");
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    m->SetSkinDirectory(dir);

    const std::wstring skinDir = dir + L"\\Opus (internal)";
    ::CreateDirectoryW(skinDir.c_str(), nullptr);
    WriteBytes(skinDir + L"\\Options.dat", skintest::Bytes(TestOptions("12.75")));
    WriteBytes(skinDir + L"\\MASTER COPY.BMP", skintest::MasterBitmap());
    m->SetSkinName(L"Opus (internal)");
    EXPECT_EQ(m->SkinInfo(), L"12.75");
    EXPECT_FALSE(m->SkinIsPacked);
    EXPECT_EQ(m->CommonSkinData.SkinPath, fw::ToUtf8(skinDir) + "\\");
    EXPECT_FALSE(m->Model().MasterBitmap->Empty());

    const std::wstring packed = dir + L"\\Opus (internal).asz";
    WriteBytes(packed, TestArchive(TestOptions("11.5")));
    m->SetSkinName(L"Opus (internal)");
    EXPECT_EQ(m->SkinInfo(), L"11.5");
    EXPECT_TRUE(m->SkinIsPacked);
    EXPECT_TRUE(boxes.empty());

    ::DeleteFileW(packed.c_str());
    ::DeleteFileW((skinDir + L"\\Options.dat").c_str());
    ::DeleteFileW((skinDir + L"\\MASTER COPY.BMP").c_str());
    ::RemoveDirectoryW(skinDir.c_str());
    m->SetSkinName(L"Opus (internal)");
    EXPECT_EQ(m->SkinInfo(), L"10.25");
    ::RemoveDirectoryW(dir.c_str());
}

TEST_F(SkinManagerTest, SkinListStoredAndPackedSkinsAndExtraction) {
    const std::wstring dir = TempDirectory(L"qlist");
    WriteBytes(dir + L"\\Zeta.asz", TestArchive());
    WriteBytes(dir + L"\\alpha.asz", TestArchive());
    WriteBytes(dir + L"\\Upper.ASZ", TestArchive());  // only the lower-case extension is listed
    WriteBytes(dir + L"\\.hidden.asz", TestArchive());
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    m->SetSkinDirectory(dir);
    std::vector<std::wstring> names;
    EXPECT_EQ(m->GetSkinNames(names, stAllSkins), L"Opus (internal)");
    EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"Opus (internal)", L"Zeta"}));
    m->GetSkinNames(names, stPacked);
    EXPECT_EQ(names, std::vector<std::wstring>{L"Opus (internal)"});
    m->GetExternalSkinNames(names);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"Zeta"}));
    m->SetSkinsFilter(sfiExternal);
    EXPECT_EQ(m->SkinList().size(), 2u);

    const std::wstring out = dir + L"\\out\\deeper";
    m->ExtractByIndex(0, out);
    std::ifstream extracted(fw::ToUtf8(out + L"\\Opus (internal) extracted.asz"), std::ios::binary);
    ASSERT_TRUE(extracted);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(extracted)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, m->InternalSkins()[0].PackedData);
    extracted.close();
    m->ExtractInternalSkin(L"No such skin", dir);
    m->ExtractInternalSkin(L"Opus (internal)", dir + L"\\missing");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Skin does not exists.");
    EXPECT_EQ(boxes[1].text, L"Directory does not exists.");

    // A file that cannot be written (a directory holds its name) is reported, not passed over.
    const std::wstring blocked = out + L"\\Opus (internal) extracted.asz";
    ASSERT_TRUE(::DeleteFileW(blocked.c_str()));
    ASSERT_TRUE(::CreateDirectoryW(blocked.c_str(), nullptr));
    boxes.clear();
    m->ExtractByIndex(0, out);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, blocked + L" file writing error.");
    EXPECT_EQ(boxes[0].caption, fw::Application().Title());
    ::RemoveDirectoryW(blocked.c_str());

    for (const wchar_t* f : {L"\\Zeta.asz", L"\\alpha.asz", L"\\Upper.ASZ", L"\\.hidden.asz"}) {
        ::DeleteFileW((dir + f).c_str());
    }
    ::DeleteFileW((out + L"\\Opus (internal) extracted.asz").c_str());
    ::RemoveDirectoryW(out.c_str());
    ::RemoveDirectoryW((dir + L"\\out").c_str());
    ::RemoveDirectoryW(dir.c_str());
}

// --- Properties ---

TEST_F(SkinManagerTest, PropertyRulesWhileInactiveAndActive) {
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    int afterChange = 0, activated = 0, deactivated = 0;
    m->OnAfterChange = [&](TsSkinManager*) { ++afterChange; };
    m->OnActivate = [&](TsSkinManager*) { ++activated; };
    m->OnDeactivate = [&](TsSkinManager*) { ++deactivated; };

    m->SetSkinName(L"Opus (internal)");  // the same name again reloads and re-applies
    EXPECT_EQ(afterChange, 1);

    m->SetActive(false);
    EXPECT_EQ(deactivated, 1);
    m->SetSkinName(L"Other.asz");  // only stored while inactive
    EXPECT_EQ(m->SkinName(), L"Other.asz");
    EXPECT_EQ(afterChange, 1);
    m->SetActive(true);  // now it loads: unknown, so the stored skin stands in
    EXPECT_EQ(m->SkinName(), L"Opus (internal)");
    EXPECT_EQ(activated, 1);
    EXPECT_TRUE(m->GlobalHookInstalled());

    m->SetBrightness(150);
    EXPECT_EQ(m->Brightness(), 100);
    m->SetBrightness(-150);
    EXPECT_EQ(m->Brightness(), -100);
    EXPECT_EQ(afterChange, 4);  // each change reloaded the skin
    m->SetSkinInfo(L"1.0");
    EXPECT_EQ(m->SkinInfo(), L"10.25");

    EXPECT_EQ(m->ScaleInt(17), 17);  // smOldMode
    EXPECT_NE(m->OuterEffect(0), nullptr);
    EXPECT_NE(m->OuterEffect(1), nullptr);
    EXPECT_EQ(m->OuterEffect(2), nullptr);
    EXPECT_EQ(m->OuterEffect(-1), nullptr);
    EXPECT_EQ(m->GetHighLightColor(true), m->Palette[pcSelectionBG_Focused]);
    EXPECT_EQ(m->GetGlobalColor(), 14344676);
    EXPECT_TRUE(m->Brushes[0]);

    // Extended borders: the window-shadow sizes of the skin frame the form.
    EXPECT_EQ(m->FormShadowSize.bottom, 0);
    m->SetExtendedBorders(true);
    EXPECT_EQ(m->FormShadowSize.left, 13);
    EXPECT_EQ(m->FormShadowSize.top, 11);
    EXPECT_EQ(m->FormShadowSize.bottom, 15);
}

TEST_F(SkinManagerTest, CommonSectionsLoseSpacesAndAreMergedIntoTheSkin) {
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    m->SetCommonSections({L"[MY SECTION]", L"; keep my spaces", L"COLOR = 255"});
    EXPECT_EQ(m->CommonSections()[0], L"[MYSECTION]");
    EXPECT_EQ(m->CommonSections()[1], L"; keep my spaces");
    EXPECT_EQ(m->CommonSections()[2], L"COLOR=255");
    const int index = m->GetSkinIndex("MYSECTION");
    ASSERT_GE(index, 0);
    EXPECT_EQ(m->gd()[static_cast<std::size_t>(index)].Props[0].Color, 255);
}

TEST_F(SkinManagerTest, SecondManagerIsNotDefaultAndInstallsNoHooks) {
    fw::TComponent form(nullptr);
    TsSkinManager* first = CreateMainManager(form, TestArchive());
    fw::TComponent other(nullptr);
    TsSkinManager* second = CreateMainManager(other, TestArchive());
    EXPECT_TRUE(first->IsDefault());
    EXPECT_FALSE(second->IsDefault());
    EXPECT_TRUE(second->CommonSkinData.Active);
    EXPECT_FALSE(second->GlobalHookInstalled());
    second->SetIsDefault(false);  // another is the default: nothing happens
    EXPECT_TRUE(first->IsDefault());

    const std::string record = MakePreviewRecord("Opus (internal)", "c:\\none", TestOptions("9.5"));
    COPYDATASTRUCT cds{PreviewCopyDataId, static_cast<DWORD>(record.size()), const_cast<char*>(record.data())};
    ::SendMessageW(fw::Application().Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    Pump();
    EXPECT_FALSE(second->PreviewBuffer);
    EXPECT_TRUE(first->PreviewBuffer);
    EXPECT_EQ(first->SkinInfo(), L"9.5");
    EXPECT_EQ(second->SkinInfo(), L"10.25");
}

TEST_F(SkinManagerTest, ScaleModeChangeRescalesFormsAndReloads) {
    TestWindow window;
    RECT before{};
    ::GetWindowRect(window.Handle(), &before);
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    std::vector<TacScaleModeChange> changes;
    int scaled = 0;
    m->OnScaleModeChange = [&](TsSkinManager*, const TacScaleModeChange& c) { changes.push_back(c); };
    m->OnScaleChanged = [&](TsSkinManager*) { ++scaled; };
    m->SetScaleMode(sm150);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].OldPercent, 100);
    EXPECT_EQ(changes[0].NewPercent, 150);
    EXPECT_EQ(scaled, 1);
    EXPECT_EQ(m->ScaleInt(20), 30);
    EXPECT_EQ(m->GetScale(), 2);
    RECT after{};
    ::GetWindowRect(window.Handle(), &after);
    EXPECT_EQ(after.right - after.left, (before.right - before.left) * 150 / 100);
    EXPECT_EQ(window.Count(SKC_GETSCALE), 1);
    bool told = false;
    for (const auto& r : window.received) told |= r.command == SKC_SETSCALE && r.lParam == 150;
    EXPECT_TRUE(told);
    EXPECT_TRUE(m->CommonSkinData.Active);
    EXPECT_EQ(m->ManagerState & msScaleChanging, 0u);
}

// Following a DPI takes the nearest step's images and ScaleInt at the DPI;
// the forms are told the percent but not resized (they lay themselves out).
TEST_F(SkinManagerTest, FollowingADpiReloadsAtItsStepWithoutResizingForms) {
    TestWindow window;
    RECT before{};
    ::GetWindowRect(window.Handle(), &before);
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    int scaled = 0, activated = 0;
    m->OnScaleChanged = [&](TsSkinManager*) { ++scaled; };
    m->OnAfterChange = [&](TsSkinManager*) { ++activated; };
    m->SetPixelsPerInch(168);
    EXPECT_EQ(m->PixelsPerInch(), 168);
    EXPECT_EQ(m->Options().ScaleMode, sm150);
    EXPECT_EQ(m->GetScale(), 2);
    EXPECT_EQ(m->ScaleInt(16), 28);
    EXPECT_EQ(m->MetricsDpi(), 96);
    EXPECT_EQ(m->SysFontScale, 0);
    EXPECT_EQ(scaled, 1);
    EXPECT_GE(activated, 1);
    EXPECT_TRUE(m->CommonSkinData.Active);
    RECT after{};
    ::GetWindowRect(window.Handle(), &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    EXPECT_EQ(window.Count(SKC_GETSCALE), 0);
    bool told = false;
    for (const auto& r : window.received) told |= r.command == SKC_SETSCALE && r.lParam == 175;
    EXPECT_TRUE(told);
    EXPECT_EQ(m->ManagerState & msScaleChanging, 0u);

    m->SetPixelsPerInch(168);  // the same DPI: nothing happens
    EXPECT_EQ(scaled, 1);
    m->SetPixelsPerInch(0);  // back to the scale mode alone
    EXPECT_EQ(m->ScaleInt(16), 24);
    EXPECT_EQ(scaled, 2);
}

TEST_F(SkinManagerTest, FontsOfTheSkinAreRegisteredForTheProcessWhileLoaded) {
#ifdef QUILLON_TEST_FONT
    std::ifstream in(QUILLON_TEST_FONT, std::ios::binary);
    ASSERT_TRUE(in);
    std::vector<std::uint8_t> font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<ArchiveMember> members = {
        {"OPTIONS.DAT", skintest::Bytes(TestOptions("10.25", "FontCount=1\r\nFontFile0=skin.ttf\r\nFontName0=Skin Font\r\n"))},
        {"MASTER COPY.BMP", skintest::MasterBitmap()},
        {"skin.ttf", font},
        {"empty.otf", {}}};
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, WriteSkinArchive(members));
    ASSERT_EQ(m->EmbeddedFonts.Count(), 2);
    const TacEmbeddedFont& f = m->EmbeddedFonts.Items()[0];
    EXPECT_EQ(f.FileName, "skin.ttf");
    EXPECT_EQ(f.FontName, "Skin Font");
    EXPECT_NE(f.Handle, nullptr);
    EXPECT_GE(f.FaceCount, 1u);
    EXPECT_EQ(m->EmbeddedFonts.Items()[1].Handle, nullptr);  // an empty font registers nothing
    m->SetActive(false);
    EXPECT_EQ(m->EmbeddedFonts.Count(), 0);
#else
    GTEST_SKIP() << "no TrueType font on the build machine";
#endif
}

// --- Live preview ---

TEST_F(SkinManagerTest, LivePreviewOfFullSizeIsAppliedShorterOrForeignIgnored) {
    fw::TComponent form(nullptr);
    TsSkinManager* m = CreateMainManager(form, TestArchive());
    const HWND app = fw::Application().Handle();
    ASSERT_NE(app, nullptr);
    auto send = [&](ULONG_PTR id, const std::string& bytes, DWORD size) {
        COPYDATASTRUCT cds{id, size, const_cast<char*>(bytes.data())};
        const LRESULT r = ::SendMessageW(app, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
        Pump();
        return r;
    };
    const std::string record = MakePreviewRecord("Opus (internal)", "c:\\nowhere", TestOptions("9.5"));
    ASSERT_EQ(record.size(), 30645u);

    send(PreviewCopyDataId, record, 30644);  // one byte short
    EXPECT_EQ(m->SkinInfo(), L"10.25");
    EXPECT_FALSE(m->PreviewBuffer);
    send(8, record, 30645);  // another identifier
    EXPECT_EQ(m->SkinInfo(), L"10.25");
    const std::string wrong = MakePreviewRecord("Opus (internal)", "c:\\nowhere", TestOptions("9.5"), 0xB400);
    send(PreviewCopyDataId, wrong, 30645);
    EXPECT_EQ(m->SkinInfo(), L"10.25");
    EXPECT_FALSE(m->PreviewBuffer);

    send(PreviewCopyDataId, record, 30645);
    EXPECT_EQ(m->SkinInfo(), L"9.5");
    EXPECT_EQ(m->SkinDirectory(), L"c:\\nowhere");
    EXPECT_EQ(m->SkinName(), L"Opus (internal)");
    EXPECT_TRUE(m->CommonSkinData.Active);

    // A posted apply request without a new record applies the same record again, nothing else.
    ::PostMessageW(app, WM_SKINCMD, MakeSkinWParam(SKC_APPLYPREVIEW), 0);
    Pump();
    EXPECT_EQ(m->SkinInfo(), L"9.5");
    EXPECT_TRUE(boxes.empty());
}

// --- Trust of skin commands ---

TEST_F(SkinManagerTest, SkinCommandsAreTrustedOnlyFromTheGuiThreadsOwnDelivery) {
    TestWindow window;
    SendSkinCommand(window.Handle(), SKC_REFRESH, 1234);
    ::PostMessageW(window.Handle(), WM_SKINCMD, MakeSkinWParam(SKC_REFRESH), 1234);
    Pump();
    std::atomic<bool> done{false};
    std::thread sender([&] {
        ::SendMessageW(window.Handle(), WM_SKINCMD, MakeSkinWParam(SKC_REFRESH), 1234);
        done = true;
    });
    while (!done) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    sender.join();
    ASSERT_EQ(window.received.size(), 3u);
    EXPECT_TRUE(window.received[0].trusted);   // our own delivery
    EXPECT_FALSE(window.received[1].trusted);  // posted
    EXPECT_FALSE(window.received[2].trusted);  // sent from another thread
    EXPECT_TRUE(SkinCommandCarriesPointer(SKC_SKINCHANGED));
    EXPECT_FALSE(SkinCommandCarriesPointer(SKC_INVALIDATE));
}

// --- The "/acver" switch ---

struct DialogSeen {
    DWORD pid;
    std::vector<HWND> dialogs;
};

std::wstring StaticTextOf(HWND dialog) {
    std::wstring found;
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM p) -> BOOL {
            wchar_t cls[32] = {}, text[256] = {};
            ::GetClassNameW(child, cls, 32);
            ::GetWindowTextW(child, text, 256);
            if (std::wstring_view(cls) == L"Static" && text[0]) {
                *reinterpret_cast<std::wstring*>(p) = text;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> DialogsOf(DWORD pid) {
    DialogSeen seen{pid, {}};
    ::EnumWindows(
        [](HWND wnd, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<DialogSeen*>(p);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(wnd, &owner);
            wchar_t cls[32] = {};
            ::GetClassNameW(wnd, cls, 32);
            if (owner == s->pid && std::wstring_view(cls) == L"#32770" && ::IsWindowVisible(wnd)) s->dialogs.push_back(wnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    return seen.dialogs;
}

// Runs the probe with one argument; answers each version box it shows and returns their texts.
std::vector<std::wstring> RunProbe(const std::wstring& argument) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.erase(dir.find_last_of(L'\\') + 1);
    std::wstring cmd = L"\"" + dir + L"skinmgr_acver_probe.exe\" " + argument;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<std::wstring> texts;
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start the probe: " << ::GetLastError();
        return texts;
    }
    fw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    const DWORD start = ::GetTickCount();
    while (::WaitForSingleObject(process.get(), 100) == WAIT_TIMEOUT) {
        for (HWND dialog : DialogsOf(pi.dwProcessId)) {
            texts.push_back(StaticTextOf(dialog));
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            // Wait until that box has gone so that it is not counted twice.
            for (int i = 0; i < 50 && ::IsWindow(dialog) && ::IsWindowVisible(dialog); ++i) ::Sleep(100);
        }
        if (::GetTickCount() - start > 60000) {
            ::TerminateProcess(process.get(), 99);
            ADD_FAILURE() << "the probe did not end";
            break;
        }
    }
    return texts;
}

TEST(VersionSwitch, AnyLetterCaseShowsTheVersionOnceOtherArgumentsNothing) {
    const auto upper = RunProbe(L"/ACVER");
    ASSERT_EQ(upper.size(), 1u);
    EXPECT_EQ(upper[0], L"Skin engine v13.12");
    const auto mixed = RunProbe(L"x /AcVer /acver");
    EXPECT_EQ(mixed.size(), 1u);
    EXPECT_TRUE(RunProbe(L"/acverx acver").empty());
}

}  // namespace
}  // namespace skin
