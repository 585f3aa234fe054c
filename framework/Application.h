#pragma once
// The application object: title, main form, message loop and the default
// handling of exceptions that leave an event handler.
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Thread.h"

namespace fw {

class TControl;
class TCustomForm;
class TWinControl;

class TApplication {
public:
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    // Creates the hidden "TApplication" window (idempotent).
    void Initialize();
    // The hidden application window (created by Initialize).
    HWND Handle() const noexcept;

    const std::wstring& Title() const { return title_; }
    void SetTitle(std::wstring title);
    // The main form gets the task-bar button itself (not the hidden window).
    bool MainFormOnTaskBar() const noexcept { return mainFormOnTaskBar_; }
    void SetMainFormOnTaskBar(bool value) noexcept { mainFormOnTaskBar_ = value; }

    // Creates a form owned by the application; the first one becomes the main form.
    template <typename Form>
    Form* CreateForm() {
        auto form = std::make_unique<Form>(nullptr);
        Form* raw = form.get();
        raw->AfterConstruction();
        AdoptForm(std::move(form), raw);
        return raw;
    }
    TCustomForm* MainForm() const noexcept { return mainForm_; }

    // Shows an exception that left a handler: an error box (MB_ICONERROR)
    // whose caption is Title() and whose text is the message, with a full stop
    // appended when the message's last character has a code greater than '.'.
    // Never throws. May be called on any thread: from another thread it is
    // handed to the GUI thread. When OnException is set, it replaces the box.
    // One box at a time: errors raised while a box is up (its own message
    // loop runs timers and paints) are kept, and the first of them is shown
    // when the box closes, with the number of the others.
    void HandleException(std::exception_ptr e) noexcept;
    std::function<void(std::exception_ptr)> OnException;
    // The error box itself (what HandleException shows without OnException).
    void ShowException(const std::exception_ptr& e) noexcept;
    // The box's text for a message: the full-stop rule above; then, when
    // more errors followed it, a line saying how many.
    static std::wstring ErrorBoxText(std::wstring message, int moreErrors = 0);

    // Handles every pending message, then returns.
    void ProcessMessages();
    // For a long run of work on the GUI thread (a stream of queued batches):
    // handles the input, paint and timer messages that are due, which the
    // message loop hands out only when no posted message waits. Posted
    // messages stay queued, in order. Only where the application's own loop
    // handed the work out (InApplicationLoop): inside a menu's, a move
    // loop's, a message box's loop or a GUI-thread TThread::WaitFor it
    // handles nothing, as that loop takes its own messages.
    void HandleDueMessages();
    // Waits for and handles one message (false when WM_QUIT arrived).
    bool HandleMessage();
    // Shows the main form and runs the message loop until it closes; then
    // frees the forms the application owns.
    void Run();
    void Terminate() noexcept;
    bool Terminated() const noexcept { return terminated_; }

    // Message-loop pre-translation: key and character messages go first to the
    // focused framework control as CN_KEYDOWN etc.; a non-zero answer swallows
    // the key. Then dialog navigation of the active form. True when handled.
    bool IsPreProcessMessage(MSG& msg);

    // The icon the application window answers WM_GETICON with: the main
    // form's, else the program's own.
    HICON Icon(bool big) const noexcept;

    // Hooks that see every message of the application window first (a skinned
    // frame hooks the main window this way); a hook answering true handles it.
    // They also see CM_APPACTIVATE (WParam 1 active, 0 inactive) when the
    // application is activated or deactivated; forms and their controls get
    // it too, and CM_SYSFONTCHANGED when the system's fonts change.
    using TWindowHook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
    int HookMainWindow(TWindowHook hook);
    void UnhookMainWindow(int id);

    // Control under the mouse, tracked for CM_MOUSEENTER / CM_MOUSELEAVE
    // (LParam: the control): the deepest framework control under the
    // pointer, graphic controls included and native children counting as
    // the control they belong to. Checked on every mouse move and leave the
    // message loop sees and, while the pointer moves over a control, every
    // 100 ms, so that the leave always arrives; a pointer at rest is looked
    // at only when the thread wakes for something else (at most once a
    // second), besides the system's report of a leave.
    void UpdateMouseControl();
    TControl* MouseControl() const noexcept { return mouseControl_; }
    // Called after the loop followed a mouse move or leave (and, while it
    // ticks, a pointer it saw move outside this thread's windows): a check
    // of its own that rests while the pointer rests starts again from here.
    int AddMouseWatch(std::function<void()> watch);
    void RemoveMouseWatch(int id) noexcept;
    // A control is being freed: drop every reference to it.
    void ControlDestroying(TControl* control) noexcept;

private:
    friend TApplication& Application();
    friend class TCustomForm;
    TApplication();
    void AdoptForm(std::unique_ptr<TComponent> form, TCustomForm* asForm);
    void FormDestroyed(TCustomForm* form) noexcept;
    void DestroyForms() noexcept;
    LRESULT AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    bool RunHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // msg to every form and all its controls.
    void NotifyForms(UINT msg, WPARAM wParam);
    static void NotifyTree(TControl* control, UINT msg, WPARAM wParam);
    void ProcessMessage(MSG& msg);
    // True when the message was the loop's own business alone.
    bool TrackMouse(const MSG& msg);
    void SetMouseTick(bool on);
    void MouseTick();
    void NotifyMouseWatches();
    void LookAtRestingPointer(POINT messagePoint);

    std::wstring title_;
    bool mainFormOnTaskBar_ = false;
    bool terminated_ = false;
    TCustomForm* mainForm_ = nullptr;
    std::vector<std::unique_ptr<TComponent>> forms_;
    std::unique_ptr<TUtilWindow> appWindow_;
    std::vector<std::pair<int, TWindowHook>> hooks_;
    int nextHookId_ = 1;
    TControl* mouseControl_ = nullptr;
    std::unique_ptr<TUtilWindow> mouseTick_;
    bool mouseTickOn_ = false;
    POINT tickPoint_{};  // where the pointer was at the last tick
    int restingTicks_ = 0;  // ticks since the pointer last moved
    DWORD restLookTime_ = 0;  // GetTickCount of the last look at a resting pointer
    POINT restPoint_{};       // where it came to rest, as messages report it
    std::vector<std::pair<int, std::function<void()>>> mouseWatches_;
    int nextMouseWatchId_ = 1;
    HWND trackedWindow_ = nullptr;  // the window TrackMouseEvent watches
    bool trackedNonClient_ = false;
    // The error box being shown, and what arrived meanwhile.
    bool showingError_ = false;
    std::exception_ptr pendingError_;
    int morePendingErrors_ = 0;
};

// The one application object; its first use binds the GUI thread.
TApplication& Application();

}  // namespace fw
