// Finding and merging the logs of uninstall directories and the remote copy, against a
// scripted registry and real files in a scratch directory. A value's text names a file as
// "<dir>\unst.exe", so its logs are the files "<dir>\KorFiles.log" and "<dir>\Extra.log".
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "installlog/LogFile.h"
#include "installlog/tests/FakeInstallPlatform.h"

namespace fs = std::filesystem;

namespace {

class LogDiscovery : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("korlog-disc-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    m_oldCwd = fs::current_path();
    fs::current_path(m_dir);  // anything created at a relative path lands here
  }
  void TearDown() override {
    fs::current_path(m_oldCwd);
    fs::remove_all(m_dir);
    EXPECT_EQ(m_platform.cOpenKeys, 0);
  }

  // The Windows path "<dir>\file" in the scratch directory. The directory is made so that
  // the path names a real file under Windows; elsewhere it is a file name beside it.
  std::string WinPath(const std::string& dir, const std::string& file) const {
    fs::create_directories(m_dir / dir);
    return (m_dir / dir).string() + "\\" + file;
  }
  void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  bool Exists(const std::string& path) const { return fs::exists(path); }
  // A value naming "<dir>\unst.exe", with both logs beside it.
  void AddUninstallDir(const std::string& name, const std::string& dir, const std::string& log,
                       const std::string& extra) {
    m_platform.AddString(name, WinPath(dir, "unst.exe"));
    Write(WinPath(dir, "KorFiles.log"), log);
    Write(WinPath(dir, "Extra.log"), extra);
  }

  fs::path m_dir, m_oldCwd;
  FakeInstallPlatform m_platform;
};

TEST_F(LogDiscovery, SuffixIsTheValueNameWithoutItsFirstSevenCharacters) {
  AddUninstallDir("UNSTDIR", "d0", "[Uninstaller Files]\na=1\n", "");
  AddUninstallDir("UNSTDIR2", "d2", "[Uninstaller_FILES]\nb=1\n", "");
  AddUninstallDir("unstdir3", "d3", "[uninstaller_files]\nc=1\n", "");
  AddUninstallDir("OLD_UNSTDIR", "d4", "[Uninstaller_FILES]\nd=1\n", "");
  LogFile log(m_platform);
  log.SetUninstallerSuffix("stale");
  log.Assimilate();
  EXPECT_EQ(log.ToText(),
            "[Uninstaller2_FILES]\r\nb=1\r\n\r\n"
            "[uninstaller3_files]\r\nc=1\r\n\r\n"
            "[Uninstaller_FILES]\r\na=1\r\n\r\n"
            "[UninstallerTDIR_FILES]\r\nd=1\r\n\r\n");
  EXPECT_EQ(log.UninstallerSuffix(), "TDIR");
  // The remote copy read afterwards keeps the last suffix.
  Write("remote.log", "[Uninstaller_REG]\nr=1\n");
  log.Load("remote.log", true);
  EXPECT_EQ(log.GetValue("UninstallerTDIR_REG", "r"), "1");
}

TEST_F(LogDiscovery, FindsNamesContainingUnstdirExceptTheExcludedOne) {
  for (const char* name : {"UNSTDIR", "", "Other", "xUnStDiRy", "unstdir2", "UNSTDI"}) {
    m_platform.AddString(name, "C:\\x\\y.exe");
  }
  std::vector<std::string> names;
  EXPECT_TRUE(FindUninstallDirValues(m_platform, "UNSTDIR2", names, nullptr));
  EXPECT_EQ(names, (std::vector<std::string>{"UNSTDIR", "xUnStDiRy"}));
  names.clear();
  EXPECT_TRUE(FindUninstallDirValues(m_platform, "", names, nullptr));
  EXPECT_EQ(names.size(), 3u);
  EXPECT_EQ(m_platform.opened,
            std::vector<IInstallPlatform::Access>(2, IInstallPlatform::Access::kRead));
}

TEST_F(LogDiscovery, NothingToFindGivesFalse) {
  std::vector<std::string> names;
  m_platform.AddString("Other", "C:\\x\\y.exe");
  EXPECT_FALSE(FindUninstallDirValues(m_platform, "", names, nullptr));
  m_platform.bKeyExists = false;
  EXPECT_FALSE(FindUninstallDirValues(m_platform, "", names, nullptr));
  m_platform.bKeyExists = true;
  m_platform.bQueryInfoFails = true;
  EXPECT_FALSE(FindUninstallDirValues(m_platform, "", names, nullptr));
  EXPECT_TRUE(names.empty());
}

TEST_F(LogDiscovery, EnumerationFailureMergesNothing) {
  AddUninstallDir("UNSTDIR", "d0", "[A]\na=1\n", "[B]\nb=1\n");
  AddUninstallDir("UNSTDIR2", "d2", "[C]\nc=1\n", "");
  m_platform.enumFailAt = 1;
  LogFile log(m_platform);
  log.Assimilate();
  EXPECT_TRUE(log.IsEmpty());
  EXPECT_TRUE(m_platform.deleted.empty());
}

TEST_F(LogDiscovery, UnreachableRegistryMergesNothing) {
  AddUninstallDir("UNSTDIR", "d0", "[A]\na=1\n", "");
  m_platform.bConnectFails = true;
  LogFile log(m_platform);
  log.Assimilate();
  m_platform.bConnectFails = false;
  m_platform.bKeyExists = false;
  log.Assimilate();
  EXPECT_TRUE(log.IsEmpty());
}

TEST_F(LogDiscovery, LaterFilesWinAndZeroValuesDoNotOverride) {
  Write("main.log", "[C_FILES]\nf=1\ng=1\nh=1\nz=1\n");
  AddUninstallDir("UNSTDIR", "d0", "[C_FILES]\nf=2\ng=2\nz=0\n", "[C_FILES]\ng=3\n");
  AddUninstallDir("UNSTDIR9", "d9", "[c_files]\nh=4\n", "[C_FILES]\nh=5\n");
  Write("remote.log", "[C_FILES]\nf=6\n");
  LogFile log("main.log", m_platform);
  log.Assimilate();
  log.Load("remote.log", true);
  EXPECT_EQ(log.ToText(), "[C_FILES]\r\nf=6\r\ng=3\r\nh=5\r\nz=1\r\n\r\n");
}

TEST_F(LogDiscovery, VersionOfTheNamedFileDecidesWhetherLogsAreDeleted) {
  const struct {
    const char* version;  // null: nothing at the path; "-": a file without version block
    bool bDeleted;
  } rows[] = {{"7.2.0.0", false}, {"7.3", true}, {"8.0", true},     {nullptr, true},
              {"7,3,0,0", false}, {"-", false},  {"7.3.0.0", true}, {"6.9", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.version ? row.version : "(missing)");
    FakeInstallPlatform platform;
    platform.AddString("UNSTDIR", WinPath("d", "unst.exe"));
    if (row.version && std::string(row.version) == "-") {
      platform.unversionedFiles.insert(WinPath("d", "unst.exe"));
    } else if (row.version) {
      platform.versions[WinPath("d", "unst.exe")] = row.version;
    }
    Write(WinPath("d", "KorFiles.log"), "[A]\na=1\n");
    fs::remove(WinPath("d", "Extra.log"));
    LogFile log(platform);
    log.Assimilate();
    EXPECT_EQ(log.GetValue("A", "a"), "1");
    EXPECT_EQ(Exists(WinPath("d", "KorFiles.log")), !row.bDeleted);
    // A missing extra log is created by the read and goes again only with the others.
    EXPECT_EQ(Exists(WinPath("d", "Extra.log")), !row.bDeleted);
  }
}

TEST_F(LogDiscovery, VersionThreshold) {
  const struct {
    const char* version;
    bool bCurrent;
  } rows[] = {{"7.2.0.0", false}, {"7.3", true},   {"8.0", true},  {"7,3,0,0", false},
              {"10.0.1", true},   {" 7. 3", true}, {"7", false},   {"", false},
              {"7.x", false},     {"-8.5", false}, {"7.30", true}, {"99999999999.0", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.version);
    m_platform.versions["C:\\v.exe"] = row.version;
    EXPECT_EQ(LogFile(m_platform).IsCurrentVersion("C:\\v.exe"), row.bCurrent);
  }
  EXPECT_TRUE(LogFile(m_platform).IsCurrentVersion("C:\\missing.exe"));
}

TEST_F(LogDiscovery, AdminSharePath) {
  const std::string pc1 = "PC1", empty;
  const struct {
    const char* in;
    const std::string* machine;
    const char* out;
  } rows[] = {{"C:\\Apps\\X\\unst.exe", &pc1, "\\\\PC1\\C$\\Apps\\X\\unst.exe"},
              {"d:", &pc1, "\\\\PC1\\d$"},
              {"C:\\Apps", nullptr, "C:\\Apps"},
              {"C:\\Apps", &empty, "C:\\Apps"},
              {"\\\\srv\\share\\x", &pc1, "\\\\srv\\share\\x"},
              {"C", &pc1, "C"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    std::string path = row.in;
    LogFile::ToAdminSharePath(path, row.machine);
    EXPECT_EQ(path, row.out);
  }
}

TEST_F(LogDiscovery, RemoteMachineReadsThroughItsAdminShare) {
  m_platform.AddString("UNSTDIR", "C:\\Apps\\X\\unst.exe");
  const std::string machine = "PC1";
  LogFile log(m_platform);
  log.Assimilate(&machine);
  EXPECT_EQ(m_platform.machines, (std::vector<std::string>{"PC1", "PC1"}));
  EXPECT_EQ(m_platform.deleted, (std::vector<std::string>{"\\\\PC1\\C$\\Apps\\X\\KorFiles.log",
                                                          "\\\\PC1\\C$\\Apps\\X\\Extra.log"}));
}

TEST_F(LogDiscovery, ValuesThatCannotNameADirectoryAreSkipped) {
  m_platform.AddString("UNSTDIR1", "unst.exe");
  m_platform.AddString("UNSTDIR2", "\\unst.exe");
  m_platform.AddString("UNSTDIR3", "");
  m_platform.values.push_back({"UNSTDIR4", 7, WinPath("d", "unst.exe") + '\0'});  // REG_MULTI_SZ
  LogFile log(m_platform);
  log.Assimilate();
  EXPECT_TRUE(m_platform.deleted.empty());
  EXPECT_FALSE(Exists("\\KorFiles.log"));
  EXPECT_FALSE(Exists("\\Extra.log"));
  EXPECT_EQ(log.UninstallerSuffix(), "");
}

TEST_F(LogDiscovery, ValueDataNeverReadPastTheBuffer) {
  // 259 characters and the zero fit; 260 characters without a zero, or more, do not.
  const std::string dir = (m_dir / "d").string();
  const auto named = [&](size_t length) {
    std::string text = dir + "\\";
    return text + std::string(length - text.size(), 'u');
  };
  m_platform.values.push_back({"UNSTDIR_FULL", 1, named(260)});
  m_platform.values.push_back({"UNSTDIR_LONG", 1, named(300) + '\0'});
  m_platform.values.push_back({"UNSTDIR_FITS", 1, named(259) + '\0'});
  m_platform.values.push_back({"UNSTDIR_NOZERO", 1, named(100)});
  LogFile log(m_platform);
  log.Assimilate();
  EXPECT_EQ(log.UninstallerSuffix(), "_NOZERO");
  EXPECT_EQ(m_platform.deleted,
            (std::vector<std::string>{dir + "\\KorFiles.log", dir + "\\Extra.log",
                                      dir + "\\KorFiles.log", dir + "\\Extra.log"}));
}

TEST_F(LogDiscovery, LoadDeletesOnlyWhatWasReadOrCreated) {
  LogFile log(m_platform);
  // Missing: created empty by the read and deleted again.
  EXPECT_TRUE(log.Load("remote.log", true));
  EXPECT_FALSE(Exists("remote.log"));
  // Read to its end: merged and deleted.
  Write("remote.log", "[A]\na=1\n");
  EXPECT_TRUE(log.Load("remote.log", true));
  EXPECT_FALSE(Exists("remote.log"));
  EXPECT_EQ(log.GetValue("A", "a"), "1");
  // Present but unreadable (here a directory, which fails on the first read): kept.
  fs::create_directory("unreadable.log");
  EXPECT_FALSE(log.Load("unreadable.log", true));
  EXPECT_TRUE(Exists("unreadable.log"));
  EXPECT_EQ(m_platform.deleted, (std::vector<std::string>{"remote.log", "remote.log"}));
  // Without delete a missing file stays behind, empty.
  EXPECT_TRUE(log.Load("kept.log", false));
  EXPECT_TRUE(Exists("kept.log"));
}

TEST_F(LogDiscovery, NameLongerThanFirstReportedIsReadWhole) {
  AddUninstallDir("UNSTDIR", "d0", "[A]\na=1\n", "");
  const std::string longName = "UNSTDIR" + std::string(400, 'L');
  m_platform.beforeEnum = [&](uint32_t index) {
    if (index == 0) m_platform.values[0].name = longName;  // renamed behind our back
  };
  std::vector<std::string> names;
  EXPECT_TRUE(FindUninstallDirValues(m_platform, "", names, nullptr));
  EXPECT_EQ(names, std::vector<std::string>{longName});
}

TEST_F(LogDiscovery, ConstructorReadsAndConvertsTheMainFile) {
  Write("main.log", "[Hexaloom Files]\na=1\n[Driver X_FILES]\nb=0\n");
  LogFile log("main.log", m_platform);
  EXPECT_EQ(log.GetValue("Hexaloom_FILES", "a"), "1");
  EXPECT_EQ(log.GetParent("Driver X"), "Driver");
  LogFile fresh("missing.log", m_platform);
  EXPECT_TRUE(fresh.IsEmpty());
  EXPECT_TRUE(Exists("missing.log"));
}

}  // namespace
