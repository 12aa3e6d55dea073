// The install log: one INI document read from "KorFiles.log", with the rules that turn its
// sections and keys into a record of installed components (item types, the component tree
// under "Install"), the conversion of sections written by older installers, and the merging
// of the logs that uninstall directories and a remote copy hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ini/BaseIniFile.h"
#include "installlog/IInstallPlatform.h"
#include "installlog/LogJournal.h"

class LogFile : public BaseIniFile {
 public:
  // Item types a client passes with an item.
  enum ItemType {
    ChildItem = 0,
    FilesItem1 = 1,
    FilesItem2 = 2,
    RegItem1 = 3,
    RegItem2 = 4,
    StartItem1 = 5,
    StartItem2 = 6,
    SpecialItem = 7,
  };

  struct SectionInfo {
    bool bValid = false;
    const char* pszSuffix = nullptr;  // null for the component's own section
    int nValueNumber = 0;
  };

  // An empty log that reads nothing; the platform is used by Assimilate and Load.
  explicit LogFile(IInstallPlatform& platform);

  // Reads the main file at path (created empty when missing), then runs the grouping of
  // driver and printer sections and the legacy conversion.
  LogFile(const std::string& path, IInstallPlatform& platform);

  // --- loader hooks ---
  void MapSectionName(std::string& name) override;
  bool FilterItem(BaseIniItem& item) override;

  // --- item types and names ---
  static SectionInfo SectionForType(int type);
  // "Uninstaller" followed by the uninstaller suffix.
  std::string UninstallerComponent() const;
  const std::string& UninstallerSuffix() const { return m_strUninstallerSuffix; }
  void SetUninstallerSuffix(std::string suffix) { m_strUninstallerSuffix = std::move(suffix); }

  // --- the journal ---
  // From now on every change made through AddItem, RemoveItem, RemoveComponent and a merge
  // that deletes its file is appended to pJournal before the call returns (null: none).
  void SetJournal(LogJournal* pJournal) { m_pJournal = pJournal; }
  // Makes the change a journal record describes, as the call that wrote it did; nothing is
  // journaled.
  void Apply(const LogJournalRecord& record);

  // --- operations offered to clients (no trace lines here) ---
  bool AddItem(int type, const std::string& component, const std::string& item);
  bool RemoveItem(int type, const std::string& component, const std::string& item);
  bool RemoveComponent(const std::string& component);  // always true
  bool IsInstalled(const std::string& component) const;
  bool HasItem(int type, const std::string& component, const std::string& item) const;
  std::string GetMatchingItem(int type, const std::string& component,
                              const std::string& substring) const;
  std::string GetSpecialItem(int type, const std::string& component, const std::string& item) const;
  std::string GetParent(const std::string& component) const;
  // Matching keys (or key=value lines for value number 0), each ended by one line feed.
  std::string GetAllItems(int type, const std::string& component) const;

  // --- legacy conversion, run over the whole log after every read ---
  void GroupDriverAndPrinterSections();
  void ConvertLegacySections();

  // --- discovery and merging ---
  // Merges the file at path (created empty when missing), converts, and deletes the file
  // afterwards when asked and it is safe to. Returns the result of the read.
  bool Load(const std::string& path, bool bDeleteAfterwards);
  // Merges the logs of every uninstall directory named under the install key of the local
  // machine (pMachine null) or of a named one.
  void Assimilate(const std::string* pMachine = nullptr);
  // True when nothing exists at path or its file version is 7.3 or later.
  bool IsCurrentVersion(const std::string& path) const;
  // "C:\x" on machine M becomes "\\M\C$\x" when a machine is named.
  static void ToAdminSharePath(std::string& path, const std::string* pMachine);

 private:
  // The changes themselves, journaled by their public callers.
  bool PutItem(int type, const std::string& component, const std::string& item);
  bool DropItem(int type, const std::string& component, const std::string& item);
  void DropComponent(const std::string& component);
  void MergeText(std::string_view text);
  // The conversion pass that follows every read.
  void ConvertMerged();

  IInstallPlatform& m_platform;
  std::string m_strUninstallerSuffix;
  LogJournal* m_pJournal = nullptr;
};

// Appends to names the install key's value names that contain "UNSTDIR" (ignoring case)
// and differ from excluded; true when at least one was appended and no read failed.
bool FindUninstallDirValues(IInstallPlatform& platform, const std::string& excluded,
                            std::vector<std::string>& names, const std::string* pMachine);
