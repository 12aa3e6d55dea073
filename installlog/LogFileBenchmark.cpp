// Timings of the install log on generated logs: reading against the conversion pass, the
// client operations on a large log, and merging the logs of 20 uninstall directories
// against reading the same files. Logs come from tests/tools/genlog.py, made on first use.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "installlog/LogFile.h"
#include "installlog/tests/FakeInstallPlatform.h"

namespace fs = std::filesystem;

namespace {

constexpr int kUninstallDirs = 20;

// The generated log of that size, made once and kept in the build tree.
std::string GeneratedLog(const std::string& size) {
  const fs::path dir = KOR_GENLOG_OUT;
  const fs::path log = dir / (size + ".log");
  if (!fs::exists(log)) {
    fs::create_directories(dir);
    const std::string command = std::string(KOR_PYTHON) + " " + KOR_GENLOG + " --size " + size +
                                " --queries 0 -o " + log.string();
    if (std::system(command.c_str()) != 0) std::abort();
  }
  return log.string();
}

// 20 uninstall directories, each holding a copy of the M log as its "KorFiles.log", named
// by values UNSTDIR0..19 whose files carry version 7.2 (so nothing is deleted).
struct UninstallDirs {
  FakeInstallPlatform platform;
  std::vector<std::string> logs;

  UninstallDirs() {
    const std::string source = GeneratedLog("M");
    const fs::path root = fs::path(KOR_GENLOG_OUT) / "dirs";
    fs::create_directories(root);
    for (int i = 0; i < kUninstallDirs; ++i) {
      const std::string dir = (root / ("d" + std::to_string(i))).string();
      const std::string exe = dir + "\\unst.exe";
      platform.AddString("UNSTDIR" + std::to_string(i), exe);
      platform.versions[exe] = "7.2.0.0";
      logs.push_back(dir + "\\KorFiles.log");
      if (!fs::exists(logs.back())) fs::copy_file(source, logs.back());
      logs.push_back(dir + "\\Extra.log");
    }
  }
};

UninstallDirs& Dirs() {
  static UninstallDirs dirs;
  return dirs;
}

void BM_ReadL(benchmark::State& state) {
  const std::string path = GeneratedLog("L");
  for (auto _ : state) {
    BaseIniFile doc;
    doc.Read(path);
    benchmark::DoNotOptimize(doc.GetCount());
  }
}
BENCHMARK(BM_ReadL)->Unit(benchmark::kMillisecond);

void BM_ConvertL(benchmark::State& state) {
  FakeInstallPlatform platform;
  LogFile log(GeneratedLog("L"), platform);
  for (auto _ : state) {
    log.GroupDriverAndPrinterSections();
    log.ConvertLegacySections();
  }
}
BENCHMARK(BM_ConvertL)->Unit(benchmark::kMillisecond);

void BM_OperationsL(benchmark::State& state) {
  FakeInstallPlatform platform;
  LogFile log(GeneratedLog("L"), platform);
  int i = 0;
  for (auto _ : state) {
    const std::string component = "BenchComp" + std::to_string(i++ % 64);
    log.AddItem(LogFile::ChildItem, "Install", component);
    log.AddItem(LogFile::FilesItem1, component, "C:\\bench\\file.dll");
    log.AddItem(LogFile::SpecialItem, component, "BaseDir=C:\\bench");
    benchmark::DoNotOptimize(log.HasItem(LogFile::FilesItem1, component, "c:\\BENCH\\file.dll"));
    benchmark::DoNotOptimize(log.GetSpecialItem(LogFile::SpecialItem, component, "basedir"));
    benchmark::DoNotOptimize(log.GetParent(component));
    log.RemoveComponent(component);
  }
}
BENCHMARK(BM_OperationsL)->Unit(benchmark::kMicrosecond);

// One AddItem of a new file into an M log, without (0) and with (1) the journal beside it:
// what the journal adds to every changing call.
void BM_AddItemM(benchmark::State& state) {
  FakeInstallPlatform platform;
  LogFile log(GeneratedLog("M"), platform);
  LogJournal journal((fs::path(KOR_GENLOG_OUT) / "bench.journal").string());
  if (state.range(0)) log.SetJournal(&journal);
  int i = 0;
  for (auto _ : state) {
    log.AddItem(LogFile::FilesItem1, "BenchComp", "C:\\bench\\file" + std::to_string(i++) + ".dll");
    if (i % 100000 == 0) journal.Clear();  // as a save would
  }
  journal.Clear();
}
BENCHMARK(BM_AddItemM)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_Read20M(benchmark::State& state) {
  UninstallDirs& dirs = Dirs();
  for (auto _ : state) {
    BaseIniFile doc;
    for (const std::string& path : dirs.logs) doc.Read(path);
    benchmark::DoNotOptimize(doc.GetCount());
  }
}
BENCHMARK(BM_Read20M)->Unit(benchmark::kMillisecond);

void BM_Assimilate20M(benchmark::State& state) {
  UninstallDirs& dirs = Dirs();
  for (auto _ : state) {
    LogFile log(dirs.platform);
    log.Assimilate();
    benchmark::DoNotOptimize(log.GetCount());
  }
}
BENCHMARK(BM_Assimilate20M)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
