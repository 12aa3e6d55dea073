// The main window: creation from its resources, layout of the trace list, command routing
// and menu state, end of session, and the end of the loop when the window is destroyed,
// whatever clients still hold.
#include "server/CMainFrame.h"

#include <windows.h>

#include <string>

#include "server/resource.h"

namespace {

constexpr const char* kClassName = "KorLogServerFrame";

struct MenuDeleter {
  void operator()(HMENU h) const { DestroyMenu(h); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

// A plain class: no class style, cursor, background brush or icon.
bool RegisterFrameClass(WNDPROC pfnWndProc) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExA(GetModuleHandleA(nullptr), kClassName, &wc)) return true;
  wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = pfnWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

// The first part (up to a line feed) of string resource nID.
std::string LoadTitle(UINT nID) {
  char buffer[256] = {};
  const int cch = LoadStringA(GetModuleHandleA(nullptr), nID, buffer, sizeof(buffer));
  std::string text(buffer, cch > 0 ? static_cast<size_t>(cch) : 0);
  return text.substr(0, text.find('\n'));
}

}  // namespace

bool CMainFrame::ShowRunningServerFrame() {
  const HWND hwnd = FindWindowA(kClassName, nullptr);
  if (hwnd == nullptr) return false;
  ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd);
  return true;
}

CMainFrame::~CMainFrame() {
  if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

bool CMainFrame::LoadFrame(UINT nIDResource, DWORD dwStyle) {
  const HINSTANCE hInstance = GetModuleHandleA(nullptr);
  const std::string title = LoadTitle(nIDResource);
  UniqueMenu menu(LoadMenuA(hInstance, MAKEINTRESOURCEA(nIDResource)));
  m_hAccelTable.reset(LoadAcceleratorsA(hInstance, MAKEINTRESOURCEA(nIDResource)));

  CREATESTRUCTA cs = {};
  cs.lpszName = title.c_str();
  cs.style = dwStyle;
  cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
  cs.hMenu = menu.get();
  cs.hInstance = hInstance;
  if (!PreCreateWindow(cs)) return false;
  // WM_NCCREATE binds the window to this object; a failed WM_CREATE fails the creation.
  if (CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                      cs.hwndParent, cs.hMenu, cs.hInstance, this) == nullptr) {
    return false;
  }
  menu.release();  // the window owns its menu now
  return true;
}

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!RegisterFrameClass(&CMainFrame::WndProc)) return false;
  cs.lpszClass = kClassName;
  cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
  return true;
}

bool CMainFrame::OnCreate() {
  if (!m_wndTraceList.Create(m_hWnd, kTraceListId)) return false;
  RecalcLayout();
  return true;
}

void CMainFrame::RecalcLayout() {
  RECT rc = {};
  GetClientRect(m_hWnd, &rc);
  if (m_wndTraceList.GetHwnd() == nullptr) return;
  MoveWindow(m_wndTraceList.GetHwnd(), 0, 0, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

bool CMainFrame::PreTranslateMessage(MSG* pMsg) {
  if (m_hWnd == nullptr || !m_hAccelTable) return false;
  if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return false;
  if (pMsg->hwnd != m_hWnd && !IsChild(m_hWnd, pMsg->hwnd)) return false;
  return TranslateAcceleratorA(m_hWnd, m_hAccelTable.get(), pMsg) != 0;
}

bool CMainFrame::OnCmdMsg(UINT nID, CmdAction action) {
  if (m_wndTraceList.OnCmdMsg(nID, action)) return true;
  const bool bExecute = action == CmdAction::kExecute;
  switch (nID) {
    case ID_FILE_REGISTER:
      // As the RegServer switch does, for the running executable on this machine.
      if (bExecute) m_owner.OnRegister();
      return true;
    case ID_FILE_UNREGISTER:
      if (bExecute) m_owner.OnUnregister();
      return true;
    case ID_APP_EXIT:
      if (bExecute) SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
      return true;
    default:
      return false;
  }
}

void CMainFrame::OnInitMenuPopup(HMENU hPopup) {
  const int count = GetMenuItemCount(hPopup);
  for (int i = 0; i < count; ++i) {
    const UINT nID = GetMenuItemID(hPopup, i);
    if (nID == 0 || nID == static_cast<UINT>(-1)) continue;  // separator or submenu
    const bool bHandled = OnCmdMsg(nID, CmdAction::kQuery);
    EnableMenuItem(hPopup, static_cast<UINT>(i),
                   MF_BYPOSITION | (bHandled ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
  }
}

void CMainFrame::OnEndSession(bool bEnding) {
  if (!bEnding) return;
  m_owner.OnEndSession();
  // The system ends the process after this message; a server whose exit has run must not
  // linger as a window without a class object, even when the message came from elsewhere.
  PostQuitMessage(0);
}

void CMainFrame::OnNcDestroy() {
  // The main window's end ends the loop.
  SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
  m_hWnd = nullptr;
  m_wndTraceList.Detach();
  PostQuitMessage(0);
}

LRESULT CALLBACK CMainFrame::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* pCreate = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = static_cast<CMainFrame*>(pCreate->lpCreateParams);
    self->m_hWnd = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<CMainFrame*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    self->OnNcDestroy();
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  return self->OnMessage(msg, wParam, lParam);
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_SIZE:
      RecalcLayout();
      return 0;
    case WM_SETFOCUS:
      if (m_wndTraceList.GetHwnd() != nullptr) SetFocus(m_wndTraceList.GetHwnd());
      return 0;
    case WM_COMMAND:
      // Menu items and accelerators only; the list sends no notifications.
      if (lParam == 0 && OnCmdMsg(LOWORD(wParam), CmdAction::kExecute)) return 0;
      break;
    case WM_INITMENUPOPUP:
      if (HIWORD(lParam) == 0) OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // no documents to save
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(m_hWnd, msg, wParam, lParam);
}
