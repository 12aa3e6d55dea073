// Compact JSON: commas between values, none after a key or an opening bracket.

#include "tools/korlog/CJsonWriter.h"

#include <cstdio>

void CJsonWriter::Separate() {
  if (m_bNeedComma) m_text += ',';
  m_bNeedComma = true;
}

void CJsonWriter::Open(char c) {
  Separate();
  m_text += c;
  m_bNeedComma = false;
}

void CJsonWriter::Close(char c) {
  m_text += c;
  m_bNeedComma = true;
}

void CJsonWriter::Key(std::string_view name) {
  Separate();
  m_text += Quote(name);
  m_text += ':';
  m_bNeedComma = false;
}

void CJsonWriter::String(std::string_view text) {
  Separate();
  m_text += m_toUtf8 ? Quote(m_toUtf8(text)) : Quote(text);
}

void CJsonWriter::Number(long long n) {
  Separate();
  m_text += std::to_string(n);
}

void CJsonWriter::Bool(bool b) {
  Separate();
  m_text += b ? "true" : "false";
}

std::string CJsonWriter::Quote(std::string_view text) {
  std::string out = "\"";
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}
