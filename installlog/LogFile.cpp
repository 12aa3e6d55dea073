// The install log: item types and their sections, the component tree under "Install", the
// loader hooks, the nine client operations, the legacy conversion pass, and the discovery
// and merging of the logs that uninstall directories and the remote copy hold.
#include "installlog/LogFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <optional>
#include <unordered_set>
#include <utility>

#include "ini/IniText.h"
#include "installlog/LegacyTables.h"

namespace {

constexpr std::string_view kInstall = "Install";
constexpr std::string_view kUninstaller = "Uninstaller";
constexpr std::string_view kInstallKey = "SOFTWARE\\Korvane\\Install";
constexpr std::string_view kUnstDir = "UNSTDIR";
constexpr size_t kValueBuffer = 260;
// The registry's own limit on a value name, in characters, plus the terminating zero.
constexpr uint32_t kMaxValueName = 16384;

constexpr LogFile::SectionInfo kTypes[] = {
    {true, nullptr, 1}, {true, "_FILES", 1}, {true, "_FILES", 2}, {true, "_REG", 1},
    {true, "_REG", 2},  {true, "_START", 1}, {true, "_START", 2}, {true, "_SPECIAL", 0},
};

// The leading decimal integer of text as the C library reads it: optional white space, an
// optional sign, digits; 0 without digits. Saturates instead of overflowing.
long long LeadingInteger(std::string_view text, size_t* pEnd = nullptr) {
  size_t i = 0;
  while (i < text.size() && initext::IsSpace(static_cast<unsigned char>(text[i]))) ++i;
  bool bNegative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) bNegative = text[i++] == '-';
  const size_t digitsBegin = i;
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int d = text[i] - '0';
    n = n > (LLONG_MAX - d) / 10 ? LLONG_MAX : n * 10 + d;
  }
  if (pEnd) *pEnd = i == digitsBegin ? std::string_view::npos : i;
  return bNegative ? -n : n;
}

// An entry links its section to the child its key names.
bool IsLink(std::string_view value) { return value.empty() || LeadingInteger(value) > 0; }

// Whether an item's value belongs to the given value number (0 takes every item).
bool MatchesValueNumber(std::string_view value, int nValueNumber) {
  if (nValueNumber == 0) return true;
  if (value.empty()) return nValueNumber == 1;
  return LeadingInteger(value) == nValueNumber;
}

std::string Suffixed(const std::string& component, const char* pszSuffix) {
  return pszSuffix ? component + pszSuffix : component;
}

// The queries ignore validity: an invalid type means the component's own section and
// value number 0.
std::string QuerySection(int type, const std::string& component, int& nValueNumber) {
  const LogFile::SectionInfo info = LogFile::SectionForType(type);
  nValueNumber = info.nValueNumber;
  return Suffixed(component, info.pszSuffix);
}

// A section's name up to its last "_", unless that "_" is the first character.
std::string_view BaseName(std::string_view name) {
  const size_t underscore = name.rfind('_');
  return underscore == std::string_view::npos || underscore == 0 ? name
                                                                 : name.substr(0, underscore);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         initext::CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace

LogFile::LogFile(IInstallPlatform& platform) : m_platform(platform) {}

LogFile::LogFile(const std::string& path, IInstallPlatform& platform) : m_platform(platform) {
  Read(path);  // a missing main file is created empty and gives an empty log
  ConvertMerged();
}

// ---------------------------------------------------------------------------------------
// Loader hooks

// What the hooks convert is not what the file says: they mark the log changed, so that the
// next save writes the converted form.
void LogFile::MapSectionName(std::string& name) {
  for (const legacy::TitleRow& row : legacy::kTitles) {
    if (initext::EqualsNoCase(name, row.pszOldTitle)) {
      name = row.pszNewName;
      MarkChanged();
      break;
    }
  }
  if (!m_strUninstallerSuffix.empty() && StartsWithNoCase(name, kUninstaller)) {
    name.insert(kUninstaller.size(), m_strUninstallerSuffix);
    MarkChanged();
  }
}

bool LogFile::FilterItem(BaseIniItem& item) {
  if (initext::EqualsNoCase(item.key, "portwell")) {
    item.key = "PortwellUtility";
    MarkChanged();
  }
  if (item.value != "0") return true;
  MarkChanged();
  return false;
}

// ---------------------------------------------------------------------------------------
// Item types and names

LogFile::SectionInfo LogFile::SectionForType(int type) {
  if (type < 0 || type >= static_cast<int>(std::size(kTypes))) return SectionInfo{};
  return kTypes[type];
}

std::string LogFile::UninstallerComponent() const {
  return std::string(kUninstaller) + m_strUninstallerSuffix;
}

// ---------------------------------------------------------------------------------------
// Client operations

namespace {

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

bool LogFile::AddItem(int type, const std::string& component, const std::string& item) {
  if (!PutItem(type, component, item)) return false;
  if (m_pJournal) m_pJournal->Append(LogJournalRecord::kAddItem, type, component, item);
  return true;
}

bool LogFile::RemoveItem(int type, const std::string& component, const std::string& item) {
  if (!DropItem(type, component, item)) return false;
  if (m_pJournal) m_pJournal->Append(LogJournalRecord::kRemoveItem, type, component, item);
  return true;
}

bool LogFile::RemoveComponent(const std::string& component) {
  DropComponent(component);
  if (m_pJournal) m_pJournal->Append(LogJournalRecord::kRemoveComponent, 0, component, {});
  return true;
}

void LogFile::Apply(const LogJournalRecord& record) {
  switch (record.kind) {
    case LogJournalRecord::kAddItem:
      PutItem(record.type, record.component, record.item);
      break;
    case LogJournalRecord::kRemoveItem:
      DropItem(record.type, record.component, record.item);
      break;
    case LogJournalRecord::kRemoveComponent:
      DropComponent(record.component);
      break;
    case LogJournalRecord::kMerge: {
      // The merge ran with the suffix of the uninstall directory being merged.
      std::string suffix = std::exchange(m_strUninstallerSuffix, record.component);
      MergeText(record.item);
      m_strUninstallerSuffix = std::move(suffix);
      break;
    }
  }
}

bool LogFile::PutItem(int type, const std::string& component, const std::string& item) {
  const SectionInfo info = SectionForType(type);
  if (!info.bValid) return false;
  // A line break would be saved as a line of its own and come back as another section or
  // key: one crafted name could make a component look installed or drop another's entries.
  if (HasLineBreak(component) || HasLineBreak(item)) return false;
  const std::string section = Suffixed(component, info.pszSuffix);
  if (info.nValueNumber != 0) {
    return SetValue(section, item, std::to_string(info.nValueNumber));
  }
  const size_t equals = initext::FindEquals(item);
  if (equals == std::string::npos) return SetValue(section, item, std::string_view());
  // Saved as the item itself, a line that reads back as a section header ("[Install=x]")
  // would move every later key of its section into another one.
  if (initext::IsSectionHeader(initext::Trim(item))) return false;
  const std::string_view text(item);
  return SetValue(section, text.substr(0, equals), text.substr(equals + 1));
}

bool LogFile::DropItem(int type, const std::string& component, const std::string& item) {
  const SectionInfo info = SectionForType(type);
  if (!info.bValid) return false;
  const std::string section = Suffixed(component, info.pszSuffix);
  if (info.nValueNumber == 0) return RemoveValue(section, item);
  return RemoveValue(section, item, std::to_string(info.nValueNumber));
}

void LogFile::DropComponent(const std::string& component) {
  const std::string parent = GetParent(component);
  if (!parent.empty()) DropItem(ChildItem, parent, component);

  // A section belongs to the component when its base name is the component's name: the
  // section of that very name, or one named component + "_" + a tail without "_". The
  // latter sort together, so one sorted range holds them all.
  if (const Position pos = FindSection(component);
      pos && initext::EqualsNoCase(BaseName(GetAt(pos)->name), component)) {
    RemoveAt(pos);
  }
  const std::string prefix = component + "_";
  for (Position pos = LowerBound(prefix); pos;) {
    const Position here = pos;
    const BaseIniSection* pSection = GetNext(pos);
    if (!StartsWithNoCase(pSection->name, prefix)) break;
    if (initext::EqualsNoCase(BaseName(pSection->name), component)) RemoveAt(here);
  }
}

bool LogFile::IsInstalled(const std::string& component) const {
  return !GetParent(component).empty();
}

bool LogFile::HasItem(int type, const std::string& component, const std::string& item) const {
  int nValueNumber = 0;
  const Position pos = FindSection(QuerySection(type, component, nValueNumber));
  return pos && GetAt(pos)->FindItem(item);
}

std::string LogFile::GetMatchingItem(int type, const std::string& component,
                                     const std::string& substring) const {
  int nValueNumber = 0;
  const Position pos = FindSection(QuerySection(type, component, nValueNumber));
  if (!pos) return std::string();
  std::string needle = substring;
  initext::MakeLower(needle);
  const BaseIniSection* pSection = GetAt(pos);
  for (auto itemPos = pSection->GetHeadPosition(); itemPos;) {
    const IniItemView item = pSection->GetNext(itemPos);
    if (!MatchesValueNumber(item.value, nValueNumber)) continue;
    std::string key(item.key);
    initext::MakeLower(key);
    if (key.find(needle) != std::string::npos) return std::string(item.key);
  }
  return std::string();
}

std::string LogFile::GetSpecialItem(int type, const std::string& component,
                                    const std::string& item) const {
  int nValueNumber = 0;
  return GetValue(QuerySection(type, component, nValueNumber), item);
}

std::string LogFile::GetParent(const std::string& component) const {
  // Depth first from "Install" in walk order, with an explicit stack so that a deep tree
  // cannot exhaust the thread's stack. A section is entered at most once: on a log without
  // cycles a second visit would find nothing new, and on a log with cycles it would never
  // end.
  struct Frame {
    const BaseIniSection* pSection;
    std::string_view name;  // the section's name as the search reached it
    BaseIniSection::Position pos;
  };
  const Position root = FindSection(kInstall);
  if (!root) return std::string();
  std::unordered_set<const BaseIniSection*> visited{GetAt(root)};
  std::vector<Frame> stack{{GetAt(root), kInstall, GetAt(root)->GetHeadPosition()}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (!top.pos) {
      stack.pop_back();
      continue;
    }
    const IniItemView item = top.pSection->GetNext(top.pos);
    if (initext::EqualsNoCase(item.key, component) && IsLink(item.value)) {
      return std::string(top.name);
    }
    const Position child = FindSection(item.key);
    if (child && visited.insert(GetAt(child)).second) {
      stack.push_back({GetAt(child), item.key, GetAt(child)->GetHeadPosition()});
    }
  }
  return std::string();
}

std::string LogFile::GetAllItems(int type, const std::string& component) const {
  int nValueNumber = 0;
  const Position pos = FindSection(QuerySection(type, component, nValueNumber));
  if (!pos) return std::string();
  std::string list;
  const BaseIniSection* pSection = GetAt(pos);
  for (auto itemPos = pSection->GetHeadPosition(); itemPos;) {
    const IniItemView item = pSection->GetNext(itemPos);
    if (!MatchesValueNumber(item.value, nValueNumber)) continue;
    list += item.key;
    if (nValueNumber == 0 && !item.value.empty()) {
      list += '=';
      list += item.value;
    }
    list += '\n';
  }
  return list;
}

// ---------------------------------------------------------------------------------------
// Legacy conversion

void LogFile::GroupDriverAndPrinterSections() {
  // A section 'Driver X...' (first blank right after "Driver") makes X... a driver
  // component; such names sort together, so each kind is one range.
  struct Group {
    std::string_view component;
    std::string_view prefix;
    std::vector<std::string> names;
  };
  Group groups[] = {{"Driver", "Driver ", {}}, {"Printer", "Printer ", {}}};
  bool bAny = false;
  for (Group& group : groups) {
    for (Position pos = LowerBound(group.prefix); pos;) {
      const BaseIniSection* pSection = GetNext(pos);
      if (!StartsWithNoCase(pSection->name, group.prefix)) break;
      group.names.push_back(pSection->name);
      bAny = true;
    }
  }
  if (!bAny) return;
  BaseIniSection* pInstall = FindOrCreateSection(kInstall);
  for (const Group& group : groups) {
    if (group.names.empty()) continue;
    BaseIniSection* pGroup = FindOrCreateSection(group.component);
    for (const std::string& name : group.names) {
      pGroup->SetItem(BaseIniItem(std::string(BaseName(name)), "1"));
    }
    pInstall->SetItem(BaseIniItem(std::string(group.component), "1"));
  }
}

void LogFile::ConvertLegacySections() {
  for (const legacy::SpecialKeyRow& row : legacy::kSpecialKeys) {
    const std::string value = GetValue(row.pszOldSection, row.pszOldKey);
    if (!value.empty()) SetValue(row.pszNewSection, row.pszNewKey, value);
    RemoveValue(row.pszOldSection, row.pszOldKey);
  }

  // Takes the value of key out of the section; empty when the key is missing.
  const auto take = [](BaseIniSection* pSection, std::string_view key) {
    const auto itemPos = pSection->FindItem(key);
    if (!itemPos) return std::string();
    std::string value(pSection->GetAt(itemPos).value);
    pSection->RemoveAt(itemPos);
    return value;
  };

  if (const Position startPos = FindSection("StartMenu")) {
    BaseIniSection* pStart = GetAt(startPos);
    for (const legacy::StartMenuRow& row : legacy::kStartMenu) {
      const std::string value = take(pStart, row.pszKey);
      if (!value.empty()) SetValue(row.pszTargetSection, value, row.pszValue);
    }
    const std::string group = take(pStart, "korvane");
    if (!group.empty()) SetValue(UninstallerComponent() + "_SPECIAL", "BaseGroup", group);
    const std::string uninstaller = UninstallerComponent();
    for (auto itemPos = pStart->GetHeadPosition(); itemPos;) {
      const IniItemView item = pStart->GetNext(itemPos);
      if (!item.key.empty() && !item.value.empty()) {
        PutItem(StartItem1, uninstaller, std::string(item.value));
      }
    }
    RemoveAt(startPos);
  }

  if (const Position schedPos = FindSection("Scheduler_DIR")) {
    BaseIniSection* pSched = GetAt(schedPos);
    for (const legacy::SchedulerRow& row : legacy::kScheduler) {
      const std::string value = take(pSched, row.pszOldKey);
      if (!value.empty()) PutItem(SpecialItem, "Scheduler", row.pszNewKey + ("=" + value));
    }
    RemoveAt(schedPos);
  }
}

// ---------------------------------------------------------------------------------------
// Discovery and merging

bool LogFile::Load(const std::string& path, bool bDeleteAfterwards) {
  // A file that exists but cannot be read to its end is kept: deleting it would lose
  // entries that were never merged.
  const bool bExisted = m_platform.PathExists(path);
  bool bRead = false;
  if (bDeleteAfterwards && bExisted) {
    // The file goes once merged, so its text goes into the journal before that.
    std::string text;
    bRead = ReadFileBytes(path, text);
    MergeText(text);
    if (m_pJournal && !text.empty()) {
      m_pJournal->Append(LogJournalRecord::kMerge, 0, m_strUninstallerSuffix, text);
    }
  } else {
    bRead = Read(path);  // a missing file is created empty, as the log's readers always have
    ConvertMerged();
  }
  if (bDeleteAfterwards && (bRead || !bExisted)) m_platform.DeleteFile(path);
  return bRead;
}

void LogFile::MergeText(std::string_view text) {
  ReadText(text);
  ConvertMerged();
}

void LogFile::ConvertMerged() {
  GroupDriverAndPrinterSections();
  ConvertLegacySections();
}

void LogFile::Assimilate(const std::string* pMachine) {
  m_strUninstallerSuffix.clear();
  const RegKeyPtr root = m_platform.ConnectLocalMachine(pMachine);
  if (!root) return;
  std::vector<std::string> names;
  if (!FindUninstallDirValues(m_platform, "", names, pMachine)) return;
  const RegKeyPtr key =
      m_platform.OpenKey(*root, std::string(kInstallKey), IInstallPlatform::Access::kRead);
  if (!key) return;

  for (const std::string& name : names) {
    unsigned char buffer[kValueBuffer];
    uint32_t type = 0, cbData = 0;
    if (m_platform.QueryValue(*key, name, type, buffer, kValueBuffer, cbData) !=
            IInstallPlatform::kSuccess ||
        type != IInstallPlatform::kTypeString) {
      continue;
    }
    // The text ends at its zero; data that fill the whole buffer without one were cut off
    // and are skipped.
    const size_t cbStored = cbData < kValueBuffer ? cbData : kValueBuffer;
    const void* pZero = std::memchr(buffer, 0, cbStored);
    if (!pZero && cbStored == kValueBuffer) continue;
    const size_t cch = pZero ? static_cast<const unsigned char*>(pZero) - buffer : cbStored;
    std::string text(reinterpret_cast<const char*>(buffer), cch);
    if (text.empty()) continue;
    if (pMachine) ToAdminSharePath(text, pMachine);
    // Without a directory before the last backslash the logs would be looked for, and
    // deleted, at the root of the current drive.
    const size_t slash = text.rfind('\\');
    if (slash == std::string::npos || slash == 0) continue;

    m_strUninstallerSuffix = name.substr(kUnstDir.size());
    const bool bDelete = IsCurrentVersion(text);
    const std::string directory = text.substr(0, slash);
    Load(directory + "\\KorFiles.log", bDelete);
    Load(directory + "\\Extra.log", bDelete);
  }
}

bool LogFile::IsCurrentVersion(const std::string& path) const {
  if (!m_platform.PathExists(path)) return true;
  const std::optional<std::string> version = m_platform.GetFileVersionText(path);
  if (!version) return false;
  // "%d.%d": both numbers must be there, so "7,3,0,0" counts as older.
  size_t end = 0;
  const long long major = LeadingInteger(*version, &end);
  if (end == std::string::npos || end >= version->size() || (*version)[end] != '.') {
    return false;
  }
  const std::string_view rest = std::string_view(*version).substr(end + 1);
  const long long minor = LeadingInteger(rest, &end);
  if (end == std::string::npos) return false;
  return major > 7 || (major == 7 && minor >= 3);
}

void LogFile::ToAdminSharePath(std::string& path, const std::string* pMachine) {
  if (!pMachine || pMachine->empty() || path.size() < 2 || path[1] != ':') return;
  path = "\\\\" + *pMachine + "\\" + path[0] + "$" + path.substr(2);
}

bool FindUninstallDirValues(IInstallPlatform& platform, const std::string& excluded,
                            std::vector<std::string>& names, const std::string* pMachine) {
  std::string excludedUpper = excluded;
  initext::MakeUpper(excludedUpper);
  RegKeyPtr key;
  {
    const RegKeyPtr root = platform.ConnectLocalMachine(pMachine);
    if (!root) return false;
    // Reading is all this needs, and all that a user without elevation is granted.
    key = platform.OpenKey(*root, std::string(kInstallKey), IInstallPlatform::Access::kRead);
  }
  if (!key) return false;
  uint32_t cValues = 0, cchMaxName = 0;
  if (!platform.QueryValueInfo(*key, cValues, cchMaxName)) return false;

  std::vector<char> buffer(std::min(cchMaxName, kMaxValueName - 1) + 1);
  bool bResult = false;
  for (uint32_t index = 0; index < cValues; ++index) {
    auto size = static_cast<uint32_t>(buffer.size());
    long rc = platform.EnumValueName(*key, index, buffer.data(), size);
    if (rc == IInstallPlatform::kMoreData && size < kMaxValueName) {
      // The key has gained a longer name since it was measured: read it again with room
      // for the longest name the registry allows.
      buffer.assign(kMaxValueName, '\0');
      size = kMaxValueName;
      rc = platform.EnumValueName(*key, index, buffer.data(), size);
    }
    if (rc == IInstallPlatform::kMoreData) continue;  // no name to look at
    if (rc != IInstallPlatform::kSuccess) return false;
    buffer[size - 1] = '\0';
    std::string name(buffer.data());
    std::string upper = name;
    initext::MakeUpper(upper);
    if (upper != excludedUpper && upper.find(kUnstDir) != std::string::npos) {
      names.push_back(std::move(name));
      bResult = true;
    }
  }
  return bResult;
}
