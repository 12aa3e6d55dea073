// The four constant tables that bring logs written by older installers into the current
// naming: section titles, directory keys, start-menu entries and scheduler settings. They
// are data, read in table order by LogFile's loader hook and its conversion pass.
#pragma once

#include <cstddef>

namespace legacy {

// Old section title and the name it is read under.
struct TitleRow {
  const char* pszOldTitle;
  const char* pszNewName;
};

// A directory entry moved into a "_SPECIAL" section.
struct SpecialKeyRow {
  const char* pszOldSection;
  const char* pszOldKey;
  const char* pszNewSection;
  const char* pszNewKey;
};

// A key of the section "StartMenu" whose value becomes a key of the target section.
struct StartMenuRow {
  const char* pszKey;
  const char* pszTargetSection;
  const char* pszValue;  // "1" for a shortcut, "2" for a folder
};

// A key of the section "Scheduler_DIR" and its new key in "Scheduler_SPECIAL".
struct SchedulerRow {
  const char* pszOldKey;
  const char* pszNewKey;
};

template <class Row>
struct Table {
  const Row* pRows;
  size_t cRows;
  const Row* begin() const { return pRows; }
  const Row* end() const { return pRows + cRows; }
  size_t size() const { return cRows; }
};

extern const Table<TitleRow> kTitles;
extern const Table<SpecialKeyRow> kSpecialKeys;
extern const Table<StartMenuRow> kStartMenu;
extern const Table<SchedulerRow> kScheduler;

}  // namespace legacy
