// What every reliability client shares beyond the COM test-client helpers: the server's log
// file, and finding, waiting for and ending the server's process.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LogComponent_h.h"
#include "com/ComPtr.h"
#include "com/UniqueBstr.h"
#include "tests/common/ComTestClient.h"

namespace rel {

using comtest::Bstr;
using comtest::CreateLog;
using comtest::ServerNarrow;
using comtest::ServerWide;
using comtest::Wide;

std::string SystemFile(const char* name);
std::string LogPath();
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);

// Process ids of every running KorLogServer.exe.
std::vector<DWORD> ServerProcessIds();
// Waits until no server process runs; false on timeout.
bool WaitServerGone(DWORD ms);
// Waits until a server process runs and returns its id; 0 on timeout.
DWORD WaitServerStarted(DWORD ms);

// Runs a program with a command line and waits for it; its exit code, or ~0u.
DWORD RunAndWait(const std::wstring& cmdLine, DWORD ms);

// Microseconds from a fixed start, for latencies.
double NowMicros();

// xorshift64*: the same sequence everywhere for one seed.
class Rng {
 public:
  explicit Rng(uint64_t seed) : m_state(seed * 2654435761u + 0x9E3779B97F4A7C15ull) {}
  uint64_t Next() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 2685821657736338717ull;
  }
  // Uniform in [0, n).
  uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }

 private:
  uint64_t m_state;
};

}  // namespace rel
