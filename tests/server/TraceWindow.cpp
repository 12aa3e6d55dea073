// Window lookup and list-box reading across processes (the list box messages are
// marshalled by the window manager).
#include "tests/server/TraceWindow.h"

#include <windows.h>

#include <cstdio>
#include <memory>

#include "win32/Win32Text.h"

namespace {

constexpr int kTraceListId = 59648;

}  // namespace

bool TraceWindow::Find(DWORD waitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    m_hWnd = FindWindowA(nullptr, "KorLogServer");
    if (m_hWnd != nullptr) m_hList = GetDlgItem(m_hWnd, kTraceListId);
    if (m_hList != nullptr) return true;
    if (GetTickCount() - start >= waitMs) return false;
    Sleep(20);
  }
}

std::vector<std::string> TraceWindow::Lines() const {
  // The Unicode messages: the window manager marshals them between processes as they are,
  // and the list keeps its ANSI lines as their Unicode form, so the code page maps back.
  std::vector<std::string> lines;
  const LRESULT count = SendMessageW(m_hList, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT cch = SendMessageW(m_hList, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (cch < 0) break;
    std::wstring text(static_cast<size_t>(cch) + 1, L'\0');
    const LRESULT got = SendMessageW(m_hList, LB_GETTEXT, static_cast<WPARAM>(i),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    lines.push_back(win32text::WideToAnsi(text));
  }
  return lines;
}

DWORD TraceWindow::ProcessId() const {
  DWORD pid = 0;
  GetWindowThreadProcessId(m_hWnd, &pid);
  return pid;
}

bool WaitProcessGone(DWORD pid, DWORD waitMs) {
  struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
  };
  std::unique_ptr<void, HandleCloser> process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!process) return true;
  return WaitForSingleObject(process.get(), waitMs) == WAIT_OBJECT_0;
}

std::string EscapeLine(const std::string& line) {
  std::string out;
  for (unsigned char c : line) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[5];
      std::snprintf(hex, sizeof(hex), "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
