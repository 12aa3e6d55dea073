// The conversion of logs written by older installers: golden files read, converted and
// saved, a second pass over a converted log, and the cases the golden files cannot show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ini/IniText.h"
#include "installlog/LegacyTables.h"
#include "installlog/LogFile.h"
#include "installlog/tests/FakeInstallPlatform.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<fs::path> GoldenLogs() {
  std::vector<fs::path> logs;
  for (const auto& entry : fs::directory_iterator(KOR_TESTDATA)) {
    if (entry.path().extension() == ".log") logs.push_back(entry.path());
  }
  std::sort(logs.begin(), logs.end());
  return logs;
}

class LegacyConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("korlog-conv-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  void Read(LogFile& log, const std::string& text) {
    log.ReadText(text);
    log.GroupDriverAndPrinterSections();
    log.ConvertLegacySections();
  }

  fs::path m_dir;
  FakeInstallPlatform m_platform;
};

TEST_F(LegacyConversion, GoldenFilesReadConvertAndSaveToTheirNormalForm) {
  const auto logs = GoldenLogs();
  ASSERT_GE(logs.size(), 5u);
  for (const fs::path& path : logs) {
    SCOPED_TRACE(path.filename().string());
    // Saved in its own place: what the conversion changed must be written even though no
    // client changed anything.
    const fs::path saved = m_dir / path.filename();
    fs::copy_file(path, saved);
    LogFile log(saved.string(), m_platform);
    ASSERT_TRUE(log.Save(saved.string()));
    EXPECT_EQ(Slurp(saved), Slurp(fs::path(path).replace_extension(".expected")));
  }
}

// Every row of every table must show up in some golden file, or the files prove nothing
// about it.
TEST_F(LegacyConversion, GoldenFilesExerciseEveryTableRow) {
  std::string logs, expected;
  for (const fs::path& path : GoldenLogs()) {
    logs += Slurp(path);
    expected += Slurp(fs::path(path).replace_extension(".expected"));
  }
  std::string lowerLogs = logs;
  initext::MakeLower(lowerLogs);
  const auto mentions = [&](std::string text) {
    initext::MakeLower(text);
    return lowerLogs.find(text) != std::string::npos;
  };
  for (const auto& row : legacy::kTitles) {
    EXPECT_TRUE(mentions("[" + std::string(row.pszOldTitle) + "]")) << row.pszOldTitle;
  }
  for (const auto& row : legacy::kSpecialKeys) {
    EXPECT_TRUE(mentions("[" + std::string(row.pszOldSection) + "]")) << row.pszOldSection;
    EXPECT_TRUE(mentions("\n" + std::string(row.pszOldKey) + "=")) << row.pszOldKey;
    EXPECT_NE(expected.find("[" + std::string(row.pszNewSection) + "]"), std::string::npos);
  }
  for (const auto& row : legacy::kStartMenu) {
    EXPECT_TRUE(mentions("\n" + std::string(row.pszKey) + "=")) << row.pszKey;
  }
  for (const auto& row : legacy::kScheduler) {
    EXPECT_TRUE(mentions("\n" + std::string(row.pszOldKey) + "=")) << row.pszOldKey;
    EXPECT_NE(expected.find(std::string(row.pszNewKey) + "="), std::string::npos);
  }
}

// What the reading itself converts differs from the file, though no section or item was
// changed after the reading: the next save in the same place writes it.
TEST_F(LegacyConversion, ConversionsOnReadingAreWrittenByTheNextSave) {
  const struct {
    const char* file;
    const char* saved;
  } rows[] = {
      {"[Hexaloom Files]\r\nt4=1\r\n", "[Hexaloom_FILES]\r\nt4=1\r\n\r\n"},
      {"[A_FILES]\r\nx=1\r\ny=0\r\n", "[A_FILES]\r\nx=1\r\n\r\n"},
      {"[A]\r\nportwell=1\r\n", "[A]\r\nPortwellUtility=1\r\n\r\n"},
  };
  const std::string path = (m_dir / "KorFiles.log").string();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    std::ofstream(path, std::ios::binary) << row.file;
    LogFile log(path, m_platform);
    log.Save(path);
    EXPECT_EQ(Slurp(path), row.saved);
  }
}

TEST_F(LegacyConversion, TablesHaveTheirKnownSizes) {
  EXPECT_EQ(legacy::kTitles.size(), 34u);
  EXPECT_EQ(legacy::kSpecialKeys.size(), 6u);
  EXPECT_EQ(legacy::kStartMenu.size(), 23u);
  EXPECT_EQ(legacy::kScheduler.size(), 3u);
}

TEST_F(LegacyConversion, SecondPassChangesNothingOnConvertedLogs) {
  for (const fs::path& path : GoldenLogs()) {
    SCOPED_TRACE(path.filename().string());
    LogFile log(path.string(), m_platform);
    const std::string once = log.ToText();
    log.GroupDriverAndPrinterSections();
    log.ConvertLegacySections();
    EXPECT_EQ(log.ToText(), once);
  }
}

TEST_F(LegacyConversion, SecondPassResetsDriverEntriesAndDropsEmptyOldSections) {
  LogFile log(m_platform);
  Read(log, "[Driver A_FILES]\nx=1\n[Printer B]\ny=1\n");
  log.SetValue("Driver", "Driver A", "2");
  log.SetValue("Install", "Printer", "2");
  log.FindOrCreateSection("Tunedeck");
  log.FindOrCreateSection("Other");
  log.GroupDriverAndPrinterSections();
  log.ConvertLegacySections();
  EXPECT_EQ(log.GetValue("Driver", "Driver A"), "1");
  EXPECT_EQ(log.GetValue("Install", "Printer"), "1");
  EXPECT_FALSE(log.FindSection("Tunedeck"));
  EXPECT_TRUE(log.FindSection("Other"));
}

TEST_F(LegacyConversion, RemovedDriverGroupComesBackWhileDriverSectionsRemain) {
  LogFile log(m_platform);
  Read(log, "[Driver A_FILES]\nx=1\n");
  ASSERT_EQ(log.GetParent("Driver A"), "Driver");
  log.RemoveComponent("Driver");
  EXPECT_FALSE(log.IsInstalled("Driver"));
  Read(log, "");
  EXPECT_EQ(log.GetParent("Driver"), "Install");
  log.RemoveComponent("Driver A");
  log.RemoveComponent("Driver");
  Read(log, "");
  EXPECT_FALSE(log.IsInstalled("Driver"));
}

TEST_F(LegacyConversion, StartMenuEntriesFollowTheUninstallerSuffix) {
  LogFile log(m_platform);
  log.SetUninstallerSuffix("2");
  Read(log, "[IconPath]\nkorvane=C:\\G\ntool=C:\\G\\Tool.lnk\nnothing=\n");
  EXPECT_EQ(log.ToText(),
            "[Uninstaller2_SPECIAL]\r\nBaseGroup=C:\\G\r\n\r\n"
            "[Uninstaller2_START]\r\nC:\\G\\Tool.lnk=1\r\n\r\n");
}

TEST_F(LegacyConversion, EmptyStartMenuValuesWriteNothing) {
  LogFile log(m_platform);
  Read(log, "[StartMenu]\nkorvane=\nDesktop=\nsnapjoin=C:\\S\n");
  EXPECT_EQ(log.ToText(), "[Snapjoin_START]\r\nC:\\S=2\r\n\r\n");
}

TEST_F(LegacyConversion, KeptSectionKeepsItsOtherKeys) {
  LogFile log(m_platform);
  Read(log, "[Tunedeck]\ntunedeckdir=C:\\T\nextra=1\n");
  EXPECT_EQ(log.ToText(),
            "[Tunedeck]\r\nextra=1\r\n\r\n[Tunedeck_SPECIAL]\r\nBaseDir=C:\\T\r\n\r\n");
}

}  // namespace
