// The journal's record format and its file. A record is
//   "KLJ1" | payload length (u32) | CRC-32 of the payload (u32) | payload
//   payload: kind (u8) | type (i32) | component length (u32) | component | item length (u32) | item
// with every number little-endian, so that a journal means the same to any build.
#include "installlog/LogJournal.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr char kMagic[4] = {'K', 'L', 'J', '1'};
constexpr size_t kHeaderSize = sizeof(kMagic) + 4 + 4;
constexpr size_t kFixedPayload = 1 + 4 + 4 + 4;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// The CRC-32 of zip and PNG.
uint32_t Crc32(std::string_view bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (const char ch : bytes) c = kCrcTable[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void PutU32(std::string& out, uint32_t n) {
  const char bytes[4] = {static_cast<char>(n), static_cast<char>(n >> 8),
                         static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
  out.append(bytes, 4);
}

uint32_t GetU32(std::string_view bytes, size_t at) {
  const auto b = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i]));
  };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

// Takes a length-prefixed text off the front of payload; false when it does not fit.
bool TakeText(std::string_view& payload, std::string& text) {
  if (payload.size() < 4) return false;
  const uint32_t cb = GetU32(payload, 0);
  payload.remove_prefix(4);
  if (payload.size() < cb) return false;
  text.assign(payload.data(), cb);
  payload.remove_prefix(cb);
  return true;
}

bool TruncateFile(const std::string& path, size_t cb) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "r+b"),
                                                             &std::fclose);
  if (!file || cb > 0x7FFFFFFF) return false;
#ifdef _WIN32
  return ::_chsize(::_fileno(file.get()), static_cast<long>(cb)) == 0;
#else
  return ::ftruncate(::fileno(file.get()), static_cast<off_t>(cb)) == 0;
#endif
}

}  // namespace

LogJournal::LogJournal(std::string path) : m_strPath(std::move(path)) {}

LogJournal::~LogJournal() = default;

void LogJournal::Encode(LogJournalRecord::Kind kind, int32_t type, std::string_view component,
                        std::string_view item, std::string& out) {
  out.clear();
  out.append(kMagic, sizeof(kMagic));
  PutU32(out, static_cast<uint32_t>(kFixedPayload + component.size() + item.size()));
  PutU32(out, 0);  // the checksum, once the payload is there
  out.push_back(static_cast<char>(kind));
  PutU32(out, static_cast<uint32_t>(type));
  PutU32(out, static_cast<uint32_t>(component.size()));
  out.append(component);
  PutU32(out, static_cast<uint32_t>(item.size()));
  out.append(item);
  const uint32_t crc = Crc32(std::string_view(out).substr(kHeaderSize));
  std::string checksum;
  PutU32(checksum, crc);
  out.replace(sizeof(kMagic) + 4, 4, checksum);
}

std::vector<LogJournalRecord> LogJournal::Decode(std::string_view bytes, size_t* pcbWhole) {
  std::vector<LogJournalRecord> records;
  const size_t cbAll = bytes.size();
  while (bytes.size() >= kHeaderSize && std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) == 0) {
    const uint32_t cbPayload = GetU32(bytes, sizeof(kMagic));
    if (cbPayload < kFixedPayload || bytes.size() - kHeaderSize < cbPayload) break;
    std::string_view payload = bytes.substr(kHeaderSize, cbPayload);
    if (Crc32(payload) != GetU32(bytes, sizeof(kMagic) + 4)) break;

    LogJournalRecord record;
    const auto kind = static_cast<unsigned char>(payload[0]);
    if (kind < LogJournalRecord::kAddItem || kind > LogJournalRecord::kMerge) break;
    record.kind = static_cast<LogJournalRecord::Kind>(kind);
    record.type = static_cast<int32_t>(GetU32(payload, 1));
    payload.remove_prefix(5);
    if (!TakeText(payload, record.component) || !TakeText(payload, record.item) ||
        !payload.empty()) {
      break;
    }
    records.push_back(std::move(record));
    bytes.remove_prefix(kHeaderSize + cbPayload);
  }
  if (pcbWhole) *pcbWhole = cbAll - bytes.size();
  return records;
}

bool LogJournal::Open() {
  if (m_bBroken) return false;
  // A record cut short (a writer that died, a full disk) would hide every record appended
  // after it: cut the journal back to its last whole record first.
  std::string bytes;
  ReadFileBytes(m_strPath, bytes);
  size_t cbWhole = 0;
  Decode(bytes, &cbWhole);
  if (cbWhole != bytes.size() && !TruncateFile(m_strPath, cbWhole)) {
    m_bBroken = true;
    return false;
  }
  m_pFile.reset(std::fopen(m_strPath.c_str(), "ab"));
  return m_pFile != nullptr;
}

bool LogJournal::Append(LogJournalRecord::Kind kind, int32_t type, std::string_view component,
                        std::string_view item) {
  if (!m_pFile && !Open()) return false;
  Encode(kind, type, component, item, m_buffer);
  // The record goes to the system in one write where the library allows.
  const bool bWritten =
      std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_pFile.get()) == m_buffer.size();
  if (std::fflush(m_pFile.get()) == 0 && bWritten) return true;
  m_pFile.reset();  // the next record goes in after mending what this one may have left
  return false;
}

void LogJournal::Clear() {
  m_pFile.reset();
  m_bBroken = false;
  if (std::remove(m_strPath.c_str()) == 0 || errno == ENOENT) return;
  // Held open by a reader: empty it instead, so nothing is replayed twice.
  m_pFile.reset(std::fopen(m_strPath.c_str(), "wb"));
  m_pFile.reset();
}

std::vector<LogJournalRecord> LogJournal::ReadRecords() const {
  std::string bytes;
  ReadFileBytes(m_strPath, bytes);
  return Decode(bytes);
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) return false;
  char buffer[65536];
  for (size_t cb; (cb = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0;) {
    bytes.append(buffer, cb);
  }
  return !std::ferror(file.get());
}
