// `uninstall`: what removing a component means on this machine, worked out from the log
// before anything changes, and then carried out. The plan covers the component and every
// component below it (children first), turns their recorded files, registry entries and
// start-menu entries into removals, keeps what another installed component also records,
// refuses the system's own folders and keys, and removes folders and keys only when empty.
// Afterwards the log forgets what is gone; a component that left something behind keeps it
// and its link, so that `check` and a later run see it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/korlog/CJsonWriter.h"
#include "tools/korlog/ILogClient.h"
#include "tools/korlog/IUninstallMachine.h"

struct CUninstallStep {
  enum class Kind { kFile, kFolder, kRegValue, kRegKey, kShortcut, kMenuFolder };
  enum class State {
    kRemove,    // planned
    kRemoved,   // done
    kAbsent,    // not on the machine; nothing to do
    kKept,      // another component records it or something in it
    kRefused,   // a drive root, a system folder or key, a path that is not plain
    kNotEmpty,  // a folder or key that still holds what nobody here recorded
    kFailed,    // the removal was tried and did not succeed
  };

  Kind kind;
  State state;
  std::string target;     // the machine's path: a file system path, or "ROOT\key[\value]"
  std::string note;       // who keeps it, why it is refused or failed; may be empty
  std::string component;  // the first planned component that records it

  // Whether the step leaves nothing that the log must go on recording.
  bool IsSettled() const;
};

class CUninstallPlan {
 public:
  // The plan for removing component; none, with a one-line reason in error, when a call
  // to the log fails.
  static std::optional<CUninstallPlan> Make(ILogClient& log, IUninstallMachine& machine,
                                            const std::string& component, std::string& error);

  // Carries out the plan: removals in order, then the log. False, with a one-line reason in
  // error, when a call to the log fails (the machine is then changed already).
  bool Execute(ILogClient& log, IUninstallMachine& machine, std::string& error);

  // Whether nothing of the component was found, neither in the tree nor in sections.
  bool IsUnknown() const { return m_bUnknown; }
  // True when everything goes, or stays only because another component holds it.
  bool IsComplete() const;

  // The plan before Execute, the result after it: one line per component and step.
  std::string ToText() const;
  void ToJson(CJsonWriter& json) const;

  const std::vector<CUninstallStep>& Steps() const { return m_steps; }
  // Components to remove, children first.
  const std::vector<std::string>& Components() const { return m_components; }

 private:
  // One item a planned component records, and the steps that carry it out.
  struct Record {
    std::string component;
    int type;
    std::string item;
    std::vector<size_t> steps;
  };
  struct KeptComponent {
    std::string name;
    std::string holder;  // an installed component outside the plan that lists it
  };

  // Per planned component: whether it leaves the log (nothing of it stays).
  std::vector<bool> Outcomes() const;
  bool IsSettled(const Record& record) const;

  std::string m_strComponent;
  bool m_bUnknown = false;
  bool m_bDone = false;
  std::vector<std::string> m_components;
  std::vector<std::vector<std::string>> m_children;  // per planned component
  std::vector<KeptComponent> m_kept;
  std::vector<CUninstallStep> m_steps;
  std::vector<Record> m_records;

  friend class CPlanBuilder;
};
