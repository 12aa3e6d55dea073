// The install log's client operations: item types through every operation, the link rule,
// the component tree search and the removal of components.
#include <gtest/gtest.h>

#include <string>

#include "installlog/LogFile.h"
#include "installlog/tests/FakeInstallPlatform.h"

namespace {

// A log holding text read as a file would be, with the conversions run.
class LogOperations : public ::testing::Test {
 protected:
  void Read(const std::string& text) {
    m_log.ReadText(text);
    m_log.GroupDriverAndPrinterSections();
    m_log.ConvertLegacySections();
  }

  FakeInstallPlatform m_platform;
  LogFile m_log{m_platform};
};

struct TypeRow {
  int type;
  const char* section;  // for component "C"; null for an invalid type
  const char* value;    // what AddItem stores for item "x"
};

constexpr TypeRow kTypeRows[] = {
    {0, "C", "1"},          {1, "C_FILES", "1"},   {2, "C_FILES", "2"},   {3, "C_REG", "1"},
    {4, "C_REG", "2"},      {5, "C_START", "1"},   {6, "C_START", "2"},   {7, "C_SPECIAL", ""},
    {-1, nullptr, nullptr}, {8, nullptr, nullptr}, {9, nullptr, nullptr},
};

TEST_F(LogOperations, EveryItemTypeThroughEveryOperation) {
  for (const TypeRow& row : kTypeRows) {
    SCOPED_TRACE("type " + std::to_string(row.type));
    FakeInstallPlatform platform;
    LogFile log(platform);
    if (!row.section) {
      EXPECT_FALSE(log.AddItem(row.type, "C", "x"));
      EXPECT_TRUE(log.IsEmpty());
      // Queries with an invalid type look in the component's own section, value number 0.
      ASSERT_TRUE(log.SetValue("C", "x", "v"));
      EXPECT_TRUE(log.HasItem(row.type, "C", "X"));
      EXPECT_EQ(log.GetSpecialItem(row.type, "C", "x"), "v");
      EXPECT_EQ(log.GetMatchingItem(row.type, "C", "X"), "x");
      EXPECT_EQ(log.GetAllItems(row.type, "C"), "x=v\n");
      EXPECT_FALSE(log.RemoveItem(row.type, "C", "x"));
      EXPECT_EQ(log.GetValue("C", "x"), "v");
      EXPECT_FALSE(LogFile::SectionForType(row.type).bValid);
      continue;
    }
    EXPECT_TRUE(LogFile::SectionForType(row.type).bValid);
    EXPECT_TRUE(log.AddItem(row.type, "C", "x"));
    ASSERT_EQ(log.GetCount(), 1u);
    EXPECT_EQ(log.GetAt(log.GetHeadPosition())->name, row.section);
    EXPECT_EQ(log.GetValue(row.section, "x"), row.value);
    EXPECT_TRUE(log.HasItem(row.type, "c", "X"));
    EXPECT_FALSE(log.HasItem(row.type, "C", "y"));
    EXPECT_EQ(log.GetSpecialItem(row.type, "C", "x"), row.value);
    EXPECT_EQ(log.GetMatchingItem(row.type, "C", ""), "x");
    EXPECT_EQ(log.GetMatchingItem(row.type, "C", "y"), "");
    EXPECT_EQ(log.GetAllItems(row.type, "C"), "x\n");
    EXPECT_TRUE(log.RemoveItem(row.type, "C", "x"));
    EXPECT_TRUE(log.IsEmpty());
    EXPECT_FALSE(log.RemoveItem(row.type, "C", "x"));
  }
}

TEST_F(LogOperations, AddingAgainReplacesTheValue) {
  EXPECT_TRUE(m_log.AddItem(1, "C", "C:\\a.dll"));
  EXPECT_TRUE(m_log.AddItem(2, "C", "c:\\A.DLL"));
  EXPECT_EQ(m_log.ToText(), "[C_FILES]\r\nc:\\A.DLL=2\r\n\r\n");
}

TEST_F(LogOperations, AddItemRefusesEmptyKeysAndSectionNames) {
  EXPECT_FALSE(m_log.AddItem(1, "C", ""));
  EXPECT_FALSE(m_log.AddItem(7, "C", "=v"));
  EXPECT_FALSE(m_log.AddItem(0, "", "child"));
  EXPECT_TRUE(m_log.IsEmpty());
  EXPECT_TRUE(m_log.AddItem(1, "", "x"));
  EXPECT_EQ(m_log.GetValue("_FILES", "x"), "1");
}

TEST_F(LogOperations, AddItemRefusesLineBreaksThatWouldForgeTheSavedLog) {
  m_log.AddItem(0, "Install", "Real");
  const std::string before = m_log.ToText();
  const struct {
    int type;
    const char* component;
    const char* item;
  } rows[] = {
      {1, "C", "x\r\n[Install]\r\nEvil=1"},
      {0, "Install", "Evil\n"},
      {7, "C", "k=v\rw"},
      {3, "C\n[Install", "x"},
      {5, "\r", "x"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.item);
    EXPECT_FALSE(m_log.AddItem(row.type, row.component, row.item));
  }
  EXPECT_EQ(m_log.ToText(), before);
  EXPECT_FALSE(m_log.IsInstalled("Evil"));
}

TEST_F(LogOperations, AddItemRefusesSpecialItemsThatWouldSaveAsASectionHeader) {
  EXPECT_TRUE(m_log.AddItem(7, "Victim", "BaseDir=C:\\V"));
  EXPECT_FALSE(m_log.AddItem(7, "Victim", "[Install=x]"));
  EXPECT_FALSE(m_log.AddItem(7, "Victim", " [Install=x] "));
  EXPECT_TRUE(m_log.AddItem(7, "Victim", "[Foo]"));  // saved as "[foo]=", not a header
  EXPECT_TRUE(m_log.AddItem(7, "Victim", "k=[v]"));
  LogFile reread(m_platform);
  reread.ReadText(m_log.ToText());
  EXPECT_EQ(reread.GetSpecialItem(7, "Victim", "BaseDir"), "C:\\V");
  EXPECT_EQ(reread.GetSpecialItem(7, "Victim", "k"), "[v]");
  EXPECT_FALSE(reread.FindSection("Install=x"));
}

TEST_F(LogOperations, SpecialItemsSplitAtTheFirstEquals) {
  EXPECT_TRUE(m_log.AddItem(7, "Sched", "a=b=c"));
  EXPECT_EQ(m_log.GetSpecialItem(7, "Sched", "A"), "b=c");
  EXPECT_FALSE(m_log.RemoveItem(7, "Sched", "a=b=c"));
  EXPECT_TRUE(m_log.RemoveItem(7, "Sched", "a"));
  EXPECT_FALSE(m_log.FindSection("Sched_SPECIAL"));
}

TEST_F(LogOperations, RemoveItemNeedsTheExactValueOfItsType) {
  m_log.AddItem(2, "C", "x");
  EXPECT_FALSE(m_log.RemoveItem(1, "C", "x"));
  EXPECT_EQ(m_log.GetValue("C_FILES", "x"), "2");
  Read("[D_FILES]\ny=1x\n");
  EXPECT_FALSE(m_log.RemoveItem(1, "D", "y"));
}

TEST_F(LogOperations, InstalledThroughInstallIgnoringCase) {
  m_log.AddItem(0, "Install", "Driver");
  EXPECT_TRUE(m_log.IsInstalled("driver"));
  EXPECT_EQ(m_log.GetParent("DRIVER"), "Install");
}

TEST_F(LogOperations, LinkRuleTakesTheLeadingDecimalInteger) {
  const struct {
    const char* value;
    bool bLink;
  } rows[] = {{"", true},
              {"1", true},
              {"2", true},
              {"1x", true},
              {" 7", true},
              {"+3", true},
              {"-1", false},
              {"yes", false},
              {"00", false},
              {"- 1", false},
              {"99999999999999999999999", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string("value '") + row.value + "'");
    FakeInstallPlatform platform;
    LogFile log(platform);
    log.SetValue("Install", "P", "1");
    log.SetValue("P", "child", row.value);
    EXPECT_EQ(log.GetParent("Child"), row.bLink ? "P" : "");
  }
}

TEST_F(LogOperations, ZeroLinksVanishOnLoad) {
  Read("[Install]\nA=0\nB=-1\n");
  EXPECT_FALSE(m_log.IsInstalled("A"));
  EXPECT_FALSE(m_log.IsInstalled("B"));
  EXPECT_EQ(m_log.ToText(), "[Install]\r\nb=-1\r\n\r\n");
}

TEST_F(LogOperations, ParentIsTheKeyFormThatLedThereFirstInWalkOrder) {
  Read(
      "[Install]\nAlpha=1\nBeta=1\n"
      "[alpha]\nShared=1\n"
      "[beta]\nShared=1\n"
      "[Shared]\nLeaf=-1\n"
      "[Leaf]\nLeaf=1\n");
  // 'Leaf' is listed in 'Shared' without a link, so the search goes on into 'Leaf' itself.
  EXPECT_EQ(m_log.GetParent("leaf"), "leaf");
  EXPECT_EQ(m_log.GetParent("shared"), "alpha");
  EXPECT_EQ(m_log.GetParent("Beta"), "Install");
  EXPECT_EQ(m_log.GetParent("nobody"), "");
}

TEST_F(LogOperations, ParentSearchEndsOnCycles) {
  Read(
      "[Install]\nInstall=-1\nA=1\n"
      "[A]\nB=1\nA=-1\n"
      "[B]\nA=1\nInstall=-1\nC=-1\n");
  EXPECT_EQ(m_log.GetParent("B"), "a");
  EXPECT_EQ(m_log.GetParent("C"), "");
  EXPECT_FALSE(m_log.IsInstalled("Z"));
  EXPECT_TRUE(m_log.RemoveComponent("Z"));
  m_log.SetValue("Install", "Install", "1");
  EXPECT_EQ(m_log.GetParent("install"), "Install");
}

TEST_F(LogOperations, ParentSearchWalksAVeryDeepChain) {
  constexpr int kDepth = 100000;
  m_log.SetValue("Install", "N0", "1");
  for (int i = 0; i < kDepth; ++i) {
    m_log.SetValue("N" + std::to_string(i), "N" + std::to_string(i + 1), "1");
  }
  EXPECT_EQ(m_log.GetParent("N" + std::to_string(kDepth)), "N" + std::to_string(kDepth - 1));
  EXPECT_FALSE(m_log.IsInstalled("missing"));
}

TEST_F(LogOperations, RemoveComponentTakesSectionsByBaseName) {
  const char* const kAll[] = {"Foo",     "Foo_FILES",     "FOO_REG",     "Foo_START", "Foo_SPECIAL",
                              "Foo_Bar", "Foo_Bar_FILES", "_Foo",        "Foo2",      "Fo",
                              "Foo_",    "Foo__x",        "Foo X_FILES", "Fop"};
  for (const char* name : kAll) m_log.SetValue(name, "k", "1");
  m_log.SetValue("Install", "Foo", "1");
  EXPECT_TRUE(m_log.RemoveComponent("foo"));
  std::string left;
  for (auto pos = m_log.GetHeadPosition(); pos;) left += m_log.GetNext(pos)->name + " ";
  EXPECT_EQ(left, "_Foo Fo Foo X_FILES Foo2 Foo__x Foo_Bar_FILES Fop ");
}

TEST_F(LogOperations, RemoveComponentWithUnderscoreKeepsItsOwnSection) {
  for (const char* name : {"A_B", "A_B_FILES", "A_B_C_REG"}) m_log.SetValue(name, "k", "1");
  m_log.RemoveComponent("A_B");
  EXPECT_TRUE(m_log.FindSection("A_B"));
  EXPECT_FALSE(m_log.FindSection("A_B_FILES"));
  EXPECT_TRUE(m_log.FindSection("A_B_C_REG"));
}

TEST_F(LogOperations, RemoveComponentDropsOnlyAOneLinkOfTheFirstParent) {
  Read("[Install]\nP=1\nQ=1\n[P]\nC=1\nkeep=1\n[Q]\nC=1\n[C]\nGrandChild=1\n[C_FILES]\nf=1\n");
  EXPECT_TRUE(m_log.RemoveComponent("C"));
  EXPECT_EQ(m_log.GetValue("P", "c"), "");
  EXPECT_EQ(m_log.GetValue("Q", "c"), "1");
  EXPECT_FALSE(m_log.FindSection("C"));
  EXPECT_FALSE(m_log.FindSection("C_FILES"));
  EXPECT_EQ(m_log.GetParent("C"), "q");
}

TEST_F(LogOperations, RemoveComponentLeavesLinksOtherThanOne) {
  for (const char* value : {"2", ""}) {
    SCOPED_TRACE(std::string("link value '") + value + "'");
    FakeInstallPlatform platform;
    LogFile log(platform);
    log.SetValue("Install", "C", value);
    log.SetValue("C_FILES", "f", "1");
    EXPECT_TRUE(log.RemoveComponent("C"));
    EXPECT_TRUE(log.IsInstalled("C"));
    EXPECT_FALSE(log.FindSection("C_FILES"));
  }
}

TEST_F(LogOperations, RemoveComponentRemovesTheEmptiedParentSection) {
  Read("[Install]\nP=1\n[P]\nC=1\n[C]\nx=1\n");
  m_log.RemoveComponent("C");
  EXPECT_FALSE(m_log.FindSection("P"));
  EXPECT_TRUE(m_log.FindSection("Install"));
}

TEST_F(LogOperations, ListsAndMatchesFollowTheValueNumber) {
  Read("[C_FILES]\na=1\nb=\nc=2\nd=2x\n[C_SPECIAL]\nk=v\nm=\n");
  EXPECT_EQ(m_log.GetAllItems(1, "C"), "a\nb\n");
  EXPECT_EQ(m_log.GetAllItems(2, "C"), "c\nd\n");
  EXPECT_EQ(m_log.GetAllItems(7, "C"), "k=v\nm\n");
  EXPECT_EQ(m_log.GetAllItems(1, "Missing"), "");
  EXPECT_EQ(m_log.GetMatchingItem(2, "C", ""), "c");
  EXPECT_EQ(m_log.GetMatchingItem(1, "C", "B"), "b");
  EXPECT_EQ(m_log.GetMatchingItem(1, "C", "c"), "");
}

TEST_F(LogOperations, MatchIgnoresCaseOnBothSidesAndReturnsTheStoredKey) {
  m_log.AddItem(1, "C", "C:\\App\\README.txt");
  EXPECT_EQ(m_log.GetMatchingItem(1, "C", "ReadMe"), "C:\\App\\README.txt");
  EXPECT_EQ(m_log.GetMatchingItem(2, "C", "ReadMe"), "");
}

TEST_F(LogOperations, LoadedNamesPassTheHooks) {
  m_log.SetUninstallerSuffix("2");
  Read("[Uninstaller Files]\na=1\n[UninstallerX]\nb=1\n[Misc]\nPORTWELL=1\nzero=0\n");
  EXPECT_EQ(m_log.ToText(),
            "[Misc]\r\nPortwellUtility=1\r\n\r\n"
            "[Uninstaller2_FILES]\r\na=1\r\n\r\n"
            "[Uninstaller2X]\r\nb=1\r\n\r\n");
  EXPECT_EQ(m_log.UninstallerComponent(), "Uninstaller2");
}

}  // namespace
