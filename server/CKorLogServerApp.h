// The server's application object: it owns the install log, its two paths, the class factory
// and the lifetime counts, runs start-up by mode, and decides when the server quits. It is the
// log component's host and the main window's owner.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "com/CFactory.h"
#include "com/CServerLifetime.h"
#include "com/ComPtr.h"
#include "component/ILogComponentHost.h"
#include "installlog/LogFile.h"
#include "installlog/LogJournal.h"
#include "server/CAppBase.h"
#include "server/CServerInstance.h"
#include "server/IMainFrameOwner.h"

class CWin32InstallPlatform;

class CKorLogServerApp : public CAppBase, public ILogComponentHost, public IMainFrameOwner {
 public:
  CKorLogServerApp();
  ~CKorLogServerApp() override;

  bool InitInstance() override;
  // Can run twice; the second run finds the factory and the log already gone.
  int ExitInstance() override;

  // Drops one server lock, saves the log when asked and possible, and posts the quit
  // message when the server is no longer needed.
  void CloseDown(bool bSave) noexcept;
  // The quit rule: false when the server should end.
  bool IsInUse() const;
  // Appends the text as the last line of the trace window's list; nothing without a window.
  void AddTraceLine(const char* pszLine);
  // True once the quit message has been posted: the server is leaving and creates nothing.
  bool IsLeaving() const { return m_bQuitPosted; }

  // --- ILogComponentHost ---
  LogFile* GetLog() override { return m_pLogFile.get(); }
  const std::string& GetRemoteLogPath() const override { return m_strRemoteLogPath; }
  void Trace(const std::string& line) noexcept override { AddTraceLine(line.c_str()); }
  // Unregisters, forces the quit, and keeps (1), deletes (0) or leaves as last written (any
  // other value) the log; what was not saved is forgotten unless it is kept.
  void EndService(long keepFile) noexcept override;

  // --- IMainFrameOwner ---
  void OnRegister() override;
  void OnUnregister() override;
  void OnEndSession() override;

  // The live component objects and the server locks.
  CServerLifetime m_lifetime{[this](bool bSave) { CloseDown(bSave); }};
  DWORD m_dwClassCookie = 0;
  ComPtr<CFactory> m_pFactory;
  bool m_bUserControl = false;
  bool m_bShuttingDown = false;
  std::unique_ptr<LogFile> m_pLogFile;
  std::string m_strLogPath;
  std::string m_strRemoteLogPath;

 protected:
  void OnExitTimeout() override;

 private:
  // Saves the log to m_strLogPath unless that is empty, and empties the journal once the
  // log on disk holds everything; true when it does.
  bool SaveLog() noexcept;
  // Applies what a server that died before saving left in the journal, and saves.
  void RecoverJournal();
  // Forgets the changes not yet saved: the journal goes and takes no more records.
  void DiscardJournal();
  // The factory's creation function: a log component, unless the server is leaving.
  HRESULT CreateComponent(IUnknown* pUnknownOuter, CUnknown** ppResult) noexcept;
  // A server started for a client that never got an object ends, as the quit rule would.
  void EndIfNeverUsed();
  static void CALLBACK OnIdleTimer(HWND, UINT, UINT_PTR idEvent, DWORD);
  // At the end of the grace after the quit rule let the server go: it leaves, unless a late
  // client got an object meanwhile.
  static void CALLBACK OnLeaveTimer(HWND, UINT, UINT_PTR idEvent, DWORD);
  // Withdraws the class object and ends the message loop; nothing is created from then on.
  void Leave();

  CServerInstance m_instance;
  std::unique_ptr<LogJournal> m_pJournal;
  std::unique_ptr<CWin32InstallPlatform> m_pInstallPlatform;
  bool m_bOleInitialized = false;
  int m_nExitCode = 0;  // the process's exit status: a failed registration mode says so
  bool m_bQuitPosted = false;
  UINT_PTR m_uLeaveTimer = 0;
  std::atomic<bool> m_bFinalSaveClaimed{false};
};

// The one application object.
CKorLogServerApp& GetServerApp();
