// The one-server rule: at most one process on the machine reads, changes and saves the log.
// Each server holds a named mutex from before it reads the log until after its last save,
// and a named event says whether the holder is serving clients or only starting or ending.
#pragma once

#include <windows.h>

#include "win32/UniqueHandle.h"

class CServerInstance {
 public:
  enum class Claim {
    kOwner,         // this process is the server: it may read the log
    kSuccessor,     // the same, after waiting for the last server to end
    kOtherServing,  // another server has offered its class object for servingMs
    kOtherBusy,     // another server still held the log when the wait ran out
  };

  CServerInstance() = default;
  ~CServerInstance() { Release(); }
  CServerInstance(const CServerInstance&) = delete;
  CServerInstance& operator=(const CServerInstance&) = delete;

  // Becomes the server if the log is free or becomes free within waitMs; gives up at once
  // when another server has been seen serving for servingMs. Dispatches this thread's
  // messages while it waits.
  Claim Acquire(DWORD waitMs, DWORD servingMs);

  // Tells later processes whether this server offers its class object. Owner only.
  void SetServing(bool bServing);

  // Gives up the log: the next server may read it. Owner only, on the acquiring thread.
  void Release();

 private:
  UniqueHandle m_hMutex;
  UniqueHandle m_hServing;
  bool m_bOwner = false;
};
