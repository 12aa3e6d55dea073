// korcycle: runs the server through many consecutive lives and counts what a client sees.
//   korcycle shutdown N SERVER_EXE   N times: register (SERVER_EXE /RegServer), create,
//                                    ShutDown(2); the answer must be the executable's path
//   korcycle release N [ANY]         N times: create (the server starts hidden), release
// After each life the server's process must be gone within 3 s. Prints the figures and
// exits 0 only when every answer arrived and every exit completed.
//   korcycle link NAME HOLD_MS       create, link NAME under "Install", hold the object for
//                                    HOLD_MS, link NAME + "+", release; exits 0 when both
//                                    answered 1
//   korcycle relay N SEED            N times: create, link "RelayK", release, then wait 0 to
//                                    2 s, so that the next client meets the last server
//                                    serving on, ending, or gone; exits 0 when all answered 1
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "LogComponent_h.h"
#include "com/ComPtr.h"
#include "com/UniqueBstr.h"
#include "tests/common/ComTestClient.h"
#include "win32/UniqueHandle.h"

namespace {

constexpr DWORD kExitMs = 3000;
constexpr DWORD kWindowMs = 5000;

struct Figures {
  int calls = 0;
  int retries = 0;  // creations tried a second time (see CreateServerObject)
  int answers = 0;
  int exitsStarted = 0;
  int exitsCompleted = 0;
  DWORD maxCallMs = 0;
  unsigned long long totalCreateMs = 0;
  DWORD maxExitMs = 0;
  unsigned long long totalExitMs = 0;
};

// The id of a server window's process that is not one of the servers that failed to end
// (they may still have their windows); 0 when none appears. Ended servers' ids are reused.
DWORD FindNewServer(const std::set<DWORD>& hung) {
  const DWORD start = GetTickCount();
  do {
    for (HWND hwnd = FindWindowExA(nullptr, nullptr, nullptr, "KorLogServer"); hwnd != nullptr;
         hwnd = FindWindowExA(nullptr, hwnd, nullptr, "KorLogServer")) {
      DWORD pid = 0;
      GetWindowThreadProcessId(hwnd, &pid);
      if (pid != 0 && hung.count(pid) == 0) return pid;
    }
    Sleep(10);
  } while (GetTickCount() - start < kWindowMs);
  return 0;
}

bool RunAndWait(const std::wstring& commandLine) {
  std::wstring cmd = commandLine;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return false;
  }
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  return WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0;
}

// Wine's launcher has been seen, once in a long run with other tests beside it, to fail to
// start the registered server with ERROR_FILE_NOT_FOUND, the executable in its place and
// the next life starting as usual. Such a failure gets one more try, printed and counted; a
// server that cannot be started still fails the run.
HRESULT CreateServerObject(REFIID iid, void** ppv, int cycle, Figures& f) {
  HRESULT hr = CoCreateInstance(CLSID_LogComponent, nullptr, CLSCTX_LOCAL_SERVER, iid, ppv);
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
    std::printf("cycle %d: creation failed, 0x%08lx; trying once more\n", cycle,
                static_cast<unsigned long>(hr));
    ++f.retries;
    Sleep(500);
    hr = CoCreateInstance(CLSID_LogComponent, nullptr, CLSCTX_LOCAL_SERVER, iid, ppv);
  }
  return hr;
}

// Waits for the end of server pid (opened before the call that ends it); counts it. A
// server that does not end stays in hung.
void AwaitExit(DWORD pid, HANDLE process, std::set<DWORD>& hung, Figures& f, int cycle) {
  ++f.exitsStarted;
  if (pid == 0) {
    std::printf("cycle %d: no server window was found\n", cycle);
    return;
  }
  const DWORD start = GetTickCount();
  // No handle: the process had already ended when it was looked up.
  if (process != nullptr && WaitForSingleObject(process, kExitMs) != WAIT_OBJECT_0) {
    std::printf("cycle %d: the server did not end within %lu ms\n", cycle, kExitMs);
    hung.insert(pid);
    return;
  }
  const DWORD ms = GetTickCount() - start;
  ++f.exitsCompleted;
  f.maxExitMs = std::max(f.maxExitMs, ms);
  f.totalExitMs += ms;
}

void ShutDownCycle(int cycle, const std::wstring& serverExe, std::set<DWORD>& hung, Figures& f) {
  RunAndWait(L"\"" + serverExe + L"\" /RegServer");
  ++f.calls;
  const DWORD created = GetTickCount();
  ComPtr<ILogComponent> log;
  HRESULT hr = CreateServerObject(IID_ILogComponent, reinterpret_cast<void**>(log.Put()), cycle, f);
  if (FAILED(hr)) {
    std::printf("cycle %d: creation failed, 0x%08lx\n", cycle, static_cast<unsigned long>(hr));
    return;
  }
  f.totalCreateMs += GetTickCount() - created;
  const DWORD pid = FindNewServer(hung);
  UniqueHandle process(pid != 0 ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr);
  UniqueBstr exe;
  const DWORD start = GetTickCount();
  hr = log->ShutDown(2, exe.Put());
  f.maxCallMs = std::max(f.maxCallMs, GetTickCount() - start);
  if (hr == S_OK && exe.Get() != nullptr && _wcsicmp(exe.Get(), serverExe.c_str()) == 0) {
    ++f.answers;
  } else {
    std::printf("cycle %d: ShutDown answered 0x%08lx\n", cycle, static_cast<unsigned long>(hr));
  }
  log.Reset();
  AwaitExit(pid, process.Get(), hung, f, cycle);
}

void ReleaseCycle(int cycle, std::set<DWORD>& hung, Figures& f) {
  ++f.calls;
  const DWORD created = GetTickCount();
  ComPtr<IUnknown> log;
  const HRESULT hr =
      CreateServerObject(IID_IUnknown, reinterpret_cast<void**>(log.Put()), cycle, f);
  if (FAILED(hr)) {
    std::printf("cycle %d: creation failed, 0x%08lx\n", cycle, static_cast<unsigned long>(hr));
    return;
  }
  f.totalCreateMs += GetTickCount() - created;
  const DWORD pid = FindNewServer(hung);
  UniqueHandle process(pid != 0 ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr);
  const DWORD start = GetTickCount();
  const ULONG left = log.Detach()->Release();
  const DWORD ms = GetTickCount() - start;
  f.maxCallMs = std::max(f.maxCallMs, ms);
  // The last release returns 0 once the server has taken it.
  if (left == 0) ++f.answers;
  AwaitExit(pid, process.Get(), hung, f, cycle);
}

// One client's links: creates, links each name in turn (holding the object holdMs between
// them), releases. True when every link was answered 1.
bool Link(const std::vector<std::wstring>& names, DWORD holdMs) {
  Figures f;
  ComPtr<ILogComponent> log;
  HRESULT hr = CreateServerObject(IID_ILogComponent, reinterpret_cast<void**>(log.Put()), 0, f);
  if (FAILED(hr)) {
    std::printf("%ls: creation failed, 0x%08lx\n", names[0].c_str(),
                static_cast<unsigned long>(hr));
    return false;
  }
  UniqueBstr install = comtest::Bstr(L"Install");
  bool ok = true;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) Sleep(holdMs);
    UniqueBstr name = comtest::Bstr(names[i]);
    LONG result = 0;
    hr = log->AddItem(0, install.Get(), name.Get(), &result);
    std::printf("%ls: %ld (0x%08lx)\n", names[i].c_str(), result, static_cast<unsigned long>(hr));
    ok = ok && hr == S_OK && result == 1;
  }
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 64;
  const std::wstring mode = argv[1];
  if (mode == L"link" || mode == L"relay") {
    if (argc < 4 || FAILED(CoInitialize(nullptr))) return 64;
    bool ok = true;
    if (mode == L"link") {
      ok = Link({argv[2], std::wstring(argv[2]) + L"+"}, static_cast<DWORD>(_wtoi(argv[3])));
    } else {
      srand(static_cast<unsigned>(_wtoi(argv[3])));
      for (int i = 1; i <= _wtoi(argv[2]); ++i) {
        ok = Link({L"Relay" + std::to_wstring(i)}, 0) && ok;
        Sleep(static_cast<DWORD>(rand() % 2001));
      }
    }
    CoUninitialize();
    std::fflush(stdout);
    return ok ? 0 : 1;
  }
  const int cycles = std::max(1, _wtoi(argv[2]));
  if (mode == L"shutdown" && argc < 4) return 64;
  if (FAILED(CoInitialize(nullptr))) return 1;
  Figures f;
  std::set<DWORD> hung;
  for (int i = 1; i <= cycles; ++i) {
    if (mode == L"shutdown") {
      ShutDownCycle(i, argv[3], hung, f);
    } else {
      ReleaseCycle(i, hung, f);
    }
    if (i % 50 == 0 && i < cycles) {
      std::printf("after %d: answers %d/%d, exits %d/%d\n", i, f.answers, f.calls, f.exitsCompleted,
                  f.exitsStarted);
      std::fflush(stdout);
    }
  }
  CoUninitialize();
  std::printf(
      "%ls: answers delivered %d/%d, exits completed %d/%d, creations retried %d, longest call "
      "%lu ms, longest exit %lu ms, mean exit %llu ms, mean creation %llu ms\n",
      mode.c_str(), f.answers, f.calls, f.exitsCompleted, f.exitsStarted, f.retries,
      static_cast<unsigned long>(f.maxCallMs), static_cast<unsigned long>(f.maxExitMs),
      f.exitsStarted > 0 ? f.totalExitMs / static_cast<unsigned>(f.exitsStarted) : 0ULL,
      f.totalCreateMs / static_cast<unsigned>(cycles));
  const bool ok = f.answers == cycles && f.exitsCompleted == cycles;
  return ok ? 0 : 1;
}
