// The plan is made from "all items" answers and the machine's present state only, so a dry
// run shows exactly what a run would do on an unchanged machine. Folders and keys are
// judged deepest first, each after everything inside it, so that a folder whose contents
// all go counts as empty, and one that keeps anything does not.

#include "tools/korlog/CUninstallPlan.h"

#include <algorithm>
#include <map>
#include <set>

#include "ini/IniText.h"
#include "tools/korlog/CComponentTree.h"
#include "tools/korlog/CRemovalGuard.h"

namespace {

using Kind = CUninstallStep::Kind;
using State = CUninstallStep::State;
using NameSet = std::set<std::string, initext::LessNoCase>;
using TargetMap = std::map<std::string, std::string, initext::LessNoCase>;

// The sections a component's entries on the machine are recorded in.
constexpr int kMachineTypes[] = {1, 2, 3, 4, 5, 6};
constexpr char kRoot[] = "Install";

bool IsContainer(Kind kind) {
  return kind == Kind::kFolder || kind == Kind::kRegKey || kind == Kind::kMenuFolder;
}

bool IsRegistry(Kind kind) { return kind == Kind::kRegValue || kind == Kind::kRegKey; }

// Steps are found again by their target, file system and registry apart.
std::string TargetKey(bool bRegistry, const std::string& target) {
  return (bRegistry ? "r:" : "f:") + target;
}

size_t Depth(const std::string& target) {
  return static_cast<size_t>(std::count(target.begin(), target.end(), '\\'));
}

const char* StateName(State state) {
  switch (state) {
    case State::kRemove:
      return "remove";
    case State::kRemoved:
      return "removed";
    case State::kAbsent:
      return "absent";
    case State::kKept:
      return "kept";
    case State::kRefused:
      return "refused";
    case State::kNotEmpty:
      return "not empty";
    case State::kFailed:
      return "failed";
  }
  return "";
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::kFile:
      return "file";
    case Kind::kFolder:
      return "folder";
    case Kind::kRegValue:
      return "registry value";
    case Kind::kRegKey:
      return "registry key";
    case Kind::kShortcut:
      return "shortcut";
    case Kind::kMenuFolder:
      return "start folder";
  }
  return "";
}

// A registry value's key and name: the name is the last element.
void SplitValue(const CRemovalGuard::RegPath& path, std::string& key, std::string& name) {
  const size_t slash = path.key.rfind('\\');
  key = slash == std::string::npos ? std::string() : path.key.substr(0, slash);
  name = path.key.substr(slash == std::string::npos ? 0 : slash + 1);
}

std::string Line(const char* pszState, const char* pszKind, const std::string& target,
                 const std::string& note) {
  std::string line = pszState;
  line.resize(11, ' ');
  line += pszKind;
  line.resize(line.size() < 26 ? 26 : line.size() + 1, ' ');
  line += target;
  if (!note.empty()) line += "  (" + note + ")";
  return line + "\n";
}

}  // namespace

bool CUninstallStep::IsSettled() const {
  return state == State::kRemove || state == State::kRemoved || state == State::kAbsent ||
         state == State::kKept;
}

class CPlanBuilder {
 public:
  CPlanBuilder(ILogClient& log, IUninstallMachine& machine, CUninstallPlan& plan,
               const IUninstallMachine::Places& places)
      : m_log(log), m_machine(machine), m_plan(plan), m_guard(places) {
    for (const std::string* pFolder : {&places.strCommonPrograms, &places.strUserPrograms}) {
      if (!pFolder->empty()) m_programs.push_back(CRemovalGuard::NormalPath(*pFolder));
    }
  }

  bool Build(const std::string& component) {
    m_plan.m_strComponent = component;
    if (!Walk(component)) return false;
    if (!KeepSharedComponents(component)) return false;
    if (!CollectHeld()) return false;
    for (const std::string& name : m_plan.m_components) {
      for (int type : kMachineTypes) {
        std::optional<std::vector<std::string>> items = Items(type, name);
        if (!items) return false;
        for (const std::string& item : *items) AddRecord(name, type, item);
      }
    }
    if (m_plan.m_components.size() == 1 && m_plan.m_records.empty() &&
        m_plan.m_children[0].empty()) {
      std::optional<long> installed = m_log.IsInstalled(component);
      std::optional<std::vector<std::string>> special = Items(7, component);
      if (!installed || !special) return false;
      m_plan.m_bUnknown = *installed == 0 && special->empty();
    }
    JudgeContainers();
    Order();
    return true;
  }

 private:
  std::optional<std::vector<std::string>> Items(int type, const std::string& component) {
    std::optional<std::string> text = m_log.GetAllItems(type, component);
    if (!text) return std::nullopt;
    return CComponentTree::SplitLines(*text);
  }

  // Depth-first below component, each component once, children before their parent.
  bool Walk(const std::string& name) {
    if (!m_visited.insert(name).second) return true;
    std::optional<std::vector<std::string>> children = Items(0, name);
    if (!children) return false;
    for (const std::string& child : *children) {
      if (!Walk(child)) return false;
    }
    m_plan.m_components.push_back(name);
    m_plan.m_children.push_back(std::move(*children));
    return true;
  }

  static void Collect(
      const CComponentNode& node, NameSet& installed,
      std::map<std::string, std::vector<std::string>, initext::LessNoCase>& parents) {
    for (const CComponentNode& child : node.children) {
      parents[child.name].push_back(node.name);
      if (child.mark != CComponentNode::Mark::kNone) continue;
      installed.insert(child.name);
      Collect(child, installed, parents);
    }
  }

  // A component below the one asked for that an installed component outside the plan also
  // lists (or "Install" lists on its own) stays, with everything below it.
  bool KeepSharedComponents(const std::string& component) {
    std::optional<CComponentNode> tree = CComponentTree::Build(
        [this](int type, const std::string& name) { return m_log.GetAllItems(type, name); });
    if (!tree) return false;
    std::map<std::string, std::vector<std::string>, initext::LessNoCase> parents;
    Collect(*tree, m_installed, parents);

    NameSet planned(m_plan.m_components.begin(), m_plan.m_components.end());
    for (bool bChanged = true; bChanged;) {
      bChanged = false;
      for (const std::string& name : m_plan.m_components) {
        if (!planned.count(name) || initext::EqualsNoCase(name, component)) continue;
        for (const std::string& parent : parents[name]) {
          if (planned.count(parent)) continue;
          planned.erase(name);
          m_plan.m_kept.push_back({name, parent});
          bChanged = true;
          break;
        }
      }
    }
    std::vector<std::string> components;
    std::vector<std::vector<std::string>> children;
    for (size_t i = 0; i < m_plan.m_components.size(); ++i) {
      if (!planned.count(m_plan.m_components[i])) continue;
      components.push_back(m_plan.m_components[i]);
      children.push_back(m_plan.m_children[i]);
    }
    m_plan.m_components = std::move(components);
    m_plan.m_children = std::move(children);
    m_planned = std::move(planned);
    return true;
  }

  // The file system paths a start-menu entry may name.
  std::vector<std::string> StartPaths(const std::string& item) const {
    if (CRemovalGuard::IsAbsolute(item)) return {CRemovalGuard::NormalPath(item)};
    std::vector<std::string> paths;
    for (const std::string& programs : m_programs) {
      paths.push_back(CRemovalGuard::NormalPath(programs + "\\" + item));
    }
    return paths;
  }

  // What every installed component outside the plan records: the log's reference count.
  bool CollectHeld() {
    for (const std::string& name : m_installed) {
      if (m_planned.count(name)) continue;
      for (int type : kMachineTypes) {
        std::optional<std::vector<std::string>> items = Items(type, name);
        if (!items) return false;
        for (const std::string& item : *items) {
          if (type == 3 || type == 4) {
            m_heldRegistry.emplace(CRemovalGuard::ParseRegistry(item).Text(), name);
          } else if (type == 5 || type == 6) {
            for (const std::string& path : StartPaths(item)) m_heldFiles.emplace(path, name);
          } else {
            m_heldFiles.emplace(CRemovalGuard::NormalPath(item), name);
          }
        }
      }
    }
    return true;
  }

  void AddRecord(const std::string& component, int type, const std::string& item) {
    CUninstallPlan::Record record{component, type, item, {}};
    if (type == 3 || type == 4) {
      AddRegistryStep(record, item);
    } else if (type == 1 || type == 2) {
      AddFileStep(record, CRemovalGuard::NormalPath(item), type == 2, false);
    } else {
      std::vector<std::string> paths = StartPaths(item);
      if (paths.empty()) paths.push_back(item);  // refused below: not absolute
      // A relative entry is looked for below both "Programs" folders.
      std::vector<std::string> present;
      for (const std::string& path : paths) {
        if (CRemovalGuard::IsAbsolute(path) &&
            m_machine.PathKind(path) != IUninstallMachine::Kind::kMissing) {
          present.push_back(path);
        }
      }
      if (present.empty()) present.push_back(paths[0]);
      for (const std::string& path : present) AddFileStep(record, path, type == 6, true);
    }
    m_plan.m_records.push_back(std::move(record));
  }

  void AddFileStep(CUninstallPlan::Record& record, const std::string& path, bool bFolder,
                   bool bStart) {
    const bool bAbsolute = CRemovalGuard::IsAbsolute(path);
    const IUninstallMachine::Kind found =
        bAbsolute ? m_machine.PathKind(path) : IUninstallMachine::Kind::kUnknown;
    if (found == IUninstallMachine::Kind::kFolder) bFolder = true;
    if (found == IUninstallMachine::Kind::kFile) bFolder = false;
    Kind kind = bFolder ? Kind::kFolder : Kind::kFile;
    if (bStart) kind = bFolder ? Kind::kMenuFolder : Kind::kShortcut;
    State state = State::kRemove;
    std::string note;
    if (found == IUninstallMachine::Kind::kMissing) state = State::kAbsent;
    if (const std::string refusal = m_guard.RefusePath(path, bFolder); !refusal.empty()) {
      state = State::kRefused;
      note = refusal;
    }
    if (auto held = m_heldFiles.find(path); held != m_heldFiles.end()) {
      state = State::kKept;
      note = "recorded by " + held->second;
    }
    AddStep(record, {kind, state, path, note, record.component});
  }

  void AddRegistryStep(CUninstallPlan::Record& record, const std::string& item) {
    const CRemovalGuard::RegPath path = CRemovalGuard::ParseRegistry(item);
    Kind kind = Kind::kRegKey;
    State state = State::kAbsent;
    if (record.type == 3 && !path.key.empty()) {
      // A value, unless only a key of the whole path exists.
      std::string key, name;
      SplitValue(path, key, name);
      kind = Kind::kRegValue;
      if (m_machine.ValueExists(path.root, key, name)) {
        state = State::kRemove;
      } else if (m_machine.KeyExists(path.root, path.key)) {
        kind = Kind::kRegKey;
        state = State::kRemove;
      }
    } else if (path.key.empty() || m_machine.KeyExists(path.root, path.key)) {
      state = State::kRemove;
    }
    std::string note;
    if (kind == Kind::kRegKey) {
      if (const std::string refusal = CRemovalGuard::RefuseKey(path); !refusal.empty()) {
        state = State::kRefused;
        note = refusal;
      }
    }
    if (auto held = m_heldRegistry.find(path.Text()); held != m_heldRegistry.end()) {
      state = State::kKept;
      note = "recorded by " + held->second;
    }
    AddStep(record, {kind, state, path.Text(), note, record.component});
  }

  void AddStep(CUninstallPlan::Record& record, CUninstallStep step) {
    const std::string key = TargetKey(IsRegistry(step.kind), step.target);
    auto found = m_steps.find(key);
    if (found == m_steps.end()) {
      found = m_steps.emplace(key, m_plan.m_steps.size()).first;
      m_plan.m_steps.push_back(std::move(step));
    }
    if (std::find(record.steps.begin(), record.steps.end(), found->second) == record.steps.end()) {
      record.steps.push_back(found->second);
    }
  }

  // The first thing another component records at or below target, as a note; empty when
  // there is none.
  static std::string HeldBelow(const TargetMap& held, const std::string& target) {
    for (const auto& [path, holder] : held) {
      if (CRemovalGuard::IsBelow(path, target)) return "holds " + path + " recorded by " + holder;
    }
    return {};
  }

  // Whether the entry at path goes with the plan.
  bool Goes(bool bRegistry, const std::string& path) const {
    auto found = m_steps.find(TargetKey(bRegistry, path));
    return found != m_steps.end() && m_plan.m_steps[found->second].state == State::kRemove;
  }

  void JudgeContainers() {
    std::vector<size_t> containers;
    for (size_t i = 0; i < m_plan.m_steps.size(); ++i) {
      if (IsContainer(m_plan.m_steps[i].kind)) containers.push_back(i);
    }
    std::stable_sort(containers.begin(), containers.end(), [this](size_t a, size_t b) {
      return Depth(m_plan.m_steps[a].target) > Depth(m_plan.m_steps[b].target);
    });
    for (size_t i : containers) {
      CUninstallStep& step = m_plan.m_steps[i];
      if (step.state != State::kRemove) continue;
      const bool bRegistry = step.kind == Kind::kRegKey;
      const std::string held = HeldBelow(bRegistry ? m_heldRegistry : m_heldFiles, step.target);
      std::optional<std::vector<std::string>> entries;
      if (bRegistry) {
        const CRemovalGuard::RegPath path = CRemovalGuard::ParseRegistry(step.target);
        entries = m_machine.Subkeys(path.root, path.key);
      } else {
        entries = m_machine.FolderEntries(step.target);
      }
      std::vector<std::string> staying;
      for (const std::string& name : entries.value_or(std::vector<std::string>())) {
        const std::string path = step.target + "\\" + name;
        if (!Goes(bRegistry, path)) staying.push_back(path);
      }
      if (!held.empty()) {
        step.state = State::kKept;
        step.note = held;
      } else if (!staying.empty()) {
        step.state = State::kNotEmpty;
        step.note = "holds " + staying[0];
        if (staying.size() > 1) step.note += " and " + std::to_string(staying.size() - 1) + " more";
      }
      // A registry value that another component records keeps its key (held above); the
      // key's other values go with it.
    }
    m_order.assign(containers.begin(), containers.end());
  }

  // Files, values and shortcuts in the order recorded, then folders and keys deepest first.
  void Order() {
    std::vector<size_t> order;
    for (size_t i = 0; i < m_plan.m_steps.size(); ++i) {
      if (!IsContainer(m_plan.m_steps[i].kind)) order.push_back(i);
    }
    order.insert(order.end(), m_order.begin(), m_order.end());
    std::vector<size_t> position(order.size());
    std::vector<CUninstallStep> steps;
    for (size_t i = 0; i < order.size(); ++i) {
      position[order[i]] = i;
      steps.push_back(std::move(m_plan.m_steps[order[i]]));
    }
    m_plan.m_steps = std::move(steps);
    for (CUninstallPlan::Record& record : m_plan.m_records) {
      for (size_t& step : record.steps) step = position[step];
    }
  }

  ILogClient& m_log;
  IUninstallMachine& m_machine;
  CUninstallPlan& m_plan;
  CRemovalGuard m_guard;
  std::vector<std::string> m_programs;
  NameSet m_visited;
  NameSet m_installed;
  NameSet m_planned;
  TargetMap m_heldFiles;
  TargetMap m_heldRegistry;
  std::map<std::string, size_t, initext::LessNoCase> m_steps;
  std::vector<size_t> m_order;
};

std::optional<CUninstallPlan> CUninstallPlan::Make(ILogClient& log, IUninstallMachine& machine,
                                                   const std::string& component,
                                                   std::string& error) {
  CUninstallPlan plan;
  CPlanBuilder builder(log, machine, plan, machine.SystemPlaces());
  if (!builder.Build(component)) {
    error = "the log server failed: " + log.ErrorText();
    return std::nullopt;
  }
  return plan;
}

namespace {

// Carries out one planned step and says how it ended.
void Carry(CUninstallStep& step, IUninstallMachine& machine) {
  std::string error;
  bool bDone = false;
  const CRemovalGuard::RegPath path = CRemovalGuard::ParseRegistry(step.target);
  switch (step.kind) {
    case Kind::kFile:
    case Kind::kShortcut:
      bDone = machine.RemoveFile(step.target, error);
      break;
    case Kind::kFolder:
    case Kind::kMenuFolder:
      bDone = machine.RemoveFolder(step.target, error);
      if (!bDone &&
          !machine.FolderEntries(step.target).value_or(std::vector<std::string>()).empty()) {
        step.state = State::kNotEmpty;
        return;
      }
      break;
    case Kind::kRegValue: {
      std::string key, name;
      SplitValue(path, key, name);
      bDone = machine.RemoveValue(path.root, key, name, error);
      break;
    }
    case Kind::kRegKey:
      bDone = machine.RemoveKey(path.root, path.key, error);
      if (!bDone &&
          !machine.Subkeys(path.root, path.key).value_or(std::vector<std::string>()).empty()) {
        step.state = State::kNotEmpty;
        return;
      }
      break;
  }
  step.state = bDone ? State::kRemoved : State::kFailed;
  if (!bDone) step.note = error;
}

}  // namespace

std::vector<bool> CUninstallPlan::Outcomes() const {
  std::vector<bool> outcomes;
  NameSet planned(m_components.begin(), m_components.end());
  NameSet removed;
  for (size_t i = 0; i < m_components.size(); ++i) {
    const std::string& name = m_components[i];
    bool bAll = true;
    for (const Record& record : m_records) {
      if (initext::EqualsNoCase(record.component, name) && !IsSettled(record)) bAll = false;
    }
    // A child that stays keeps its parent's link to it.
    for (const std::string& child : m_children[i]) {
      if (planned.count(child) && !removed.count(child)) bAll = false;
    }
    if (bAll) removed.insert(name);
    outcomes.push_back(bAll);
  }
  return outcomes;
}

bool CUninstallPlan::IsSettled(const Record& record) const {
  return std::all_of(record.steps.begin(), record.steps.end(),
                     [this](size_t s) { return m_steps[s].IsSettled(); });
}

bool CUninstallPlan::Execute(ILogClient& log, IUninstallMachine& machine, std::string& error) {
  m_bDone = true;
  for (CUninstallStep& step : m_steps) {
    if (step.state == State::kRemove) Carry(step, machine);
  }
  const std::vector<bool> outcomes = Outcomes();
  for (size_t i = 0; i < m_components.size(); ++i) {
    const std::string& name = m_components[i];
    for (const Record& record : m_records) {
      if (!initext::EqualsNoCase(record.component, name) || !IsSettled(record)) continue;
      if (!log.RemoveItem(record.type, name, record.item)) {
        error = "the log server failed: " + log.ErrorText();
        return false;
      }
    }
    if (outcomes[i] && !log.RemoveComponent(name)) {
      error = "the log server failed: " + log.ErrorText();
      return false;
    }
  }
  return true;
}

bool CUninstallPlan::IsComplete() const {
  const std::vector<bool> outcomes = Outcomes();
  return std::all_of(outcomes.begin(), outcomes.end(), [](bool b) { return b; });
}

std::string CUninstallPlan::ToText() const {
  std::string text;
  const std::vector<bool> outcomes = Outcomes();
  for (size_t i = 0; i < m_components.size(); ++i) {
    if (outcomes[i]) {
      text += Line(m_bDone ? "removed" : "remove", "component", m_components[i], "");
    } else {
      text += Line("kept", "component", m_components[i], "keeps what stays");
    }
  }
  for (const KeptComponent& kept : m_kept) {
    text += Line("kept", "component", kept.name, "listed by " + kept.holder);
  }
  for (const CUninstallStep& step : m_steps) {
    text += Line(StateName(step.state), KindName(step.kind), step.target, step.note);
  }
  return text;
}

void CUninstallPlan::ToJson(CJsonWriter& json) const {
  json.BeginObject();
  json.Key("component");
  json.String(m_strComponent);
  json.Key("done");
  json.Bool(m_bDone);
  json.Key("complete");
  json.Bool(IsComplete());
  json.Key("components");
  json.BeginArray();
  const std::vector<bool> outcomes = Outcomes();
  for (size_t i = 0; i < m_components.size(); ++i) {
    json.BeginObject();
    json.Key("name");
    json.String(m_components[i]);
    json.Key("state");
    json.String(!outcomes[i] ? "kept" : m_bDone ? "removed" : "remove");
    json.EndObject();
  }
  for (const KeptComponent& kept : m_kept) {
    json.BeginObject();
    json.Key("name");
    json.String(kept.name);
    json.Key("state");
    json.String("kept");
    json.Key("note");
    json.String("listed by " + kept.holder);
    json.EndObject();
  }
  json.EndArray();
  json.Key("steps");
  json.BeginArray();
  for (const CUninstallStep& step : m_steps) {
    json.BeginObject();
    json.Key("state");
    json.String(StateName(step.state));
    json.Key("kind");
    json.String(KindName(step.kind));
    json.Key("target");
    json.String(step.target);
    json.Key("component");
    json.String(step.component);
    if (!step.note.empty()) {
      json.Key("note");
      json.String(step.note);
    }
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}
