// Start-up by mode, the close-down step and the quit rule, and the exit sequence. The order
// of the steps is part of the server's contract with its clients.
#include "server/CKorLogServerApp.h"

#include <windows.h>

#include <objbase.h>
#include <ole2.h>

#include "component/KorLogIds.h"
#include "server/CCmdLine.h"
#include "server/InitSecurity.h"
#include "server/Registration.h"
#include "server/Win32IniPlatform.h"
#include "server/Win32InstallPlatform.h"
#include "server/resource.h"

LONG g_cServerLocks = 0;

namespace {

CKorLogServerApp theApp;

// How long the exit may take before the process ends itself: the object system's shutdown
// has been seen to hang, and a server that never ends fails its installer.
constexpr DWORD kExitWatchdogMs = 2500;

// The standard overlapped window plus the add-the-title flag (0x8000).
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | 0x00008000;

std::string ModuleFileName() {
  char buffer[512] = {};
  const DWORD cch = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  return std::string(buffer, cch < sizeof(buffer) ? cch : sizeof(buffer) - 1);
}

}  // namespace

CKorLogServerApp& GetServerApp() { return theApp; }

void Trace(const char* pszLine) { GetServerApp().AddTraceLine(pszLine); }
void Trace(const std::string& line) { GetServerApp().AddTraceLine(line.c_str()); }

CKorLogServerApp::CKorLogServerApp() = default;
CKorLogServerApp::~CKorLogServerApp() = default;

bool CKorLogServerApp::InitInstance() {
  InstallWin32IniPlatform();
  if (FAILED(OleInitialize(nullptr))) return false;
  m_bOleInitialized = true;
  if (!InitSecurity()) return false;

  m_pFactory = ComPtr<CFactory>(new CFactory);
  const HRESULT hr = CoRegisterClassObject(korlog::kClsid, m_pFactory.Get(), CLSCTX_LOCAL_SERVER,
                                           REGCLS_MULTIPLEUSE, &m_dwClassCookie);
  if (FAILED(hr)) return false;

  CCmdLine cmdLine;
  ParseCommandLine(cmdLine);
  if (cmdLine.m_nRegAction == CCmdLine::kRegister) {
    WriteRegistration(ModuleFileName().c_str(), nullptr, korlog::kClsid, korlog::kDescription,
                      korlog::kVersionIndependentProgId, korlog::kProgId, korlog::kLibId);
    return false;
  }
  if (cmdLine.m_nRegAction == CCmdLine::kUnregister) {
    RemoveRegistration();
    return false;
  }

  m_pMainWnd = std::make_unique<CMainFrame>();
  m_pMainWnd->LoadFrame(IDR_MAINFRAME, kFrameStyle);
  if (cmdLine.m_bRunEmbedded || cmdLine.m_bRunAutomated) {
    InterlockedIncrement(&g_cServerLocks);
    m_bUserControl = false;
    ShowWindow(m_pMainWnd->GetHwnd(), SW_HIDE);
  } else {
    m_bUserControl = true;
    ShowWindow(m_pMainWnd->GetHwnd(), SW_SHOW);
    UpdateWindow(m_pMainWnd->GetHwnd());
  }

  char systemDir[MAX_PATH] = {};
  const UINT cch = GetSystemDirectoryA(systemDir, MAX_PATH);
  const std::string dir(systemDir, cch < MAX_PATH ? cch : 0);
  m_strLogPath = dir + "\\KorFiles.log";
  m_strRemoteLogPath = dir + "\\KorFilesRemote.log";

  Trace("InitInstance: log file name is " + m_strLogPath);
  m_pInstallPlatform = std::make_unique<CWin32InstallPlatform>();
  m_pLogFile = std::make_unique<LogFile>(m_strLogPath, *m_pInstallPlatform);
  Trace("InitInstance: assimilating all other log files.");
  m_pLogFile->Assimilate(nullptr);
  m_pLogFile->Load(m_strRemoteLogPath, true);
  return true;
}

int CKorLogServerApp::ExitInstance() {
  StartExitWatchdog(kExitWatchdogMs);
  // One OleUninitialize for the one OleInitialize: a second exit run must not unbalance it.
  if (m_bOleInitialized) {
    m_bOleInitialized = false;
    OleUninitialize();
  }
  CoRevokeClassObject(m_dwClassCookie);
  m_pFactory.Reset();
  if (m_pLogFile) {
    // Lost to the watchdog: it is saving and will end the process; leave the log to it.
    if (m_bFinalSaveClaimed.exchange(true)) return CAppBase::ExitInstance();
    SaveIgnoringFailure();
    m_pLogFile.reset();
    m_bFinalSaveClaimed = false;  // a later exit run finds no log anyway
  }
  return CAppBase::ExitInstance();
}

void CKorLogServerApp::OnExitTimeout() {
  if (!m_bFinalSaveClaimed.exchange(true)) {
    // The main thread is stuck before its final save and no longer touches the log.
    if (m_pLogFile) SaveIgnoringFailure();
    return;
  }
  // A save is under way on the main thread: let it finish before the process ends.
  // A save is atomic and finite; cutting it short would only leave its temporary file.
  while (m_bFinalSaveClaimed) Sleep(50);
}

void CKorLogServerApp::SaveIgnoringFailure() noexcept {
  if (m_strLogPath.empty()) return;
  try {
    m_pLogFile->Save(m_strLogPath);
  } catch (...) {
  }
}

void CKorLogServerApp::CloseDown(bool bSave) noexcept {
  InterlockedDecrement(&g_cServerLocks);
  if (m_pLogFile && bSave) {
    // Runs in destructors and at the end of ShutDown: a save that fails for want of memory
    // is a failed save, which is ignored.
    try {
      Trace("CloseDown: saving log file: " + m_strLogPath);
      m_pLogFile->Save(m_strLogPath);
    } catch (...) {
    }
  }
  if (!IsInUse()) {
    // A client that arrives from now on must start a new server, not reach this one
    // while it leaves: withdraw the class object at once (ExitInstance withdraws it
    // again, ignoring the result).
    if (!m_bQuitPosted) CoRevokeClassObject(m_dwClassCookie);
    m_bQuitPosted = true;
    PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
  }
}

bool CKorLogServerApp::IsInUse() const {
  if (m_bShuttingDown) return false;
  if (m_bUserControl) return true;
  if (m_cObjects != 0) return true;
  if (g_cServerLocks > 0) return true;
  return false;
}

void CKorLogServerApp::AddTraceLine(const char* pszLine) {
  if (m_pMainWnd) m_pMainWnd->AddTraceLine(pszLine);
}
