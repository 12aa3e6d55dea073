// The main window and its trace list. Closing the window destroys it and, as the main
// window, ends the message loop, whatever clients still hold.
#include "server/CMainFrame.h"

#include <windows.h>

namespace {

constexpr const char* kClassName = "KorLogServerFrame";
// WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT: unsorted, so every line goes
// to the end; no notifications.
constexpr DWORD kTraceListStyle = 0x50200100;

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

}  // namespace

CMainFrame::~CMainFrame() {
  if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
}

bool CMainFrame::Create(DWORD dwStyle) {
  if (!RegisterFrameClass(&CMainFrame::WndProc)) return false;
  // WM_NCCREATE binds the window to this object; a failed WM_CREATE fails the creation.
  return CreateWindowExA(0, kClassName, kCaption, dwStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleA(nullptr),
                         this) != nullptr;
}

bool CMainFrame::OnCreate() {
  RECT rc = {};
  GetClientRect(m_hWnd, &rc);
  m_hList = CreateWindowExA(0, "LISTBOX", "", kTraceListStyle, 0, 0, rc.right, rc.bottom, m_hWnd,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTraceListId)),
                            GetModuleHandleA(nullptr), nullptr);
  return m_hList != nullptr;
}

void CMainFrame::AddTraceLine(const char* pszLine) {
  if (m_hList == nullptr) return;
  SendMessageA(m_hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszLine));
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
  return self->OnMessage(msg, wParam, lParam);
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_SIZE:
      if (m_hList != nullptr) {
        MoveWindow(m_hList, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_SETFOCUS:
      if (m_hList != nullptr) SetFocus(m_hList);
      return 0;
    case WM_NCDESTROY: {
      // The main window's end ends the loop.
      HWND hwnd = m_hWnd;
      m_hWnd = nullptr;
      m_hList = nullptr;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      PostQuitMessage(0);
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    default:
      return DefWindowProcA(m_hWnd, msg, wParam, lParam);
  }
}
