// Start-up by mode, the close-down step and the quit rule, and the exit sequence. The order
// of the steps is part of the server's contract with its clients.
#include "server/CKorLogServerApp.h"

#include <windows.h>

#include <objbase.h>
#include <ole2.h>

#include "com/Registration.h"
#include "component/CLogComponent.h"
#include "component/KorLogIds.h"
#include "server/CCmdLine.h"
#include "server/InitSecurity.h"
#include "server/resource.h"
#include "win32/Win32IniPlatform.h"
#include "win32/Win32InstallPlatform.h"

namespace {

CKorLogServerApp theApp;

// How long the exit may take before the process ends itself: the object system's shutdown
// has been seen to hang, and a server that never ends fails its installer.
constexpr DWORD kExitWatchdogMs = 2500;

// How long a new server waits for its predecessor to finish ending: its last replies and
// its final save, which the exit watchdog bounds.
constexpr DWORD kPredecessorWaitMs = 8000;

// How long a server that the quit rule lets go still serves a client on its way, counted from
// the last release: a little more than the second after which Wine's launcher looks for the
// class object again.
constexpr UINT kLeaveGraceMs = 1200;

// How long a server started for a client waits for that client's first object. A server
// that had to wait for the last one to end may have been started for a client that the
// last one served meanwhile; a client that still needs it asks within a second or so.
constexpr UINT kFirstObjectMs = 30000;
constexpr UINT kSuccessorFirstObjectMs = 3000;

// How long a server started for a client stays, doing nothing, once it has seen another
// server serving. Wine's launcher fails the client when the server it started ends within a
// second; after that the client asks once a second for whichever server offers the class.
// A server that still holds the log when this runs out ends; if it ends before, this one
// serves in its place.
constexpr DWORD kHandOverMs = 2000;

// The standard overlapped window plus the add-the-title flag (0x8000).
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | 0x00008000;

std::string ModuleFileName() {
  char buffer[512] = {};
  const DWORD cch = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  return std::string(buffer, cch < sizeof(buffer) ? cch : sizeof(buffer) - 1);
}

// The class's local server as registered, or empty.
std::string RegisteredServerPath() {
  const char key[] = "CLSID\\{" KORLOG_STRINGIZE(KORLOG_CLSID_TEXT) "}\\LocalServer32";
  char path[1024] = {};
  DWORD cb = sizeof(path) - 1;
  if (RegGetValueA(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, path, &cb) !=
      ERROR_SUCCESS) {
    return std::string();
  }
  return path;
}

// The registration of this executable on this machine, as the RegServer switch writes it.
// True when the class now names this executable, which is what an installer checks for.
bool RegisterServer() {
  const std::string path = ModuleFileName();
  WriteRegistration(path.c_str(), nullptr, korlog::kClsid, korlog::kDescription,
                    korlog::kVersionIndependentProgId, korlog::kProgId, korlog::kLibId);
  return _stricmp(RegisteredServerPath().c_str(), path.c_str()) == 0;
}

// True when no class registration is left.
bool UnregisterServer() {
  RemoveRegistration(korlog::kClsid, korlog::kIid, korlog::kLibId,
                     korlog::kVersionIndependentProgId, korlog::kProgId);
  return RegisteredServerPath().empty();
}

}  // namespace

CKorLogServerApp& GetServerApp() { return theApp; }

CKorLogServerApp::CKorLogServerApp() = default;
CKorLogServerApp::~CKorLogServerApp() = default;

bool CKorLogServerApp::InitInstance() {
  InstallWin32IniPlatform();
  if (FAILED(OleInitialize(nullptr))) return false;
  m_bOleInitialized = true;
  if (!InitSecurity()) return false;

  // The registration modes only write the registry: they offer no class object, which
  // would reach a client that arrives meanwhile without a log behind it.
  CCmdLine cmdLine;
  ParseCommandLine(cmdLine);
  // Their exit status tells an installer whether the registry now says what was asked.
  if (cmdLine.m_nRegAction == CCmdLine::kRegister) {
    m_nExitCode = RegisterServer() ? 0 : 1;
    return false;
  }
  if (cmdLine.m_nRegAction == CCmdLine::kUnregister) {
    m_nExitCode = UnregisterServer() ? 0 : 1;
    return false;
  }

  // Two servers would each save their own copy of the log over the other's. A second one
  // leaves the log alone: its clients are connected to the first.
  const bool bEmbedded = cmdLine.m_bRunEmbedded || cmdLine.m_bRunAutomated;
  const CServerInstance::Claim claim =
      m_instance.Acquire(kPredecessorWaitMs, bEmbedded ? kHandOverMs : 0);
  switch (claim) {
    case CServerInstance::Claim::kOwner:
    case CServerInstance::Claim::kSuccessor:
      break;
    case CServerInstance::Claim::kOtherServing:
      if (!bEmbedded) CMainFrame::ShowRunningServerFrame();
      return false;
    case CServerInstance::Claim::kOtherBusy:
      return false;
  }

  m_pFactory = ComPtr<CFactory>(
      new CFactory([this](IUnknown* pUnknownOuter,
                          CUnknown** ppResult) { return CreateComponent(pUnknownOuter, ppResult); },
                   m_lifetime));
  const HRESULT hr = CoRegisterClassObject(korlog::kClsid, m_pFactory.Get(), CLSCTX_LOCAL_SERVER,
                                           REGCLS_MULTIPLEUSE, &m_dwClassCookie);
  if (FAILED(hr)) return false;

  m_pMainWnd = std::make_unique<CMainFrame>(*this);
  m_pMainWnd->LoadFrame(IDR_MAINFRAME, kFrameStyle);
  if (bEmbedded) {
    m_lifetime.AddLock();
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
  m_pJournal = std::make_unique<LogJournal>(m_strLogPath + ".journal");
  RecoverJournal();
  m_pLogFile->SetJournal(m_pJournal.get());
  Trace("InitInstance: assimilating all other log files.");
  m_pLogFile->Assimilate(nullptr);
  m_pLogFile->Load(m_strRemoteLogPath, true);

  if (bEmbedded) {
    SetTimer(nullptr, 0,
             claim == CServerInstance::Claim::kSuccessor ? kSuccessorFirstObjectMs : kFirstObjectMs,
             &CKorLogServerApp::OnIdleTimer);
  }
  m_instance.SetServing(true);
  return true;
}

void CKorLogServerApp::RecoverJournal() {
  const std::vector<LogJournalRecord> records = m_pJournal->ReadRecords();
  for (const LogJournalRecord& record : records) m_pLogFile->Apply(record);
  // Only a saved log may take the journal's place; until then it stays for the next start.
  if (records.empty()) {
    m_pJournal->Clear();
  } else {
    SaveLog();
  }
}

void CALLBACK CKorLogServerApp::OnIdleTimer(HWND, UINT, UINT_PTR idEvent, DWORD) {
  KillTimer(nullptr, idEvent);
  GetServerApp().EndIfNeverUsed();
}

void CKorLogServerApp::EndIfNeverUsed() {
  // A client that got an object either holds it or has released it, and then the
  // server is ending already.
  if (m_uLeaveTimer != 0 || m_bQuitPosted || m_bUserControl || m_lifetime.Objects() != 0) {
    return;
  }
  CloseDown(false);  // drops the lock taken at start for the client
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
    if (m_bFinalSaveClaimed.exchange(true)) return m_nExitCode;
    SaveLog();
    m_pLogFile.reset();
    m_pJournal.reset();
    m_bFinalSaveClaimed = false;  // a later exit run finds no log anyway
  }
  m_instance.Release();  // the log is written: the next server may read it
  return m_nExitCode;
}

void CKorLogServerApp::OnExitTimeout() {
  if (!m_bFinalSaveClaimed.exchange(true)) {
    // The main thread is stuck before its final save and no longer touches the log.
    if (m_pLogFile) SaveLog();
    return;
  }
  // A save is under way on the main thread: let it finish before the process ends.
  // A save is atomic and finite; cutting it short would only leave its temporary file.
  while (m_bFinalSaveClaimed) Sleep(50);
}

bool CKorLogServerApp::SaveLog() noexcept {
  if (m_strLogPath.empty()) return false;
  // A save that fails for want of memory is a failed save.
  bool bSaved = false;
  try {
    bSaved = m_pLogFile->Save(m_strLogPath);
  } catch (...) {
  }
  // An empty log is saved as an empty file, which Save does not count as a success.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!bSaved && m_pLogFile->IsEmpty() &&
      GetFileAttributesExA(m_strLogPath.c_str(), GetFileExInfoStandard, &data)) {
    bSaved = data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
  }
  if (bSaved && m_pJournal) m_pJournal->Clear();
  return bSaved;
}

void CKorLogServerApp::DiscardJournal() {
  if (m_pLogFile) m_pLogFile->SetJournal(nullptr);
  if (m_pJournal) m_pJournal->Clear();
}

void CKorLogServerApp::CloseDown(bool bSave) noexcept {
  m_lifetime.DropLock();
  if (m_pLogFile && bSave) {
    // Runs in destructors and at the end of ShutDown: a trace line that fails for want of
    // memory must not stop the save.
    try {
      Trace("CloseDown: saving log file: " + m_strLogPath);
    } catch (...) {
    }
    SaveLog();
  }
  if (IsInUse()) return;
  if (m_bShuttingDown) {
    Leave();
    return;
  }
  // Wine's launcher makes a client that found no class object look again once a second; a
  // server that went at once would leave clients on their way with no server at all. So the
  // server stays a moment after the last release, still offering its class, and serves on
  // if a client comes.
  if (m_uLeaveTimer != 0) KillTimer(nullptr, m_uLeaveTimer);
  m_uLeaveTimer = SetTimer(nullptr, 0, kLeaveGraceMs, &CKorLogServerApp::OnLeaveTimer);
  if (m_uLeaveTimer == 0) Leave();
}

void CALLBACK CKorLogServerApp::OnLeaveTimer(HWND, UINT, UINT_PTR idEvent, DWORD) {
  KillTimer(nullptr, idEvent);
  CKorLogServerApp& app = GetServerApp();
  app.m_uLeaveTimer = 0;
  if (!app.IsInUse()) app.Leave();
}

void CKorLogServerApp::Leave() {
  if (m_bQuitPosted) return;
  // A client that arrives from now on must start a new server, not reach this one while it
  // leaves: withdraw the class object at once (ExitInstance withdraws it again, ignoring
  // the result). A new server waits for this one's final save.
  CoRevokeClassObject(m_dwClassCookie);
  m_instance.SetServing(false);
  m_bQuitPosted = true;
  PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
}

bool CKorLogServerApp::IsInUse() const {
  if (m_bShuttingDown) return false;
  if (m_bUserControl) return true;
  if (m_lifetime.Objects() != 0) return true;
  if (m_lifetime.Locks() > 0) return true;
  return false;
}

void CKorLogServerApp::AddTraceLine(const char* pszLine) {
  if (m_pMainWnd) m_pMainWnd->AddTraceLine(pszLine);
}

HRESULT CKorLogServerApp::CreateComponent(IUnknown* pUnknownOuter, CUnknown** ppResult) noexcept {
  // A request that was on its way when the server decided to end: an object made now would
  // die with the server under its client.
  if (IsLeaving()) {
    if (ppResult != nullptr) *ppResult = nullptr;
    return CO_E_SERVER_STOPPING;
  }
  return CLogComponent::CreateInstance(pUnknownOuter, *this, m_lifetime, ppResult);
}

void CKorLogServerApp::EndService(long keepFile) noexcept {
  UnregisterServer();
  m_bShuttingDown = true;
  CloseDown(keepFile == 1);
  if (keepFile != 1) {
    // What was not saved is to be forgotten: nothing of it may come back at the next start.
    DiscardJournal();
    if (keepFile == 0) DeleteFileA(m_strLogPath.c_str());
    m_strLogPath.clear();
  }
}

void CKorLogServerApp::OnRegister() { RegisterServer(); }

void CKorLogServerApp::OnUnregister() { UnregisterServer(); }

void CKorLogServerApp::OnEndSession() {
  // The session really ends: the exit run first, then the close-down step, which finds no
  // log any more. The second exit run at the loop's end finds nothing left.
  ExitInstance();
  CloseDown(true);
}
