// The one-server rule through two named kernel objects. A mutex, not a lock file or a
// window: the system releases it when its holder dies however it dies, and a waiter learns
// of that death (an abandoned mutex) in the same call that makes it the new holder.
#include "server/CServerInstance.h"

#include <windows.h>

namespace {

// In the global namespace: the log is the machine's, whichever session a server runs in.
constexpr wchar_t kMutexName[] = L"Global\\KorLogServer.Log";
constexpr wchar_t kServingName[] = L"Global\\KorLogServer.Serving";
// How often a waiting process looks at the serving flag.
constexpr DWORD kPollMs = 100;

// The object system's own window on this thread must not be left unanswered while we wait.
void DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

CServerInstance::Claim CServerInstance::Acquire(DWORD waitMs, DWORD servingMs) {
  m_hMutex.Reset(CreateMutexW(nullptr, FALSE, kMutexName));
  m_hServing.Reset(CreateEventW(nullptr, TRUE, FALSE, kServingName));
  // Refused names belong to a server of another account: it is alive and holds the log.
  if (!m_hMutex || !m_hServing) return Claim::kOtherServing;

  const HANDLE hMutex = m_hMutex.Get();
  const DWORD start = GetTickCount();
  bool bServingSeen = false;
  DWORD servingSince = 0;
  for (;;) {
    const DWORD rc =
        MsgWaitForMultipleObjectsEx(1, &hMutex, kPollMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED_0) {
      // Abandoned: the last holder died; what it did not save is in the journal.
      m_bOwner = true;
      ResetEvent(m_hServing.Get());  // set by a holder that died while serving
      return GetTickCount() - start < kPollMs ? Claim::kOwner : Claim::kSuccessor;
    }
    if (rc == WAIT_OBJECT_0 + 1) DispatchPending();

    const DWORD now = GetTickCount();
    const bool bServing = WaitForSingleObject(m_hServing.Get(), 0) == WAIT_OBJECT_0;
    if (bServing && !bServingSeen) servingSince = now;
    bServingSeen = bServing;
    if (bServing && now - servingSince >= servingMs) return Claim::kOtherServing;
    if (now - start >= waitMs) return Claim::kOtherBusy;
  }
}

void CServerInstance::SetServing(bool bServing) {
  if (!m_bOwner) return;
  if (bServing) {
    SetEvent(m_hServing.Get());
  } else {
    ResetEvent(m_hServing.Get());
  }
}

void CServerInstance::Release() {
  if (!m_bOwner) return;
  m_bOwner = false;
  ResetEvent(m_hServing.Get());
  ReleaseMutex(m_hMutex.Get());
}
