// korlog's command line: the options, the command and its arguments, checked against the
// command table. Options are --file PATH, --json, uninstall's --dry-run and --yes, and the
// help switches (/?, -?, -h, --help), anywhere before "--"; everything else is positional,
// the first being the command.
#pragma once

#include <string>
#include <vector>

class CKorlogArgs {
 public:
  enum class Command {
    kNone,
    kAdd,
    kRemove,
    kRemoveComponent,
    kInstalled,
    kHas,
    kMatch,
    kSpecial,
    kParent,
    kItems,
    kShutdown,
    kTree,
    kCheck,
    kNormalize,
    kUninstall,
  };

  // Parses the arguments after the program name. False, with a one-line message in error,
  // on an unknown option or command, a wrong argument count, an unknown item type or a
  // command that cannot run in the mode asked for.
  bool Parse(const std::vector<std::string>& argv, std::string& error);

  // The help text of the program (kNone) or of one command.
  static std::string HelpText(Command command);

  Command command = Command::kNone;
  bool bHelp = false;
  bool bJson = false;
  bool bOffline = false;          // --file given
  bool bDryRun = false;           // uninstall only shows its plan
  bool bYes = false;              // uninstall goes ahead
  std::string strFile;            // the path after --file
  int nType = 0;                  // the item type of the commands that take one
  long nKeep = 1;                 // shutdown's argument; 1 saves the log
  std::vector<std::string> args;  // the command's arguments after the type
};
