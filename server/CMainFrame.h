// The server's main window: a top-level frame whose client area is filled by the trace list,
// a list box that receives every trace line. Hidden or shown by the server's mode.
#pragma once

#include <windows.h>

class CMainFrame {
 public:
  // The frame's caption, by which helpers find the window.
  static constexpr const char* kCaption = "KorLogServer";
  // The trace list's control identifier.
  static constexpr int kTraceListId = 59648;

  CMainFrame() = default;
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Creates the frame with the given window style and its trace list; false on failure.
  bool Create(DWORD dwStyle);

  // Appends the zero-terminated text as the last line of the trace list.
  void AddTraceLine(const char* pszLine);

  HWND GetHwnd() const { return m_hWnd; }
  HWND GetTraceList() const { return m_hList; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool OnCreate();

  HWND m_hWnd = nullptr;
  HWND m_hList = nullptr;
};
