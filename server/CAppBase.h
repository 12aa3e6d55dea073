// The application layer in place of a GUI framework: one global application object whose
// InitInstance runs before the main thread's message loop and whose ExitInstance runs after
// it, the loop ending on a posted quit message.
#pragma once

#include <windows.h>

#include <memory>

#include "server/CCmdLineInfo.h"
#include "server/CMainFrame.h"

class CAppBase {
 public:
  CAppBase();
  virtual ~CAppBase();
  CAppBase(const CAppBase&) = delete;
  CAppBase& operator=(const CAppBase&) = delete;

  // The one application object of the process.
  static CAppBase* GetApp() { return s_pApp; }

  // True to run the message loop, false to end at once (ExitInstance still runs).
  virtual bool InitInstance() = 0;
  // Runs after the loop (and may run earlier, at the end of a session); returns the
  // process's exit code.
  virtual int ExitInstance();

  // InitInstance, the message loop, a short grace period, ExitInstance; returns the exit code.
  int Run();

  // Parses the process's command line into info.
  void ParseCommandLine(CCmdLineInfo& info);

  // The main window, owned here; null in the modes without a window.
  std::unique_ptr<CMainFrame> m_pMainWnd;
  // The main thread, to which the quit message is posted.
  DWORD m_nThreadID;

 protected:
  // Starts, once, a thread that calls OnExitTimeout and ends the process if it is still
  // alive after ms milliseconds.
  void StartExitWatchdog(DWORD ms);
  // Called on the watchdog's thread just before it ends the process.
  virtual void OnExitTimeout() {}

 private:
  // After the loop: keeps dispatching until nothing has arrived for a quiet period, at most
  // for an upper bound, so that replies to the last calls leave before the object system
  // is shut down.
  void DrainMessages();

  static CAppBase* s_pApp;
  bool m_bWatchdogStarted = false;
};
