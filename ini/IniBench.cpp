// Benchmarks of the INI store on generated install logs (tests/tools/genlog.py), each beside
// its floor: lookups with scrambled case, Read against a bare read of the same file, Save
// against a bare write of the same bytes with the same flush, and the peak memory of holding L.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ini/BaseIniFile.h"
#include "ini/IniBlockPipeline.h"
#include "ini/IniPlatform.h"
#include "ini/IniTextBlock.h"

namespace {

std::string LogPath(const std::string& name) { return std::string(KOR_GENLOG_DIR) + "/" + name; }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// One document per log, read once and kept for the lookup and save benchmarks.
const BaseIniFile& LoadedLog(const std::string& name) {
  static std::map<std::string, std::unique_ptr<BaseIniFile>> s_docs;
  auto& pDoc = s_docs[name];
  if (!pDoc) {
    pDoc = std::make_unique<BaseIniFile>();
    if (!pDoc->Read(LogPath(name)) || pDoc->IsEmpty()) {
      std::fprintf(stderr, "missing %s: build the target ini_bench_data\n", name.c_str());
      std::exit(1);
    }
  }
  return *pDoc;
}

struct Query {
  std::string section, key, value;
};

std::vector<Query> LoadQueries(const std::string& path) {
  std::vector<Query> queries;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    queries.push_back({line.substr(0, t1), line.substr(t1 + 1, t2 - t1 - 1), line.substr(t2 + 1)});
  }
  return queries;
}

void BM_Lookup(benchmark::State& state, const std::string& name) {
  const BaseIniFile& doc = LoadedLog(name);
  const std::vector<Query> queries = LoadQueries(LogPath(name) + ".qi");
  size_t cWrong = 0;
  for (const Query& q : queries) cWrong += doc.GetValue(q.section, q.key) != q.value;
  if (cWrong) state.SkipWithError("lookups gave wrong values");
  size_t i = 0;
  for (auto _ : state) {
    const Query& q = queries[i];
    if (++i == queries.size()) i = 0;
    const auto pos = doc.FindSection(q.section);
    const BaseIniSection* pSection = doc.GetAt(pos);
    benchmark::DoNotOptimize(pSection->FindItem(q.key));
  }
}

void BM_GetValue(benchmark::State& state, const std::string& name) {
  const BaseIniFile& doc = LoadedLog(name);
  const std::vector<Query> queries = LoadQueries(LogPath(name) + ".qi");
  size_t i = 0;
  for (auto _ : state) {
    const Query& q = queries[i];
    if (++i == queries.size()) i = 0;
    benchmark::DoNotOptimize(doc.GetValue(q.section, q.key));
  }
}

void BM_Read(benchmark::State& state, const std::string& name) {
  const std::string path = LogPath(name);
  for (auto _ : state) {
    auto pDoc = std::make_unique<BaseIniFile>();
    if (!pDoc->Read(path)) state.SkipWithError("read failed");
    // Items read out of order are put in place when first walked: count that in.
    for (auto pos = pDoc->GetHeadPosition(); pos;) {
      benchmark::DoNotOptimize(pDoc->GetNext(pos)->GetHeadPosition());
    }
    state.PauseTiming();
    pDoc.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Slurp(path).size()));
}

// The floor of Read: the same file into memory in one piece.
void BM_ReadFloor(benchmark::State& state, const std::string& name) {
  const std::string path = LogPath(name);
  std::string buffer;
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    buffer.resize(static_cast<size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
    std::fclose(f);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(buffer.size()));
}

// What the parsing thread of Read does, alone on one thread: each block copied in, as the
// file's read would, and parsed. Read takes as long as the slower of its two threads, and
// this one is measured here without the other's noise.
void BM_ParseBlocks(benchmark::State& state, const std::string& name) {
  const std::string text = Slurp(LogPath(name));
  IniTextBlock block(IniBlockPipeline::kBlockSize);
  const auto parse = [&block](std::string_view part, bool bLast) {
    block.Restart({});
    std::memcpy(block.Room(), part.data(), part.size());
    block.Added(part.size());
    block.Parse(bLast);
  };
  std::vector<std::string_view> parts;  // the text as the blocks cut it, in whole lines
  for (std::string_view rest = text; !rest.empty();) {
    const std::string_view part = rest.substr(0, IniBlockPipeline::kBlockSize);
    parse(part, part.size() == rest.size());
    parts.push_back(part.substr(0, part.size() - block.Unparsed().size()));
    rest.remove_prefix(parts.back().size());
  }
  for (auto _ : state) {
    for (const std::string_view part : parts) {
      parse(part, true);
      benchmark::DoNotOptimize(block.Lines().data());
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// Saves alternate between two files: a save to the file the document is in step with
// writes nothing.
void BM_Save(benchmark::State& state, const std::string& name) {
  const BaseIniFile& doc = LoadedLog(name);
  const std::string outs[] = {LogPath(name) + ".saved", LogPath(name) + ".saved2"};
  doc.Save(outs[0]);
  size_t i = 0;
  for (auto _ : state) {
    if (!doc.Save(outs[i ^= 1])) state.SkipWithError("save failed");
  }
  for (const std::string& out : outs) {
    if (Slurp(out) != Slurp(LogPath(name) + ".canon")) state.SkipWithError("not the normal form");
    std::remove(out.c_str());
  }
}

// The floor of Save: the same bytes written with the same flush to disk.
void BM_SaveFloor(benchmark::State& state, const std::string& name) {
  const std::string text = LoadedLog(name).ToText();
  const std::string out = LogPath(name) + ".floor";
  for (auto _ : state) {
    std::FILE* f = std::fopen(out.c_str(), "wb");
    benchmark::DoNotOptimize(std::fwrite(text.data(), 1, text.size(), f));
    GetIniPlatform().CommitFile(f);
    std::fclose(f);
  }
  std::remove(out.c_str());
}

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  }
  return -1;
}

// Peak memory of holding L, measured before any other benchmark has run.
void ReportMemoryOfL() {
  const std::string path = LogPath("l-sorted.log");
  std::ifstream probe(path, std::ios::binary | std::ios::ate);
  const double fileMb = static_cast<double>(probe.tellg()) / (1 << 20);
  const long baseKb = StatusKb("VmRSS:");
  const BaseIniFile& doc = LoadedLog("l-sorted.log");
  auto report = [&](const char* when) {
    const long peakKb = StatusKb("VmHWM:");
    const struct mallinfo2 mi = mallinfo2();
    std::printf(
        "memory %s: L file %.1f MB, %zu sections; peak RSS %.1f MB (%.1f MB above start, %.2fx "
        "the file); heap in use %.1f MB (%.2fx)\n",
        when, fileMb, doc.GetCount(), peakKb / 1024.0, (peakKb - baseKb) / 1024.0,
        (peakKb - baseKb) / 1024.0 / fileMb, mi.uordblks / 1048576.0,
        mi.uordblks / 1048576.0 / fileMb);
  };
  report("after Read");
  // Lookups build each section's index when first needed: count them all in.
  for (auto pos = doc.GetHeadPosition(); pos;)
    benchmark::DoNotOptimize(doc.GetNext(pos)->FindItem("x"));
  report("after a lookup in every section");
}

}  // namespace

int main(int argc, char** argv) {
  ReportMemoryOfL();
  for (const char* name : {"m-sorted.log", "l-sorted.log"}) {
    benchmark::RegisterBenchmark((std::string("Lookup/") + name).c_str(), BM_Lookup, name);
    benchmark::RegisterBenchmark((std::string("GetValue/") + name).c_str(), BM_GetValue, name);
  }
  for (const char* name :
       {"m-sorted.log", "two-sections.log", "l-sorted.log", "l-shuffled.log", "l-dups.log"}) {
    benchmark::RegisterBenchmark((std::string("Read/") + name).c_str(), BM_Read, name)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark((std::string("ReadFloor/") + name).c_str(), BM_ReadFloor, name)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  for (const char* name : {"l-sorted.log", "l-shuffled.log", "l-dups.log"}) {
    benchmark::RegisterBenchmark((std::string("ParseBlocks/") + name).c_str(), BM_ParseBlocks, name)
        ->Unit(benchmark::kMillisecond);
  }
  for (const char* name : {"m-sorted.log", "l-sorted.log"}) {
    benchmark::RegisterBenchmark((std::string("Save/") + name).c_str(), BM_Save, name)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark((std::string("SaveFloor/") + name).c_str(), BM_SaveFloor, name)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
