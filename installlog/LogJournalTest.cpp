// The journal: its records survive being cut anywhere, a damaged record ends the replay, and
// replaying what the log's changes wrote rebuilds the log they made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ini/ScratchDir.h"
#include "installlog/LogFile.h"
#include "installlog/LogJournal.h"
#include "installlog/tests/FakeInstallPlatform.h"

namespace {

struct Change {
  LogJournalRecord::Kind kind;
  int32_t type;
  std::string component;
  std::string item;
};

const std::vector<Change> kChanges = {
    {LogJournalRecord::kAddItem, 1, "Alpha", "C:\\Alpha\\a.dll"},
    {LogJournalRecord::kRemoveComponent, 0, "Beta", ""},
    {LogJournalRecord::kMerge, 0, "_7", "[Uninstaller]\r\nx=1\r\n"},
    {LogJournalRecord::kRemoveItem, -3, std::string("nul\0l", 5), "=\xff"},
};

// The records' bytes one after another, and where each record ends.
std::string EncodeAll(std::vector<size_t>& ends) {
  std::string all, one;
  for (const Change& c : kChanges) {
    LogJournal::Encode(c.kind, c.type, c.component, c.item, one);
    all += one;
    ends.push_back(all.size());
  }
  return all;
}

void ExpectRecord(const LogJournalRecord& r, const Change& c) {
  EXPECT_EQ(r.kind, c.kind);
  EXPECT_EQ(r.type, c.type);
  EXPECT_EQ(r.component, c.component);
  EXPECT_EQ(r.item, c.item);
}

TEST(LogJournal, IgnoresARecordCutAtAnyByte) {
  std::vector<size_t> ends;
  const std::string all = EncodeAll(ends);
  for (size_t cut = 0; cut <= all.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    size_t cWhole = 0;
    while (cWhole < ends.size() && ends[cWhole] <= cut) ++cWhole;
    size_t cbWhole = 0;
    const std::vector<LogJournalRecord> records =
        LogJournal::Decode(std::string_view(all).substr(0, cut), &cbWhole);
    ASSERT_EQ(records.size(), cWhole);
    EXPECT_EQ(cbWhole, cWhole ? ends[cWhole - 1] : 0);
    for (size_t i = 0; i < cWhole; ++i) ExpectRecord(records[i], kChanges[i]);
  }
}

TEST(LogJournal, StopsAtTheFirstDamagedRecord) {
  std::vector<size_t> ends;
  const std::string all = EncodeAll(ends);
  // Every byte of the second record, header and payload alike, flipped in turn.
  for (size_t at = ends[0]; at < ends[1]; ++at) {
    SCOPED_TRACE("byte " + std::to_string(at));
    std::string damaged = all;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x40);
    const std::vector<LogJournalRecord> records = LogJournal::Decode(damaged);
    ASSERT_EQ(records.size(), 1u);
    ExpectRecord(records[0], kChanges[0]);
  }
}

TEST(LogJournal, AppendsAfterTheLastWholeRecordAndClears) {
  ScratchDir dir;
  const std::string path = dir.Path("KorFiles.log.journal");
  std::vector<size_t> ends;
  const std::string all = EncodeAll(ends);
  // A writer died in the middle of its second record.
  WriteBytes(path, all.substr(0, ends[0] + 5));
  LogJournal journal(path);
  ASSERT_TRUE(journal.Append(LogJournalRecord::kAddItem, 7, "Gamma", "k=v"));
  std::vector<LogJournalRecord> records = journal.ReadRecords();
  ASSERT_EQ(records.size(), 2u);
  ExpectRecord(records[0], kChanges[0]);
  ExpectRecord(records[1], {LogJournalRecord::kAddItem, 7, "Gamma", "k=v"});

  journal.Clear();
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(journal.ReadRecords().empty());
  ASSERT_TRUE(journal.Append(LogJournalRecord::kRemoveComponent, 0, "Gamma", ""));
  EXPECT_EQ(journal.ReadRecords().size(), 1u);
}

// The log as a server that died would have left it: the saved text plus the journal.
class LogJournalReplay : public ::testing::Test {
 protected:
  static void ReadAndConvert(LogFile& log, const std::string& text) {
    log.ReadText(text);
    log.GroupDriverAndPrinterSections();
    log.ConvertLegacySections();
  }

  ScratchDir m_dir;
  FakeInstallPlatform m_platform;
  LogJournal m_journal{m_dir.Path("KorFiles.log.journal")};
};

TEST_F(LogJournalReplay, RebuildsWhatEveryChangeMade) {
  const std::string saved =
      "[Install]\r\nAlpha=1\r\nBeta=1\r\n\r\n[Alpha]\r\nAlphaSub=1\r\n\r\n"
      "[Alpha_FILES]\r\nc:\\alpha\\old.dll=1\r\n\r\n[Beta_REG]\r\nHKLM\\Beta=2\r\n\r\n";
  LogFile live(m_platform);
  ReadAndConvert(live, saved);
  live.SetJournal(&m_journal);

  for (int type = 0; type <= 9; ++type) {
    live.AddItem(type, "Alpha", "C:\\Alpha\\t" + std::to_string(type) + ".dll");
  }
  live.AddItem(7, "Alpha", "BaseDir=C:\\Alpha");
  live.AddItem(1, "Alpha", "bad\r\nitem");  // refused, so not journaled
  live.RemoveItem(1, "Alpha", "C:\\ALPHA\\OLD.DLL");
  live.RemoveItem(1, "Alpha", "missing.dll");
  live.RemoveComponent("Beta");
  // A remote copy, merged and deleted, with a legacy section that the merge converts under
  // the uninstaller suffix in force.
  live.SetUninstallerSuffix("_9");
  WriteBytes(m_dir.Path("remote.log"), "[Gamma_FILES]\r\ng.dll=1\r\n[StartMenu]\r\nx=Link.lnk\r\n");
  live.Load(m_dir.Path("remote.log"), true);
  live.SetUninstallerSuffix("");
  live.RemoveItem(1, "Gamma", "g.dll");
  // A file that stays is read again at the next start: it needs no record.
  WriteBytes(m_dir.Path("kept.log"), "[Delta]\r\nd=1\r\n");
  live.Load(m_dir.Path("kept.log"), false);
  live.RemoveItem(0, "Delta", "d");

  const std::vector<LogJournalRecord> records = m_journal.ReadRecords();
  EXPECT_EQ(records.size(), 14u);
  LogFile recovered(m_platform);
  ReadAndConvert(recovered, saved);
  for (const LogJournalRecord& record : records) recovered.Apply(record);
  EXPECT_EQ(recovered.ToText(), live.ToText());
  EXPECT_EQ(recovered.UninstallerSuffix(), "");
  EXPECT_TRUE(recovered.HasItem(5, "Uninstaller_9", "Link.lnk"));
}

}  // namespace
