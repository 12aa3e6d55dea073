// libFuzzer target of the INI reader: any bytes read and written out give a normal form
// that reads back and writes out to exactly the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ini/BaseIniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BaseIniFile first;
  first.ReadText(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string text = first.ToText();
  BaseIniFile second;
  second.ReadText(text);
  if (second.ToText() != text) std::abort();
  return 0;
}
