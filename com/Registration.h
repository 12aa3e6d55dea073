// Self-registration of a local server: the class, ProgID and AppID entries that let the object
// system start it, written below HKLM\Software\Classes of a (possibly remote) machine and
// removed again from HKEY_CLASSES_ROOT of this one, for the identifiers the caller gives.
// Failures are not reported: a step that fails is skipped and nothing is rolled back.
#pragma once

#include <windows.h>

#include <cstddef>

// Writes the 13 entries in their fixed order, each through its own registry connection.
// machineName null means the local machine. Returns 0 in every case.
int WriteRegistration(const char* serverPath, const char* machineName, const CLSID& clsid,
                      const char* description, const char* versionIndependentProgId,
                      const char* progId, const GUID& libId);

// Deletes the six trees (class, both ProgIDs, AppID, interface, type library) below
// HKEY_CLASSES_ROOT of the local machine, and a 32-bit program's interface and type library
// trees from the 64-bit view as well. Nothing there is the same as success.
void RemoveRegistration(const CLSID& clsid, const IID& iid, const GUID& libId,
                        const char* versionIndependentProgId, const char* progId);

// Creates (or opens) Software\Classes\keyPath[\subkey] below HKEY_LOCAL_MACHINE of machineName
// and, when text is given, sets the key's default value to it. False when the connection, the
// opening of Software\Classes or the creation fails; the setting of the value is not checked.
bool WriteClassesKey(const char* machineName, const char* keyPath, const char* subkey,
                     const char* text);

// Sets the value valueName of the existing key Software\Classes\keyPath below
// HKEY_LOCAL_MACHINE of machineName. False when an argument is missing or an opening fails.
bool WriteClassesValue(const char* machineName, const char* keyPath, const char* valueName,
                       const char* text);

// Deletes parent\subkey with everything below it; returns the registry's result code of the
// last step. A tree deeper than kMaxKeyTreeDepth levels is left alone and gives
// ERROR_STACK_OVERFLOW, so a pathological tree cannot exhaust the stack.
LONG DeleteKeyTree(HKEY parent, const char* subkey);
inline constexpr int kMaxKeyTreeDepth = 512;

// Writes the registry text of id ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", 38 characters and
// a zero) into buffer. On failure (size below 39 included) the buffer holds an empty string
// when it has room for one, and the result is false.
bool GuidToRegistryString(const GUID& id, char* buffer, std::size_t size);
inline constexpr std::size_t kGuidTextSize = 39;
