// Reads a running KorLogServer from outside, as a person or an installer would see it: its
// main window (found by caption), the lines of its trace list, whether the window is shown,
// and the end of its process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TraceWindow {
 public:
  // Finds the server's window, waiting up to waitMs; false when there is none.
  bool Find(DWORD waitMs = 5000);

  // Every line of the trace list, byte for byte, in order.
  std::vector<std::string> Lines() const;
  bool IsVisible() const { return IsWindowVisible(m_hWnd) != FALSE; }
  DWORD ProcessId() const;
  // Asks the window to close, as its close box does.
  void Close() const { PostMessageA(m_hWnd, WM_CLOSE, 0, 0); }

  HWND Hwnd() const { return m_hWnd; }

 private:
  HWND m_hWnd = nullptr;
  HWND m_hList = nullptr;
};

// True when the process ends within waitMs (or is gone already).
bool WaitProcessGone(DWORD pid, DWORD waitMs);

// Text for a line with line feeds and other control or non-ASCII bytes spelled out
// (\n, \\, \xHH), so lines can be compared as plain text.
std::string EscapeLine(const std::string& line);
