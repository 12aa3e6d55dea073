// Refusals are decided on the path's text alone, ignoring case, so that a dry run and the
// removal refuse alike and nothing is asked of the machine for them.

#include "tools/korlog/CRemovalGuard.h"

#include <vector>

#include "ini/IniText.h"

namespace {

struct RootName {
  const char* pszLong;
  const char* pszShort;
};

const RootName kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM"}, {"HKEY_CURRENT_USER", "HKCU"},   {"HKEY_CLASSES_ROOT", "HKCR"},
    {"HKEY_USERS", "HKU"},          {"HKEY_CURRENT_CONFIG", "HKCC"},
};

// Keys where Windows and every program register, below the hive roots' own children.
struct SharedKey {
  const char* pszRoot;
  const char* pszKey;
  bool bChildren;  // the keys directly below it are refused too
};

const SharedKey kSharedKeys[] = {
    {"HKLM", "SOFTWARE\\Classes", true},
    {"HKLM", "SOFTWARE\\Wow6432Node", true},
    {"HKLM", "SOFTWARE\\Wow6432Node\\Classes", true},
    {"HKLM", "SOFTWARE\\Microsoft", false},
    {"HKLM", "SOFTWARE\\Microsoft\\Windows", false},
    {"HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", true},
    {"HKLM", "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion", true},
    {"HKLM", "SYSTEM\\CurrentControlSet", true},
    {"HKCU", "Software\\Classes", true},
    {"HKCU", "Software\\Microsoft", false},
    {"HKCU", "Software\\Microsoft\\Windows", false},
    {"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion", true},
};

std::vector<std::string_view> Elements(std::string_view path) {
  std::vector<std::string_view> elements;
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find('\\', begin);
    if (end == std::string_view::npos) end = path.size();
    if (end > begin) elements.push_back(path.substr(begin, end - begin));
    begin = end + 1;
  }
  return elements;
}

std::string_view Parent(std::string_view path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return {};
  // "C:\x" has the parent "C:\", which keeps its backslash.
  return path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);
}

bool IsDriveRoot(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return path.size() == 3;
  // "\\server\share" is the root of a network drive.
  return path.size() > 2 && path[0] == '\\' && path[1] == '\\' && Elements(path).size() <= 2;
}

}  // namespace

CRemovalGuard::CRemovalGuard(IUninstallMachine::Places places) : m_places(std::move(places)) {
  for (std::string& folder : m_places.folders) folder = NormalPath(folder);
  for (std::string& parent : m_places.parents) parent = NormalPath(parent);
  if (!m_places.strCommonPrograms.empty()) {
    m_places.folders.push_back(NormalPath(m_places.strCommonPrograms));
  }
  if (!m_places.strUserPrograms.empty()) {
    m_places.folders.push_back(NormalPath(m_places.strUserPrograms));
  }
}

std::string CRemovalGuard::NormalPath(std::string_view path) {
  std::string normal(path);
  for (char& c : normal) {
    if (c == '/') c = '\\';
  }
  const size_t keep = normal.size() >= 2 && normal[1] == ':' ? 3 : 1;
  while (normal.size() > keep && normal.back() == '\\') normal.pop_back();
  return normal;
}

bool CRemovalGuard::IsAbsolute(std::string_view path) {
  const bool bDrive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool bUnc = path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
  return bDrive || bUnc;
}

bool CRemovalGuard::IsBelow(std::string_view child, std::string_view parent) {
  if (parent.empty() || child.size() <= parent.size()) return false;
  if (!initext::EqualsNoCase(child.substr(0, parent.size()), parent)) return false;
  return parent.back() == '\\' || child[parent.size()] == '\\';
}

std::string CRemovalGuard::RefusePath(std::string_view path, bool bFolder) const {
  if (!IsAbsolute(path)) return "not an absolute path";
  for (std::string_view element : Elements(path)) {
    if (element == "." || element == "..") return "not a plain path";
  }
  if (IsDriveRoot(path)) return "a drive root";
  for (const std::string& folder : m_places.folders) {
    if (initext::EqualsNoCase(path, folder)) return "a system folder";
  }
  for (const std::string& parent : m_places.parents) {
    if (initext::EqualsNoCase(path, parent)) return "a system folder";
    if (bFolder && initext::EqualsNoCase(Parent(path), parent)) return "a system folder";
  }
  return {};
}

CRemovalGuard::RegPath CRemovalGuard::ParseRegistry(std::string_view path) {
  std::vector<std::string_view> elements = Elements(path);
  RegPath reg;
  reg.root = "HKLM";
  size_t first = 0;
  if (!elements.empty()) {
    for (const RootName& root : kRoots) {
      if (initext::EqualsNoCase(elements[0], root.pszLong) ||
          initext::EqualsNoCase(elements[0], root.pszShort)) {
        reg.root = root.pszShort;
        first = 1;
        break;
      }
    }
  }
  for (size_t i = first; i < elements.size(); ++i) {
    if (!reg.key.empty()) reg.key += '\\';
    reg.key += elements[i];
  }
  return reg;
}

std::string CRemovalGuard::RefuseKey(const RegPath& key) {
  const size_t depth = Elements(key.key).size();
  if (depth == 0) return "a registry root";
  // Below HKEY_USERS each user's hive holds "Software" and the like one level down.
  if (depth == 1 || (key.root == "HKU" && depth == 2)) return "a system key";
  for (const SharedKey& shared : kSharedKeys) {
    if (key.root != shared.pszRoot) continue;
    if (initext::EqualsNoCase(key.key, shared.pszKey)) return "a system key";
    if (shared.bChildren && initext::EqualsNoCase(Parent(key.key), shared.pszKey)) {
      return "a system key";
    }
  }
  return {};
}
