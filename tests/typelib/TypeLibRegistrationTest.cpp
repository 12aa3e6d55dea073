// The 32-bit type library in a 64-bit process: registered with RegisterTypeLib, found again
// by LoadRegTypeLib, and driving the system's marshaller across apartments.
#include <windows.h>

#include <gtest/gtest.h>

TEST(TypeLibRegistration, Placeholder) {}
