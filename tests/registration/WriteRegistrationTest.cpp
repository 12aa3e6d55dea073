// WriteRegistration and its two writers: the 13 entries with their exact stored values, a
// second registration replacing the first, and what each writer refuses.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstring>
#include <string>

#include "com/Registration.h"
#include "component/KorLogIds.h"
#include "tests/registration/RegistrationTestSupport.h"

namespace {

const char kFirstPath[] = "C:\\Program Files\\Korvane\\KorLogServer.exe";
const char kSecondPath[] = "D:\\Korvane\\Server\\KorLogServer.exe";
const char kDescription[] = "Korvane log file interface component";

struct Entry {
  const char* key;  // below HKLM\Software\Classes
  const char* valueName;
  const char* data;  // nullptr: the server path
};

const Entry kEntries[] = {
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}", nullptr, kDescription},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}", "AppID",
     "{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}"},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\LocalServer32", nullptr, nullptr},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\ProgID", nullptr, "KorLog.Component.1"},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\VersionIndependentProgID", nullptr,
     "KorLog.Component"},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\TypeLib", nullptr,
     "{C8F7A230-9D16-4B5E-8A4C-2F61E0B7D395}"},
    {"KorLog.Component", nullptr, kDescription},
    {"KorLog.Component\\CLSID", nullptr, "{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}"},
    {"KorLog.Component\\CurVer", nullptr, "KorLog.Component.1"},
    {"KorLog.Component.1", nullptr, kDescription},
    {"KorLog.Component.1\\CLSID", nullptr, "{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}"},
    {"AppID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}", nullptr, kDescription},
    {"AppID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}", "RunAs", "Interactive User"},
};

// Every key written, with how many values and subkeys it holds when registered once.
struct Shape {
  const char* key;
  int values;
  int subkeys;
};
const Shape kShapes[] = {
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}", 2, 4},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\LocalServer32", 1, 0},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\ProgID", 1, 0},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\VersionIndependentProgID", 1, 0},
    {"CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\TypeLib", 1, 0},
    {"KorLog.Component", 1, 2},
    {"KorLog.Component\\CLSID", 1, 0},
    {"KorLog.Component\\CurVer", 1, 0},
    {"KorLog.Component.1", 1, 1},
    {"KorLog.Component.1\\CLSID", 1, 0},
    {"AppID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}", 2, 0},
};

std::string Classes(const std::string& key) { return "Software\\Classes\\" + key; }

void Register(const char* serverPath) {
  EXPECT_EQ(0,
            WriteRegistration(serverPath, nullptr, korlog::kClsid, korlog::kDescription,
                              korlog::kVersionIndependentProgId, korlog::kProgId, korlog::kLibId));
}

void ExpectEntries(const char* serverPath) {
  for (const Entry& entry : kEntries) {
    SCOPED_TRACE(testing::Message()
                 << entry.key << " / " << (entry.valueName ? entry.valueName : "(default)"));
    const std::string want = entry.data ? entry.data : serverPath;
    const StoredValue got = ReadValue(HKEY_LOCAL_MACHINE, Classes(entry.key), entry.valueName);
    ASSERT_TRUE(got.found);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), got.type);
    EXPECT_EQ(want.size() + 1, got.size) << "stored length counts the terminating zero";
    EXPECT_EQ(want + '\0', got.data);
  }
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.key);
    int values = 0, subkeys = 0;
    CountKey(HKEY_LOCAL_MACHINE, Classes(shape.key), values, subkeys);
    EXPECT_EQ(shape.values, values);
    EXPECT_EQ(shape.subkeys, subkeys);
  }
}

class WriteRegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ClearRegisteredTrees();
  }
  void TearDown() override {
    ClearRegisteredTrees();
    CoUninitialize();
  }
};

TEST_F(WriteRegistrationTest, WritesAllThirteenEntriesWithExactValues) {
  Register(kFirstPath);
  ExpectEntries(kFirstPath);
}

TEST_F(WriteRegistrationTest, RegisteringAgainLeavesOneSetWithTheLatestPath) {
  Register(kFirstPath);
  Register(kSecondPath);
  ExpectEntries(kSecondPath);
}

TEST_F(WriteRegistrationTest, IsVisibleThroughTheClassesRoot) {
  Register(kFirstPath);
  CLSID found = {};
  ASSERT_EQ(S_OK, CLSIDFromProgID(L"KorLog.Component", &found));
  EXPECT_EQ(korlog::kClsid, found);
  ASSERT_EQ(S_OK, CLSIDFromProgID(L"KorLog.Component.1", &found));
  EXPECT_EQ(korlog::kClsid, found);
}

TEST_F(WriteRegistrationTest, AnotherMachineThatCannotBeReachedGetsNothing) {
  EXPECT_EQ(0, WriteRegistration(kFirstPath, "\\\\KORLOG-NO-SUCH-HOST", korlog::kClsid,
                                 korlog::kDescription, korlog::kVersionIndependentProgId,
                                 korlog::kProgId, korlog::kLibId));
  for (const char* tree : kRegisteredTrees) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Classes(tree))) << tree;
  }
}

TEST_F(WriteRegistrationTest, ClassesKeyWithoutTextCreatesTheKeyOnly) {
  ASSERT_TRUE(WriteClassesKey(nullptr, "KorLog.Component", "CLSID", nullptr));
  int values = 0, subkeys = 0;
  CountKey(HKEY_LOCAL_MACHINE, Classes("KorLog.Component\\CLSID"), values, subkeys);
  EXPECT_EQ(0, values);
  EXPECT_EQ(0, subkeys);
}

TEST_F(WriteRegistrationTest, ClassesKeyRefusesAMissingOrEmptyPath) {
  EXPECT_FALSE(WriteClassesKey(nullptr, nullptr, "CLSID", "x"));
  const StoredValue before = ReadValue(HKEY_LOCAL_MACHINE, "Software\\Classes", nullptr);
  EXPECT_FALSE(WriteClassesKey(nullptr, "", nullptr, "x"));
  const StoredValue after = ReadValue(HKEY_LOCAL_MACHINE, "Software\\Classes", nullptr);
  EXPECT_EQ(before.found, after.found);
  EXPECT_EQ(before.data, after.data);
}

TEST_F(WriteRegistrationTest, ClassesValueNeedsAnExistingKeyAndAllArguments) {
  EXPECT_FALSE(WriteClassesValue(nullptr, "KorLog.Component", "RunAs", "Interactive User"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Classes("KorLog.Component")));

  ASSERT_TRUE(WriteClassesKey(nullptr, "KorLog.Component", nullptr, nullptr));
  EXPECT_FALSE(WriteClassesValue(nullptr, nullptr, "RunAs", "x"));
  EXPECT_FALSE(WriteClassesValue(nullptr, "KorLog.Component", nullptr, "x"));
  EXPECT_FALSE(WriteClassesValue(nullptr, "KorLog.Component", "RunAs", nullptr));
  EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, Classes("KorLog.Component"), "RunAs").found);

  EXPECT_TRUE(WriteClassesValue(nullptr, "KorLog.Component", "RunAs", "x"));
  EXPECT_EQ(std::string("x\0", 2),
            ReadValue(HKEY_LOCAL_MACHINE, Classes("KorLog.Component"), "RunAs").data);
}

TEST(GuidToRegistryString, WritesBracedUpperCaseText) {
  const struct {
    GUID id;
    const char* text;
  } rows[] = {
      {korlog::kClsid, kClsidText},
      {korlog::kIid, kIidText},
      {korlog::kLibId, kLibIdText},
      {GUID{0x0000000a, 0x00b0, 0x0c00, {0, 0xd, 0, 0, 0, 0, 0, 0xef}},
       "{0000000A-00B0-0C00-000D-0000000000EF}"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    char buffer[kGuidTextSize];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_TRUE(GuidToRegistryString(row.id, buffer, sizeof buffer));
    EXPECT_STREQ(row.text, buffer);
  }
}

TEST(GuidToRegistryString, LeavesAnEmptyStringInATooSmallBuffer) {
  char buffer[kGuidTextSize - 1];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_FALSE(GuidToRegistryString(korlog::kClsid, buffer, sizeof buffer));
  EXPECT_STREQ("", buffer);
}

}  // namespace
