// The trace list box: creation as the frame's pane and appending lines.
#include "server/CTraceList.h"

#include <windows.h>

bool CTraceList::Create(HWND hParent, UINT nID) {
  m_hWnd = CreateWindowExA(0, "LISTBOX", "", kStyle, 0, 0, 0, 0, hParent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                           GetModuleHandleA(nullptr), nullptr);
  return m_hWnd != nullptr;
}

void CTraceList::AddLine(const char* pszLine) {
  if (m_hWnd == nullptr || pszLine == nullptr) return;
  // LB_ERR or LB_ERRSPACE: the line is lost, the server goes on.
  SendMessageA(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszLine));
}

bool CTraceList::OnCmdMsg(UINT, CmdAction) { return false; }
