// A host for the log component in tests: an empty install log in memory (or none), and a
// record of the trace lines and of the end-of-service requests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "component/ILogComponentHost.h"
#include "installlog/LogFile.h"
#include "installlog/tests/FakeInstallPlatform.h"

class FakeLogComponentHost final : public ILogComponentHost {
 public:
  explicit FakeLogComponentHost(bool bWithLog = true) {
    if (bWithLog) m_pLog = std::make_unique<LogFile>(m_platform);
  }

  LogFile* GetLog() override { return m_pLog.get(); }
  const std::string& GetRemoteLogPath() const override { return m_strRemoteLogPath; }
  void Trace(const std::string& line) noexcept override { m_lines.push_back(line); }
  void EndService(long keepFile) noexcept override { m_endServices.push_back(keepFile); }

  std::vector<std::string> m_lines;
  std::vector<long> m_endServices;

 private:
  FakeInstallPlatform m_platform;
  std::unique_ptr<LogFile> m_pLog;
  std::string m_strRemoteLogPath;  // none: no remote copy ever appears
};
