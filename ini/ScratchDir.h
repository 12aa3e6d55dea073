// Test helper: a fresh directory under the system's temporary directory, removed with
// everything in it when the object goes; plus whole-file read and write.
#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> s_cDirs{0};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
      m_path = base / ("kor-ini-" + std::to_string(std::rand()) + "-" + std::to_string(s_cDirs++) +
                       "-" + std::to_string(attempt));
      if (std::filesystem::create_directory(m_path)) break;
    }
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Path(const std::string& name) const { return (m_path / name).string(); }
  const std::filesystem::path& Root() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}
