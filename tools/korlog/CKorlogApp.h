// korlog from its arguments to its output and exit status, apart from the two things that
// only Windows has: the connection to the running server (a connector) and the machine that
// `check` looks at and `uninstall` changes. Output is collected in memory and written by the
// caller.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/korlog/CJsonWriter.h"
#include "tools/korlog/CKorlogArgs.h"
#include "tools/korlog/ILogClient.h"
#include "tools/korlog/IMachineState.h"
#include "tools/korlog/IUninstallMachine.h"

class CKorlogApp {
 public:
  enum ExitCode { kExitYes = 0, kExitNo = 1, kExitUsage = 2, kExitUnreachable = 3 };

  // The running server's log; null, with a one-line reason in error, when unreachable.
  using Connector = std::function<std::unique_ptr<ILogClient>(std::string& error)>;

  // pUninstall is the machine that `uninstall` changes; without one the command is refused.
  CKorlogApp(Connector connect, IMachineState& machine,
             CJsonWriter::TextConversion toUtf8 = nullptr, IUninstallMachine* pUninstall = nullptr)
      : m_connect(std::move(connect)),
        m_machine(machine),
        m_toUtf8(std::move(toUtf8)),
        m_pUninstall(pUninstall) {}

  // Runs korlog with the arguments after the program name; returns the exit status.
  int Main(const std::vector<std::string>& argv);

  // What goes to standard output and to standard error.
  const std::string& Out() const { return m_strOut; }
  const std::string& Err() const { return m_strErr; }

 private:
  int Run(const CKorlogArgs& args, ILogClient& client);
  int Normalize(const std::string& in, const std::string& out);
  int Fail(int status, const std::string& message);
  int Yes(bool bJson, std::optional<long> result, const ILogClient& client);
  int Text(bool bJson, const std::optional<std::string>& result, const ILogClient& client);
  int Lines(bool bJson, const std::optional<std::string>& result, const ILogClient& client);
  int Uninstall(const CKorlogArgs& args, ILogClient& client);

  Connector m_connect;
  IMachineState& m_machine;
  CJsonWriter::TextConversion m_toUtf8;
  IUninstallMachine* m_pUninstall;
  std::string m_strOut;
  std::string m_strErr;
};
