// Builds the install log as the server does at start-up, on the real registry and files:
// construct from the main file, merge the uninstall directories, merge and delete the
// remote copy, then save. Usage: discovery_client <main log> <remote copy>
#include <cstdio>

#include "installlog/LogFile.h"
#include "server/Win32IniPlatform.h"
#include "server/Win32InstallPlatform.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: discovery_client <main log> <remote copy>\n");
    return 2;
  }
  InstallWin32IniPlatform();
  CWin32InstallPlatform platform;
  LogFile log(argv[1], platform);
  log.Assimilate();
  log.Load(argv[2], true);
  std::printf("suffix=%s\n", log.UninstallerSuffix().c_str());
  return log.Save(argv[1]) ? 0 : 1;
}
