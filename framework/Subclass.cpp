#include "framework/Subclass.h"

#include <memory>
#include <new>

#include "framework/Application.h"
#include "framework/WindowProcChain.h"

namespace fw {

namespace {

constexpr wchar_t kChainProp[] = L"QuillonSubclass";

LRESULT CALLBACK SubclassStub(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

// One window's chain; owned through the window property and kept alive by
// the stub while a message of the window runs.
struct SubclassChain : std::enable_shared_from_this<SubclassChain> {
    SubclassChain(HWND wnd, WNDPROC original)
        : original(original), procs([this, wnd](TMessage& m) {
              originalCalled = originalCalled || m.Msg == WM_NCDESTROY;
              m.Result = ::CallWindowProcW(this->original, wnd, m.Msg, m.WParam, m.LParam);
          }) {}

    WNDPROC original;
    TWindowProcChain procs;
    bool originalCalled = false;  // WM_NCDESTROY reached the original procedure
    int depth = 0;                // messages of the window running now
    bool unhookLater = false;     // emptied while a message ran
    std::shared_ptr<SubclassChain> self;  // the property's reference
};

SubclassChain* ChainOf(HWND wnd) noexcept { return static_cast<SubclassChain*>(::GetPropW(wnd, kChainProp)); }

// The window is left to its original procedure again, when that is possible.
void Unhook(HWND wnd, SubclassChain* chain, bool destroying) noexcept {
    const bool stubOnTop = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(wnd, GWLP_WNDPROC)) == &SubclassStub;
    if (!stubOnTop && !destroying) return;  // somebody subclassed after us: stay and pass through
    if (stubOnTop) ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
    ::RemovePropW(wnd, kChainProp);
    chain->self.reset();
}

LRESULT CALLBACK SubclassStub(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    SubclassChain* raw = ChainOf(wnd);
    if (!raw) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    const std::shared_ptr<SubclassChain> chain = raw->shared_from_this();
    TMessage m{msg, wParam, lParam, 0};
    ++chain->depth;
    try {
        chain->procs(m);
    } catch (...) {
        Application().HandleException(std::current_exception());
    }
    --chain->depth;
    if (chain->depth == 0 && chain->unhookLater && msg != WM_NCDESTROY) {
        chain->unhookLater = false;
        if (chain->procs.Empty()) Unhook(wnd, chain.get(), false);
    }
    if (msg == WM_NCDESTROY) {
        // A procedure that kept the message to itself must not cost the
        // original procedure its clean-up.
        if (!chain->originalCalled) ::CallWindowProcW(chain->original, wnd, msg, wParam, lParam);
        Unhook(wnd, chain.get(), true);
    }
    return m.Result;
}

}  // namespace

void InstallSubclass(HWND wnd, const void* key, TSubclassProc proc) {
    SubclassChain* chain = ChainOf(wnd);
    if (!chain) {
        const auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(wnd, GWLP_WNDPROC));
        auto made = std::make_shared<SubclassChain>(wnd, original);
        made->self = made;
        if (!::SetPropW(wnd, kChainProp, made.get())) {
            made->self.reset();
            throw std::bad_alloc();
        }
        ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassStub));
        chain = made.get();
    }
    chain->procs.Install(key, [wnd, proc = std::move(proc)](TMessage& m) { proc(wnd, m); });
}

void RemoveSubclass(HWND wnd, const void* key) noexcept {
    SubclassChain* chain = ChainOf(wnd);
    if (!chain) return;
    chain->procs.Remove(key);
    if (!chain->procs.Empty()) return;
    // Not under a running message: the rest of its chain still needs the window's property.
    if (chain->depth > 0) {
        chain->unhookLater = true;
    } else {
        Unhook(wnd, chain, false);
    }
}

bool HasSubclass(HWND wnd, const void* key) noexcept {
    const SubclassChain* chain = ChainOf(wnd);
    return chain && chain->procs.Installed(key);
}

void CallNextSubclass(HWND wnd, const void* key, TMessage& message) {
    if (SubclassChain* chain = ChainOf(wnd)) {
        chain->procs.CallNext(key, message);
        return;
    }
    message.Result = ::DefWindowProcW(wnd, message.Msg, message.WParam, message.LParam);
}

}  // namespace fw
