// kortrace: a small helper for scripts that test the server from outside.
//   kortrace lines [FILE]   the trace list's lines, escaped, one per line (to FILE or stdout)
//   kortrace state          "visible" or "hidden", once start-up has traced its lines
//   kortrace close          closes the window, as its close box does
//   kortrace wait-gone MS   waits up to MS milliseconds for the server's process to end
// Exit status 2 when no server window exists, 1 when a wait runs out.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/server/TraceWindow.h"

int main(int argc, char** argv) {
  if (argc < 2) return 64;
  TraceWindow window;
  const char* cmd = argv[1];
  if (std::strcmp(cmd, "wait-gone") == 0) {
    if (!window.Find(0)) return 0;
    const DWORD ms = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 3000;
    return WaitProcessGone(window.ProcessId(), ms) ? 0 : 1;
  }
  if (!window.Find()) return 2;
  if (std::strcmp(cmd, "lines") == 0) {
    std::FILE* out = argc > 2 ? std::fopen(argv[2], "wb") : stdout;
    if (out == nullptr) return 3;
    for (const std::string& line : window.Lines()) {
      std::fprintf(out, "%s\n", EscapeLine(line).c_str());
    }
    if (out != stdout) std::fclose(out);
    return 0;
  }
  if (std::strcmp(cmd, "state") == 0) {
    // Shown or hidden only once start-up has traced its lines, after the mode was applied.
    for (int i = 0; i < 250 && window.Lines().size() < 2; ++i) Sleep(20);
    std::printf("%s\n", window.IsVisible() ? "visible" : "hidden");
    return 0;
  }
  if (std::strcmp(cmd, "close") == 0) {
    window.Close();
    return 0;
  }
  return 64;
}
