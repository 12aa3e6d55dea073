// The server's main window: a top-level frame, loaded from resource 128 (caption, menu,
// accelerators), whose client area is filled by the trace list. It carries the registration
// commands and the end-of-session handling; hidden or shown by the server's mode.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "server/CCmdTarget.h"
#include "server/CTraceList.h"
#include "server/IMainFrameOwner.h"

class CMainFrame : public CCmdTarget {
 public:
  // The frame's caption, by which helpers find the window.
  static constexpr const char* kCaption = "KorLogServer";
  // The trace list's control identifier.
  static constexpr int kTraceListId = 59648;

  // The owner hears of the registration commands and the end of the session.
  explicit CMainFrame(IMainFrameOwner& owner) : m_owner(owner) {}
  ~CMainFrame() override;
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Brings the frame of the server that runs already into view, hidden or not; false when
  // there is none. Its server's life does not change.
  static bool ShowRunningServerFrame();

  // Creates the frame from resource nIDResource (its string's first part is the caption,
  // plus its menu and accelerator table) with the given style; false on failure.
  bool LoadFrame(UINT nIDResource, DWORD dwStyle);

  // Appends the zero-terminated text as the last line of the trace list.
  void AddTraceLine(const char* pszLine) { m_wndTraceList.AddLine(pszLine); }

  // Gives the frame's keys their commands; true when msg was consumed.
  bool PreTranslateMessage(MSG* pMsg);

  // Offers the command to the trace list first, then to the frame's own handlers.
  bool OnCmdMsg(UINT nID, CmdAction action) override;

  HWND GetHwnd() const { return m_hWnd; }
  HWND GetTraceList() const { return m_wndTraceList.GetHwnd(); }

 private:
  struct AccelDeleter {
    void operator()(HACCEL h) const { DestroyAcceleratorTable(h); }
  };
  using UniqueAccel = std::unique_ptr<std::remove_pointer_t<HACCEL>, AccelDeleter>;

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool PreCreateWindow(CREATESTRUCTA& cs);
  bool OnCreate();
  void RecalcLayout();
  // Enables the popup's items whose commands have a handler and disables the others.
  void OnInitMenuPopup(HMENU hPopup);
  void OnEndSession(bool bEnding);
  void OnNcDestroy();

  IMainFrameOwner& m_owner;
  HWND m_hWnd = nullptr;
  CTraceList m_wndTraceList;
  UniqueAccel m_hAccelTable;
};
