// The lifetime counts and the close-down step that follows every change that may end the
// server.
#include "com/CServerLifetime.h"

#include <windows.h>

void CServerLifetime::ObjectDestroyed() noexcept {
  InterlockedDecrement(&m_cObjects);
  CloseDown();
}

void CServerLifetime::LockServer(bool bLock) noexcept {
  if (bLock) {
    InterlockedIncrement(&m_cServerLocks);
  } else {
    InterlockedDecrement(&m_cServerLocks);
  }
  CloseDown();
}

void CServerLifetime::CloseDown() noexcept {
  if (m_closeDown) m_closeDown(true);
}
