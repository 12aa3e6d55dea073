// The machine that `uninstall` changes: the file system, the registry in the view of the
// running program, and the shell's folders that Windows and its users own.
#pragma once

#include "tools/korlog/IUninstallMachine.h"

class CWin32UninstallMachine final : public IUninstallMachine {
 public:
  Places SystemPlaces() override;
  Kind PathKind(const std::string& path) override;
  std::optional<std::vector<std::string>> FolderEntries(const std::string& path) override;
  bool RemoveFile(const std::string& path, std::string& error) override;
  bool RemoveFolder(const std::string& path, std::string& error) override;
  bool KeyExists(const std::string& root, const std::string& key) override;
  bool ValueExists(const std::string& root, const std::string& key,
                   const std::string& name) override;
  std::optional<std::vector<std::string>> Subkeys(const std::string& root,
                                                  const std::string& key) override;
  bool RemoveValue(const std::string& root, const std::string& key, const std::string& name,
                   std::string& error) override;
  bool RemoveKey(const std::string& root, const std::string& key, std::string& error) override;
};
