// `check`: walks the component tree and reports what the log records but the machine no
// longer has (files and registry entries), and components linked into the tree that have
// no section left at all.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/korlog/CComponentTree.h"
#include "tools/korlog/IMachineState.h"

struct COrphan {
  enum class Kind { kFile, kRegistry };
  Kind kind;
  std::string component;
  std::string item;
};

struct CCheckReport {
  std::vector<COrphan> orphans;
  // Components linked into the tree whose own, "_FILES", "_REG", "_START" and "_SPECIAL"
  // sections all hold nothing.
  std::vector<std::string> missingComponents;

  bool IsClean() const { return orphans.empty() && missingComponents.empty(); }
};

class COrphanCheck {
 public:
  // None as soon as a call to the log fails.
  static std::optional<CCheckReport> Run(const CComponentTree::ItemSource& source,
                                         IMachineState& machine);

  // One line per finding, fields separated by tabs: "file", "registry" or "component",
  // then the component, then (for the first two) the item.
  static std::string ToText(const CCheckReport& report);
};
