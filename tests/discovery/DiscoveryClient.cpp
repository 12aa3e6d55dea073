// Builds the install log as the server does at start-up, on the real registry and files:
// construct from the main file, merge the uninstall directories, merge and delete the
// remote copy, then save. Usage: discovery_client <main log> <remote copy>
// With --product <exe>, prints the executable's version as the discovery reads versions,
// and its application manifest.
#include <windows.h>

#include <cstdio>
#include <string>

#include "installlog/LogFile.h"
#include "win32/Win32IniPlatform.h"
#include "win32/Win32InstallPlatform.h"

int PrintProduct(const char* path) {
  CWin32InstallPlatform platform;
  std::printf("version=%s\n", platform.GetFileVersionText(path).value_or("(none)").c_str());
  const HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC resource = module ? FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST) : nullptr;
  const HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
  if (data) {
    const char* text = static_cast<const char*>(LockResource(data));
    std::printf("%s\n", std::string(text, SizeofResource(module, resource)).c_str());
  }
  if (module) FreeLibrary(module);
  return data ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--product") return PrintProduct(argv[2]);
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
