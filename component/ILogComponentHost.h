// What the log component asks of the process that hosts it: the install log, the trace and
// the end of service. The server implements it; tests pass a fake.
#pragma once

#include <string>

class LogFile;

class ILogComponentHost {
 public:
  // The one install log that every object works on; null when there is none.
  virtual LogFile* GetLog() = 0;
  // Where a remote copy of the log may appear; every new object merges and deletes it.
  virtual const std::string& GetRemoteLogPath() const = 0;
  // Appends one trace line; a line that cannot be shown is lost.
  virtual void Trace(const std::string& line) noexcept = 0;
  // A client's ShutDown: the server unregisters and ends, and keepFile says what becomes
  // of the log (the policy is the host's).
  virtual void EndService(long keepFile) noexcept = 0;

 protected:
  ~ILogComponentHost() = default;
};
