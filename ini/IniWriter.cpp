// Writing a document in normal form, and its durable save; see IniWriter.h.
#include "ini/IniWriter.h"

#include <memory>
#include <utility>

#include "ini/BaseIniSection.h"
#include "ini/IniPlatform.h"

namespace {

constexpr size_t kChunk = 1 << 16;
constexpr std::string_view kEol = "\r\n";
// Beside the file: the text being written, and the whole text while the file may be torn.
constexpr char kTempSuffix[] = ".tmp";
constexpr char kCopySuffix[] = ".new";

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

IniWriter::IniWriter(std::FILE* f) : m_pFile(f) { m_strBuffer.reserve(kChunk * 4); }

std::string IniWriter::ToText(const BaseIniFile& doc) {
  IniWriter writer(nullptr);
  writer.Write(doc);
  return std::move(writer.m_strBuffer);
}

std::string IniWriter::CopyPath(const std::string& path) { return path + kCopySuffix; }

bool IniWriter::Save(const BaseIniFile& doc, const std::string& path) {
  IIniPlatform& platform = GetIniPlatform();
  if (doc.IsEmpty()) {
    // An empty document still empties the file, as it always has.
    FilePtr file(std::fopen(path.c_str(), "wb"));
    return false;
  }
  // Write the new text beside the log and swap it in, so that a crash or a full disk
  // leaves the old log or the new one, never a torn one.
  const std::string temp = path + kTempSuffix;
  {
    FilePtr file(std::fopen(temp.c_str(), "wb"));
    if (!file) return false;
    if (!WriteFile(doc, file.release())) {
      platform.RemoveFile(temp);
      return false;
    }
  }
  // The complete text first becomes the copy that Read trusts over the log, then the log.
  // Both steps are single renames, so at every moment the copy or the log is whole.
  const std::string copy = CopyPath(path);
  if (platform.ReplaceFile(temp, copy) != 0) {
    platform.RemoveFile(temp);
    return false;
  }
  const int error = platform.ReplaceFile(copy, path);
  if (error == 0) return true;
  if (!platform.IsSharingError(error)) {
    platform.RemoveFile(copy);
    return false;
  }

  // Another process holds the log open and the system will not swap it: rewrite it in
  // place, which is what a plain save would have done. Until that is done and flushed the
  // copy stays, so a crash in between leaves the whole text for the next Read.
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    platform.RemoveFile(copy);  // the log was not touched
    return false;
  }
  if (!WriteFile(doc, file.release())) return false;
  platform.RemoveFile(copy);
  return true;
}

bool IniWriter::WriteFile(const BaseIniFile& doc, std::FILE* pFile) {
  IniWriter writer(pFile);
  writer.Write(doc);
  const bool bCommitted = !writer.m_bFailed && GetIniPlatform().CommitFile(pFile);
  const bool bClosed = std::fclose(pFile) == 0;
  return bCommitted && bClosed;
}

// Inline, as are the helpers below: Write calls them for every key and value.
inline void IniWriter::Write(const BaseIniFile& doc) {
  for (auto pos = doc.GetHeadPosition(); pos;) {
    const BaseIniSection* pSection = doc.GetNext(pos);
    Append("[");
    AppendText(pSection->name);
    Append("]");
    Append(kEol);
    for (auto itemPos = pSection->GetHeadPosition(); itemPos;) {
      const IniItemView item = pSection->GetNext(itemPos);
      AppendText(item.key);
      Append("=");
      AppendText(item.value);
      Append(kEol);
    }
    Append(kEol);
  }
  Flush();
}

inline void IniWriter::AppendText(std::string_view text) {
  for (size_t lf; (lf = text.find('\n')) != std::string_view::npos;) {
    Append(text.substr(0, lf));
    Append(kEol);
    text.remove_prefix(lf + 1);
  }
  Append(text);
}

inline void IniWriter::Append(std::string_view text) {
  m_strBuffer.append(text);
  if (m_pFile && m_strBuffer.size() >= kChunk * 4) Flush();
}

inline void IniWriter::Flush() {
  if (!m_pFile || m_strBuffer.empty()) return;
  if (std::fwrite(m_strBuffer.data(), 1, m_strBuffer.size(), m_pFile) != m_strBuffer.size()) {
    m_bFailed = true;
  }
  m_strBuffer.clear();
}
