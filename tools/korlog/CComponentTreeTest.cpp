// The component tree from "all items" answers: counts, cycles and repeats, failures.

#include <gtest/gtest.h>

#include "tools/korlog/CComponentTree.h"
#include "tools/korlog/COfflineLogClient.h"

namespace {

CComponentTree::ItemSource SourceOf(ILogClient& client) {
  return [&client](int type, const std::string& component) {
    return client.GetAllItems(type, component);
  };
}

}  // namespace

TEST(ComponentTree, CountsEachComponentsItemsByKind) {
  auto log = COfflineLogClient::FromText(
      "[Install]\nA=1\n[A_FILES]\nf1=1\nf2=2\nf3=\n[A_REG]\nr=2\n[A_START]\ns=1\n"
      "[A_SPECIAL]\nk=v\nm=\n");
  const std::optional<CComponentNode> tree = CComponentTree::Build(SourceOf(*log));
  ASSERT_TRUE(tree);
  EXPECT_EQ(tree->name, "Install");
  ASSERT_EQ(tree->children.size(), 1u);
  const CComponentNode& a = tree->children[0];
  EXPECT_EQ(a.name, "a");
  EXPECT_EQ(a.cFiles, 3u);
  EXPECT_EQ(a.cReg, 1u);
  EXPECT_EQ(a.cStart, 1u);
  EXPECT_EQ(a.cSpecial, 2u);
  EXPECT_EQ(a.cChildren, 0u);
}

TEST(ComponentTree, ShowsACycleOnceMarkedAndARepeatWithoutExpandingIt) {
  auto log =
      COfflineLogClient::FromText("[Install]\nA=1\nB=1\n[A]\nC=1\n[C]\nA=1\n[B]\nC=1\nInstall=1\n");
  const std::optional<CComponentNode> tree = CComponentTree::Build(SourceOf(*log));
  ASSERT_TRUE(tree);
  EXPECT_EQ(CComponentTree::ToText(*tree),
            "Install  [files 0, reg 0, start 0, special 0]\n"
            "+---a  [files 0, reg 0, start 0, special 0]\n"
            "|   \\---c  [files 0, reg 0, start 0, special 0]\n"
            "|       \\---a  (cycle)\n"
            "\\---b  [files 0, reg 0, start 0, special 0]\n"
            "    +---c  (shown above)\n"
            "    \\---install  (cycle)\n");
}

TEST(ComponentTree, LeavesOutEntriesThatAreNotLinks) {
  auto log = COfflineLogClient::FromText("[Install]\nA=1\nB=2\nC=-1\nD=\n");
  const std::optional<CComponentNode> tree = CComponentTree::Build(SourceOf(*log));
  ASSERT_TRUE(tree);
  // "items child" lists value 1 and empty values only, as the server answers it.
  ASSERT_EQ(tree->children.size(), 2u);
  EXPECT_EQ(tree->children[0].name, "a");
  EXPECT_EQ(tree->children[1].name, "d");
}

TEST(ComponentTree, FailsWhenAnyCallFails) {
  int cCalls = 0;
  const CComponentTree::ItemSource failing =
      [&cCalls](int, const std::string&) -> std::optional<std::string> {
    if (++cCalls > 10) return std::nullopt;
    return std::string("x\n");  // every component lists x: a long chain of repeats
  };
  EXPECT_FALSE(CComponentTree::Build(failing));
}

TEST(ComponentTree, SplitsAnswersIntoLinesWithoutTheirLineFeeds) {
  EXPECT_EQ(CComponentTree::SplitLines(""), std::vector<std::string>{});
  EXPECT_EQ(CComponentTree::SplitLines("a\nb=c\n"), (std::vector<std::string>{"a", "b=c"}));
  EXPECT_EQ(CComponentTree::SplitLines("a"), std::vector<std::string>{"a"});
}
