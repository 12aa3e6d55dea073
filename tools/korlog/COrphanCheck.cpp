// The check walks the same tree as `tree`, so it sees the components the server sees, and
// asks everything through "all items" answers, so it works alike online and offline.

#include "tools/korlog/COrphanCheck.h"

namespace {

// An item type outside 0 to 7 makes the log list the section named by the component alone
// in full, as key=value lines; "X_FILES" with it lists the section "X_FILES" whatever the
// values of its entries. That is how a section is seen to exist without reading the file.
constexpr int kWholeSection = 8;
constexpr const char* kSuffixes[] = {"", "_FILES", "_REG", "_START", "_SPECIAL"};

void Collect(const CComponentNode& node, std::vector<const CComponentNode*>& out) {
  for (const CComponentNode& child : node.children) {
    if (child.mark != CComponentNode::Mark::kNone) continue;
    out.push_back(&child);
    Collect(child, out);
  }
}

// Appends one orphan per item of the types whose machine state is missing.
bool CheckItems(const CComponentTree::ItemSource& source, IMachineState& machine,
                const std::string& component, int type, COrphan::Kind kind, CCheckReport& report) {
  std::optional<std::string> text = source(type, component);
  if (!text) return false;
  for (std::string& item : CComponentTree::SplitLines(*text)) {
    const IMachineState::Presence presence =
        kind == COrphan::Kind::kFile ? machine.FileState(item) : machine.RegistryState(item);
    if (presence == IMachineState::Presence::kMissing) {
      report.orphans.push_back({kind, component, std::move(item)});
    }
  }
  return true;
}

std::optional<bool> HasAnySection(const CComponentTree::ItemSource& source,
                                  const std::string& component) {
  for (const char* pszSuffix : kSuffixes) {
    std::optional<std::string> text = source(kWholeSection, component + pszSuffix);
    if (!text) return std::nullopt;
    if (!text->empty()) return true;
  }
  return false;
}

}  // namespace

std::optional<CCheckReport> COrphanCheck::Run(const CComponentTree::ItemSource& source,
                                              IMachineState& machine) {
  std::optional<CComponentNode> tree = CComponentTree::Build(source);
  if (!tree) return std::nullopt;
  std::vector<const CComponentNode*> components;
  Collect(*tree, components);

  CCheckReport report;
  for (const CComponentNode* node : components) {
    const std::string& name = node->name;
    if (!CheckItems(source, machine, name, 1, COrphan::Kind::kFile, report) ||
        !CheckItems(source, machine, name, 2, COrphan::Kind::kFile, report) ||
        !CheckItems(source, machine, name, 3, COrphan::Kind::kRegistry, report) ||
        !CheckItems(source, machine, name, 4, COrphan::Kind::kRegistry, report)) {
      return std::nullopt;
    }
    std::optional<bool> bHasSection = HasAnySection(source, name);
    if (!bHasSection) return std::nullopt;
    if (!*bHasSection) report.missingComponents.push_back(name);
  }
  return report;
}

std::string COrphanCheck::ToText(const CCheckReport& report) {
  std::string text;
  for (const COrphan& orphan : report.orphans) {
    text += orphan.kind == COrphan::Kind::kFile ? "file\t" : "registry\t";
    text += orphan.component + "\t" + orphan.item + "\n";
  }
  for (const std::string& component : report.missingComponents) {
    text += "component\t" + component + "\n";
  }
  return text;
}
