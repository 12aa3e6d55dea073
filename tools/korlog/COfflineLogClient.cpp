// The offline log: read into memory, converted as the server converts on reading, queried
// through LogFile's own operations.

#include "tools/korlog/COfflineLogClient.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr char kReadOnly[] = "a log file opened with --file is only read, never changed";

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
  // Checked first: opening for reading must never be the step that finds a file missing
  // on a path where the log's own reader would create one.
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "cannot read " + path + ": not a file";
    return false;
  }
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  text.clear();
  char buffer[65536];
  for (;;) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    text.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file.get())) {
    error = "cannot read " + path + ": read error";
    return false;
  }
  return true;
}

std::unique_ptr<COfflineLogClient> COfflineLogClient::Open(const std::string& path,
                                                           std::string& error) {
  std::string text;
  if (!ReadWholeFile(path, text, error)) return nullptr;
  return FromText(text);
}

std::unique_ptr<COfflineLogClient> COfflineLogClient::FromText(const std::string& text) {
  std::unique_ptr<COfflineLogClient> client(new COfflineLogClient());
  // The same steps as the log's construction from a file: read with the hooks, then group
  // and convert.
  client->m_log.ReadText(text);
  client->m_log.GroupDriverAndPrinterSections();
  client->m_log.ConvertLegacySections();
  return client;
}

std::optional<long> COfflineLogClient::AddItem(int, const std::string&, const std::string&) {
  return std::nullopt;
}

std::optional<long> COfflineLogClient::RemoveItem(int, const std::string&, const std::string&) {
  return std::nullopt;
}

std::optional<long> COfflineLogClient::RemoveComponent(const std::string&) { return std::nullopt; }

std::optional<long> COfflineLogClient::IsInstalled(const std::string& component) {
  return m_log.IsInstalled(component) ? 1 : 0;
}

std::optional<long> COfflineLogClient::HasItem(int type, const std::string& component,
                                               const std::string& item) {
  return m_log.HasItem(type, component, item) ? 1 : 0;
}

std::optional<std::string> COfflineLogClient::GetMatchingItem(int type,
                                                              const std::string& component,
                                                              const std::string& substring) {
  return m_log.GetMatchingItem(type, component, substring);
}

std::optional<std::string> COfflineLogClient::GetSpecialItem(const std::string& component,
                                                             const std::string& name) {
  return m_log.GetSpecialItem(LogFile::SpecialItem, component, name);
}

std::optional<std::string> COfflineLogClient::GetParent(const std::string& component) {
  return m_log.GetParent(component);
}

std::optional<std::string> COfflineLogClient::GetAllItems(int type, const std::string& component) {
  return m_log.GetAllItems(type, component);
}

std::optional<std::string> COfflineLogClient::ShutDown(long) { return std::nullopt; }

std::string COfflineLogClient::ErrorText() const { return kReadOnly; }
