// JSON output: structure, escaping, and the conversion of strings to UTF-8.

#include <gtest/gtest.h>

#include "tools/korlog/CJsonWriter.h"

TEST(JsonWriter, SeparatesMembersAndElementsWithCommas) {
  CJsonWriter json;
  json.BeginObject();
  json.Key("a");
  json.BeginArray();
  json.String("x");
  json.Number(-2);
  json.BeginObject();
  json.EndObject();
  json.EndArray();
  json.Key("b");
  json.Bool(false);
  json.EndObject();
  EXPECT_EQ(json.Text(), "{\"a\":[\"x\",-2,{}],\"b\":false}\n");
}

TEST(JsonWriter, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(CJsonWriter::Quote("C:\\a \"b\"\t\n\x01\x7f"),
            "\"C:\\\\a \\\"b\\\"\\t\\n\\u0001\\u007f\"");
}

TEST(JsonWriter, PassesStringsButNotKeysThroughTheConversion) {
  CJsonWriter json([](std::string_view text) { return "<" + std::string(text) + ">"; });
  json.BeginObject();
  json.Key("k");
  json.String("v");
  json.EndObject();
  EXPECT_EQ(json.Text(), "{\"k\":\"<v>\"}\n");
}
