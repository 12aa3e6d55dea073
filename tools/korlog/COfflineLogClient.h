// The install log read from a file into memory, with the conversions the server applies on
// reading, answering korlog's queries without the server. The file is never written,
// created or deleted; the changing methods are refused.
#pragma once

#include <memory>
#include <string>

#include "installlog/LogFile.h"
#include "tools/korlog/CInertInstallPlatform.h"
#include "tools/korlog/ILogClient.h"

class COfflineLogClient final : public ILogClient {
 public:
  // Reads the file at path; null, with a one-line reason in error, when it is missing, not
  // a file, or cannot be read.
  static std::unique_ptr<COfflineLogClient> Open(const std::string& path, std::string& error);

  // The log from INI text, as if read from a file holding it.
  static std::unique_ptr<COfflineLogClient> FromText(const std::string& text);

  const LogFile& Log() const { return m_log; }

  std::optional<long> AddItem(int type, const std::string& component,
                              const std::string& item) override;
  std::optional<long> RemoveItem(int type, const std::string& component,
                                 const std::string& item) override;
  std::optional<long> RemoveComponent(const std::string& component) override;
  std::optional<long> IsInstalled(const std::string& component) override;
  std::optional<long> HasItem(int type, const std::string& component,
                              const std::string& item) override;
  std::optional<std::string> GetMatchingItem(int type, const std::string& component,
                                             const std::string& substring) override;
  std::optional<std::string> GetSpecialItem(const std::string& component,
                                            const std::string& name) override;
  std::optional<std::string> GetParent(const std::string& component) override;
  std::optional<std::string> GetAllItems(int type, const std::string& component) override;
  std::optional<std::string> ShutDown(long keepFile) override;
  std::string ErrorText() const override;

 private:
  COfflineLogClient() : m_log(m_platform) {}

  CInertInstallPlatform m_platform;
  LogFile m_log;
};

// Reads the whole file at path into text. False, with a one-line reason in error, when it
// is missing, not a regular file, or a read fails. Never creates anything.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& error);
