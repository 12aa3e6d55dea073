// Items of one section: key order under the comparison rule, replacement in place, refusal
// of empty keys, and positions that survive other insertions and removals.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "ini/BaseIniSection.h"

namespace {

std::vector<std::string> Keys(const BaseIniSection& section) {
  std::vector<std::string> keys;
  for (auto pos = section.GetHeadPosition(); pos;) keys.push_back(section.GetNext(pos).key);
  return keys;
}

TEST(IniSection, HoldsItemsInCaseBlindKeyOrder) {
  BaseIniSection section("S");
  for (const char* key : {"directory", "configure", "Desktop", "_x", "a", "A1"}) {
    EXPECT_TRUE(section.SetItem(BaseIniItem(key, "v")));
  }
  EXPECT_EQ(Keys(section),
            (std::vector<std::string>{"_x", "a", "A1", "configure", "Desktop", "directory"}));
  EXPECT_EQ(section.GetCount(), 6u);
}

TEST(IniSection, ReplacesKeyTextAndValueOfAnEqualKeyInPlace) {
  BaseIniSection section("S");
  section.SetItem(BaseIniItem("a", "1"));
  const auto pos = section.SetItem(BaseIniItem("BaseDir", "old"));
  section.SetItem(BaseIniItem("z", "1"));
  const auto replaced = section.SetItem(BaseIniItem("BASEDIR", "new"));
  EXPECT_EQ(replaced, pos);
  EXPECT_EQ(section.GetCount(), 3u);
  EXPECT_EQ(section.GetAt(pos).key, "BASEDIR");
  EXPECT_EQ(section.GetAt(pos).value, "new");
  EXPECT_EQ(Keys(section), (std::vector<std::string>{"a", "BASEDIR", "z"}));
}

TEST(IniSection, RefusesAnEmptyKey) {
  BaseIniSection section("S");
  section.SetItem(BaseIniItem("k", "v"));
  EXPECT_FALSE(section.SetItem(BaseIniItem("", "v")));
  EXPECT_EQ(Keys(section), std::vector<std::string>{"k"});
}

TEST(IniSection, KeepsKeysThatDifferOnlyInWhiteSpaceApart) {
  BaseIniSection section("S");
  section.SetItem(BaseIniItem(" key", "1"));
  section.SetItem(BaseIniItem("key", "2"));
  section.SetItem(BaseIniItem("key ", "3"));
  EXPECT_EQ(Keys(section), (std::vector<std::string>{" key", "key", "key "}));
}

TEST(IniSection, FindsKeysIgnoringCaseOnly) {
  BaseIniSection section("S");
  for (const char* key : {"alpha", "Beta", "gamma"}) section.SetItem(BaseIniItem(key, key));
  struct Row {
    const char* key;
    const char* found;  // nullptr: no position
  } rows[] = {{"ALPHA", "alpha"}, {"beta", "Beta"},   {"Gamma", "gamma"},
              {"gamm", nullptr},  {"beta ", nullptr}, {"", nullptr}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    const auto pos = section.FindItem(row.key);
    ASSERT_EQ(static_cast<bool>(pos), row.found != nullptr);
    if (row.found) {
      EXPECT_EQ(section.GetAt(pos).value, row.found);
    }
  }
}

TEST(IniSection, PositionsSurviveOtherInsertionsAndRemovals) {
  BaseIniSection section("S");
  const auto kept = section.SetItem(BaseIniItem("m", "kept"));
  std::vector<BaseIniSection::Position> others;
  for (int i = 0; i < 200; ++i) {
    const std::string key = (i % 2 ? "a" : "z") + std::to_string(i);
    others.push_back(section.SetItem(BaseIniItem(key, "x")));
  }
  for (size_t i = 0; i < others.size(); i += 3) section.RemoveAt(others[i]);
  EXPECT_EQ(section.GetAt(kept).value, "kept");
  EXPECT_EQ(section.FindItem("M"), kept);
  auto pos = kept;
  section.GetNext(pos);
  ASSERT_TRUE(pos);
  EXPECT_EQ(section.GetAt(pos).key.front(), 'z');
}

TEST(IniSection, GetNextEndsWithNoPositionAfterTheLast) {
  BaseIniSection section("S");
  EXPECT_FALSE(section.GetHeadPosition());
  section.SetItem(BaseIniItem("only", "1"));
  auto pos = section.GetHeadPosition();
  EXPECT_EQ(section.GetNext(pos).key, "only");
  EXPECT_FALSE(pos);
  EXPECT_EQ(pos, BaseIniSection::Position());
  section.RemoveAll();
  EXPECT_TRUE(section.IsEmpty());
}

}  // namespace

namespace {

// Lookups go through a hash index beside the ordered list: after heavy churn every key
// must still be found, in any case, and no removed key.
TEST(IniSection, FindsEveryKeyInAnyCaseAfterManyInsertionsAndRemovals) {
  BaseIniSection section("S");
  std::vector<std::string> keys;
  for (int i = 0; i < 3000; ++i) keys.push_back("Key" + std::to_string(i * 7919 % 3001));
  std::vector<BaseIniSection::Position> positions;
  for (const std::string& key : keys) positions.push_back(section.SetItem(BaseIniItem(key, key)));
  for (size_t i = 0; i < keys.size(); i += 2) section.RemoveAt(positions[i]);
  for (size_t i = 0; i < keys.size(); i += 4) section.SetItem(BaseIniItem(keys[i], "again"));
  for (size_t i = 0; i < keys.size(); ++i) {
    std::string upper = keys[i];
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto pos = section.FindItem(upper);
    const bool bPresent = i % 2 == 1 || i % 4 == 0;
    ASSERT_EQ(static_cast<bool>(pos), bPresent) << keys[i];
    if (bPresent) {
      EXPECT_EQ(section.GetAt(pos).value, i % 2 ? keys[i] : "again");
    }
  }
  EXPECT_EQ(section.GetCount(), keys.size() / 2 + keys.size() / 4);
}

}  // namespace
