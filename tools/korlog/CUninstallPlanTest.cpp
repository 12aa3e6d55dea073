// The planning rules of `uninstall` that a machine seldom shows: components shared between
// products, cycles, keys holding another product's values, root spellings, failed removals,
// against a fake machine and a log kept by LogFile's own operations.

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "ini/IniText.h"
#include "installlog/LogFile.h"
#include "tools/korlog/CInertInstallPlatform.h"
#include "tools/korlog/CUninstallPlan.h"

namespace {

using State = CUninstallStep::State;
using PathSet = std::set<std::string, initext::LessNoCase>;
using Entry = std::tuple<int, const char*, const char*>;

class CLog final : public ILogClient {
 public:
  explicit CLog(std::initializer_list<Entry> entries) {
    for (const auto& [type, component, item] : entries) m_log.AddItem(type, component, item);
  }
  std::optional<long> AddItem(int t, const std::string& c, const std::string& i) override {
    return m_log.AddItem(t, c, i);
  }
  std::optional<long> RemoveItem(int t, const std::string& c, const std::string& i) override {
    return m_log.RemoveItem(t, c, i);
  }
  std::optional<long> RemoveComponent(const std::string& c) override {
    return m_log.RemoveComponent(c);
  }
  std::optional<long> IsInstalled(const std::string& c) override { return m_log.IsInstalled(c); }
  std::optional<long> HasItem(int t, const std::string& c, const std::string& i) override {
    return m_log.HasItem(t, c, i);
  }
  std::optional<std::string> GetMatchingItem(int t, const std::string& c,
                                             const std::string& s) override {
    return m_log.GetMatchingItem(t, c, s);
  }
  std::optional<std::string> GetSpecialItem(const std::string& c, const std::string& n) override {
    return m_log.GetSpecialItem(7, c, n);
  }
  std::optional<std::string> GetParent(const std::string& c) override { return m_log.GetParent(c); }
  std::optional<std::string> GetAllItems(int t, const std::string& c) override {
    return m_log.GetAllItems(t, c);
  }
  std::optional<std::string> ShutDown(long) override { return std::string(); }
  std::string ErrorText() const override { return {}; }

 private:
  CInertInstallPlatform m_platform;
  LogFile m_log{m_platform};
};

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// A machine of the paths, keys ("HKLM\...") and values ("HKLM\key\name") it is given.
class CMachine final : public IUninstallMachine {
 public:
  PathSet files, folders, keys, values;
  PathSet failing;  // removals that are denied

  Places SystemPlaces() override {
    Places places;
    places.folders = {"C:\\Program Files"};
    places.parents = {"C:\\Windows"};
    places.strCommonPrograms = "C:\\Menu";
    places.strUserPrograms = "C:\\UserMenu";
    return places;
  }
  Kind PathKind(const std::string& path) override {
    if (files.count(path)) return Kind::kFile;
    return folders.count(path) ? Kind::kFolder : Kind::kMissing;
  }
  std::optional<std::vector<std::string>> FolderEntries(const std::string& path) override {
    std::vector<std::string> names;
    for (const PathSet* pSet : {&files, &folders}) {
      for (const std::string& entry : *pSet) {
        if (initext::EqualsNoCase(ParentOf(entry), path)) names.push_back(NameOf(entry));
      }
    }
    return names;
  }
  bool RemoveFile(const std::string& path, std::string& error) override {
    if (failing.count(path)) {
      error = "access denied";
      return false;
    }
    return files.erase(path) == 1;
  }
  bool RemoveFolder(const std::string& path, std::string& error) override {
    if (!FolderEntries(path)->empty()) {
      error = "not empty";
      return false;
    }
    return folders.erase(path) == 1;
  }
  bool KeyExists(const std::string& root, const std::string& key) override {
    return keys.count(root + "\\" + key) != 0;
  }
  bool ValueExists(const std::string& root, const std::string& key,
                   const std::string& name) override {
    return values.count(root + "\\" + key + "\\" + name) != 0;
  }
  std::optional<std::vector<std::string>> Subkeys(const std::string& root,
                                                  const std::string& key) override {
    std::vector<std::string> names;
    for (const std::string& entry : keys) {
      if (initext::EqualsNoCase(ParentOf(entry), root + "\\" + key)) {
        names.push_back(NameOf(entry));
      }
    }
    return names;
  }
  bool RemoveValue(const std::string& root, const std::string& key, const std::string& name,
                   std::string&) override {
    return values.erase(root + "\\" + key + "\\" + name) == 1;
  }
  bool RemoveKey(const std::string& root, const std::string& key, std::string& error) override {
    if (!Subkeys(root, key)->empty()) {
      error = "has subkeys";
      return false;
    }
    for (auto it = values.begin(); it != values.end();) {
      it = initext::EqualsNoCase(ParentOf(*it), root + "\\" + key) ? values.erase(it) : ++it;
    }
    return keys.erase(root + "\\" + key) == 1;
  }
};

CUninstallPlan MakePlan(CLog& log, CMachine& machine, const std::string& component) {
  std::string error;
  std::optional<CUninstallPlan> plan = CUninstallPlan::Make(log, machine, component, error);
  EXPECT_TRUE(plan) << error;
  return plan ? *plan : CUninstallPlan();
}

}  // namespace

TEST(UninstallPlan, KeepsAChildComponentThatAnotherProductAlsoLists) {
  CLog log({{0, "Install", "A"},
            {0, "Install", "B"},
            {0, "A", "Runtime"},
            {0, "B", "Runtime"},
            {0, "Runtime", "RuntimeDocs"},
            {0, "A", "AOnly"},
            {1, "Runtime", "C:\\Rt\\rt.dll"},
            {1, "RuntimeDocs", "C:\\Rt\\rt.chm"},
            {1, "AOnly", "C:\\A\\a.dll"}});
  CMachine machine;
  machine.files = {"C:\\Rt\\rt.dll", "C:\\Rt\\rt.chm", "C:\\A\\a.dll"};
  const CUninstallPlan plan = MakePlan(log, machine, "A");
  EXPECT_EQ(plan.Components(), (std::vector<std::string>{"AOnly", "A"}));
  EXPECT_EQ(plan.ToText(),
            "remove     component      AOnly\n"
            "remove     component      A\n"
            "kept       component      Runtime  (listed by B)\n"
            "kept       component      RuntimeDocs  (listed by Runtime)\n"
            "remove     file           C:\\A\\a.dll\n");
  EXPECT_TRUE(plan.IsComplete());
}

TEST(UninstallPlan, VisitsEachComponentOfACycleOnce) {
  CLog log({{0, "Install", "A"},
            {0, "A", "B"},
            {0, "B", "A"},
            {0, "B", "b"},
            {1, "A", "C:\\A\\a.dll"},
            {1, "B", "C:\\A\\b.dll"}});
  CMachine machine;
  machine.files = {"C:\\A\\a.dll", "C:\\A\\b.dll"};
  const CUninstallPlan plan = MakePlan(log, machine, "A");
  EXPECT_EQ(plan.Components(), (std::vector<std::string>{"B", "A"}));
  ASSERT_EQ(plan.Steps().size(), 2u);
  EXPECT_EQ(plan.Steps()[0].target, "C:\\A\\b.dll");
}

TEST(UninstallPlan, KeepsAKeyThatHoldsAnotherProductsValue) {
  CLog log({{0, "Install", "A"},
            {0, "Install", "B"},
            {4, "A", "HKEY_LOCAL_MACHINE\\Software\\Kor"},
            {3, "A", "HKLM\\Software\\Kor\\AValue"},
            {3, "B", "Software\\Kor\\BValue"},
            {4, "A", "HKLM\\Software\\Shared"},
            {4, "B", "HKEY_LOCAL_MACHINE\\SOFTWARE\\shared\\"}});
  CMachine machine;
  machine.keys = {"HKLM\\Software\\Kor", "HKLM\\Software\\Shared"};
  machine.values = {"HKLM\\Software\\Kor\\AValue", "HKLM\\Software\\Kor\\BValue"};
  const CUninstallPlan plan = MakePlan(log, machine, "A");
  EXPECT_EQ(plan.ToText(),
            "remove     component      A\n"
            "remove     registry value HKLM\\Software\\Kor\\AValue\n"
            "kept       registry key   HKLM\\Software\\Kor  (holds HKLM\\Software\\Kor\\BValue "
            "recorded by B)\n"
            "kept       registry key   HKLM\\Software\\Shared  (recorded by B)\n");
  EXPECT_TRUE(plan.IsComplete());
}

TEST(UninstallPlan, TakesAValueEntryThatNamesAKeyAsTheKey) {
  CLog log({{0, "Install", "A"}, {3, "A", "HKCU\\Software\\Kor\\Settings"}});
  CMachine machine;
  machine.keys = {"HKCU\\Software\\Kor", "HKCU\\Software\\Kor\\Settings"};
  CUninstallPlan plan = MakePlan(log, machine, "A");
  ASSERT_EQ(plan.Steps().size(), 1u);
  EXPECT_EQ(plan.Steps()[0].kind, CUninstallStep::Kind::kRegKey);
  std::string error;
  ASSERT_TRUE(plan.Execute(log, machine, error));
  EXPECT_EQ(machine.keys, PathSet{"HKCU\\Software\\Kor"});
  EXPECT_EQ(log.IsInstalled("A"), 0);
}

TEST(UninstallPlan, AFailedRemovalKeepsTheItemAndTheLinksUpToTheTop) {
  CLog log({{0, "Install", "A"},
            {0, "A", "Child"},
            {0, "Child", "Leaf"},
            {1, "Leaf", "C:\\App\\locked.dll"},
            {1, "Leaf", "C:\\App\\free.dll"},
            {2, "Leaf", "C:\\App"},
            {1, "A", "C:\\App\\a.exe"}});
  CMachine machine;
  machine.folders = {"C:\\App"};
  machine.files = {"C:\\App\\locked.dll", "C:\\App\\free.dll", "C:\\App\\a.exe"};
  machine.failing = {"C:\\App\\locked.dll"};
  CUninstallPlan plan = MakePlan(log, machine, "A");
  EXPECT_TRUE(plan.IsComplete());
  std::string error;
  ASSERT_TRUE(plan.Execute(log, machine, error));
  EXPECT_FALSE(plan.IsComplete());
  EXPECT_EQ(plan.ToText(),
            "kept       component      Leaf  (keeps what stays)\n"
            "kept       component      Child  (keeps what stays)\n"
            "kept       component      A  (keeps what stays)\n"
            "removed    file           C:\\App\\free.dll\n"
            "failed     file           C:\\App\\locked.dll  (access denied)\n"
            "removed    file           C:\\App\\a.exe\n"
            "not empty  folder         C:\\App\n");
  EXPECT_EQ(machine.files, PathSet{"C:\\App\\locked.dll"});
  EXPECT_EQ(log.GetAllItems(1, "Leaf"), "C:\\App\\locked.dll\n");
  EXPECT_EQ(log.GetAllItems(2, "Leaf"), "C:\\App\n");
  EXPECT_EQ(log.GetAllItems(1, "A"), "");
  EXPECT_EQ(log.GetParent("Leaf"), "Child");
  EXPECT_EQ(log.GetParent("Child"), "A");
  EXPECT_EQ(log.IsInstalled("A"), 1);
}

TEST(UninstallPlan, FindsRelativeStartMenuEntriesBelowBothProgramsFolders) {
  CLog log({{0, "Install", "A"}, {5, "A", "Kor\\Kor.lnk"}, {6, "A", "Kor"}});
  CMachine machine;
  machine.folders = {"C:\\Menu\\Kor", "C:\\UserMenu\\Kor"};
  machine.files = {"C:\\Menu\\Kor\\Kor.lnk", "C:\\UserMenu\\Kor\\Kor.lnk"};
  CUninstallPlan plan = MakePlan(log, machine, "A");
  std::string error;
  ASSERT_TRUE(plan.Execute(log, machine, error));
  EXPECT_TRUE(machine.files.empty());
  EXPECT_TRUE(machine.folders.empty());
  EXPECT_TRUE(plan.IsComplete());
}

TEST(UninstallPlan, KnowsAComponentOfSpecialItemsOnly) {
  CLog log({{0, "Install", "A"}, {7, "Settings", "k=v"}});
  CMachine machine;
  EXPECT_TRUE(MakePlan(log, machine, "Nothing").IsUnknown());
  EXPECT_FALSE(MakePlan(log, machine, "Settings").IsUnknown());
  EXPECT_FALSE(MakePlan(log, machine, "A").IsUnknown());
}
