// The reliability client: one program with a mode per scenario, run inside a prefix where
// the server is installed and registered (see run-reliability.sh).
#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <cstring>

#include "tests/reliability/RelModes.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: reliability_client MODE ARGS...\n");
    return 2;
  }
  const Args args(argv + 2, argv + argc);
  struct Mode {
    const char* name;
    int (*run)(const Args&);
    bool com;
  };
  static const Mode kModes[] = {
      {"record", RunRecord, true},
      {"kill", RunKiller, false},
      {"disk", RunDisk, true},
      {"clients", RunClients, true},
      {"worker", RunWorker, true},
      {"hostile", RunHostile, true},
      {"bracket-item", RunBracketItem, true},
  };
  for (const Mode& mode : kModes) {
    if (std::strcmp(argv[1], mode.name) != 0) continue;
    if (mode.com && FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    const int rc = mode.run(args);
    std::fflush(stdout);
    if (mode.com) CoUninitialize();
    return rc;
  }
  std::fprintf(stderr, "unknown mode %s\n", argv[1]);
  return 2;
}
