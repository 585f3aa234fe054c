// rigdriver.exe: reads and works another program's windows for the end-to-end tests.
//
// Runs inside the test session's Wine (tests/rig/wine-run BUILD rigdriver.exe) and
// takes one command per line on standard input; answers each with one line:
//   ok<TAB>field<TAB>field...     or     err<TAB>message
// Fields escape backslash, tab, '|', CR, LF and other control characters (\\ \t \r
// \n \xNN) and are UTF-8. Window handles are hexadecimal. Commands:
//   main MS CAPTION          wait up to MS for a top-level window titled CAPTION
//                            that is not a dialog box -> hwnd
//   window HWND              caption class style exstyle x y w h client_w client_h
//                            screen_w screen_h enabled  (key=value fields)
//   children HWND            one field per descendant:
//                            hwnd|class|x|y|w|h|enabled|visible|text (client coords of HWND)
//   text HWND                the window text
//   combo HWND               selected-index, displayed text, then the items
//   select HWND INDEX        pick an item as a user would (selection + CBN_SELCHANGE)
//   click HWND [X Y]         mouse click at the centre of HWND (or at client X,Y)
//   rect HWND                the window's rectangle on the screen: left top right bottom
//   press HWND               BM_CLICK posted to a button (returns at once)
//   type TEXT                types TEXT into the focused window
//   empty HWND               empties the window's text (WM_SETTEXT, as program code would)
//   key VK                   presses and releases virtual key VK (decimal)
//   focus HWND               focus, active and caret windows of HWND's thread, caret shown
//   msgbox MS                wait up to MS for a message box -> hwnd caption text
//   nomsgbox                 ok when no message box is open, else err with its text
//   dismiss HWND             presses a message box's OK (or the window's close)
//   close HWND               the user's close command (SC_CLOSE), posted
//   alive HWND               ok 1 when the window still exists, ok 0 otherwise
//   hittest HWND X Y         WM_NCHITTEST at window-relative X,Y -> the HT code
//   pixel X Y                the screen pixel at X,Y as rrggbb
//   handles HWND             open handles of the process that owns HWND (the
//                            system's handle table: GetProcessHandleCount is 0 under Wine)
//   trace HWND               the time stamps the process owning HWND has marked since
//                            the last call (started with QUILLON_TRACE set): one field
//                            "POINT MICROSECONDS" each, on the performance counter
//   clock                    the performance counter now, in microseconds
//   serialcomm list|clear|delete|set NAME=VALUE...|remove NAME
//                            reads or writes HKLM\HARDWARE\DEVICEMAP\SERIALCOMM
//   com-open NAME            opens \\.\NAME for overlapped I/O (one port at a time);
//                            err carries "error N" with the system error number
//   com-setup BAUD BITS PARITY STOP   SetCommState (parity 0-4, stop 0-2), DTR on, RTS off
//   com-state                baud bits parity stop as GetCommState reads them back
//   com-modem                GetCommModemStatus as hex
//   com-wait MASK MS         SetCommMask(MASK, hex) and one WaitCommEvent -> events as hex
//   com-write TEXT           writes TEXT (escapes as in answers) and waits for it to go
//   com-read MS [N]          what arrives within MS (or once N bytes have), escaped
//   com-close
//   crash                    ends the driver by an access violation, as a program's
//                            fault would (the rig's test of what Wine then does)
//   quit
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Trace.h"

namespace {

std::string utf8(const std::wstring &w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring wide(const std::string &s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
  return w;
}

std::string escape(const std::wstring &w) {
  std::string out;
  for (unsigned char c : utf8(w)) {
    switch (c) {
    case '\\': out += "\\\\"; break;
    case '\t': out += "\\t"; break;
    case '\r': out += "\\r"; break;
    case '\n': out += "\\n"; break;
    case '|': out += "\\x7c"; break;
    default:
      if (c < 0x20 || c == 0x7f) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02x", c);
        out += buf;
      } else {
        out += char(c);
      }
    }
  }
  return out;
}

std::string hex(HWND h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)));
  return buf;
}

HWND parseHwnd(const std::string &s) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::stoull(s, nullptr, 16)));
}

std::wstring windowText(HWND h) {
  // WM_GETTEXT rather than GetWindowText: the latter does not ask other processes' controls.
  LRESULT n = SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring s(size_t(n) + 1, L'\0');
  n = SendMessageW(h, WM_GETTEXT, WPARAM(s.size()), reinterpret_cast<LPARAM>(s.data()));
  s.resize(size_t(n));
  return s;
}

std::wstring className(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

struct Reply {
  std::vector<std::string> fields;
  Reply &operator<<(const std::string &f) { fields.push_back(f); return *this; }
  Reply &operator<<(const std::wstring &f) { fields.push_back(escape(f)); return *this; }
  Reply &operator<<(long long v) { fields.push_back(std::to_string(v)); return *this; }
};

[[noreturn]] void fail(const std::string &message) { throw std::runtime_error(message); }

HWND findMain(const std::wstring &caption) {
  struct Search { const std::wstring *caption; HWND found; } search{&caption, nullptr};
  EnumWindows([](HWND h, LPARAM p) -> BOOL {
    auto *s = reinterpret_cast<Search *>(p);
    if (className(h) == L"#32770" || !IsWindowVisible(h)) return TRUE;
    if (windowText(h) != *s->caption) return TRUE;
    s->found = h;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND findMessageBox() {
  HWND found = nullptr;
  EnumWindows([](HWND h, LPARAM p) -> BOOL {
    if (className(h) != L"#32770" || !IsWindowVisible(h)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId()) return TRUE;
    *reinterpret_cast<HWND *>(p) = h;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring messageBoxText(HWND box) {
  // The message text is the static control with id 0xFFFF in Wine and Windows.
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? windowText(text) : std::wstring{};
}

template <typename F> auto waitFor(DWORD ms, F probe) -> decltype(probe()) {
  DWORD start = GetTickCount();
  for (;;) {
    if (auto r = probe()) return r;
    if (GetTickCount() - start >= ms) return {};
    Sleep(20);
  }
}

void sendMouseClick(int x, int y) {
  // Every event carries the absolute position: a press sent on its own can land
  // where the pointer was before (Wine's virtual desktop takes the position from
  // the X server, which has not always seen the warp yet).
  const LONG ax = LONG((x * 65536 + GetSystemMetrics(SM_CXSCREEN) / 2) / GetSystemMetrics(SM_CXSCREEN));
  const LONG ay = LONG((y * 65536 + GetSystemMetrics(SM_CYSCREEN) / 2) / GetSystemMetrics(SM_CYSCREEN));
  auto event = [&](DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = ax;
    in.mi.dy = ay;
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(INPUT));
  };
  event(0);
  waitFor(500, [&] {
    POINT p;
    return GetCursorPos(&p) && p.x == x && p.y == y;
  });
  Sleep(30);
  event(MOUSEEVENTF_LEFTDOWN);
  event(MOUSEEVENTF_LEFTUP);
}

void sendKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

void bringToFront(HWND h) {
  HWND top = GetAncestor(h, GA_ROOT);
  if (GetForegroundWindow() == top) return;
  SetForegroundWindow(top);
  waitFor(1000, [&] { return GetForegroundWindow() == top; });
}

constexpr const wchar_t *kSerialComm = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

Reply serialcomm(std::istringstream &args) {
  std::string op;
  args >> op;
  Reply r;
  if (op == "delete") {
    LSTATUS st = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSerialComm);
    if (st != ERROR_SUCCESS && st != ERROR_FILE_NOT_FOUND) fail("RegDeleteKey " + std::to_string(st));
    return r;
  }
  HKEY key = nullptr;
  if (op == "list") {
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_READ, &key) != ERROR_SUCCESS) fail("no key");
  } else if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialComm, 0, nullptr, REG_OPTION_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    fail("cannot create the key");
  }
  struct Closer { HKEY k; ~Closer() { RegCloseKey(k); } } closer{key};
  auto names = [&] {
    std::vector<std::wstring> out;
    for (DWORD i = 0;; ++i) {
      wchar_t name[256];
      DWORD len = 256;
      if (RegEnumValueW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      out.emplace_back(name, len);
    }
    return out;
  };
  if (op == "list") {
    for (const auto &n : names()) {
      wchar_t data[256] = {};
      DWORD size = sizeof data - sizeof(wchar_t);
      RegQueryValueExW(key, n.c_str(), nullptr, nullptr, reinterpret_cast<BYTE *>(data), &size);
      r << (n + L"=" + data);
    }
  } else if (op == "clear") {
    for (const auto &n : names()) RegDeleteValueW(key, n.c_str());
  } else if (op == "set") {
    std::string pair;
    while (args >> pair) {
      auto eq = pair.find('=');
      if (eq == std::string::npos) fail("set NAME=VALUE");
      std::wstring name = wide(pair.substr(0, eq)), value = wide(pair.substr(eq + 1));
      RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                     DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
  } else if (op == "remove") {
    std::string name;
    while (args >> name) RegDeleteValueW(key, wide(name).c_str());
  } else {
    fail("serialcomm list|clear|delete|set|remove");
  }
  return r;
}

struct Port {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~Port() { close(); }
  void close() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
  }
} port;

[[noreturn]] void failSystem(const char *what) { fail(std::string(what) + " error " + std::to_string(GetLastError())); }

std::string unescapeArg(const std::string &s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) { out += s[i]; continue; }
    char c = s[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 't') out += '\t';
    else if (c == 'x' && i + 2 < s.size() + 1) { out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16)); i += 2; }
    else out += c;
  }
  return out;
}

// Waits for an overlapped operation; false on time-out (the operation is then cancelled).
bool finish(OVERLAPPED &ov, DWORD ms, DWORD &bytes) {
  if (WaitForSingleObject(ov.hEvent, ms) != WAIT_OBJECT_0) {
    CancelIo(port.h);
    GetOverlappedResult(port.h, &ov, &bytes, TRUE);
    return false;
  }
  return GetOverlappedResult(port.h, &ov, &bytes, FALSE);
}

struct Event {
  HANDLE h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Event() { CloseHandle(h); }
};

Reply com(const std::string &cmd, std::istringstream &args) {
  Reply r;
  if (cmd == "com-open") {
    std::string name;
    args >> name;
    port.close();
    port.h = CreateFileW(wide("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
    if (port.h == INVALID_HANDLE_VALUE) failSystem("open");
    return r;
  }
  if (port.h == INVALID_HANDLE_VALUE) fail("no port open");
  if (cmd == "com-close") {
    port.close();
  } else if (cmd == "com-setup") {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port.h, &dcb)) failSystem("GetCommState");
    int baud = 0, bits = 0, parity = 0, stop = 0;
    args >> baud >> bits >> parity >> stop;
    dcb.BaudRate = DWORD(baud);
    dcb.ByteSize = BYTE(bits);
    dcb.Parity = BYTE(parity);
    dcb.StopBits = BYTE(stop);
    dcb.fBinary = TRUE;
    dcb.fParity = parity != NOPARITY;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
    if (!SetCommState(port.h, &dcb)) failSystem("SetCommState");
  } else if (cmd == "com-state") {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port.h, &dcb)) failSystem("GetCommState");
    r << static_cast<long long>(dcb.BaudRate) << static_cast<long long>(dcb.ByteSize)
      << static_cast<long long>(dcb.Parity) << static_cast<long long>(dcb.StopBits);
  } else if (cmd == "com-modem") {
    DWORD status = 0;
    if (!GetCommModemStatus(port.h, &status)) failSystem("GetCommModemStatus");
    char buf[16];
    std::snprintf(buf, sizeof buf, "%lx", static_cast<unsigned long>(status));
    r << std::string(buf);
  } else if (cmd == "com-wait") {
    std::string mask;
    DWORD ms = 0;
    args >> mask >> ms;
    if (!SetCommMask(port.h, DWORD(std::stoul(mask, nullptr, 16)))) failSystem("SetCommMask");
    Event e;
    OVERLAPPED ov{};
    ov.hEvent = e.h;
    DWORD events = 0, bytes = 0;
    if (!WaitCommEvent(port.h, &events, &ov)) {
      if (GetLastError() != ERROR_IO_PENDING) failSystem("WaitCommEvent");
      if (WaitForSingleObject(e.h, ms) != WAIT_OBJECT_0) {
        // Wine ends a pending wait only when the mask changes.
        SetCommMask(port.h, 0);
        GetOverlappedResult(port.h, &ov, &bytes, TRUE);
        fail("no event");
      }
      if (!GetOverlappedResult(port.h, &ov, &bytes, FALSE)) failSystem("WaitCommEvent");
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%lx", static_cast<unsigned long>(events));
    r << std::string(buf);
  } else if (cmd == "com-write") {
    std::string rest;
    std::getline(args, rest);
    std::string bytes = unescapeArg(rest.empty() ? rest : rest.substr(1));
    Event e;
    OVERLAPPED ov{};
    ov.hEvent = e.h;
    DWORD done = 0;
    if (!WriteFile(port.h, bytes.data(), DWORD(bytes.size()), nullptr, &ov) && GetLastError() != ERROR_IO_PENDING)
      failSystem("WriteFile");
    if (!finish(ov, 5000, done) || done != bytes.size()) fail("write incomplete");
  } else if (cmd == "com-read") {
    DWORD ms = 0;
    std::size_t enough = 0;
    args >> ms >> enough;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = 100;
    t.ReadTotalTimeoutConstant = ms;
    SetCommTimeouts(port.h, &t);
    std::string got;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && (!enough || got.size() < enough)) {
      char buf[256];
      Event e;
      OVERLAPPED ov{};
      ov.hEvent = e.h;
      DWORD n = 0;
      if (!ReadFile(port.h, buf, sizeof buf, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING) failSystem("ReadFile");
      finish(ov, ms + 1000, n);
      got.append(buf, n);
    }
    // Byte by byte: every byte outside printable ASCII comes back as \xNN.
    std::string out;
    for (unsigned char c : got) {
      if (c < 0x20 || c >= 0x7f || c == '\\' || c == '|') {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02x", c);
        out += buf;
      } else {
        out += char(c);
      }
    }
    r << out;
  } else {
    fail("unknown command " + cmd);
  }
  return r;
}

// The handles of one process, counted in the system's handle table.
long long processHandleCount(DWORD pid) {
  struct Entry {
    ULONG ProcessId;
    BYTE ObjectTypeNumber, Flags;
    USHORT Handle;
    PVOID Object;
    ACCESS_MASK GrantedAccess;
  };
  struct Table {
    ULONG Count;
    Entry Handles[1];
  };
  using QueryFn = LONG(WINAPI *)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) fail("no NtQuerySystemInformation");
  constexpr ULONG SystemHandleInformation = 16;
  constexpr LONG InfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<BYTE> buffer(1 << 16);
  LONG status;
  while ((status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), nullptr)) ==
         InfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status < 0) fail("NtQuerySystemInformation failed");
  const auto *table = reinterpret_cast<const Table *>(buffer.data());
  long long count = 0;
  for (ULONG i = 0; i < table->Count; ++i) count += table->Handles[i].ProcessId == pid;
  return count;
}

// Writes part of the screen to a bottom-up 24-bit bitmap file.
void saveScreenBitmap(int x, int y, int w, int h, const std::wstring &path) {
  if (w <= 0 || h <= 0) fail("empty shot");
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void *bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) {
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    fail("no bitmap");
  }
  HGDIOBJ old = SelectObject(dc, bmp);
  BitBlt(dc, 0, 0, w, h, screen, x, y, SRCCOPY);
  GdiFlush();
  const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + stride * static_cast<DWORD>(h);
  bool written = false;
  if (FILE *f = _wfopen(path.c_str(), L"wb")) {
    written = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
              fwrite(bits, stride, static_cast<size_t>(h), f) == static_cast<size_t>(h);
    fclose(f);
  }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  if (!written) fail("cannot write the shot");
}

double microseconds(long long ticks, long long frequency) {
  return double(ticks / frequency) * 1e6 + double(ticks % frequency) * 1e6 / double(frequency);
}

// The trace section of each process asked about, and how far it has been read.
struct TraceView {
  const fw::trace::THeader *header = nullptr;
  std::uint32_t read = 0;
};

Reply traceRecords(DWORD pid) {
  using namespace fw::trace;
  static std::map<DWORD, TraceView> views;
  TraceView &view = views[pid];
  if (!view.header) {
    const std::wstring name = kSectionPrefix + std::to_wstring(pid);
    HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
    if (!section) fail("no trace section (QUILLON_TRACE not set?)");
    view.header = static_cast<const THeader *>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0));
    CloseHandle(section);  // the view keeps the section
    if (!view.header || view.header->magic != kMagic) fail("bad trace section");
  }
  const auto *records = reinterpret_cast<const TRecord *>(view.header + 1);
  const std::uint32_t next = static_cast<const volatile std::uint32_t &>(view.header->next);
  Reply r;
  // Records overwritten since the last call are lost; say so.
  if (next - view.read > view.header->capacity) {
    r << std::string("lost " + std::to_string(next - view.read - view.header->capacity));
    view.read = next - view.header->capacity;
  }
  for (; view.read != next; ++view.read) {
    const TRecord &rec = records[view.read % view.header->capacity];
    // A mark still being written has not its sequence number yet: read it next time.
    if (static_cast<const volatile std::uint32_t &>(rec.seq) != view.read + 1) break;
    char field[64];
    std::snprintf(field, sizeof field, "%u %.1f", rec.point, microseconds(rec.ticks, view.header->frequency));
    r << std::string(field);
  }
  return r;
}

Reply run(const std::string &line) {
  std::istringstream args(line);
  std::string cmd;
  args >> cmd;
  auto rest = [&] {
    std::string s;
    std::getline(args, s);
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    return s;
  };
  auto hwndArg = [&] {
    std::string s;
    args >> s;
    HWND h = parseHwnd(s);
    if (!IsWindow(h)) fail("no window " + s);
    return h;
  };
  Reply r;
  if (cmd == "main") {
    DWORD ms = 0;
    args >> ms;
    std::string caption = rest();
    HWND h = waitFor(ms, [&] { return findMain(wide(caption)); });
    if (!h) fail("no window titled " + caption);
    r << hex(h);
  } else if (cmd == "window") {
    HWND h = hwndArg();
    RECT wr, cr;
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    char style[64];
    std::snprintf(style, sizeof style, "style=%lx", static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)));
    char exstyle[64];
    std::snprintf(exstyle, sizeof exstyle, "exstyle=%lx", static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)));
    r << ("caption=" + escape(windowText(h))) << ("class=" + escape(className(h))) << style << exstyle
      << ("x=" + std::to_string(wr.left)) << ("y=" + std::to_string(wr.top))
      << ("w=" + std::to_string(wr.right - wr.left)) << ("h=" + std::to_string(wr.bottom - wr.top))
      << ("client_w=" + std::to_string(cr.right)) << ("client_h=" + std::to_string(cr.bottom))
      << ("screen_w=" + std::to_string(GetSystemMetrics(SM_CXSCREEN)))
      << ("screen_h=" + std::to_string(GetSystemMetrics(SM_CYSCREEN)))
      << ("enabled=" + std::to_string(IsWindowEnabled(h) ? 1 : 0));
  } else if (cmd == "children") {
    HWND h = hwndArg();
    struct Walk { HWND top; Reply *r; } walk{h, &r};
    EnumChildWindows(h, [](HWND c, LPARAM p) -> BOOL {
      auto *w = reinterpret_cast<Walk *>(p);
      RECT rc;
      GetWindowRect(c, &rc);
      MapWindowPoints(HWND_DESKTOP, w->top, reinterpret_cast<POINT *>(&rc), 2);
      std::ostringstream f;
      f << hex(c) << '|' << escape(className(c)) << '|' << rc.left << '|' << rc.top << '|'
        << (rc.right - rc.left) << '|' << (rc.bottom - rc.top) << '|' << (IsWindowEnabled(c) ? 1 : 0)
        << '|' << (IsWindowVisible(c) ? 1 : 0) << '|' << escape(windowText(c));
      *w->r << f.str();
      return TRUE;
    }, reinterpret_cast<LPARAM>(&walk));
  } else if (cmd == "text") {
    r << windowText(hwndArg());
  } else if (cmd == "empty") {
    if (!SendMessageW(hwndArg(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""))) fail("text not set");
  } else if (cmd == "combo") {
    HWND h = hwndArg();
    LRESULT count = SendMessageW(h, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR) fail("not a combo box");
    r << static_cast<long long>(SendMessageW(h, CB_GETCURSEL, 0, 0)) << windowText(h);
    for (LRESULT i = 0; i < count; ++i) {
      LRESULT len = SendMessageW(h, CB_GETLBTEXTLEN, WPARAM(i), 0);
      std::wstring item(size_t(len < 0 ? 0 : len) + 1, L'\0');
      len = SendMessageW(h, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item.data()));
      item.resize(size_t(len < 0 ? 0 : len));
      r << item;
    }
  } else if (cmd == "select") {
    HWND h = hwndArg();
    long long index = 0;
    args >> index;
    if (SendMessageW(h, CB_SETCURSEL, WPARAM(index), 0) == CB_ERR && index >= 0) fail("no item");
    HWND parent = GetParent(h);
    int id = GetDlgCtrlID(h);
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(h));
  } else if (cmd == "click") {
    HWND h = hwndArg();
    RECT rc;
    GetClientRect(h, &rc);
    POINT pt{rc.right / 2, rc.bottom / 2};
    if (int x, y; args >> x >> y) pt = {x, y};
    ClientToScreen(h, &pt);
    bringToFront(h);
    sendMouseClick(pt.x, pt.y);
  } else if (cmd == "rect") {
    RECT rc;
    GetWindowRect(hwndArg(), &rc);
    r << static_cast<long long>(rc.left) << static_cast<long long>(rc.top) << static_cast<long long>(rc.right)
      << static_cast<long long>(rc.bottom);
  } else if (cmd == "press") {
    PostMessageW(hwndArg(), BM_CLICK, 0, 0);
  } else if (cmd == "type") {
    for (wchar_t c : wide(rest())) {
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wScan = in[1].ki.wScan = c;
      in[0].ki.dwFlags = KEYEVENTF_UNICODE;
      in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
      SendInput(2, in, sizeof(INPUT));
    }
  } else if (cmd == "key") {
    int vk = 0;
    args >> vk;
    sendKey(WORD(vk));
  } else if (cmd == "focus") {
    HWND h = hwndArg();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &info)) fail("GetGUIThreadInfo");
    r << ("focus=" + hex(info.hwndFocus)) << ("active=" + hex(info.hwndActive))
      << ("caret=" + hex(info.hwndCaret))
      << ("caret_shown=" + std::to_string((info.flags & GUI_CARETBLINKING) ? 1 : 0));
  } else if (cmd == "msgbox") {
    DWORD ms = 0;
    args >> ms;
    HWND box = waitFor(ms, [] { return findMessageBox(); });
    if (!box) fail("no message box");
    r << hex(box) << windowText(box) << messageBoxText(box);
  } else if (cmd == "nomsgbox") {
    if (HWND box = findMessageBox()) fail("message box: " + escape(messageBoxText(box)));
  } else if (cmd == "dismiss") {
    HWND h = hwndArg();
    PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, IDOK)));
  } else if (cmd == "close") {
    PostMessageW(hwndArg(), WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (cmd == "alive") {
    std::string s;
    args >> s;
    r << static_cast<long long>(IsWindow(parseHwnd(s)) ? 1 : 0);
  } else if (cmd == "hittest") {
    HWND h = hwndArg();
    int x = 0, y = 0;
    args >> x >> y;
    RECT wr;
    GetWindowRect(h, &wr);
    r << static_cast<long long>(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(wr.left + x, wr.top + y)));
  } else if (cmd == "pixel") {
    int x = 0, y = 0;
    args >> x >> y;
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    r << std::string(buf);
  } else if (cmd == "shot") {
    // shot X Y W H FILE: that part of the screen as a 24-bit bitmap file.
    int x = 0, y = 0, w = 0, h = 0;
    args >> x >> y >> w >> h;
    saveScreenBitmap(x, y, w, h, wide(rest()));
  } else if (cmd == "findvisible") {
    // The visible top-level window of a class (a dropped list, a menu), or 0.
    const std::wstring cls = wide(rest());
    HWND found = nullptr;
    for (HWND w = FindWindowExW(nullptr, nullptr, cls.c_str(), nullptr); w && !found;
         w = FindWindowExW(nullptr, w, cls.c_str(), nullptr))
      if (IsWindowVisible(w)) found = w;
    r << hex(found);
  } else if (cmd == "send" || cmd == "post") {
    // send|post HWND MSG WPARAM LPARAM (numbers; no pointers cross processes).
    HWND h = hwndArg();
    unsigned long long msg = 0, wp = 0;
    long long lp = 0;
    args >> msg >> wp >> lp;
    if (cmd == "send")
      r << static_cast<long long>(SendMessageW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp)));
    else
      PostMessageW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
  } else if (cmd == "handles") {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwndArg(), &pid);
    r << static_cast<long long>(processHandleCount(pid));
  } else if (cmd == "trace") {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwndArg(), &pid);
    r = traceRecords(pid);
  } else if (cmd == "clock") {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    char field[32];
    std::snprintf(field, sizeof field, "%.1f", microseconds(now.QuadPart, frequency.QuadPart));
    r << std::string(field);
  } else if (cmd == "serialcomm") {
    r = serialcomm(args);
  } else if (cmd.rfind("com-", 0) == 0) {
    r = com(cmd, args);
  } else if (cmd == "crash") {
    std::fflush(stdout);
    *static_cast<volatile int*>(nullptr) = 0;
  } else {
    fail("unknown command " + cmd);
  }
  return r;
}

}  // namespace

int main() {
  std::ios::sync_with_stdio(false);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "quit") break;
    if (line.empty()) continue;
    std::string out;
    try {
      Reply r = run(line);
      out = "ok";
      for (const auto &f : r.fields) out += "\t" + f;
    } catch (const std::exception &e) {
      out = std::string("err\t") + e.what();
    }
    std::cout << out << '\n' << std::flush;
  }
  return 0;
}
