// Entry point of the store's tests under Windows: they run with the real Win32 platform
// installed, as the server runs.
#include <gtest/gtest.h>

#include "win32/Win32IniPlatform.h"

int main(int argc, char** argv) {
  InstallWin32IniPlatform();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
