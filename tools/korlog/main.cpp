// korlog.exe: the command-line client of the install log, for batch installers, support
// and offline inspection. Everything but the Windows connections lives in CKorlogApp.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/korlog/CComApartment.h"
#include "tools/korlog/CDispatchLogClient.h"
#include "tools/korlog/CKorlogApp.h"
#include "tools/korlog/CWin32MachineState.h"
#include "tools/korlog/CWin32UninstallMachine.h"
#include "win32/Win32IniPlatform.h"
#include "win32/Win32Text.h"

int main(int argc, char** argv) {
  InstallWin32IniPlatform();
  const CComApartment apartment;
  CWin32MachineState machine;
  CWin32UninstallMachine uninstallMachine;
  CKorlogApp app(
      [&apartment](std::string& error) -> std::unique_ptr<ILogClient> {
        if (FAILED(apartment.Result())) {
          error = CDispatchLogClient::DescribeHresult(apartment.Result());
          return nullptr;
        }
        return CDispatchLogClient::Connect(error);
      },
      machine, [](std::string_view text) { return win32text::AnsiToUtf8(text); },
      &uninstallMachine);
  const int status = app.Main(std::vector<std::string>(argv + 1, argv + argc));
  std::fwrite(app.Out().data(), 1, app.Out().size(), stdout);
  std::fwrite(app.Err().data(), 1, app.Err().size(), stderr);
  std::fflush(stdout);
  return status;
}
