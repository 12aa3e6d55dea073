// The component tree from "Install" down, built only from "all items" answers (children
// are the items of type child), with each component's item counts. A component met again
// is shown once more, marked, and not expanded: a cycle when it is its own ancestor, a
// repeat when it was expanded elsewhere. So every log gives a finite tree.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct CComponentNode {
  enum class Mark { kNone, kCycle, kRepeat };

  std::string name;
  Mark mark = Mark::kNone;
  // Item counts; zero for marked nodes, which are not looked at again.
  size_t cChildren = 0;
  size_t cFiles = 0;  // types files and files2
  size_t cReg = 0;    // types reg and reg2
  size_t cStart = 0;  // types start and start2
  size_t cSpecial = 0;
  std::vector<CComponentNode> children;
};

class CComponentTree {
 public:
  // The text the log answers for "all items of type under component", lines each ended by
  // a line feed; none when the call failed.
  using ItemSource = std::function<std::optional<std::string>(int type, const std::string&)>;

  static constexpr char kRoot[] = "Install";

  // The tree under root; none as soon as a call fails.
  static std::optional<CComponentNode> Build(const ItemSource& source,
                                             const std::string& root = kRoot);

  // The lines of an "all items" answer, without their line feeds.
  static std::vector<std::string> SplitLines(const std::string& text);

  // The tree drawn in the manner of the console's tree command.
  static std::string ToText(const CComponentNode& root);
};
