// DeleteKeyTree on scratch keys: whole trees go, a missing key reports its code, and a tree
// deeper than the limit is refused instead of exhausting the stack.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "com/RegKey.h"
#include "com/Registration.h"
#include "tests/registration/RegistrationTestSupport.h"

namespace {

constexpr char kScratch[] = "Software\\KorLogTests";

class DeleteKeyTreeTest : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, m_scratch.Put(), nullptr));
  }
  void TearDown() override {
    m_scratch.Reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  }

  void Create(const std::string& path) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_scratch.Get(), path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
    const char value[] = "v";
    RegSetValueExA(key.Get(), "n", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), 2);
  }

  // A chain of levels keys "top\d\d\...", top included.
  void CreateChain(int levels) {
    RegKey level;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_scratch.Get(), "top", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, level.Put(), nullptr));
    for (int depth = 2; depth <= levels; ++depth) {
      RegKey next;
      ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(level.Get(), "d", 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, next.Put(), nullptr));
      level = std::move(next);
    }
  }

  RegKey m_scratch;
};

TEST_F(DeleteKeyTreeTest, DeletesTheKeyWithEverythingBelowIt) {
  for (const char* path :
       {"top", "top\\a", "top\\a\\x", "top\\a\\y", "top\\b", "top\\c\\z\\w", "sibling"}) {
    Create(path);
  }
  EXPECT_EQ(ERROR_SUCCESS, DeleteKeyTree(m_scratch.Get(), "top"));
  EXPECT_FALSE(KeyExists(m_scratch.Get(), "top"));
  EXPECT_TRUE(KeyExists(m_scratch.Get(), "sibling"));
}

TEST_F(DeleteKeyTreeTest, ReportsAMissingKeyAndDeletesNothing) {
  Create("sibling");
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteKeyTree(m_scratch.Get(), "top"));
  EXPECT_TRUE(KeyExists(m_scratch.Get(), "sibling"));
}

TEST_F(DeleteKeyTreeTest, DeletesATreeAsDeepAsTheLimit) {
  CreateChain(kMaxKeyTreeDepth);
  EXPECT_EQ(ERROR_SUCCESS, DeleteKeyTree(m_scratch.Get(), "top"));
  EXPECT_FALSE(KeyExists(m_scratch.Get(), "top"));
}

TEST_F(DeleteKeyTreeTest, RefusesATreeDeeperThanTheLimit) {
  CreateChain(kMaxKeyTreeDepth + 1);
  EXPECT_EQ(ERROR_STACK_OVERFLOW, DeleteKeyTree(m_scratch.Get(), "top"));
  EXPECT_TRUE(KeyExists(m_scratch.Get(), "top"));
}

}  // namespace
