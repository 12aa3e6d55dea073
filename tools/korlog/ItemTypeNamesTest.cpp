// Item types by number and by name.

#include <gtest/gtest.h>

#include "tools/korlog/ItemTypeNames.h"

TEST(ItemTypeNames, ParsesNumbersAndNamesIgnoringCase) {
  const struct {
    const char* pszText;
    std::optional<int> expected;
  } rows[] = {
      {"0", 0},
      {"7", 7},
      {"child", 0},
      {"FILES", 1},
      {"files2", 2},
      {"Reg", 3},
      {"reg2", 4},
      {"start", 5},
      {"START2", 6},
      {"special", 7},
      {"files1", 1},
      {"8", std::nullopt},
      {"-1", std::nullopt},
      {"07", std::nullopt},
      {"", std::nullopt},
      {"file", std::nullopt},
      {"specials", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pszText);
    EXPECT_EQ(itemtypes::Parse(row.pszText), row.expected);
  }
}

TEST(ItemTypeNames, NamesEveryTypeSoThatTheNameParsesBack) {
  for (int type = 0; type <= 7; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(itemtypes::Parse(itemtypes::Name(type)), type);
  }
  EXPECT_EQ(itemtypes::Name(9), "9");
}
