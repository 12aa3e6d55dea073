// The counts that keep a local server alive: live component objects and server locks, kept in
// one place. The object base and the class factory change them; the server's quit rule reads
// them, and its close-down step runs after every change that may end the server.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

class CServerLifetime {
 public:
  // Runs after an object has gone and after every LockServer; save is always true there.
  using CloseDownFn = std::function<void(bool bSave)>;

  explicit CServerLifetime(CloseDownFn closeDown) : m_closeDown(std::move(closeDown)) {}
  CServerLifetime(const CServerLifetime&) = delete;
  CServerLifetime& operator=(const CServerLifetime&) = delete;

  // An object has been made: it is counted until ObjectDestroyed.
  void ObjectCreated() { InterlockedIncrement(&m_cObjects); }
  // An object has gone: it is counted out, then the close-down step runs.
  void ObjectDestroyed() noexcept;
  // A client's lock (true) or unlock (false), then the close-down step, which drops a lock
  // of its own: a lock nets 0 and an unlock -2.
  void LockServer(bool bLock) noexcept;

  void AddLock() { InterlockedIncrement(&m_cServerLocks); }
  void DropLock() { InterlockedDecrement(&m_cServerLocks); }

  LONG Objects() const { return m_cObjects; }
  // May fall below 0; 0 or below means no locks.
  LONG Locks() const { return m_cServerLocks; }

 private:
  void CloseDown() noexcept;

  CloseDownFn m_closeDown;
  LONG m_cObjects = 0;
  LONG m_cServerLocks = 0;
};
