#pragma once
// The framework's own control notifications (CM_) and the messages a parent
// reflects back to the child that caused them (CN_ = 0xBC00 + the message).
#include <windows.h>

namespace fw {

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0x00;        // form activated
constexpr UINT CM_DEACTIVATE = CM_BASE + 0x01;      // form deactivated
constexpr UINT CM_CANCELMODE = CM_BASE + 0x04;      // LParam: the control taking the focus (or none)
constexpr UINT CM_DIALOGKEY = CM_BASE + 0x05;       // WParam: VK_TAB, VK_RETURN or VK_ESCAPE; answer 1 to take it
constexpr UINT CM_DIALOGCHAR = CM_BASE + 0x06;      // WParam: character; answer 1 when it was an accelerator
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 0x07;    // LParam: the control that has the focus now
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 0x08;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 0x09;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 0x0B;  // WParam: the new value
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 0x0C;
constexpr UINT CM_COLORCHANGED = CM_BASE + 0x0D;
constexpr UINT CM_FONTCHANGED = CM_BASE + 0x0E;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 0x12;
constexpr UINT CM_MOUSEENTER = CM_BASE + 0x13;      // LParam: the control
constexpr UINT CM_MOUSELEAVE = CM_BASE + 0x14;      // LParam: the control
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 0x19;
constexpr UINT CM_ENTER = CM_BASE + 0x1A;
constexpr UINT CM_EXIT = CM_BASE + 0x1B;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 0x2C;  // WParam: child control; LParam: 1 inserting, 0 removing
constexpr UINT CM_RECREATEWND = CM_BASE + 0x33;     // posted: re-create the window outside the handler
constexpr UINT CM_INVALIDATE = CM_BASE + 0x34;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 0x35;
constexpr UINT CM_CHANGED = CM_BASE + 0x37;         // LParam: the control whose content changed
constexpr UINT CM_APPACTIVATE = CM_BASE + 0x40;     // WParam: 1 the application became active, 0 inactive
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 0x43;      // WM_MOUSEWHEEL's parameters; answer 1 when handled

constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

// One message as the framework passes it around.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

}  // namespace fw
