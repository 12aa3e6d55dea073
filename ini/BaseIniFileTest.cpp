// The document's operations: sections in case-blind name order, SetValue, GetValue and
// RemoveValue by section and key, and the removal of sections left empty.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ini/BaseIniFile.h"

namespace {

std::vector<std::string> SectionNames(const BaseIniFile& doc) {
  std::vector<std::string> names;
  for (auto pos = doc.GetHeadPosition(); pos;) names.push_back(doc.GetNext(pos)->name);
  return names;
}

TEST(IniDocument, HoldsSectionsInCaseBlindNameOrder) {
  BaseIniFile doc;
  for (const char* name : {"Desktop", "BaseDir", "_dir", "baseDIR", "desk"}) {
    doc.FindOrCreateSection(name);
  }
  EXPECT_EQ(SectionNames(doc), (std::vector<std::string>{"_dir", "BaseDir", "desk", "Desktop"}));
}

TEST(IniDocument, FindOrCreateSectionReturnsTheExistingSectionUnderItsFirstName) {
  BaseIniFile doc;
  BaseIniSection* pInstall = doc.FindOrCreateSection("Install");
  EXPECT_EQ(doc.FindOrCreateSection("INSTALL"), pInstall);
  EXPECT_EQ(pInstall->name, "Install");
  EXPECT_EQ(doc.GetCount(), 1u);
}

TEST(IniDocument, SetValueReplacesAKeyThatDiffersOnlyInCase) {
  BaseIniFile doc;
  EXPECT_TRUE(doc.SetValue("Network", "BaseDir", "1"));
  EXPECT_TRUE(doc.SetValue("NETWORK", "basedir", "2"));
  ASSERT_EQ(SectionNames(doc), std::vector<std::string>{"Network"});
  const BaseIniSection* pSection = doc.GetAt(doc.GetHeadPosition());
  ASSERT_EQ(pSection->GetCount(), 1u);
  EXPECT_EQ(pSection->GetAt(pSection->GetHeadPosition()).key, "basedir");
  EXPECT_EQ(doc.GetValue("network", "BASEDIR"), "2");
}

TEST(IniDocument, SetValueRefusesAnEmptySectionOrKey) {
  BaseIniFile doc;
  EXPECT_FALSE(doc.SetValue("", "key", "v"));
  EXPECT_FALSE(doc.SetValue("S", "", "v"));
  EXPECT_TRUE(doc.IsEmpty());
  EXPECT_TRUE(doc.SetValue("S", "key", ""));
  EXPECT_EQ(doc.GetValue("S", "key"), "");
  EXPECT_TRUE(doc.FindSection("s"));
}

TEST(IniDocument, SetValueStoresKeyAndValueExactlyAsPassed) {
  BaseIniFile doc;
  doc.SetValue("S", " Key", " V ");
  doc.SetValue("S", "Key", "plain");
  EXPECT_EQ(doc.GetValue("S", " key"), " V ");
  EXPECT_EQ(doc.GetValue("S", "KEY"), "plain");
  EXPECT_EQ(doc.GetAt(doc.FindSection("S"))->GetCount(), 2u);
}

TEST(IniDocument, GetValueGivesEmptyForMissingSectionKeyOrValue) {
  BaseIniFile doc;
  doc.SetValue("S", "empty", "");
  doc.SetValue("S", "full", "x");
  for (const auto& [section, key] : std::vector<std::pair<const char*, const char*>>{
           {"T", "full"}, {"S", "missing"}, {"S", "empty"}, {"", ""}}) {
    SCOPED_TRACE(std::string(section) + "/" + key);
    EXPECT_EQ(doc.GetValue(section, key), "");
  }
  EXPECT_EQ(doc.GetValue("s", "FULL"), "x");
}

TEST(IniDocument, RemoveValueComparesTheValueExactly) {
  BaseIniFile doc;
  doc.SetValue("S", "key", "Value");
  doc.SetValue("S", "other", "1");
  EXPECT_FALSE(doc.RemoveValue("S", "KEY", std::string_view("value")));
  EXPECT_EQ(doc.GetValue("S", "key"), "Value");
  EXPECT_TRUE(doc.RemoveValue("s", "KEY", std::string_view("Value")));
  EXPECT_EQ(doc.GetValue("S", "key"), "");
  EXPECT_TRUE(doc.RemoveValue("S", "Other"));  // no value given: removed whatever it is
  EXPECT_FALSE(doc.RemoveValue("S", "other"));
}

TEST(IniDocument, RemoveValueOfTheLastItemRemovesTheSection) {
  BaseIniFile doc;
  doc.SetValue("A", "k", "1");
  doc.SetValue("B", "k", "1");
  EXPECT_TRUE(doc.RemoveValue("a", "k"));
  EXPECT_FALSE(doc.FindSection("A"));
  EXPECT_EQ(SectionNames(doc), std::vector<std::string>{"B"});
}

TEST(IniDocument, RemoveValueOnAnEmptySectionRemovesTheSectionAndReturnsFalse) {
  BaseIniFile doc;
  doc.FindOrCreateSection("Empty");
  doc.SetValue("Full", "k", "1");
  EXPECT_FALSE(doc.RemoveValue("EMPTY", "missing"));
  EXPECT_FALSE(doc.FindSection("Empty"));
  EXPECT_FALSE(doc.RemoveValue("Full", "missing"));  // not empty: stays
  EXPECT_TRUE(doc.FindSection("Full"));
  EXPECT_FALSE(doc.RemoveValue("Nowhere", "k"));
}

TEST(IniDocument, SectionPositionsSurviveOtherSections) {
  BaseIniFile doc;
  doc.SetValue("M", "k", "1");
  const auto pos = doc.FindSection("m");
  for (int i = 0; i < 100; ++i) doc.SetValue((i % 2 ? "A" : "Z") + std::to_string(i), "k", "1");
  doc.RemoveValue("A1", "k");
  doc.RemoveValue("Z0", "k");
  EXPECT_EQ(doc.GetAt(pos)->name, "M");
  EXPECT_EQ(doc.FindSection("M"), pos);
  doc.RemoveAt(pos);
  EXPECT_FALSE(doc.FindSection("M"));
  EXPECT_EQ(doc.GetCount(), 98u);
}

}  // namespace
