// Crash safety: a client that records one batch of items and releases its object (the
// release saves the log), and a killer that ends the server with TerminateProcess at a
// random moment, while the client's changes go into the journal, or while the save's
// temporary file exists.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/reliability/RelModes.h"
#include "tests/reliability/RelSupport.h"

namespace {

// The key of item j of batch k; the run's checker derives the same names.
std::wstring CrashKey(int cycle, int j) {
  wchar_t key[64];
  swprintf(key, 64, L"cycle%05d-item%05d", cycle, j);
  return key;
}

}  // namespace

int RunRecord(const Args& args) {
  if (args.size() < 2) return 2;
  const int cycle = std::stoi(args[0]);
  const int count = std::stoi(args[1]);
  // With "hold", a reader keeps the log open without delete sharing, as a virus scanner or
  // a second installer may: the save cannot swap the file and must cope.
  HANDLE held = INVALID_HANDLE_VALUE;
  if (args.size() > 2 && args[2] == "hold") {
    held = CreateFileA(rel::LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  }
  HRESULT hr = S_OK;
  ComPtr<ILogComponent> log = rel::CreateLog(&hr);
  if (!log) {
    std::printf("record: create failed 0x%08lx\n", static_cast<unsigned long>(hr));
    return 1;
  }
  UniqueBstr component = rel::Bstr(L"Crash");
  int added = 0;
  for (int j = 0; j < count; ++j) {
    UniqueBstr key = rel::Bstr(CrashKey(cycle, j));
    LONG result = 0;
    hr = log->AddItem(1, component.Get(), key.Get(), &result);
    if (FAILED(hr)) break;  // the server was killed under us
    added += result == 1;
  }
  log.Reset();  // saves the log; the server then ends
  if (held != INVALID_HANDLE_VALUE) {
    rel::WaitServerGone(20000);
    CloseHandle(held);
  }
  std::printf("record: added %d of %d\n", added, count);
  return 0;
}

int RunKiller(const Args& args) {
  if (args.size() < 2) return 2;
  rel::Rng rng(std::stoull(args[0]));
  const bool atRandom =
      args.size() > 3 && rng.Below(100) < static_cast<uint32_t>(std::stoi(args[1]));
  const uint32_t maxDelay = args.size() > 2 ? static_cast<uint32_t>(std::stoi(args[2])) : 0;
  const std::string temp = rel::LogPath() + ".tmp";
  const DWORD pid = rel::WaitServerStarted(20000);
  if (pid == 0) {
    std::printf("kill: no server\n");
    return 0;
  }
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process) {
    std::printf("kill: cannot open %lu\n", static_cast<unsigned long>(pid));
    return 0;
  }
  if (args[1] == "measure") {
    // How long the first save's temporary file exists: the span that kills should hit.
    // The server found may be the last cycle's, still ending: wait for the save itself.
    for (const double t0 = rel::NowMicros(); !rel::FileExists(temp);) {
      if (rel::NowMicros() - t0 > 120e6) return 1;
    }
    const double begin = rel::NowMicros();
    while (rel::FileExists(temp)) {
    }
    std::printf("%.0f\n", (rel::NowMicros() - begin) / 1000);
    CloseHandle(process);
    return 0;
  }
  const uint32_t loopMs = args.size() > 4 ? static_cast<uint32_t>(std::stoi(args[4])) : 0;
  if (atRandom) {
    Sleep(rng.Below(static_cast<uint32_t>(std::stoi(args[3]))));
  } else if (loopMs > 0 && rng.Below(2) == 0) {
    // While the client's calls are answered: their changes are only in the journal.
    const std::string journal = rel::LogPath() + ".journal";
    while (!rel::FileExists(journal)) {
      if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) break;
    }
    Sleep(rng.Below(loopMs));
  } else {
    // Wait for a save to begin (its temporary file appears), then a little into it.
    while (!rel::FileExists(temp)) {
      if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) break;
    }
    const uint32_t delay = rng.Below(maxDelay);
    if (delay) Sleep(delay);
  }
  const bool inSave = rel::FileExists(temp) || rel::FileExists(rel::LogPath() + ".new");
  const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  const bool killed = alive && TerminateProcess(process, 9);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
  std::printf("kill: %s%s\n", killed ? "killed" : "missed", killed && inSave ? " in-save" : "");
  return 0;
}
