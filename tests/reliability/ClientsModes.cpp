// Many clients: worker processes that create and release objects and make mixed calls on
// shared components at once. Each worker's keys are its own and the shared entries are the
// same from every worker, so every order of the calls gives one final log: the one that
// LogModel gives for the workers' scripts run one after another.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "installlog/tests/LogModel.h"
#include "tests/reliability/RelModes.h"
#include "tests/reliability/RelSupport.h"

namespace {

enum class OpKind {
  kRenew,
  kAdd,
  kRemove,
  kRemoveComponent,
  kIsInstalled,
  kHasItem,
  kMatching,
  kSpecial,
  kParent,
  kAll
};

struct Op {
  OpKind kind;
  LONG type;
  std::string component;
  std::string item;
};

// The script of worker index: the same for one seed wherever it is made.
std::vector<Op> MakeScript(int index, long calls, uint64_t seed) {
  rel::Rng rng(seed * 131 + static_cast<uint64_t>(index));
  const std::string me = "w" + std::to_string(index) + "-";
  const auto shared = [&] { return "Shared" + std::to_string(rng.Below(4)); };
  const auto key = [&] {
    char text[32];
    std::snprintf(text, sizeof(text), "%sk%04u", me.c_str(), rng.Below(60));
    return std::string(text);
  };
  const auto own = [&] { return "Own" + me + std::to_string(rng.Below(6)); };
  std::vector<Op> ops;
  for (int k = 0; k < 4; ++k)
    ops.push_back({OpKind::kAdd, 0, "Install", "Shared" + std::to_string(k)});
  while (static_cast<long>(ops.size()) < calls) {
    if (ops.size() % 250 == 0) ops.push_back({OpKind::kRenew, 0, "", ""});
    const uint32_t r = rng.Below(100);
    const LONG type = static_cast<LONG>(1 + rng.Below(7));
    if (r < 30) {
      std::string item = key();
      if (type == 7) item += "=v" + std::to_string(rng.Below(5));
      ops.push_back({OpKind::kAdd, type, shared(), item});
    } else if (r < 40) {
      ops.push_back({OpKind::kRemove, type, shared(), key()});
    } else if (r < 45) {
      const std::string c = own();
      if (rng.Below(3) == 0) {
        ops.push_back({OpKind::kRemoveComponent, 0, c, ""});
      } else {
        ops.push_back({OpKind::kAdd, 0, shared(), c});
        ops.push_back({OpKind::kAdd, 1, c, "C:\\" + c + "\\file.dll"});
      }
    } else if (r < 55) {
      ops.push_back({OpKind::kHasItem, type, shared(), key()});
    } else if (r < 65) {
      ops.push_back({OpKind::kMatching, type, shared(), key()});
    } else if (r < 75) {
      ops.push_back({OpKind::kSpecial, 7, shared(), key()});
    } else if (r < 80) {
      ops.push_back({OpKind::kIsInstalled, 0, shared(), ""});
    } else if (r < 87) {
      ops.push_back({OpKind::kParent, 0, own(), ""});
    } else {
      ops.push_back({OpKind::kAll, rng.Below(2) ? type : 0, shared(), ""});
    }
  }
  return ops;
}

// The lines of a list that belong to one worker.
std::string OwnLines(const std::string& list, const std::string& me) {
  std::string out;
  for (size_t pos = 0; pos < list.size();) {
    size_t lf = list.find('\n', pos);
    if (lf == std::string::npos) lf = list.size();
    const std::string line = list.substr(pos, lf - pos);
    if (line.compare(0, me.size(), me) == 0 || line.compare(0, 3 + me.size(), "Own" + me) == 0) {
      out += line + "\n";
    }
    pos = lf + 1;
  }
  return out;
}

// Applies one changing op to a model; queries change nothing.
void Apply(LogModel& model, const Op& op) {
  if (op.kind == OpKind::kAdd) model.AddItem(op.type, op.component, op.item);
  if (op.kind == OpKind::kRemove) model.RemoveItem(op.type, op.component, op.item);
  if (op.kind == OpKind::kRemoveComponent) model.RemoveComponent(op.component);
}

std::wstring WideOf(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct Figures {
  std::vector<double> latencies;
  double first = 1e300, last = 0, busy = 0;
  long failed = 0;
};

bool ReadWorkerFile(const std::string& path, Figures& f) {
  std::ifstream in(path);
  double start = 0, end = 0;
  long failed = 0;
  if (!(in >> start >> end >> failed)) return false;
  f.first = std::min(f.first, start);
  f.last = std::max(f.last, end);
  f.busy += end - start;
  f.failed += failed;
  for (double v; in >> v;) f.latencies.push_back(v);
  return true;
}

void PrintFigures(const char* label, Figures& f, double seconds) {
  std::sort(f.latencies.begin(), f.latencies.end());
  const auto pct = [&](double p) {
    if (f.latencies.empty()) return 0.0;
    return f.latencies[std::min(f.latencies.size() - 1,
                                static_cast<size_t>(p * static_cast<double>(f.latencies.size())))];
  };
  std::printf(
      "%s: %zu calls, %.0f calls/s, latency us p50 %.0f p90 %.0f p99 %.0f max %.0f, "
      "%ld failed\n",
      label, f.latencies.size(), static_cast<double>(f.latencies.size()) / seconds, pct(0.50),
      pct(0.90), pct(0.99), f.latencies.empty() ? 0.0 : f.latencies.back(), f.failed);
}

std::wstring SelfPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::string WorkerFile(int index) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + "korrel-worker" + std::to_string(index) + ".txt";
}

std::wstring WorkerCommand(int index, long calls, uint64_t seed) {
  return L"\"" + SelfPath() + L"\" worker " + std::to_wstring(index) + L" " +
         std::to_wstring(calls) + L" " + std::to_wstring(seed) + L" " + WideOf(WorkerFile(index));
}

}  // namespace

int RunWorker(const Args& args) {
  if (args.size() < 4) return 2;
  const int index = std::stoi(args[0]);
  const std::vector<Op> ops = MakeScript(index, std::stol(args[1]), std::stoull(args[2]));
  const std::string me = "w" + std::to_string(index) + "-";
  LogModel own;
  std::vector<double> latencies;
  long failed = 0, wrong = 0;
  ComPtr<ILogComponent> log = rel::CreateLog();
  ComPtr<ILogComponent> second = rel::CreateLog();  // two objects at a time, calls alternate
  if (!log || !second) return 1;
  const double start = rel::NowMicros();
  for (size_t n = 0; n < ops.size(); ++n) {
    const Op& op = ops[n];
    if (op.kind == OpKind::kRenew) {
      log = rel::CreateLog();
      if (!log) ++failed;
      std::swap(log, second);
      continue;
    }
    ILogComponent* p = (n % 2 ? second : log).Get();
    if (!p) continue;
    UniqueBstr comp = rel::Bstr(WideOf(op.component)), item = rel::Bstr(WideOf(op.item));
    LONG result = -1;
    UniqueBstr text;
    HRESULT hr = S_OK;
    bool ok = true;
    const double t0 = rel::NowMicros();
    switch (op.kind) {
      case OpKind::kAdd:
        hr = p->AddItem(op.type, comp.Get(), item.Get(), &result);
        ok = result == (own.AddItem(op.type, op.component, op.item) ? 1 : 0);
        break;
      case OpKind::kRemove:
        hr = p->RemoveItem(op.type, comp.Get(), item.Get(), &result);
        ok = result == (own.RemoveItem(op.type, op.component, op.item) ? 1 : 0);
        break;
      case OpKind::kRemoveComponent:
        hr = p->RemoveComponent(comp.Get(), &result);
        ok = result == (own.RemoveComponent(op.component) ? 1 : 0);
        break;
      case OpKind::kIsInstalled:
        hr = p->IsInstalled(comp.Get(), &result);
        ok = result == (own.IsInstalled(op.component) ? 1 : 0);
        break;
      case OpKind::kHasItem:
        hr = p->HasItem(op.type, comp.Get(), item.Get(), &result);
        ok = result == (own.HasItem(op.type, op.component, op.item) ? 1 : 0);
        break;
      case OpKind::kMatching:
        hr = p->GetMatchingItem(op.type, comp.Get(), item.Get(), text.Put());
        ok = rel::Wide(text.Get()) == WideOf(own.GetMatchingItem(op.type, op.component, op.item));
        break;
      case OpKind::kSpecial:
        hr = p->GetSpecialItem(comp.Get(), item.Get(), text.Put());
        ok = rel::Wide(text.Get()) == WideOf(own.GetSpecialItem(7, op.component, op.item));
        break;
      case OpKind::kParent:
        hr = p->GetParent(comp.Get(), text.Put());
        ok = rel::Wide(text.Get()) == WideOf(own.GetParent(op.component));
        break;
      case OpKind::kAll:
        hr = p->GetAllItems(op.type, comp.Get(), text.Put());
        ok = OwnLines(rel::ServerNarrow(rel::Wide(text.Get())), me) ==
             OwnLines(own.GetAllItems(op.type, op.component), me);
        break;
      case OpKind::kRenew:
        break;
    }
    latencies.push_back(rel::NowMicros() - t0);
    if (hr != S_OK) ++failed;
    if (!ok && ++wrong <= 5) {
      std::printf("worker %d: wrong answer at op %zu (kind %d, %s / %s)\n", index, n,
                  static_cast<int>(op.kind), op.component.c_str(), op.item.c_str());
    }
  }
  const double end = rel::NowMicros();
  log.Reset();
  second.Reset();
  std::ofstream out(args[3]);
  out.precision(12);
  out << start << " " << end << " " << failed + wrong << "\n";
  for (double v : latencies) out << v << "\n";
  return failed + wrong == 0 ? 0 : 1;
}

int RunClients(const Args& args) {
  if (args.size() < 3) return 2;
  const int workers = std::stoi(args[0]);
  const long calls = std::stol(args[1]);
  const uint64_t seed = std::stoull(args[2]);
  int failures = 0;
  const auto check = [&](bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    if (!ok) ++failures;
  };

  LogModel expected;
  for (int i = 0; i < workers; ++i) {
    for (const Op& op : MakeScript(i, calls, seed)) Apply(expected, op);
  }
  const std::string expectedText = expected.Text();

  std::string finals[2];
  for (int parallel = 0; parallel < 2; ++parallel) {
    DeleteFileA(rel::LogPath().c_str());
    ComPtr<ILogComponent> holder = rel::CreateLog();  // one server for the whole round
    if (!holder) return 1;
    std::vector<HANDLE> processes;
    for (int i = 0; i < workers; ++i) {
      DeleteFileA(WorkerFile(i).c_str());
      if (!parallel) {
        check(rel::RunAndWait(WorkerCommand(i, calls, seed), 600000) == 0, "a lone worker");
        continue;
      }
      std::wstring cmd = WorkerCommand(i, calls, seed);
      STARTUPINFOW si = {};
      si.cb = sizeof(si);
      PROCESS_INFORMATION pi = {};
      if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                         &pi)) {
        CloseHandle(pi.hThread);
        processes.push_back(pi.hProcess);
      }
    }
    for (HANDLE h : processes) {
      WaitForSingleObject(h, 600000);
      DWORD rc = 1;
      GetExitCodeProcess(h, &rc);
      check(rc == 0, "a worker among many");
      CloseHandle(h);
    }
    holder.Reset();
    check(rel::WaitServerGone(10000), "the server ends when the last object goes");
    Figures f;
    for (int i = 0; i < workers; ++i) check(ReadWorkerFile(WorkerFile(i), f), "worker figures");
    const double seconds = (parallel ? f.last - f.first : f.busy) / 1e6;
    char label[64];
    std::snprintf(label, sizeof(label), parallel ? "%d clients at once" : "1 client (x%d in turn)",
                  workers);
    PrintFigures(label, f, seconds > 0 ? seconds : 1);
    check(f.failed == 0, "no call failed and every answer was right");
    finals[parallel] = rel::ReadBytes(rel::LogPath());
    check(finals[parallel] == expectedText, "the final log equals the serial replay");
  }
  check(finals[0] == finals[1], "one client in turn and many at once give the same log");
  std::printf("clients: %zu bytes of log, %d failure(s)\n", expectedText.size(), failures);
  return failures == 0 ? 0 : 1;
}
