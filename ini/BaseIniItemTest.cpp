// Items parsed from a line of text, and items built from key and value.
#include <gtest/gtest.h>

#include <string>

#include "ini/BaseIniItem.h"
#include "ini/FakeIniPlatform.h"

namespace {

struct LineRow {
  const char* line;
  const char* key;
  const char* value;
};

TEST(IniItemFromLine, SplitsAtFirstEqualsStripsAndLowerCasesTheKey) {
  const LineRow rows[] = {
      {"Key=Value", "key", "Value"},
      {"  BaseDir \t=  C:\\Kor Dir  ", "basedir", "C:\\Kor Dir"},
      {"a = b = c ", "a", "b = c"},  // the value keeps the second '=' and its spaces
      {"NoEquals", "noequals", ""},
      {"[Header] ; note", "[header] ; note", ""},
      {"=value", "", "value"},
      {"key=", "key", ""},
      {"key=v;comment", "key", "v;comment"},
      {"#Hash=1", "#hash", "1"},
      {"[]", "[]", ""},
  };
  for (const LineRow& row : rows) {
    SCOPED_TRACE(row.line);
    const BaseIniItem item = BaseIniItem::FromLine(row.line);
    EXPECT_EQ(item.key, row.key);
    EXPECT_EQ(item.value, row.value);
  }
}

TEST(IniItemFromLine, SkipsAnEqualsThatIsATrailByte) {
  FakeIniPlatform platform;
  platform.UseDoubleByteCodePage();
  const BaseIniItem item = BaseIniItem::FromLine("\x81=K=V");
  EXPECT_EQ(item.key, "\x81=k");
  EXPECT_EQ(item.value, "V");
}

TEST(IniItem, TakesKeyAndValueExactlyAsPassed) {
  const BaseIniItem item(" Key ", " Value ");
  EXPECT_EQ(item.key, " Key ");
  EXPECT_EQ(item.value, " Value ");
  BaseIniItem copy;
  copy = item;
  const BaseIniItem& self = copy;
  copy = self;  // assigning an item to itself changes nothing
  EXPECT_EQ(copy.key, " Key ");
  EXPECT_EQ(copy.value, " Value ");
}

}  // namespace
