// `check` against a fake machine: what is reported, what is not.

#include <gtest/gtest.h>

#include <set>

#include "tools/korlog/COfflineLogClient.h"
#include "tools/korlog/COrphanCheck.h"

namespace {

// A machine that has exactly the paths it is given; "?" paths are unknown.
class CFakeMachine final : public IMachineState {
 public:
  explicit CFakeMachine(std::set<std::string> present) : m_present(std::move(present)) {}
  Presence FileState(const std::string& path) override { return StateOf(path); }
  Presence RegistryState(const std::string& path) override { return StateOf(path); }

 private:
  Presence StateOf(const std::string& path) const {
    if (path.find('?') != std::string::npos) return Presence::kUnknown;
    return m_present.count(path) ? Presence::kPresent : Presence::kMissing;
  }
  std::set<std::string> m_present;
};

CComponentTree::ItemSource SourceOf(ILogClient& client) {
  return [&client](int type, const std::string& component) {
    return client.GetAllItems(type, component);
  };
}

}  // namespace

TEST(OrphanCheck, ReportsMissingFilesAndRegistryEntriesOfEveryComponent) {
  auto log = COfflineLogClient::FromText(
      "[Install]\nA=1\n[A]\nB=1\n[A_FILES]\nc:\\kept=1\nc:\\gone=2\nc:\\?=1\n"
      "[A_REG]\nsoftware\\kept=1\nsoftware\\gone=1\n[B_FILES]\nc:\\b=1\n"
      "[Stray_FILES]\nc:\\unlinked=1\n");
  CFakeMachine machine({"c:\\kept", "software\\kept"});
  const std::optional<CCheckReport> report = COrphanCheck::Run(SourceOf(*log), machine);
  ASSERT_TRUE(report);
  EXPECT_EQ(COrphanCheck::ToText(*report),
            "file\ta\tc:\\gone\n"
            "registry\ta\tsoftware\\gone\n"
            "file\tb\tc:\\b\n");
  EXPECT_FALSE(report->IsClean());
}

TEST(OrphanCheck, ReportsLinkedComponentsWithoutAnySection) {
  auto log = COfflineLogClient::FromText(
      "[Install]\nGone=1\nOdd=1\nOwn=1\nSpecial=1\n[Odd_FILES]\nc:\\x=7\n[Own]\nChild=-1\n"
      "[Special_SPECIAL]\nk=v\n");
  CFakeMachine machine({});
  const std::optional<CCheckReport> report = COrphanCheck::Run(SourceOf(*log), machine);
  ASSERT_TRUE(report);
  // Odd's file has a value of no item type: not a recorded file, but its section exists.
  EXPECT_TRUE(report->orphans.empty());
  EXPECT_EQ(report->missingComponents, std::vector<std::string>{"gone"});
}

TEST(OrphanCheck, IsCleanWhenEverythingExists) {
  auto log = COfflineLogClient::FromText("[Install]\nA=1\n[A_FILES]\nc:\\a=1\n");
  CFakeMachine machine({"c:\\a"});
  const std::optional<CCheckReport> report = COrphanCheck::Run(SourceOf(*log), machine);
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->IsClean());
  EXPECT_EQ(COrphanCheck::ToText(*report), "");
}
