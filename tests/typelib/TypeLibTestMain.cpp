// Runs the type library tests. Arguments --library=LABEL=PATH add executables to check beside
// this program itself; a Unix path is reached through Wine's Z: drive.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/typelib/TypeLibTestSupport.h"
#include "win32/Win32Text.h"

namespace {

std::wstring WindowsPath(const std::string& path) {
  std::wstring wide = win32text::AnsiToWide(path);
  if (wide.empty() || wide[0] != L'/') return wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return L"Z:" + wide;
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

}  // namespace

std::vector<LibrarySource>& LibrarySources() {
  static std::vector<LibrarySource> sources;
  return sources;
}

int main(int argc, char** argv) {
  LibrarySources().push_back({"test_program", OwnPath()});
  const std::string prefix = "--library=";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto eq = arg.find('=', prefix.size());
    if (arg.rfind(prefix, 0) != 0 || eq == std::string::npos) continue;
    LibrarySources().push_back(
        {arg.substr(prefix.size(), eq - prefix.size()), WindowsPath(arg.substr(eq + 1))});
  }
  // Parameterised suites read the sources when they are registered, in InitGoogleTest.
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
