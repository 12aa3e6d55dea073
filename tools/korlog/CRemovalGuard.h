// The rules that keep an uninstall away from what Windows and other programs need: paths in
// one form, registry paths with their root in one spelling, and the folders and keys that
// are never removed whatever a log records (drive roots, the system's own folders, hive
// roots and the keys directly below them, the shared keys where programs register).
#pragma once

#include <string>
#include <string_view>

#include "tools/korlog/IUninstallMachine.h"

class CRemovalGuard {
 public:
  explicit CRemovalGuard(IUninstallMachine::Places places);

  // A file system path in one form: backslashes only, no trailing backslash except after a
  // drive ("C:\").
  static std::string NormalPath(std::string_view path);
  // A drive path ("C:\...") or a network path ("\\server\share...").
  static bool IsAbsolute(std::string_view path);
  // Whether the normal path child lies strictly below the normal path parent, ignoring case.
  static bool IsBelow(std::string_view child, std::string_view parent);

  // Why the normal path may not be removed, in a few words; empty when it may. Folders
  // directly inside the Windows folder or the profiles folder are refused, files there not.
  std::string RefusePath(std::string_view path, bool bFolder) const;

  // A registry path split into its root, in the short spelling ("HKLM", "HKCU", "HKCR",
  // "HKU", "HKCC"; a path without a known root lies below HKLM, where installers record
  // their keys), and the path below it without empty elements.
  struct RegPath {
    std::string root;
    std::string key;
    std::string Text() const { return key.empty() ? root : root + "\\" + key; }
  };
  static RegPath ParseRegistry(std::string_view path);

  // Why the key may not be removed; empty when it may.
  static std::string RefuseKey(const RegPath& key);

 private:
  IUninstallMachine::Places m_places;
};
