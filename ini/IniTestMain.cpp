// Entry point of the store's tests: on Windows they run with the real Win32 platform
// installed, as the server runs; natively with the default platform.
#include <gtest/gtest.h>

#ifdef _WIN32
#include "win32/Win32IniPlatform.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  InstallWin32IniPlatform();
#endif
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
