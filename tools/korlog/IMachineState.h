// What `check` asks of the machine: whether a recorded file or registry entry still exists.
// Windows answers through the file system and the registry; tests pass a fake.
#pragma once

#include <string>

class IMachineState {
 public:
  // kUnknown when the question cannot be answered (a relative path, access denied, an
  // unknown root key): such entries are never reported as missing.
  enum class Presence { kPresent, kMissing, kUnknown };

  virtual ~IMachineState() = default;

  virtual Presence FileState(const std::string& path) = 0;
  // path names a key ("HKEY_LOCAL_MACHINE\Software\X", "HKLM\...", or a path below
  // HKEY_LOCAL_MACHINE without a root) or a value in the key above its last backslash.
  virtual Presence RegistryState(const std::string& path) = 0;
};
