// Start, loop and exit of the application layer, and the bounded wait at the end that lets
// the object system deliver its last replies.
#include "server/CAppBase.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "win32/Win32Text.h"

CAppBase* CAppBase::s_pApp = nullptr;

namespace {

// The grace period after the loop: the reply to the call that ended the server is sent by
// the object system's own threads after the call has returned, and is lost if the apartment
// is torn down first.
constexpr DWORD kQuietMs = 250;
constexpr DWORD kMaxDrainMs = 2000;

}  // namespace

CAppBase::CAppBase() : m_nThreadID(GetCurrentThreadId()) { s_pApp = this; }

CAppBase::~CAppBase() {
  if (s_pApp == this) s_pApp = nullptr;
}

int CAppBase::ExitInstance() { return 0; }

int CAppBase::Run() {
  m_nThreadID = GetCurrentThreadId();
  if (!InitInstance()) {
    const int rc = ExitInstance();
    m_pMainWnd.reset();
    return rc;
  }
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (m_pMainWnd && m_pMainWnd->PreTranslateMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DrainMessages();
  const int rc = ExitInstance();
  m_pMainWnd.reset();
  return rc;
}

void CAppBase::DrainMessages() {
  const DWORD start = GetTickCount();
  DWORD lastActivity = start;
  for (;;) {
    MSG msg;
    bool bAny = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      bAny = true;
      if (msg.message == WM_QUIT) continue;  // the loop has ended already
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    // Calls run inside DispatchMessage on this thread, so none is in progress here.
    const DWORD now = GetTickCount();
    if (bAny) lastActivity = now;
    const DWORD elapsed = now - start;
    const DWORD quiet = now - lastActivity;
    if (elapsed >= kMaxDrainMs || quiet >= kQuietMs) return;
    const DWORD wait = std::min(kQuietMs - quiet, kMaxDrainMs - elapsed);
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void CAppBase::ParseCommandLine(CCmdLineInfo& info) {
  struct LocalFreer {
    void operator()(wchar_t** p) const { LocalFree(p); }
  };
  int argc = 0;
  std::unique_ptr<wchar_t*, LocalFreer> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv) return;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(win32text::WideToAnsi(argv.get()[i]));
  info.ParseArguments(args);
}

void CAppBase::StartExitWatchdog(DWORD ms) {
  if (m_bWatchdogStarted) return;
  m_bWatchdogStarted = true;
  std::thread([this, ms] {
    Sleep(ms);
    OnExitTimeout();
    TerminateProcess(GetCurrentProcess(), 0);
  }).detach();
}
