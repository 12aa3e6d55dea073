// The command table of korlog and the parsing of its command line against it.

#include "tools/korlog/CKorlogArgs.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "ini/IniText.h"
#include "tools/korlog/ItemTypeNames.h"

namespace {

using Command = CKorlogArgs::Command;

enum Mode : unsigned {
  kServer = 1,   // runs against the running server
  kOffline = 2,  // runs on a file given with --file
};

struct CommandInfo {
  Command command;
  const char* pszName;
  bool bTyped;  // the first argument is an item type
  int cMin;     // arguments, the type included
  int cMax;
  unsigned modes;
  const char* pszUsage;
  const char* pszSummary;  // one line for the program's help
  const char* pszHelp;     // the text after the usage line
};

constexpr CommandInfo kCommands[] = {
    {Command::kAdd, "add", true, 3, 3, kServer, "add TYPE COMPONENT ITEM",
     "Records an item under a component.",
     "Records ITEM under COMPONENT with item type TYPE. A special item is written as\n"
     "NAME=VALUE. Prints 1 and exits 0 when the log took the item, prints 0 and exits 1\n"
     "when it refused it.\n"},
    {Command::kRemove, "remove", true, 3, 3, kServer, "remove TYPE COMPONENT ITEM",
     "Removes an item from a component.",
     "Removes ITEM from COMPONENT's section for TYPE; files, reg and start entries go only\n"
     "when their value belongs to TYPE. Prints 1 and exits 0 when an entry was removed,\n"
     "prints 0 and exits 1 otherwise.\n"},
    {Command::kRemoveComponent, "remove-component", false, 1, 1, kServer,
     "remove-component COMPONENT", "Removes a component and its link.",
     "Removes COMPONENT's sections and its link in its parent. Prints 1 and exits 0.\n"},
    {Command::kInstalled, "installed", false, 1, 1, kServer | kOffline, "installed COMPONENT",
     "Asks whether a component is installed.",
     "Asks whether COMPONENT is in the component tree under \"Install\". Prints 1 and exits\n"
     "0 when it is, prints 0 and exits 1 when it is not.\n"},
    {Command::kHas, "has", true, 3, 3, kServer | kOffline, "has TYPE COMPONENT ITEM",
     "Asks whether a component holds an item.",
     "Asks whether COMPONENT's section for TYPE holds ITEM (ignoring case). Prints 1 and\n"
     "exits 0 when it does, prints 0 and exits 1 when it does not.\n"},
    {Command::kMatch, "match", true, 3, 3, kServer | kOffline, "match TYPE COMPONENT SUBSTRING",
     "Finds an item by a part of its name.",
     "Prints the first item of TYPE under COMPONENT that contains SUBSTRING (ignoring case)\n"
     "and exits 0; prints nothing and exits 1 when there is none.\n"},
    {Command::kSpecial, "special", false, 2, 2, kServer | kOffline, "special COMPONENT NAME",
     "Prints a special item's value.",
     "Prints the value of the special item NAME of COMPONENT and exits 0; prints nothing\n"
     "and exits 1 when it is missing or empty.\n"},
    {Command::kParent, "parent", false, 1, 1, kServer | kOffline, "parent COMPONENT",
     "Prints the component that lists a component.",
     "Prints the component that lists COMPONENT (\"Install\" for a top-level one) and exits\n"
     "0; prints nothing and exits 1 when COMPONENT is not installed.\n"},
    {Command::kItems, "items", true, 2, 2, kServer | kOffline, "items TYPE COMPONENT",
     "Lists the items of one type.",
     "Prints the items of TYPE under COMPONENT, one a line (NAME=VALUE for special items),\n"
     "and exits 0; exits 1 when there are none.\n"},
    {Command::kShutdown, "shutdown", false, 0, 1, kServer, "shutdown [KEEP]", "Ends the server.",
     "Unregisters the server and ends it. KEEP 1 (the default) saves the log first, 0\n"
     "deletes the log file, any other number leaves the file as last written. Prints the\n"
     "server's executable path and exits 0.\n"},
    {Command::kTree, "tree", false, 0, 0, kServer | kOffline, "tree", "Draws the component tree.",
     "Draws the component tree from \"Install\" down with each component's item counts.\n"
     "A component met again is shown once more, marked \"(cycle)\" when it is its own\n"
     "ancestor and \"(shown above)\" otherwise, and not expanded. Exits 0.\n"},
    {Command::kCheck, "check", false, 0, 0, kServer | kOffline, "check",
     "Lists what the log records but the machine lacks.",
     "Lists, one a line with tab-separated fields, recorded files (\"file\") and registry\n"
     "entries (\"registry\") that no longer exist on this machine, with their component,\n"
     "and components in the tree that have no section left (\"component\"). Registry paths\n"
     "without a root key are looked up under HKEY_LOCAL_MACHINE; relative paths are not\n"
     "checked. Exits 0 when nothing is found, 1 otherwise.\n"},
    {Command::kNormalize, "normalize", false, 2, 2, 0, "normalize IN OUT",
     "Writes a log file in normal form.",
     "Reads the log file IN with the conversions the server applies and writes it to OUT\n"
     "in normal form. IN is not changed unless it is also OUT. Exits 0.\n"},
    {Command::kUninstall, "uninstall", false, 1, 1, kServer,
     "uninstall COMPONENT [--dry-run] [--yes]",
     "Removes a component's files, registry entries and start-menu entries.",
     "Removes what COMPONENT and every component below it record, children first, and then\n"
     "the components from the log. An item that another installed component also records\n"
     "stays, and so does a component that another one also lists. Files, registry values\n"
     "and shortcuts go first; then folders, registry keys and start-menu folders, deepest\n"
     "first, each only when nothing is left in it (a key goes with its values, never with\n"
     "subkeys). Drive roots, the Windows folder and the folders directly in it, the Program\n"
     "Files and ProgramData folders, the profiles, the start-menu folders themselves, hive\n"
     "roots and the keys directly below them are never removed. A registry value whose path\n"
     "names a key is that key; paths without a root key lie below HKEY_LOCAL_MACHINE;\n"
     "relative start-menu entries lie below the common and the user's Programs folders.\n"
     "A component that leaves something behind keeps it and its link in the log.\n"
     "\n"
     "Prints one line per component and per step: remove (removed), absent, kept (another\n"
     "component records it), refused, not empty or failed, with the path and why.\n"
     "  --dry-run  Only prints the plan; nothing changes.\n"
     "  --yes      Goes ahead. Without --dry-run or --yes the plan is printed and the\n"
     "             command exits 2, changing nothing.\n"
     "Exits 0 when everything went or stays only because another component holds it, 1\n"
     "when something could not go (or would not, with --dry-run) or COMPONENT is not\n"
     "installed.\n"},
};

const CommandInfo* FindCommand(std::string_view name) {
  for (const CommandInfo& info : kCommands) {
    if (initext::EqualsNoCase(name, info.pszName)) return &info;
  }
  return nullptr;
}

const CommandInfo* FindCommand(Command command) {
  for (const CommandInfo& info : kCommands) {
    if (info.command == command) return &info;
  }
  return nullptr;
}

bool IsHelpSwitch(std::string_view arg) {
  return arg == "/?" || arg == "-?" || arg == "-h" || arg == "--help";
}

bool ParseLong(const std::string& text, long& n) {
  if (text.empty()) return false;
  errno = 0;
  char* pEnd = nullptr;
  const long long value = std::strtoll(text.c_str(), &pEnd, 10);
  if (errno != 0 || *pEnd != '\0' || value < INT32_MIN || value > INT32_MAX) return false;
  n = static_cast<long>(value);
  return true;
}

}  // namespace

bool CKorlogArgs::Parse(const std::vector<std::string>& argv, std::string& error) {
  std::vector<std::string> positional;
  bool bOptionsEnded = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (bOptionsEnded) {
      positional.push_back(arg);
    } else if (arg == "--") {
      bOptionsEnded = true;
    } else if (IsHelpSwitch(arg)) {
      bHelp = true;
    } else if (arg == "--json") {
      bJson = true;
    } else if (arg == "--dry-run") {
      bDryRun = true;
    } else if (arg == "--yes") {
      bYes = true;
    } else if (arg == "--file" || arg.rfind("--file=", 0) == 0) {
      if (arg == "--file") {
        if (i + 1 == argv.size()) {
          error = "--file needs a path";
          return false;
        }
        strFile = argv[++i];
      } else {
        strFile = arg.substr(7);
      }
      if (strFile.empty()) {
        error = "--file needs a path";
        return false;
      }
      bOffline = true;
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      error = "unknown option " + arg + "; \"korlog /?\" lists the options";
      return false;
    } else {
      positional.push_back(arg);
    }
  }

  if (positional.empty()) {
    if (bHelp) return true;
    error = "no command given; \"korlog /?\" lists the commands";
    return false;
  }
  const CommandInfo* pInfo = FindCommand(positional[0]);
  if (!pInfo) {
    error = "unknown command " + positional[0] + "; \"korlog /?\" lists the commands";
    return false;
  }
  command = pInfo->command;
  if (bHelp) return true;
  if ((bDryRun || bYes) && command != Command::kUninstall) {
    error = std::string(bDryRun ? "--dry-run" : "--yes") + " belongs to uninstall, not " +
            pInfo->pszName;
    return false;
  }

  positional.erase(positional.begin());
  const int cArgs = static_cast<int>(positional.size());
  if (cArgs < pInfo->cMin || cArgs > pInfo->cMax) {
    error = std::string("wrong number of arguments; usage: korlog ") + pInfo->pszUsage;
    return false;
  }
  if (bOffline && !(pInfo->modes & kOffline)) {
    error = pInfo->modes & kServer
                ? std::string(pInfo->pszName) + " changes the log and needs the server; --file " +
                      "is only read"
                : std::string(pInfo->pszName) + " takes its files as arguments, not --file";
    return false;
  }
  if (pInfo->bTyped) {
    const std::optional<int> type = itemtypes::Parse(positional[0]);
    if (!type) {
      error = "unknown item type " + positional[0] + "; use 0 to 7 or " +
              "child, files, files2, reg, reg2, start, start2, special";
      return false;
    }
    nType = *type;
    positional.erase(positional.begin());
  }
  if (command == Command::kShutdown && !positional.empty()) {
    if (!ParseLong(positional[0], nKeep)) {
      error = "KEEP must be a number, not " + positional[0];
      return false;
    }
    positional.clear();
  }
  args = std::move(positional);
  return true;
}

std::string CKorlogArgs::HelpText(Command command) {
  if (const CommandInfo* pInfo = FindCommand(command)) {
    std::string text = std::string("Usage: korlog [--file PATH] [--json] ") + pInfo->pszUsage +
                       "\n\n" + pInfo->pszHelp;
    if (pInfo->bTyped) text += "\nTYPE is a number or a name: " + itemtypes::Summary() + ".\n";
    if (!(pInfo->modes & kOffline)) {
      text += "\nNeeds the running server; not available with --file.\n";
    }
    text += "\nExit status: 2 for a usage error, 3 when the server cannot be reached.\n";
    return text;
  }
  std::string text =
      "Reads and changes the install log kept by the KorLog server, or reads a log file.\n"
      "\n"
      "Usage: korlog [--file PATH] [--json] COMMAND [ARGUMENTS]\n"
      "       korlog COMMAND /?\n"
      "\n"
      "Options:\n"
      "  --file PATH  Reads the log file PATH instead of asking the server. The file is\n"
      "               only read; commands that change the log are refused.\n"
      "  --json       Writes the answer as JSON.\n"
      "  /?, --help   Shows this help, or a command's help after the command.\n"
      "\n"
      "Commands:\n";
  for (const CommandInfo& info : kCommands) {
    std::string line = std::string("  ") + info.pszUsage;
    // A usage longer than the column keeps its whole text; its summary follows it.
    line.resize(line.size() < 35 ? 35 : line.size() + 2, ' ');
    text += line + info.pszSummary + "\n";
  }
  text += "\nTYPE is a number or a name: " + itemtypes::Summary() +
          ".\n"
          "\n"
          "Exit status: 0 yes, 1 no, 2 usage error, 3 server unreachable.\n";
  return text;
}
