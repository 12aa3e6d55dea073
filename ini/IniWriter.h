// Writes a document in normal form: every section as "[name]", its items as "key=value",
// CR LF after every line and a blank line after every section. Saving replaces the file in
// one step, keeping the whole new text beside it while the file may be torn.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "ini/BaseIniFile.h"

class IniWriter {
 public:
  // The normal form of doc.
  static std::string ToText(const BaseIniFile& doc);

  // Writes doc at path through a temporary file and a copy beside it, so that a crash or a
  // full disk leaves the old text or the new one. False, and the old file untouched, when it
  // cannot be written; a document without sections leaves an empty file and returns false.
  static bool Save(const BaseIniFile& doc, const std::string& path);

  // Where Save keeps the complete new text while the file at path may be torn: a copy found
  // there is the text that Read must take.
  static std::string CopyPath(const std::string& path);

 private:
  explicit IniWriter(std::FILE* f);

  // Writes the document in large blocks to the file, or collects it in a string.
  void Write(const BaseIniFile& doc);
  // The written text to pFile, committed to the disk, and pFile closed; false if any failed.
  static bool WriteFile(const BaseIniFile& doc, std::FILE* pFile);
  // Stored text: a line feed inside it is written as text mode writes every line feed.
  void AppendText(std::string_view text);
  void Append(std::string_view text);
  void Flush();

  std::FILE* m_pFile;
  std::string m_strBuffer;
  bool m_bFailed = false;
};
