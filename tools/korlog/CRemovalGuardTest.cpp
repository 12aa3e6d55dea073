// The refusals: which paths and keys an uninstall never removes, whatever the log records.

#include <gtest/gtest.h>

#include "tools/korlog/CRemovalGuard.h"

namespace {

CRemovalGuard Guard() {
  IUninstallMachine::Places places;
  places.folders = {"C:\\Program Files", "C:\\ProgramData", "C:\\Users\\Bob\\"};
  places.parents = {"C:\\Windows", "C:\\Users"};
  places.strCommonPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  places.strUserPrograms = "C:/Users/Bob/AppData/Roaming/Microsoft/Windows/Start Menu/Programs";
  return CRemovalGuard(places);
}

}  // namespace

TEST(RemovalGuard, RefusesSystemFoldersButNotWhatTheyHold) {
  const struct {
    const char* pszPath;
    bool bFolder;
    const char* pszRefusal;
  } kRows[] = {
      {"D:", true, "not an absolute path"},
      {"d:\\", true, "a drive root"},
      {"\\\\server\\share", true, "a drive root"},
      {"\\\\server\\share\\app", true, ""},
      {"C:\\WINDOWS\\SysWOW64", true, "a system folder"},
      {"C:\\Windows\\Fonts", true, "a system folder"},
      {"C:\\Windows\\kor.ini", false, ""},
      {"C:\\Windows\\System32\\drivers", false, ""},
      {"C:\\Windows\\System32\\drivers\\kor.sys", false, ""},
      {"c:\\users", false, "a system folder"},
      {"C:\\Users\\Alice", true, "a system folder"},
      {"C:\\Users\\Alice\\Kor", true, ""},
      {"C:\\Users\\bob", true, "a system folder"},
      {"c:\\program files", true, "a system folder"},
      {"C:\\Program Files\\Kor", true, ""},
      {"C:\\ProgramData", true, "a system folder"},
      {"C:\\Users\\Bob\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs", true,
       "a system folder"},
      {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Kor", true, ""},
      {"C:\\Kor\\..\\Windows", true, "not a plain path"},
      {"C:\\Kor\\.\\a.dll", false, "not a plain path"},
      {"Kor\\a.dll", false, "not an absolute path"},
  };
  const CRemovalGuard guard = Guard();
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.pszPath);
    EXPECT_EQ(guard.RefusePath(CRemovalGuard::NormalPath(row.pszPath), row.bFolder),
              row.pszRefusal);
  }
}

TEST(RemovalGuard, RefusesHiveRootsTheirChildrenAndTheSharedKeys) {
  const struct {
    const char* pszPath;
    const char* pszText;
    const char* pszRefusal;
  } kRows[] = {
      {"HKEY_LOCAL_MACHINE", "HKLM", "a registry root"},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\", "HKLM\\SOFTWARE", "a system key"},
      {"hkcu\\Software", "HKCU\\Software", "a system key"},
      {"HKCR\\CLSID", "HKCR\\CLSID", "a system key"},
      {"HKEY_CLASSES_ROOT\\.kor", "HKCR\\.kor", "a system key"},
      {"HKU\\S-1-5-21\\Software", "HKU\\S-1-5-21\\Software", "a system key"},
      {"HKU\\S-1-5-21\\Software\\Kor", "HKU\\S-1-5-21\\Software\\Kor", ""},
      {"Software\\Kor", "HKLM\\Software\\Kor", ""},
      {"SOFTWARE", "HKLM\\SOFTWARE", "a system key"},
      {"HKLM\\SOFTWARE\\Classes\\KorLog.Component", "HKLM\\SOFTWARE\\Classes\\KorLog.Component",
       "a system key"},
      {"HKLM\\SOFTWARE\\Classes\\KorLog.Component\\CLSID",
       "HKLM\\SOFTWARE\\Classes\\KorLog.Component\\CLSID", ""},
      {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
       "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "a system key"},
      {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kor",
       "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kor", ""},
      {"HKLM\\SYSTEM\\CurrentControlSet\\Services", "HKLM\\SYSTEM\\CurrentControlSet\\Services",
       "a system key"},
      {"HKLM\\SYSTEM\\CurrentControlSet\\Services\\KorDrv",
       "HKLM\\SYSTEM\\CurrentControlSet\\Services\\KorDrv", ""},
      {"HKEY_CURRENT_CONFIG\\\\Software\\Kor", "HKCC\\Software\\Kor", ""},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.pszPath);
    const CRemovalGuard::RegPath path = CRemovalGuard::ParseRegistry(row.pszPath);
    EXPECT_EQ(path.Text(), row.pszText);
    EXPECT_EQ(CRemovalGuard::RefuseKey(path), row.pszRefusal);
  }
}
