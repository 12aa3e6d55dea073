// What the main window reports to the application that owns it: the registration commands of
// its menu and the end of the session.
#pragma once

class IMainFrameOwner {
 public:
  // File, Register: the running executable's registration on this machine.
  virtual void OnRegister() = 0;
  // File, Unregister.
  virtual void OnUnregister() = 0;
  // The session really ends (log-off or shutdown); the system ends the process afterwards.
  virtual void OnEndSession() = 0;

 protected:
  ~IMainFrameOwner() = default;
};
