// Runs the client tests in a single-threaded apartment, as an installer would.
#include <windows.h>

#include <objbase.h>

#include "gtest/gtest.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (FAILED(CoInitialize(nullptr))) return 1;
  const int rc = RUN_ALL_TESTS();
  CoUninitialize();
  return rc;
}
