// Writing a document: the normal form on disk, the empty document, and the atomic
// replacement that never leaves a torn or half-written log behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "ini/BaseIniFile.h"
#include "ini/FakeIniPlatform.h"
#include "ini/ScratchDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

const char kOldLog[] = "[Old]\r\nkey=old value\r\n\r\n";

BaseIniFile& NewDocument() {
  static BaseIniFile doc;
  if (doc.IsEmpty()) {
    doc.SetValue("Install", "KorViewer", "1");
    doc.SetValue("KorViewer_FILES", "C:\\Kor\\a.dll", "1");
    doc.FindOrCreateSection("Empty");
  }
  return doc;
}

const char kNewLog[] =
    "[Empty]\r\n\r\n[Install]\r\nKorViewer=1\r\n\r\n[KorViewer_FILES]\r\nC:\\Kor\\a.dll=1\r\n\r\n";

#ifndef _WIN32
// Sets or clears the immutable flag of a directory (chattr +i): nothing may be created,
// renamed or removed in it, not even by root. False when the file system or the process's
// capabilities refuse it.
bool SetImmutable(const fs::path& path, bool bImmutable) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool bOk = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (bOk) {
    flags = bImmutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    bOk = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return bOk;
}
#endif

size_t FilesIn(const ScratchDir& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Root())) ++n;
  return n;
}

TEST(IniSave, WritesTheNormalFormWithCrLf) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  ASSERT_TRUE(NewDocument().Save(log));
  EXPECT_EQ(ReadBytes(log), kNewLog);
  EXPECT_EQ(FilesIn(dir), 1u);  // no temporary file left beside it
}

TEST(IniSave, WritesLineFeedsInsideTextAsCrLfAndEscapesNothing) {
  BaseIniFile doc;
  doc.SetValue("S", "Key=x", " two\nlines ");
  EXPECT_EQ(doc.ToText(), "[S]\r\nKey=x= two\r\nlines \r\n\r\n");
}

TEST(IniSave, EmptyDocumentLeavesAnEmptyFileAndFails) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  BaseIniFile doc;
  EXPECT_FALSE(doc.Save(log));
  EXPECT_TRUE(fs::exists(log));
  EXPECT_EQ(fs::file_size(log), 0u);
}

TEST(IniSave, CreatesAMissingFile) {
  ScratchDir dir;
  ASSERT_TRUE(NewDocument().Save(dir.Path("new.log")));
  EXPECT_EQ(ReadBytes(dir.Path("new.log")), kNewLog);
}

TEST(IniSave, FailsIntoAMissingDirectory) {
  ScratchDir dir;
  EXPECT_FALSE(NewDocument().Save(dir.Path("missing/new.log")));
  EXPECT_EQ(FilesIn(dir), 0u);
}

TEST(IniSave, KeepsTheOldFileWhenTheTemporaryFileCannotBeCreated) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  fs::create_directory(log + ".tmp");  // a directory in the temporary file's place
  EXPECT_FALSE(NewDocument().Save(log));
  EXPECT_EQ(ReadBytes(log), kOldLog);
  EXPECT_TRUE(fs::is_directory(log + ".tmp"));
  EXPECT_EQ(FilesIn(dir), 2u);
}

TEST(IniSave, KeepsAReadOnlyTargetAndRemovesTheTemporaryFile) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  fs::permissions(log, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(NewDocument().Save(log));
  fs::permissions(log, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(ReadBytes(log), kOldLog);
  EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(IniSave, KeepsTheOldFileInAnUnwritableDirectory) {
#ifdef _WIN32
  GTEST_SKIP() << "directories have no write permission on Windows";
#else
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  // Permissions do not stop root, which is how CI runs: its directory is made immutable.
  const bool bRoot = ::geteuid() == 0;
  if (bRoot) {
    ASSERT_TRUE(SetImmutable(dir.Root(), true))
        << "root cannot make a directory immutable here, so the case cannot be set up";
  } else {
    fs::permissions(dir.Root(), fs::perms::owner_read | fs::perms::owner_exec);
  }
  const bool bSaved = NewDocument().Save(log);
  if (bRoot) {
    SetImmutable(dir.Root(), false);
  } else {
    fs::permissions(dir.Root(), fs::perms::owner_all);
  }
  EXPECT_FALSE(bSaved);
  EXPECT_EQ(ReadBytes(log), kOldLog);
  EXPECT_EQ(FilesIn(dir), 1u);
#endif
}

TEST(IniSave, KeepsTheOldFileWhenTheCommitFails) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  FakeIniPlatform platform;
  platform.m_bFailCommit = true;
  EXPECT_FALSE(NewDocument().Save(log));
  EXPECT_EQ(platform.m_cReplaces, 0);
  EXPECT_EQ(ReadBytes(log), kOldLog);
  EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(IniSave, KeepsTheOldFileWhenTheReplacementFails) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  FakeIniPlatform platform;
  platform.m_replaceError = 5;
  EXPECT_FALSE(NewDocument().Save(log));
  EXPECT_EQ(platform.m_cCommits, 1);
  EXPECT_EQ(ReadBytes(log), kOldLog);
  EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(IniSave, RewritesInPlaceWhenAnotherProcessHoldsTheFile) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, std::string(kOldLog) + std::string(4096, 'x'));  // longer than the new log
  FakeIniPlatform platform;
  platform.m_replaceError = 32;
  platform.m_refusedTarget = log;
  platform.m_bSharing = true;
  EXPECT_TRUE(NewDocument().Save(log));
  EXPECT_EQ(ReadBytes(log), kNewLog);
  EXPECT_EQ(FilesIn(dir), 1u);  // neither the temporary file nor the copy stays
}

// A rewrite in place that was cut short leaves a torn log and, beside it, the whole text.
struct InterruptedRewrite {
  ScratchDir dir;
  std::string log = dir.Path("KorFiles.log");
  InterruptedRewrite() {
    WriteBytes(log, "[Old]\r\nkey=old va");
    WriteBytes(log + ".new", kOldLog);
  }
};

TEST(IniSave, ReadPutsTheWholeCopyOfAnInterruptedRewriteBack) {
  InterruptedRewrite disk;
  BaseIniFile doc;
  ASSERT_TRUE(doc.Read(disk.log));
  EXPECT_EQ(doc.ToText(), kOldLog);
  EXPECT_EQ(ReadBytes(disk.log), kOldLog);
  EXPECT_EQ(FilesIn(disk.dir), 1u);
}

TEST(IniSave, ReadUsesTheCopyWhileTheLogIsStillHeldAndTheNextSaveClearsIt) {
  InterruptedRewrite disk;
  FakeIniPlatform platform;
  platform.m_replaceError = 32;
  platform.m_refusedTarget = disk.log;
  platform.m_bSharing = true;
  BaseIniFile doc;
  ASSERT_TRUE(doc.Read(disk.log));
  EXPECT_EQ(doc.ToText(), kOldLog);
  EXPECT_EQ(FilesIn(disk.dir), 2u);  // the copy is still the log's only whole text

  doc.SetValue("Install", "Second", "1");
  platform.m_replaceError = 0;
  ASSERT_TRUE(doc.Save(disk.log));
  EXPECT_EQ(ReadBytes(disk.log), doc.ToText());
  EXPECT_EQ(FilesIn(disk.dir), 1u);
}

TEST(IniSave, RefusedReplacementOfTheLogLeavesNoCopyToBeTrustedLater) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  FakeIniPlatform platform;
  platform.m_replaceError = 5;
  platform.m_refusedTarget = log;
  EXPECT_FALSE(NewDocument().Save(log));
  EXPECT_EQ(FilesIn(dir), 1u);
  BaseIniFile doc;
  ASSERT_TRUE(doc.Read(log));
  EXPECT_EQ(doc.ToText(), kOldLog);
}

#ifdef _WIN32
TEST(IniSave, ReplacesALogThatAReaderHoldsOpen) {
  ScratchDir dir;
  const std::string log = dir.Path("KorFiles.log");
  WriteBytes(log, kOldLog);
  // The C runtime opens with read and write sharing but without delete sharing, as most
  // readers do: the one-step replacement is refused and the rewrite in place goes through.
  std::FILE* pReader = std::fopen(log.c_str(), "rb");
  ASSERT_NE(pReader, nullptr);
  const bool bSaved = NewDocument().Save(log);
  std::fclose(pReader);
  EXPECT_TRUE(bSaved);
  EXPECT_EQ(ReadBytes(log), kNewLog);
  EXPECT_EQ(FilesIn(dir), 1u);
}
#endif

// A save writes only when the file could hold other bytes than the document's: the
// document changed since it read or saved that file, or someone else wrote, replaced or
// deleted the file, or the last save failed, or the system cannot tell.
TEST(IniSave, WritesOnlyWhenTheFileCouldDifferFromTheDocument) {
  using Step = std::function<void(BaseIniFile&, FakeIniPlatform&, const std::string&)>;
  const struct {
    const char* what;
    Step between;
    bool bWrites;
  } rows[] = {
      {"nothing", [](BaseIniFile&, FakeIniPlatform&, const std::string&) {}, false},
      {"questions",
       [](BaseIniFile& doc, FakeIniPlatform&, const std::string&) {
         doc.GetValue("A", "k");
         doc.FindSection("B");
         doc.RemoveValue("A", "missing");
       },
       false},
      {"the same value again",
       [](BaseIniFile& doc, FakeIniPlatform&, const std::string&) { doc.SetValue("A", "k", "v"); },
       false},
      {"another value",
       [](BaseIniFile& doc, FakeIniPlatform&, const std::string&) { doc.SetValue("A", "k", "w"); },
       true},
      {"the key in another case",
       [](BaseIniFile& doc, FakeIniPlatform&, const std::string&) { doc.SetValue("A", "K", "v"); },
       true},
      {"a removed item",
       [](BaseIniFile& doc, FakeIniPlatform&, const std::string&) { doc.RemoveValue("A", "k"); },
       true},
      {"a new section",
       [](BaseIniFile& doc, FakeIniPlatform&, const std::string&) { doc.FindOrCreateSection("B"); },
       true},
      {"the file replaced",
       [](BaseIniFile&, FakeIniPlatform&, const std::string& path) {
         WriteBytes(path + ".other", "[A]\r\nk=x\r\nm=1\r\n\r\n");  // the same size
         fs::rename(path + ".other", path);
       },
       true},
      {"the file touched",
       [](BaseIniFile&, FakeIniPlatform&, const std::string& path) {
         fs::last_write_time(path, fs::last_write_time(path) + std::chrono::hours(1));
       },
       true},
      {"the file deleted",
       [](BaseIniFile&, FakeIniPlatform&, const std::string& path) { fs::remove(path); }, true},
      {"a failed save",
       [](BaseIniFile& doc, FakeIniPlatform& platform, const std::string& path) {
         doc.SetValue("A", "k", "w");
         platform.m_bFailCommit = true;
         doc.Save(path);
         platform.m_bFailCommit = false;
       },
       true},
      {"a system without file stamps",
       [](BaseIniFile&, FakeIniPlatform& platform, const std::string&) {
         platform.m_bNoStamps = true;
       },
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchDir dir;
    const std::string log = dir.Path("KorFiles.log");
    WriteBytes(log, "[A]\r\nk=v\r\nm=1\r\n\r\n");
    FakeIniPlatform platform;
    BaseIniFile doc;
    ASSERT_TRUE(doc.Read(log));
    row.between(doc, platform, log);
    const int cCommits = platform.m_cCommits;
    EXPECT_TRUE(doc.Save(log));
    EXPECT_EQ(row.bWrites, platform.m_cCommits > cCommits);
    EXPECT_EQ(ReadBytes(log), doc.ToText());
    // Once written, the file is in step again.
    const int cWritten = platform.m_cCommits;
    EXPECT_TRUE(doc.Save(log));
    EXPECT_EQ(platform.m_bNoStamps, platform.m_cCommits > cWritten);
  }
}

}  // namespace
