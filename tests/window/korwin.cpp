// korwin: looks at a running KorLogServer's window from another process, as a person or an
// installer's test would, and sends it messages.
//   korwin inspect          caption, styles, class style, the list's identifier, style and
//                           whether it fills the client area, visibility, menu (key=value)
//   korwin lines [FILE]     the trace list's line count, then every line's length, hash and
//                           first 60 bytes, line feeds shown as "|" (to FILE or stdout)
//   korwin send MSG WPARAM  sends message MSG (decimal) with WPARAM, lParam 0; prints the
//                           answer
//   korwin post MSG WPARAM  posts it
//   korwin wait-gone MS     waits up to MS ms for the window's process to end
// Exit status 2 when no server window exists, 1 when a wait runs out or a step fails.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#include "win32/Win32Text.h"

namespace {

constexpr int kTraceListId = 59648;

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

HWND FindServer(DWORD waitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND hwnd = FindWindowA(nullptr, "KorLogServer");
    if (hwnd != nullptr && GetDlgItem(hwnd, kTraceListId) != nullptr) return hwnd;
    if (GetTickCount() - start >= waitMs) return nullptr;
    Sleep(20);
  }
}

std::string MenuText(HMENU menu, UINT pos) {
  char text[128] = {};
  GetMenuStringA(menu, pos, text, sizeof(text), MF_BYPOSITION);
  return text;
}

// Each popup is first shown its WM_INITMENUPOPUP, as opening it would, so the states are the
// ones a person would see.
void PrintMenu(HWND hwnd) {
  HMENU bar = GetMenu(hwnd);
  const int count = bar != nullptr ? GetMenuItemCount(bar) : -1;
  std::printf("menu_count=%d\n", count);
  for (int i = 0; i < count; ++i) {
    HMENU popup = GetSubMenu(bar, i);
    std::printf("menu[%d]=%s\n", i, MenuText(bar, static_cast<UINT>(i)).c_str());
    if (popup == nullptr) continue;
    SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(i, 0));
    const int items = GetMenuItemCount(popup);
    for (int j = 0; j < items; ++j) {
      MENUITEMINFOA info = {};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
      GetMenuItemInfoA(popup, static_cast<UINT>(j), TRUE, &info);
      if (info.fType & MFT_SEPARATOR) {
        std::printf("menu[%d][%d]=separator\n", i, j);
        continue;
      }
      std::printf("menu[%d][%d]=%u %s %s\n", i, j, info.wID,
                  MenuText(popup, static_cast<UINT>(j)).c_str(),
                  (info.fState & MFS_DISABLED) ? "disabled" : "enabled");
    }
  }
}

int Inspect(HWND hwnd) {
  char caption[256] = {};
  GetWindowTextA(hwnd, caption, sizeof(caption));
  std::printf("caption=%s\n", caption);
  std::printf("style=%08lx\n", static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE)));
  std::printf("exstyle=%08lx\n", static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_EXSTYLE)));
  std::printf("class_style=%08lx\n", static_cast<unsigned long>(GetClassLongA(hwnd, GCL_STYLE)));
  std::printf("visible=%d\n", IsWindowVisible(hwnd) ? 1 : 0);
  HWND list = GetDlgItem(hwnd, kTraceListId);
  char cls[64] = {};
  GetClassNameA(list, cls, sizeof(cls));
  std::printf("list_class=%s\n", cls);
  std::printf("list_id=%d\n", GetDlgCtrlID(list));
  std::printf("list_style=%08lx\n", static_cast<unsigned long>(GetWindowLongA(list, GWL_STYLE)));
  RECT client = {};
  GetClientRect(hwnd, &client);
  RECT rc = {};
  GetWindowRect(list, &rc);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rc), 2);
  std::printf("client=%ld,%ld,%ld,%ld\n", client.left, client.top, client.right, client.bottom);
  std::printf("list_rect=%ld,%ld,%ld,%ld\n", rc.left, rc.top, rc.right, rc.bottom);
  std::printf("list_fills_client=%d\n", EqualRect(&client, &rc) ? 1 : 0);
  PrintMenu(hwnd);
  return 0;
}

// FNV-1a of a line, so long lines compare without printing them.
unsigned long long Hash(const std::string& s) {
  unsigned long long h = 1469598103934665603ULL;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ULL;
  return h;
}

int Lines(HWND hwnd, std::FILE* out) {
  HWND list = GetDlgItem(hwnd, kTraceListId);
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  std::fprintf(out, "count=%ld\n", static_cast<long>(count));
  for (LRESULT i = 0; i < count; ++i) {
    // Asked in UTF-16: Wine hands an ANSI caller in another process the UTF-16 text.
    const LRESULT cch = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (cch < 0) return 1;
    std::wstring wide(static_cast<size_t>(cch) + 1, L'\0');
    const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                     reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(got > 0 ? static_cast<size_t>(got) : 0);
    const std::string text = win32text::WideToAnsi(wide);
    std::string head;
    for (size_t k = 0; k < text.size() && k < 60; ++k) head += text[k] == '\n' ? '|' : text[k];
    std::fprintf(out, "%zu %016llx %s\n", text.size(), Hash(text), head.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 64;
  const std::string cmd = argv[1];
  HWND hwnd = FindServer(cmd == "wait-gone" ? 0 : 5000);
  if (cmd == "wait-gone") {
    if (hwnd == nullptr) return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) return 0;
    const DWORD ms = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 3000;
    return WaitForSingleObject(process.get(), ms) == WAIT_OBJECT_0 ? 0 : 1;
  }
  if (hwnd == nullptr) return 2;
  if (cmd == "inspect") return Inspect(hwnd);
  if (cmd == "lines") {
    std::FILE* out = argc > 2 ? std::fopen(argv[2], "w") : stdout;
    if (out == nullptr) return 1;
    const int rc = Lines(hwnd, out);
    if (out != stdout) std::fclose(out);
    return rc;
  }
  if ((cmd == "send" || cmd == "post") && argc > 3) {
    const UINT msg = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
    const WPARAM wParam = static_cast<WPARAM>(std::strtoull(argv[3], nullptr, 0));
    if (cmd == "post") return PostMessageA(hwnd, msg, wParam, 0) ? 0 : 1;
    std::printf("%lld\n", static_cast<long long>(SendMessageA(hwnd, msg, wParam, 0)));
    return 0;
  }
  return 64;
}
