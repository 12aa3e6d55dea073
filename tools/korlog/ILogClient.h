// What korlog asks of an install log: the ten methods of the log component, with narrow
// strings. The running server answers them through automation; a log file read into memory
// answers the queries offline. A call that could not be made gives no answer, and
// ErrorText says why.
#pragma once

#include <optional>
#include <string>

class ILogClient {
 public:
  virtual ~ILogClient() = default;

  virtual std::optional<long> AddItem(int type, const std::string& component,
                                      const std::string& item) = 0;
  virtual std::optional<long> RemoveItem(int type, const std::string& component,
                                         const std::string& item) = 0;
  virtual std::optional<long> RemoveComponent(const std::string& component) = 0;
  virtual std::optional<long> IsInstalled(const std::string& component) = 0;
  virtual std::optional<long> HasItem(int type, const std::string& component,
                                      const std::string& item) = 0;
  virtual std::optional<std::string> GetMatchingItem(int type, const std::string& component,
                                                     const std::string& substring) = 0;
  virtual std::optional<std::string> GetSpecialItem(const std::string& component,
                                                    const std::string& name) = 0;
  virtual std::optional<std::string> GetParent(const std::string& component) = 0;
  // Lines each ended by one line feed, as the log component returns them.
  virtual std::optional<std::string> GetAllItems(int type, const std::string& component) = 0;
  // The server's executable path.
  virtual std::optional<std::string> ShutDown(long keepFile) = 0;

  // Why the last call gave no answer, in one line.
  virtual std::string ErrorText() const = 0;
};
