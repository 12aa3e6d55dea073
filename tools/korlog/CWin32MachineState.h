// The machine that `check` looks at: the file system and the registry of this Windows
// machine, in the view of the running program.
#pragma once

#include "tools/korlog/IMachineState.h"

class CWin32MachineState final : public IMachineState {
 public:
  Presence FileState(const std::string& path) override;
  Presence RegistryState(const std::string& path) override;
};
