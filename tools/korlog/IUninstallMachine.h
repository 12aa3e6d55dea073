// What `uninstall` asks of the machine: what a path is, what a folder or a key holds, the
// removals themselves, and the system's own folders that are never removed. Windows answers
// through the file system, the registry and the shell; tests pass a fake.
#pragma once

#include <optional>
#include <string>
#include <vector>

class IUninstallMachine {
 public:
  enum class Kind { kMissing, kFile, kFolder, kUnknown };

  // The folders that no uninstall removes, as absolute paths.
  struct Places {
    std::vector<std::string> folders;  // never removed themselves
    // Never removed, nor any folder directly inside them (the Windows folder, the profiles).
    std::vector<std::string> parents;
    // The common and the per-user start-menu "Programs" folders, which relative start-menu
    // entries are below; empty when unknown.
    std::string strCommonPrograms;
    std::string strUserPrograms;
  };

  virtual ~IUninstallMachine() = default;

  virtual Places SystemPlaces() = 0;

  // Absolute file system paths.
  virtual Kind PathKind(const std::string& path) = 0;
  // The names of a folder's entries; none when it cannot be listed.
  virtual std::optional<std::vector<std::string>> FolderEntries(const std::string& path) = 0;
  // Each false with a one-line reason in error.
  virtual bool RemoveFile(const std::string& path, std::string& error) = 0;
  // Only an empty folder goes.
  virtual bool RemoveFolder(const std::string& path, std::string& error) = 0;

  // Registry keys as a root ("HKLM", "HKCU", "HKCR", "HKU" or "HKCC") and a path below it.
  virtual bool KeyExists(const std::string& root, const std::string& key) = 0;
  virtual bool ValueExists(const std::string& root, const std::string& key,
                           const std::string& name) = 0;
  // The names of a key's subkeys; none when it cannot be listed.
  virtual std::optional<std::vector<std::string>> Subkeys(const std::string& root,
                                                          const std::string& key) = 0;
  virtual bool RemoveValue(const std::string& root, const std::string& key, const std::string& name,
                           std::string& error) = 0;
  // Only a key without subkeys goes; its values go with it.
  virtual bool RemoveKey(const std::string& root, const std::string& key, std::string& error) = 0;
};
