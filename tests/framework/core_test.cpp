// Strings, exceptions, the error-box text, registry and INI files, threads and
// the hand-over to the GUI thread, utility windows and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <thread>

#include "framework/Application.h"
#include "tests/support/Gui.h"
#include "framework/ExtCtrls.h"
#include "framework/IniFile.h"
#include "framework/Registry.h"
#include "framework/Strings.h"
#include "framework/Thread.h"

namespace {

using namespace std::chrono_literals;

using testsupport::PumpUntil;

// Collects what the default exception handling would show, instead of a box.
struct ExceptionCatcher {
    std::vector<std::wstring> messages;
    ExceptionCatcher() {
        fw::Application().OnException = [this](std::exception_ptr e) { messages.push_back(fw::ExceptionMessage(e)); };
    }
    ~ExceptionCatcher() { fw::Application().OnException = nullptr; }
};

TEST(StringList, SortsByLocaleTextIgnoringCase) {
    fw::TStringList list{L"COM2", L"com10", L"COM1", L"COM3", L"Com20"};
    list.Sort();
    std::vector<std::wstring> expected{L"COM1", L"com10", L"COM2", L"Com20", L"COM3"};
    EXPECT_EQ(list.Items(), expected);
}

TEST(StringList, TextRoundTripsAndIndexesAreChecked) {
    fw::TStringList list;
    list.SetText(L"a\r\nb\nc\rd\r\n");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[3], L"d");
    EXPECT_EQ(list.Text(), L"a\r\nb\r\nc\r\nd\r\n");
    list.SetText(L"x\r\n\r\ny");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[1], L"");
    EXPECT_THROW(list.Get(3), fw::EListError);
    EXPECT_THROW(list.Insert(5, L"z"), fw::EListError);
    EXPECT_THROW(list.Delete(-1), fw::EListError);
    fw::TStringList copy;
    copy.Assign(list);
    EXPECT_EQ(copy.Items(), list.Items());
    EXPECT_EQ(copy.IndexOf(L"Y"), 2);
}

TEST(Exception, CarriesUtf16MessageAndUtf8What) {
    const fw::Exception e(L"Port \u00e9t\u00e9 \U0001F600");
    EXPECT_EQ(e.Message(), L"Port \u00e9t\u00e9 \U0001F600");
    EXPECT_STREQ(e.what(), "Port \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(fw::FromUtf8(e.what()), e.Message());
    EXPECT_EQ(fw::FromUtf8("a\xFF" "b\xC3"), L"a\uFFFDb\uFFFD");
    EXPECT_EQ(fw::ExceptionMessage(std::make_exception_ptr(std::runtime_error("plain"))), L"plain");
    EXPECT_EQ(fw::ExceptionMessage(std::make_exception_ptr(42)), L"Unknown exception");
}

TEST(ErrorBox, AppendsFullStopOnlyAfterCharactersAboveIt) {
    using fw::TApplication;
    // ')' is below '.': the system's error texts end as they are.
    EXPECT_EQ(TApplication::ErrorBoxText(L"Unable to open com port (Error: 5)"), L"Unable to open com port (Error: 5)");
    EXPECT_EQ(TApplication::ErrorBoxText(L"Unable to open com port"), L"Unable to open com port.");
    EXPECT_EQ(TApplication::ErrorBoxText(L"Done."), L"Done.");
    EXPECT_EQ(TApplication::ErrorBoxText(L"What?"), L"What?.");  // '?' is above '.'
    EXPECT_EQ(TApplication::ErrorBoxText(L"Stop!"), L"Stop!");   // '!' is below '.'
    EXPECT_EQ(TApplication::ErrorBoxText(L"a -"), L"a -");
    EXPECT_EQ(TApplication::ErrorBoxText(L""), L"");
    EXPECT_EQ(TApplication::ErrorBoxText(L"file /"), L"file /.");
}

TEST(Registry, WritesReadsAndDeletesRealKeys) {
    const std::wstring path = L"Software\\QuillonTests\\Registry";
    fw::TRegistry reg;
    reg.DeleteKey(L"Software\\QuillonTests");
    EXPECT_FALSE(reg.KeyExists(path));
    EXPECT_FALSE(reg.OpenKey(path, false));
    ASSERT_TRUE(reg.OpenKey(path, true));
    EXPECT_EQ(reg.CurrentPath(), path);
    reg.WriteString(L"Port", L"COM10");
    reg.WriteInteger(L"Negative", -7);
    reg.WriteBool(L"Flag", true);
    EXPECT_TRUE(reg.ValueExists(L"Port"));
    EXPECT_FALSE(reg.ValueExists(L"Missing"));
    EXPECT_EQ(reg.ReadString(L"Missing"), L"");
    EXPECT_THROW(reg.ReadInteger(L"Missing"), fw::ERegistryException);
    EXPECT_THROW(reg.ReadInteger(L"Port"), fw::ERegistryException);
    EXPECT_THROW(reg.ReadString(L"Negative"), fw::ERegistryException);
    reg.CloseKey();

    fw::TRegistry again(KEY_READ);
    ASSERT_TRUE(again.OpenKeyReadOnly(L"\\" + path + L"\\"));
    EXPECT_EQ(again.ReadString(L"Port"), L"COM10");
    EXPECT_EQ(again.ReadInteger(L"Negative"), -7);
    EXPECT_TRUE(again.ReadBool(L"Flag"));
    fw::TStringList names;
    again.GetValueNames(names);
    names.Sort();
    EXPECT_EQ(names.Items(), (std::vector<std::wstring>{L"Flag", L"Negative", L"Port"}));
    EXPECT_THROW(again.WriteString(L"Port", L"x"), fw::ERegistryException);  // read-only key
    again.CloseKey();
    EXPECT_THROW(again.ReadString(L"Port"), fw::ERegistryException);        // no key open

    EXPECT_TRUE(reg.DeleteKey(L"Software\\QuillonTests"));
    EXPECT_FALSE(reg.KeyExists(path));
}

TEST(IniFile, ReadsAndWritesARealFile) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"quillon_ini_test.ini";
    ::DeleteFileW(file.c_str());
    // Keys written by hand, as a user would edit the file.
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const char text[] = "[ComPort]\r\nNegative=-42\r\nHex=0x1F\r\nDollar=$FF\r\nJunk=12abc\r\nEmpty=\r\nBig=99999999999\r\n";
    DWORD written = 0;
    ::WriteFile(h, text, sizeof text - 1, &written, nullptr);
    ::CloseHandle(h);

    fw::TIniFile ini(file);
    EXPECT_EQ(ini.FileName(), file);
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"Negative", 0), -42);
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"Dollar", 0), 255);
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"Junk", 5), 5);
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"Empty", 6), 6);
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"Big", 7), 7);
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"Missing", 8), 8);
    EXPECT_EQ(ini.ReadString(L"ComPort", L"Missing", L"dflt"), L"dflt");

    ini.WriteString(L"ComPort", L"Port", L"COM3");
    ini.WriteInteger(L"ComPort", L"BaudRate", -9600);
    ini.WriteString(L"Other", L"Key", L"V");
    EXPECT_EQ(ini.ReadString(L"ComPort", L"Port", L""), L"COM3");
    EXPECT_EQ(ini.ReadInteger(L"ComPort", L"BaudRate", 0), -9600);
    EXPECT_TRUE(ini.SectionExists(L"ComPort"));
    EXPECT_TRUE(ini.ValueExists(L"ComPort", L"port"));
    EXPECT_FALSE(ini.SectionExists(L"Nothing"));
    fw::TStringList keys;
    ini.ReadSection(L"ComPort", keys);
    EXPECT_EQ(keys.Count(), 8);
    ini.EraseSection(L"ComPort");
    ini.UpdateFile();
    EXPECT_FALSE(ini.SectionExists(L"ComPort"));
    EXPECT_EQ(ini.ReadString(L"Other", L"Key", L""), L"V");

    // What the file holds on the disk.
    fw::TIniFile reread(file);
    fw::TStringList sections;
    reread.ReadSections(sections);
    EXPECT_EQ(sections.Items(), std::vector<std::wstring>{L"Other"});
    ::DeleteFileW(file.c_str());
}

TEST(IniFile, BareNamesGoToTheApplicationDataFolder) {
    wchar_t appData[MAX_PATH];
    ASSERT_GT(::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH), 0u);
    fw::TIniFile ini(L"quillon_bare.ini");
    EXPECT_EQ(ini.FileName(), std::wstring(appData) + L"\\quillon_bare.ini");
}

TEST(ParseInteger, SignedDecimalAndHex) {
    int v = 0;
    EXPECT_TRUE(fw::ParseInteger(L" -2147483648 ", v));
    EXPECT_EQ(v, INT_MIN);
    EXPECT_FALSE(fw::ParseInteger(L"2147483648", v));
    EXPECT_TRUE(fw::ParseInteger(L"$FFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(fw::ParseInteger(L"+17", v));
    EXPECT_EQ(v, 17);
    EXPECT_FALSE(fw::ParseInteger(L"-", v));
    EXPECT_FALSE(fw::ParseInteger(L"0x", v));
    EXPECT_FALSE(fw::ParseInteger(L"1 2", v));
}

class Worker : public fw::TThread {
public:
    explicit Worker(std::function<void(Worker&)> body) : body_(std::move(body)) {}
    ~Worker() override {
        Terminate();
        WaitFor();
    }

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(Worker&)> body_;
};

TEST(Thread, RunsExecuteAndKeepsItsFatalException) {
    Worker ok([](Worker&) {});
    ok.Start();
    ok.WaitFor();
    EXPECT_TRUE(ok.Finished());
    EXPECT_FALSE(ok.FatalException());

    Worker failing([](Worker&) { throw fw::Exception(L"boom"); });
    failing.SetPriority(fw::TThreadPriority::tpLower);
    EXPECT_EQ(failing.Priority(), fw::TThreadPriority::tpLower);
    failing.Start();
    failing.WaitFor();
    ASSERT_TRUE(failing.FatalException());
    EXPECT_EQ(fw::ExceptionMessage(failing.FatalException()), L"boom");

    // Never started: destroyed without running Execute.
    bool ran = false;
    { Worker idle([&](Worker&) { ran = true; }); }
    EXPECT_FALSE(ran);
}

TEST(Thread, SynchronizeRunsOnTheGuiThreadAndCarriesExceptionsBack) {
    fw::Application();
    std::atomic<bool> onGui{false};
    std::wstring caught;
    Worker worker([&](Worker&) {
        fw::TThread::Synchronize([&] { onGui = fw::IsGuiThread(); });
        try {
            fw::TThread::Synchronize([] { throw fw::Exception(L"from the GUI thread"); });
        } catch (const fw::Exception& e) {
            caught = e.Message();
        }
    });
    worker.Start();
    // WaitFor on the GUI thread serves the worker's Synchronize calls.
    worker.WaitFor();
    EXPECT_TRUE(onGui);
    EXPECT_EQ(caught, L"from the GUI thread");
    EXPECT_TRUE(fw::IsGuiThread());
}

TEST(Thread, QueuedWorkRunsInOrderAndExceptionsReachTheHandler) {
    ExceptionCatcher catcher;
    std::vector<int> order;
    std::atomic<int> done{0};
    std::thread other([&] {
        EXPECT_FALSE(fw::IsGuiThread());
        for (int i = 0; i < 50; ++i) {
            fw::QueueOnGuiThread([&order, i] { order.push_back(i); });
        }
        fw::QueueOnGuiThread([] { throw fw::Exception(L"queued failure"); });
        // HandleException from another thread goes to the GUI thread too.
        fw::Application().HandleException(std::make_exception_ptr(fw::Exception(L"thread failure")));
        fw::QueueOnGuiThread([&done] { done = 1; });
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load() == 1; }));
    other.join();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_EQ(catcher.messages, (std::vector<std::wstring>{L"queued failure", L"thread failure"}));
}

// Work that queues more work as it runs (a stream of batches) does not keep
// the message loop from a message posted meanwhile: the new work waits for
// its own turn.
TEST(Thread, WorkQueuedByQueuedWorkWaitsBehindMessagesPostedBeforeIt) {
    testsupport::CountingWindow window;
    // The chain ends by itself, so that a loop that never gets out of it
    // fails the test instead of hanging it.
    const auto end = std::chrono::steady_clock::now() + 2s;
    int links = 0;
    std::function<void()> link = [&] {
        ++links;
        if (std::chrono::steady_clock::now() < end) fw::QueueOnGuiThread(link);
    };
    // One message at a time, as the application's loop takes them.
    const auto loopUntil = [&](auto pred) {
        while (!pred() && std::chrono::steady_clock::now() < end) fw::Application().HandleMessage();
        return pred();
    };
    fw::QueueOnGuiThread(link);
    ASSERT_TRUE(loopUntil([&] { return links > 0; }));
    ::PostMessageW(window.Handle(), WM_APP, 0, 0);
    EXPECT_TRUE(loopUntil([&] { return window.posted == 1; })) << links << " links of the chain ran first";
    const int before = links;
    EXPECT_TRUE(loopUntil([&] { return links > before + 10; })) << "the chain goes on";
    // Let the chain end before link goes out of scope.
    PumpUntil([&] { return std::chrono::steady_clock::now() > end + 100ms; }, 3s);
}

// A long run of work on the GUI thread lets due painting and timers through
// and leaves posted messages queued, in order, for the loop; only for work
// that the application's own loop handed out: not inside another loop (a
// message box's), which takes its own messages, nor while the GUI thread
// waits for another thread.
TEST(MessageLoop, DueMessagesGoThroughOnlyForTheApplicationsOwnLoop) {
    testsupport::CountingWindow window;
    ASSERT_TRUE(PumpUntil([&] { return window.paints > 0 && window.ticks > 0; }));
    // What one call let through, the timer being due and the window invalid.
    struct Through {
        bool inLoop = false;
        int ticks = -1, paints = -1, posted = -1;
    };
    const auto letThrough = [&window] {
        ::InvalidateRect(window.Handle(), nullptr, FALSE);
        ::Sleep(30);
        Through t;
        t.inLoop = fw::InApplicationLoop();
        const int ticks = window.ticks, paints = window.paints, posted = window.posted;
        fw::Application().HandleDueMessages();
        t.ticks = window.ticks - ticks;
        t.paints = window.paints - paints;
        t.posted = window.posted - posted;
        return t;
    };

    Through fromLoop;
    bool ran = false;
    fw::QueueOnGuiThread([&] {
        fromLoop = letThrough();
        ran = true;
    });
    ::PostMessageW(window.Handle(), WM_APP, 0, 0);
    ::PostMessageW(window.Handle(), WM_APP, 1, 0);
    window.Reset();
    ASSERT_TRUE(PumpUntil([&] { return ran; }));
    EXPECT_TRUE(fromLoop.inLoop);
    EXPECT_GE(fromLoop.paints, 1);
    EXPECT_GE(fromLoop.ticks, 1);
    EXPECT_EQ(fromLoop.posted, 0);
    EXPECT_TRUE(PumpUntil([&] { return window.posted == 2; }));

    // Queued work that a message box's loop hands out.
    Through fromBox;
    bool boxRan = false;
    {
        testsupport::MessageBoxCloser closer;
        fw::QueueOnGuiThread([&] { ::MessageBoxW(nullptr, L"inside", L"loop", MB_OK); });
        fw::QueueOnGuiThread([&] {
            fromBox = letThrough();
            boxRan = true;
        });
        ASSERT_TRUE(PumpUntil([&] { return boxRan && closer.Closed(); }));
    }
    EXPECT_FALSE(fromBox.inLoop);
    EXPECT_EQ(fromBox.ticks, 0);
    EXPECT_EQ(fromBox.paints, 0);

    // Inside a wait for a thread to end (a port closing).
    Through inWait;
    Worker worker([&](Worker&) { fw::TThread::Synchronize([&] { inWait = letThrough(); }); });
    worker.Start();
    worker.WaitFor();
    EXPECT_FALSE(inWait.inLoop);
    EXPECT_EQ(inWait.ticks, 0);
    EXPECT_EQ(inWait.paints, 0);
}

TEST(UtilWindow, HiddenWindowOfItsClassSurvivesBeingFreedInsideItsProc) {
    ExceptionCatcher catcher;
    std::unique_ptr<fw::TUtilWindow> window;
    int calls = 0;
    window = std::make_unique<fw::TUtilWindow>([&](UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_APP) {
            ++calls;
            window.reset();
            return 7;
        }
        if (msg == WM_APP + 1) throw fw::Exception(L"from a window procedure");
        return fw::TUtilWindow::DefaultHandler(msg, w, l);
    });
    HWND wnd = window->Handle();
    ASSERT_TRUE(::IsWindow(wnd));
    wchar_t cls[64];
    ::GetClassNameW(wnd, cls, 64);
    EXPECT_STREQ(cls, L"TPUtilWindow");
    EXPECT_FALSE(::IsWindowVisible(wnd));
    EXPECT_EQ(::SendMessageW(wnd, WM_APP + 1, 0, 0), 0);
    EXPECT_EQ(catcher.messages, std::vector<std::wstring>{L"from a window procedure"});
    EXPECT_EQ(::SendMessageW(wnd, WM_APP, 0, 0), 7);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(window);
    EXPECT_FALSE(::IsWindow(wnd));
}

TEST(Timer, TicksOnTheGuiThreadAndMayBeFreedInItsOwnTick) {
    int ticks = 0;
    auto* timer = new fw::TTimer(nullptr);
    timer->SetInterval(20);
    timer->SetOnTimer([&](fw::TObject* sender) {
        EXPECT_EQ(sender, timer);
        EXPECT_TRUE(fw::IsGuiThread());
        if (++ticks == 3) {
            delete timer;
            timer = nullptr;
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return timer == nullptr; }));
    // No tick after the timer went.
    const auto end = std::chrono::steady_clock::now() + 150ms;
    while (std::chrono::steady_clock::now() < end) fw::Application().ProcessMessages();
    EXPECT_EQ(ticks, 3);

    fw::TTimer disabled(nullptr);
    int never = 0;
    disabled.SetEnabled(false);
    disabled.SetInterval(10);
    disabled.SetOnTimer([&](fw::TObject*) { ++never; });
    PumpUntil([] { return false; }, 100ms);
    EXPECT_EQ(never, 0);
}

}  // namespace
