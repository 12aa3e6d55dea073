// The journal beside the log ("KorFiles.log.journal"): each change that a client is told
// succeeded is appended here before the answer leaves the server, so a server that dies
// before its next save loses nothing. The next server applies the records to the log it
// reads, saves, and only then empties the journal. Each record carries its length and a
// checksum: a record cut short by the writer's death is recognised and ignored, and replay
// stops at the first damaged one. Written data reach the system at once (they survive the
// process) but are not flushed to the disk on every record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct LogJournalRecord {
  enum Kind : uint8_t {
    kAddItem = 1,
    kRemoveItem = 2,
    kRemoveComponent = 3,
    kMerge = 4,  // another log's text merged into this one, and its file deleted
  };
  Kind kind = kAddItem;
  int32_t type = 0;       // the item type of kAddItem and kRemoveItem
  std::string component;  // for kMerge: the uninstaller suffix in force while merging
  std::string item;       // for kMerge: the merged text
};

class LogJournal {
 public:
  // The journal kept at path; nothing is opened or created before the first Append.
  explicit LogJournal(std::string path);
  ~LogJournal();
  LogJournal(const LogJournal&) = delete;
  LogJournal& operator=(const LogJournal&) = delete;

  const std::string& Path() const { return m_strPath; }

  // Appends one record; false when it could not be handed to the system whole.
  bool Append(LogJournalRecord::Kind kind, int32_t type, std::string_view component,
              std::string_view item);

  // Takes the journal away: its records are in a saved log, or are to be forgotten. A
  // journal that cannot be removed is emptied.
  void Clear();

  // The whole records of the journal on disk, in order; none when there is no journal.
  std::vector<LogJournalRecord> ReadRecords() const;

  // The bytes of one record; and the records at the beginning of bytes, up to the first one
  // that is cut short or fails its checksum.
  static void Encode(LogJournalRecord::Kind kind, int32_t type, std::string_view component,
                     std::string_view item, std::string& out);
  // *pcbWhole, when given, receives the length of those records.
  static std::vector<LogJournalRecord> Decode(std::string_view bytes, size_t* pcbWhole = nullptr);

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

  // Opens the journal for appending after its last whole record; false when it cannot.
  bool Open();

  std::string m_strPath;
  FilePtr m_pFile;
  bool m_bBroken = false;  // a damaged journal could not be mended: nothing more goes in
  std::string m_buffer;    // one record's bytes, kept to spare an allocation per call
};

// Reads the whole file at path into bytes; false when it cannot be opened or read to its end
// (bytes then holds what was read).
bool ReadFileBytes(const std::string& path, std::string& bytes);
