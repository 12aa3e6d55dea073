// The trace list: the list box child that fills the frame and holds one trace line per
// event, in arrival order, for the life of the process.
#pragma once

#include <windows.h>

#include "server/CCmdTarget.h"

class CTraceList : public CCmdTarget {
 public:
  // WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT: unsorted, so every line goes
  // to the end; no notifications.
  static constexpr DWORD kStyle = 0x50200100;

  // Creates the list as child nID of parent, with an empty rectangle; the parent's layout
  // sizes it. False when the control cannot be created.
  bool Create(HWND hParent, UINT nID);

  // Appends the text as the last line. A line the control refuses (out of room or memory)
  // is dropped: tracing must never stop the server.
  void AddLine(const char* pszLine);

  // A list box handles no command.
  bool OnCmdMsg(UINT nID, CmdAction action) override;

  HWND GetHwnd() const { return m_hWnd; }
  // The child window is destroyed with its parent; this forgets it.
  void Detach() { m_hWnd = nullptr; }

 private:
  HWND m_hWnd = nullptr;
};
