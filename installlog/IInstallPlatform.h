// The narrow seam through which the install log reaches the machine: the install key's
// values in the registry (local or remote), file versions, file existence and deletion.
// The Windows build supplies the Win32 implementation; native tests pass a fake.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// An open registry key, closed when destroyed.
class IRegKey {
 public:
  virtual ~IRegKey() = default;
};
using RegKeyPtr = std::unique_ptr<IRegKey>;

class IInstallPlatform {
 public:
  // Platform result codes that the callers tell apart.
  static constexpr long kSuccess = 0;
  static constexpr long kMoreData = 234;      // ERROR_MORE_DATA
  static constexpr long kNoMoreItems = 259;   // ERROR_NO_MORE_ITEMS
  static constexpr uint32_t kTypeString = 1;  // REG_SZ

  enum class Access { kRead, kAll };

  virtual ~IInstallPlatform() = default;

  // HKEY_LOCAL_MACHINE of this machine (pMachine null) or of the named one; null on failure.
  virtual RegKeyPtr ConnectLocalMachine(const std::string* pMachine) = 0;

  // Opens subkey below key with the given access; null on failure.
  virtual RegKeyPtr OpenKey(IRegKey& key, const std::string& subkey, Access access) = 0;

  // The number of values of key and the length of its longest value name (characters,
  // without the terminating zero). False on failure.
  virtual bool QueryValueInfo(IRegKey& key, uint32_t& cValues, uint32_t& cchMaxName) = 0;

  // Writes the name of the value at index into buffer (cchBuffer characters including room
  // for the zero) and returns the platform result: kSuccess, kMoreData (the name did not
  // fit), kNoMoreItems, or another failure code. On kMoreData the buffer holds no name.
  virtual long EnumValueName(IRegKey& key, uint32_t index, char* buffer, uint32_t cchBuffer) = 0;

  // Reads the named value into buffer (cbBuffer bytes). On kSuccess sets type and cbData,
  // the number of bytes stored; kMoreData when the data are larger than the buffer.
  virtual long QueryValue(IRegKey& key, const std::string& name, uint32_t& type,
                          unsigned char* buffer, uint32_t cbBuffer, uint32_t& cbData) = 0;

  // True when a file or directory exists at path (existence only, no access rights).
  virtual bool PathExists(const std::string& path) = 0;

  // The text of the file's "\StringFileInfo\<language><code page>\FileVersion" entry, taken
  // through the first "\VarFileInfo\Translation" entry; none when the file has no version
  // block or either entry is missing.
  virtual std::optional<std::string> GetFileVersionText(const std::string& path) = 0;

  // Deletes the file; failures are ignored by every caller.
  virtual void DeleteFile(const std::string& path) = 0;
};
