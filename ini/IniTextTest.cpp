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

// The byte-at-a-time rule, written plainly, for the word-at-a-time code to agree with.
unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

int ReferenceCompare(const std::string& a, const std::string& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const int d = Fold(static_cast<unsigned char>(a[i])) - Fold(static_cast<unsigned char>(b[i]));
    if (d != 0) return Sign(d);
  }
  return Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
}

TEST(IniCompare, AgreesWithTheByteRuleForEveryByteAtEveryPlaceInAWord) {
  // Every byte value, at every offset of two words and the tail after them, against each
  // letter case and its neighbours: bytes from 0x80 up whose low seven bits spell a letter
  // (0xC1 is 'A' + 0x80) must neither fold nor carry into the next byte.
  const std::string base = "c:\\program files\\k";  // 19 bytes: two words and a tail
  for (size_t at = 0; at < base.size(); ++at) {
    for (int c = 0; c < 256; ++c) {
      std::string a = base;
      a[at] = static_cast<char>(c);
      for (const char other : {'a', 'A', 'z', 'Z', '@', '[', '`', '{', '\xC1', '\xE1', '\x00'}) {
        std::string b = a;
        b[at] = other;
        SCOPED_TRACE(testing::Message() << "byte " << c << " at " << at << " against " << +other);
        const int expected = ReferenceCompare(a, b);
        ASSERT_EQ(Sign(initext::CompareNoCase(a, b)), expected);
        ASSERT_EQ(Sign(initext::CompareNoCase(b, a)), -expected);
        if (expected == 0) {
          ASSERT_EQ(initext::HashNoCase(a), initext::HashNoCase(b));
        }
      }
      std::string lowered = a, expected = a;
      for (char& ch : expected) ch = static_cast<char>(Fold(static_cast<unsigned char>(ch)));
      initext::MakeLower(lowered);
      ASSERT_EQ(lowered, expected) << "byte " << c << " at " << at;
      for (const size_t cut : {size_t{0}, at}) {  // also shorter than a word, into a longer one
        std::string assigned = "PREVIOUS TEXT, LONGER THAN THIS ONE";
        initext::AssignLower(assigned, std::string_view(a).substr(cut));
        ASSERT_EQ(assigned, expected.substr(cut)) << "byte " << c << " at " << at;
      }
    }
  }
}

TEST(IniCompare, HashesTextsThatCompareEqualAlikeInEitherCodePage) {
  const std::string upper = "HKEY_LOCAL_MACHINE\\SOFTWARE\\KOR\\X",
                    lower = "hkey_local_machine\\software\\kor\\x";
  for (size_t n = 0; n <= upper.size(); ++n) {
    EXPECT_EQ(initext::HashNoCase(upper.substr(0, n)), initext::HashNoCase(lower.substr(0, n)))
        << n;
    if (n > 0) {
      EXPECT_NE(initext::HashNoCase(upper.substr(0, n)),
                initext::HashNoCase(upper.substr(0, n - 1)))
          << n;
    }
  }
  FakeIniPlatform platform;
  platform.UseDoubleByteCodePage();
  // Equal with a double-byte character inside: the trail byte is the same byte in both.
  const std::string a = "x\x81"
                        "aBc",
                    b = "X\x81"
                        "abC";
  ASSERT_EQ(initext::CompareNoCase(a, b), 0);
  EXPECT_EQ(initext::HashNoCase(a), initext::HashNoCase(b));
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
