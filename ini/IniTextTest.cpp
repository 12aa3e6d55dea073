// The store's one comparison rule, lower-casing, stripping and the '=' search, in single-
// and double-byte code pages.
#include <gtest/gtest.h>

#include <string>

#include "ini/FakeIniPlatform.h"
#include "ini/IniText.h"

namespace {

int Sign(int n) { return (n > 0) - (n < 0); }

struct CompareRow {
  const char* a;
  const char* b;
  int expected;
};

TEST(IniCompare, IgnoresAsciiCaseAndOrdersUnsignedBytes) {
  const CompareRow rows[] = {
      {"Driver", "DRIVER", 0},
      {"", "", 0},
      {"", "a", -1},
      {"abc", "ab", 1},         // a prefix is the smaller
      {"key ", "key", 1},       // a trailing space makes a different key
      {"_dir", "BaseDir", -1},  // '_' (0x5F) sorts before every letter, folded or not
      {"_", "a", -1},
      {"Z", "_", 1},
      {"[", "a", -1},       // '[' (0x5B) sits between the cases and does not fold
      {"\xE9", "\xC9", 1},  // letters outside ASCII keep their bytes
      {"\x80", "z", 1},     // unsigned: high bytes are the greatest
      {"configure", "Desktop", -1},
      {"Desktop", "directory", -1},
  };
  for (const CompareRow& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " <> " + row.b);
    EXPECT_EQ(Sign(initext::CompareNoCase(row.a, row.b)), row.expected);
    EXPECT_EQ(Sign(initext::CompareNoCase(row.b, row.a)), -row.expected);
  }
}

TEST(IniCompare, TakesDoubleByteCharactersAsWholeUnits) {
  FakeIniPlatform platform;
  platform.UseDoubleByteCodePage();
  const CompareRow rows[] = {
      {"\x81"
       "A",
       "\x81"
       "a",
       -1},  // a trail byte is never folded
      {"\x81"
       "Ax",
       "\x81"
       "AX",
       0},  // but the letter after the character is
      {"\x81"
       "A",
       "\x81", 1},  // a lone lead byte at the end is a unit of its own
      {"\x81"
       "A",
       "\xFF", 1},  // a double-byte unit outranks every single byte
      {"\x9F"
       "\x40",
       "\xE0"
       "\x40",
       -1},
  };
  for (const CompareRow& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " <> " + row.b);
    EXPECT_EQ(Sign(initext::CompareNoCase(row.a, row.b)), row.expected);
    EXPECT_EQ(Sign(initext::CompareNoCase(row.b, row.a)), -row.expected);
  }
}

TEST(IniText, LowerCasesAsciiAndKeepsDoubleByteCharactersWhole) {
  std::string plain = "C:\\Program FILES\\\xC9t\xE9";
  initext::MakeLower(plain);
  EXPECT_EQ(plain, "c:\\program files\\\xC9t\xE9");

  FakeIniPlatform platform;
  platform.UseDoubleByteCodePage();
  std::string wide =
      "\x81"
      "AB\x82"
      "Z";
  initext::MakeLower(wide);
  EXPECT_EQ(wide,
            "\x81"
            "Ab\x82"
            "Z");
}

TEST(IniText, FindsTheFirstEqualsThatIsNotATrailByte) {
  EXPECT_EQ(initext::FindEquals("a=b=c"), 1u);
  EXPECT_EQ(initext::FindEquals("abc"), std::string::npos);
  EXPECT_EQ(initext::FindEquals("\x81=x"), 1u);  // no double-byte code page here
  FakeIniPlatform platform;
  platform.UseDoubleByteCodePage();
  EXPECT_EQ(initext::FindEquals("\x81=x=y"), 3u);
  EXPECT_EQ(initext::FindEquals("\x81="), std::string::npos);
}

TEST(IniText, StripsTheSixWhiteSpaceBytesOnly) {
  EXPECT_EQ(initext::Trim(" \t\n\v\f\rkey \x01 \r\n"), "key \x01");
  EXPECT_EQ(initext::Trim("\xA0x\xA0"), "\xA0x\xA0");
  EXPECT_EQ(initext::Trim(" \t "), "");
}

}  // namespace
