// Full and read-only disks: the log's directory lives on a small filesystem (set up by the
// run script); this client fills it, lets saves fail, frees it again and checks that the
// old file stays whole, the server keeps serving and the next save loses nothing.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ini/BaseIniFile.h"
#include "tests/reliability/RelModes.h"
#include "tests/reliability/RelSupport.h"

namespace {

struct DiskRun {
  ComPtr<ILogComponent> holder;  // keeps the server alive across the saves
  int failures = 0;
  int savesFailed = 0;
  int savesRecovered = 0;
  std::vector<std::wstring> recorded;

  void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    if (!ok) ++failures;
  }

  void Record(const wchar_t* prefix, int count) {
    UniqueBstr comp = rel::Bstr(L"Disk");
    for (int i = 0; i < count; ++i) {
      wchar_t key[96];
      swprintf(key, 96, L"C:\\Program Files\\Disk\\%ls-file%05d.dll", prefix, i);
      UniqueBstr b = rel::Bstr(key);
      LONG result = 0;
      holder->AddItem(1, comp.Get(), b.Get(), &result);
      if (result == 1) recorded.push_back(key);
    }
  }

  // A second object's release is a save while the holder keeps the server up.
  void Save() {
    ComPtr<ILogComponent> other = rel::CreateLog();
    other.Reset();
  }

  // One listing of the component's files holds every item recorded so far.
  bool ServerHasAll() {
    UniqueBstr comp = rel::Bstr(L"Disk"), all;
    if (holder->GetAllItems(1, comp.Get(), all.Put()) != S_OK) return false;
    const std::wstring list = L"\n" + rel::Wide(all.Get());
    for (const std::wstring& key : recorded) {
      if (list.find(L"\n" + key + L"\n") == std::wstring::npos) return false;
    }
    return true;
  }

  // The file on disk holds every item recorded so far, as a whole log.
  bool FileHasAll() {
    BaseIniFile doc;
    const std::string text = rel::ReadBytes(rel::LogPath());
    if (text.size() < 4 || text.compare(text.size() - 4, 4, "\r\n\r\n") != 0) return false;
    doc.ReadText(text);
    for (const std::wstring& key : recorded) {
      std::string narrow = rel::ServerNarrow(key);
      if (doc.GetValue("Disk_FILES", narrow) != "1") return false;
    }
    return true;
  }
};

const char kFiller[] = "korfill.bin";

// Writes the filler until the disk refuses; its size.
ULONGLONG FillDisk() {
  HANDLE h = CreateFileA(rel::SystemFile(kFiller).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::vector<char> block(1 << 16, 'F');
  ULONGLONG total = 0;
  for (DWORD size = static_cast<DWORD>(block.size()); size > 0;) {
    DWORD written = 0;
    if (WriteFile(h, block.data(), size, &written, nullptr) && written == size) {
      total += written;
    } else {
      total += written;
      size /= 2;  // fill the last corner too
    }
  }
  CloseHandle(h);
  return total;
}

// Gives back bytes at the end of the filler.
void FreeSome(ULONGLONG fillerSize, ULONGLONG bytes) {
  HANDLE h = CreateFileA(rel::SystemFile(kFiller).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(fillerSize > bytes ? fillerSize - bytes : 0);
  SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  CloseHandle(h);
}

}  // namespace

int RunDisk(const Args& args) {
  const int base = args.empty() ? 2000 : std::stoi(args[0]);
  DiskRun run;
  const std::string logPath = rel::LogPath();
  const std::string temp = logPath + ".tmp";
  run.holder = rel::CreateLog();
  if (!run.holder) return 1;

  run.Record(L"base", base);
  run.Save();
  run.Check(run.FileHasAll(), "the first save writes the whole log");
  const std::string good = rel::ReadBytes(logPath);

  // No room at all, then room for half a log: both saves fail and leave the old file.
  const ULONGLONG filler = FillDisk();
  std::printf("filler: %llu bytes\n", filler);
  run.Check(filler > 0 && filler < (64ull << 20), "the small disk fills up");
  for (int round = 0; round < 3; ++round) {
    wchar_t prefix[32];
    swprintf(prefix, 32, L"full%d", round);
    run.Record(prefix, 200);
    if (round == 2) FreeSome(filler, good.size() / 2);
    run.Save();
    const bool intact = rel::ReadBytes(logPath) == good;
    run.Check(intact, "a save on a full disk leaves the old file as it was");
    run.Check(!rel::FileExists(temp), "a failed save leaves no temporary file");
    run.Check(run.ServerHasAll(), "the server keeps serving everything recorded");
    run.savesFailed += intact;
  }
  DeleteFileA(rel::SystemFile(kFiller).c_str());
  run.Save();
  const bool recovered = run.FileHasAll() && !rel::FileExists(temp);
  run.Check(recovered, "once space returns the next save writes everything");
  run.savesRecovered += recovered;

  // A read-only log: saves fail and the file stays; writable again, nothing is lost.
  const std::string before = rel::ReadBytes(logPath);
  SetFileAttributesA(logPath.c_str(), FILE_ATTRIBUTE_READONLY);
  for (int round = 0; round < 2; ++round) {
    run.Record(round ? L"ro1" : L"ro0", 100);
    run.Save();
    const bool intact = rel::ReadBytes(logPath) == before;
    run.Check(intact, "a read-only log is left as it was");
    run.Check(!rel::FileExists(temp), "no temporary file beside the read-only log");
    run.Check(run.ServerHasAll(), "the server keeps serving with a read-only log");
    run.savesFailed += intact;
  }
  SetFileAttributesA(logPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  run.Save();
  const bool recoveredRo = run.FileHasAll();
  run.Check(recoveredRo, "once writable the next save writes everything");
  run.savesRecovered += recoveredRo;

  run.holder.Reset();
  run.Check(rel::WaitServerGone(10000), "the server ends with its last object");
  run.Check(run.FileHasAll(), "the final save holds everything");
  std::printf(
      "disk: %d saves failed with the old file intact, %d recovered, %zu items, "
      "%d failure(s)\n",
      run.savesFailed, run.savesRecovered, run.recorded.size(), run.failures);
  return run.failures == 0 ? 0 : 1;
}
