// RemoveRegistration: the six trees go, including the interface and type library entries
// that RegisterTypeLib wrote, nothing else goes, and a missing or stuck tree is no obstacle.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>

#include "com/RegKey.h"
#include "com/Registration.h"
#include "component/KorLogIds.h"
#include "tests/registration/RegistrationTestSupport.h"

namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

// Registers the type library this program carries (resource TYPELIB 1) as the component does.
HRESULT RegisterOwnTypeLib() {
  std::wstring path = OwnPath();
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLib(path.c_str(), &lib);
  if (FAILED(hr)) return hr;
  hr = RegisterTypeLib(lib, path.data(), nullptr);
  lib->Release();
  return hr;
}

void RemoveKorLogRegistration() {
  RemoveRegistration(korlog::kClsid, korlog::kIid, korlog::kLibId,
                     korlog::kVersionIndependentProgId, korlog::kProgId);
}

void RegisterEverything() {
  WriteRegistration("C:\\KorLogServer.exe", nullptr, korlog::kClsid, korlog::kDescription,
                    korlog::kVersionIndependentProgId, korlog::kProgId, korlog::kLibId);
  ASSERT_EQ(S_OK, RegisterOwnTypeLib());
  for (const char* tree : kRegisteredTrees) {
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, tree)) << tree;
  }
}

class RemoveRegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ClearRegisteredTrees();
  }
  void TearDown() override {
    ClearRegisteredTrees();
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F4}");
    CoUninitialize();
  }
};

TEST_F(RemoveRegistrationTest, RemovesAllSixTreesIncludingTheTypeLibrarys) {
  RegisterEverything();
  RemoveKorLogRegistration();
  for (const char* tree : kRegisteredTrees) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, tree)) << tree;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string("Software\\Classes\\") + tree)) << tree;
  }
  ITypeLib* lib = nullptr;
  EXPECT_TRUE(FAILED(LoadRegTypeLib(korlog::kLibId, 1, 0, 0, &lib)));
  if (lib) lib->Release();
}

TEST_F(RemoveRegistrationTest, LeavesNeighboursAlone) {
  RegisterEverything();
  const std::string neighbour = "CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F4}";
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, neighbour.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
  key.Reset();
  RemoveKorLogRegistration();
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, neighbour));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Interface"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "AppID"));
}

TEST_F(RemoveRegistrationTest, SucceedsSilentlyWhenNothingIsRegistered) {
  RemoveKorLogRegistration();
  RemoveKorLogRegistration();
  for (const char* tree : kRegisteredTrees) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, tree)) << tree;
  }
}

TEST_F(RemoveRegistrationTest, ATreeThatCannotBeDeletedDoesNotStopTheOthers) {
  RegisterEverything();
  // A chain deeper than the deletion goes keeps KorLog.Component in place.
  RegKey level;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CLASSES_ROOT, "KorLog.Component", 0, KEY_ALL_ACCESS, level.Put()));
  for (int depth = 1; depth <= kMaxKeyTreeDepth; ++depth) {
    RegKey next;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(level.Get(), "d", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, next.Put(), nullptr));
    level = std::move(next);
  }
  level.Reset();
  RemoveKorLogRegistration();
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "KorLog.Component"));
  for (const char* tree : kRegisteredTrees) {
    if (std::string(tree) == "KorLog.Component") continue;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, tree)) << tree;
  }
}

}  // namespace
