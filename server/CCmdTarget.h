// Command routing of the window layer: a menu or key command is offered to a chain of
// targets, each of which handles it or passes; a command nobody handles is shown disabled.
#pragma once

#include <windows.h>

class CCmdTarget {
 public:
  enum class CmdAction {
    kExecute,  // run the command's handler
    kQuery,    // only say whether a handler exists (to enable its menu item)
  };

  virtual ~CCmdTarget() = default;

  // True when this target handles command nID (and, for kExecute, has run it).
  virtual bool OnCmdMsg(UINT nID, CmdAction action) = 0;
};
