// Items of one section: key order under the comparison rule, replacement in place, refusal
// of empty keys, and positions that survive other insertions and removals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ini/BaseIniSection.h"

namespace {

std::string Fold(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> Keys(const BaseIniSection& section) {
  std::vector<std::string> keys;
  for (auto pos = section.GetHeadPosition(); pos;) keys.emplace_back(section.GetNext(pos).key);
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

// Keys that begin alike and end at every length, arriving in any order: a key that is the
// beginning of another comes first, whatever bytes follow it in memory.
TEST(IniSection, OrdersKeysThatBeginOneAnother) {
  const std::string stem = "C:\\Program Files\\Kor\\bin";
  std::vector<std::string> keys{"b", "\xe9"};
  for (size_t cb = 1; cb <= stem.size(); ++cb) {
    for (const std::string& tail :
         {std::string(), std::string("z"), std::string(1, '\0'), std::string("\xe9")}) {
      keys.push_back(stem.substr(0, cb) + tail);
    }
  }
  std::vector<std::string> expected;
  for (const std::string& key : keys) expected.push_back(Fold(key));
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  for (const uint32_t seed : {1u, 2u, 3u, 4u}) {
    std::shuffle(keys.begin(), keys.end(), std::mt19937(seed));
    BaseIniSection section("S");
    for (const std::string& key : keys) section.SetItem(BaseIniItem(key, "v"));
    std::vector<std::string> walked;
    for (const std::string& key : Keys(section)) walked.push_back(Fold(key));
    EXPECT_EQ(walked, expected) << "seed " << seed;
  }
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

namespace {

// Items appended out of order are put in place lazily, long replacements move the text out
// of the item's block, the lookup index is built only when first needed: against a plain
// map, the walk, every held position and every lookup must agree, also when a walk is under
// way while keys arrive. Mostly ascending keys (a log read back) keep the index unbuilt
// until the first lookup at the end of the round.
void Churn(uint32_t seed, bool bMostlyAscending) {
  std::mt19937 rng(seed);
  BaseIniSection section("S");
  std::map<std::string, std::pair<std::string, std::string>> model;  // folded key -> item
  std::map<std::string, BaseIniSection::Position> held;
  auto randomText = [&](size_t maxLen) {
    std::string text(rng() % (maxLen + 1), ' ');
    // A null byte too: it must sort as the smallest byte, not as the end of a key; and a
    // byte above 0x7f, which sorts after all the others.
    static constexpr std::string_view kAlphabet("aBcDeF_xyZ=.\\\0\xe9", 15);
    for (char& c : text) c = kAlphabet[rng() % kAlphabet.size()];
    return text;
  };
  auto check = [&] {
    std::vector<std::string> expected;
    for (const auto& [folded, item] : model) expected.push_back(item.first);
    ASSERT_EQ(Keys(section), expected);
    ASSERT_EQ(section.GetCount(), model.size());
    for (const auto& [folded, item] : model) {
      const auto pos = section.FindItem(folded);
      ASSERT_TRUE(pos == held[folded]);
      ASSERT_EQ(std::string(section.GetAt(pos).value), item.second);
    }
  };
  BaseIniSection::Position walk;  // a walk left half done between steps
  std::string walkedKey;
  int nNext = 0;
  std::string lastKey;
  for (int step = 0; step < 3000; ++step) {
    const uint32_t op = rng() % 10;
    if (op < 6) {
      char ascending[16];
      std::snprintf(ascending, sizeof ascending, "K%06d", nNext++);
      const bool bInOrder = bMostlyAscending && step < 2999 && rng() % 50 != 0;
      // Long shared beginnings, as the paths in a log have, ending at every offset.
      static const char* const kStems[] = {"", "\\Program Files\\Kor\\",
                                           "\\PROGRAM FILES\\KOR\\Bin\\"};
      std::string key = bInOrder ? ascending + randomText(2)
                                 : "k" + std::string(kStems[rng() % 3]) + randomText(6);
      if (!lastKey.empty() && rng() % 8 == 0) {
        key = lastKey;  // the same key again in another case: a replacement, often the last
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
      lastKey = key;
      const std::string value = randomText(op < 3 ? 4 : 80);
      const auto pos = section.SetItem(BaseIniItem(key, value));
      if (held.count(Fold(key))) {
        ASSERT_TRUE(pos == held[Fold(key)]) << "the item moved";
      }
      model[Fold(key)] = {key, value};
      held[Fold(key)] = pos;
    } else if (op < 8 && !held.empty()) {
      auto it = std::next(held.begin(), static_cast<long>(rng() % held.size()));
      if (walk && walk == it->second) walk = BaseIniSection::Position();
      section.RemoveAt(it->second);
      model.erase(it->first);
      held.erase(it);
    } else if (op == 8) {
      walk = section.GetHeadPosition();
      walkedKey.clear();
    } else if (walk) {
      // The walk goes on in key order from where it stood, whatever arrived meanwhile.
      const std::string key(section.GetNext(walk).key);
      ASSERT_LT(walkedKey, Fold(key));
      walkedKey = Fold(key);
      const auto next = model.upper_bound(walkedKey);
      ASSERT_EQ(static_cast<bool>(walk), next != model.end());
      if (walk) {
        ASSERT_EQ(std::string(section.GetAt(walk).key), next->second.first);
      }
    }
    if (!bMostlyAscending && step % 100 == 0) check();
  }
  check();
}

TEST(IniSection, AgreesWithAMapThroughRandomInsertionsReplacementsAndRemovals) {
  for (const uint32_t seed : {20261209u, 7u}) {
    for (const bool bMostlyAscending : {false, true}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << (bMostlyAscending ? " ascending" : ""));
      Churn(seed, bMostlyAscending);
      if (testing::Test::HasFatalFailure()) return;
    }
  }
}

// A caller may store what it has just read from the same item; the text must survive the
// reuse of the item's room.
TEST(IniSection, StoresTextThatIsAViewOfTheSameItem) {
  BaseIniSection section("S");
  const auto pos = section.SetItem(BaseIniItem("Key", "v"));
  section.SetItem(BaseIniItem("KEY", std::string(100, 'w') + "end"));  // text moves out
  IniItemView item = section.GetAt(pos);
  section.SetItem(item.key, item.value.substr(90));
  item = section.GetAt(pos);
  EXPECT_EQ(item.key, "KEY");
  EXPECT_EQ(item.value, "wwwwwwwwwwend");
  section.SetItem(item.value.substr(0, 3), item.value.substr(0, 3));  // a new key, same text
  section.SetItem(item.key, std::string(item.value) + std::string(item.value));
  EXPECT_EQ(section.GetAt(pos).value, "wwwwwwwwwwendwwwwwwwwwwend");
  EXPECT_EQ(section.GetAt(section.FindItem("www")).value, "www");
}

}  // namespace
