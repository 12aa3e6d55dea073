// A small writer of compact JSON for korlog's answers. Strings come in the log's code page;
// the writer passes them through a conversion to UTF-8 (none natively, the ANSI code page
// on Windows) and escapes what JSON requires.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class CJsonWriter {
 public:
  using TextConversion = std::function<std::string(std::string_view)>;

  explicit CJsonWriter(TextConversion toUtf8 = nullptr) : m_toUtf8(std::move(toUtf8)) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of an object.
  void Key(std::string_view name);
  void String(std::string_view text);
  void Number(long long n);
  void Bool(bool b);

  // The text written, ended by a line feed.
  std::string Text() const { return m_text + "\n"; }

  // text as a quoted JSON string, without conversion.
  static std::string Quote(std::string_view text);

 private:
  void Open(char c);
  void Close(char c);
  void Separate();

  TextConversion m_toUtf8;
  std::string m_text;
  bool m_bNeedComma = false;
};
