// Reading INI text into a document: the four kinds of line, merging, the hooks, golden files
// with their normal form, and the generated logs' normal form and lookups.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ini/BaseIniFile.h"
#include "ini/FakeIniPlatform.h"
#include "ini/IniText.h"
#include "ini/ScratchDir.h"

namespace {

std::string Normal(std::string_view text) {
  BaseIniFile doc;
  doc.ReadText(text);
  return doc.ToText();
}

struct TextRow {
  const char* name;
  const char* text;
  const char* normal;
};

TEST(IniRead, TurnsEachKindOfLineIntoItsNormalForm) {
  const TextRow rows[] = {
      {"empty", "", ""},
      {"only blanks and comments", "\n  \r\n; c\n\t;[S]\n", ""},
      {"items before the first header", "a=1\n[S]\nb=2\n", "[S]\r\nb=2\r\n\r\n"},
      {"brackets pair is an item", "[]\n[S]\n[]\n", "[S]\r\n[]=\r\n\r\n"},
      {"spaces inside brackets kept", "  [ My Sec ]  \nK=V\n", "[ My Sec ]\r\nk=V\r\n\r\n"},
      {"header with comment is an item", "[S]\n[X] ;c\n", "[S]\r\n[x] ;c=\r\n\r\n"},
      {"semicolon after value kept", "[S]\nk=v ; c\n", "[S]\r\nk=v ; c\r\n\r\n"},
      {"hash is an item", "[S]\n#K=1\n", "[S]\r\n#k=1\r\n\r\n"},
      {"leading equals dropped", "[S]\n= v\n==\n", "[S]\r\n\r\n"},
      {"no equals", "[S]\nFlag\n", "[S]\r\nflag=\r\n\r\n"},
      {"two equals", "[S]\nA = b = c \n", "[S]\r\na=b = c\r\n\r\n"},
      {"keys lowered, values and names kept", "[MiXed]\nKEY=VaLuE\n",
       "[MiXed]\r\nkey=VaLuE\r\n\r\n"},
      {"headers merge ignoring case", "[S]\na=1\nb=1\n[s]\nA=2\nc=3\n",
       "[S]\r\na=2\r\nb=1\r\nc=3\r\n\r\n"},
      {"sections and keys sorted", "[b]\nz=1\ny=2\n[_A]\nk=1\n[a]\n",
       "[_A]\r\nk=1\r\n\r\n[a]\r\n\r\n[b]\r\ny=2\r\nz=1\r\n\r\n"},
      {"crlf, lf and a last line without one", "[S]\r\nb=2\r\na=1", "[S]\r\na=1\r\nb=2\r\n\r\n"},
      {"white space around lines", " \t[S]\v\f\n\t k \t= \t v \t\r\n", "[S]\r\nk=v\r\n\r\n"},
      {"inner carriage return kept", "[S]\nk=a\rb\r\n", "[S]\r\nk=a\rb\r\n\r\n"},
  };
  for (const TextRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Normal(row.text), row.normal);
  }
}

TEST(IniRead, KeepsNulBytesInsideValues) {
  EXPECT_EQ(Normal(std::string("[S]\nk=a\0b\n", 10)), std::string("[S]\r\nk=a\0b\r\n\r\n", 14));
}

TEST(IniRead, MergesIntoWhatIsThereAndNeverRemoves) {
  BaseIniFile doc;
  doc.SetValue("Keep", "k", "1");
  doc.SetValue("S", "Old", "1");
  doc.ReadText("[s]\nold=2\nnew=3\n");
  EXPECT_EQ(doc.ToText(), "[Keep]\r\nk=1\r\n\r\n[S]\r\nnew=3\r\nold=2\r\n\r\n");
}

// Reads text into doc as the contents of a file.
void ReadAsFile(BaseIniFile& doc, const std::string& text) {
  ScratchDir dir;
  WriteBytes(dir.Path("text.log"), text);
  ASSERT_TRUE(doc.Read(dir.Path("text.log")));
}

TEST(IniRead, JoinsLinesSplitAcrossReadBuffers) {
  // Long lines, some of them across the reader's block boundaries.
  std::string text = "[S]\n";
  for (int i = 0; i < 1500; ++i) {
    const std::string key = "k" + std::string(1000 + i, 'x') + std::to_string(i);
    text += key + "=" + std::to_string(i) + "\r\n";
  }
  BaseIniFile doc;
  doc.ReadText(text);
  BaseIniFile fromFile;
  ReadAsFile(fromFile, text);
  EXPECT_EQ(doc.GetAt(doc.GetHeadPosition())->GetCount(), 1500u);
  EXPECT_TRUE(fromFile.ToText() == doc.ToText());  // not printed: too large
}

class HookedFile : public BaseIniFile {
 public:
  void MapSectionName(std::string& name) override {
    calls.push_back("map " + name);
    if (name == "Old") name = "New";
    if (name == "Drop") name.clear();
  }
  bool FilterItem(BaseIniItem& item) override {
    calls.push_back("filter " + item.key);
    if (item.key == "empty") item.key.clear();
    if (item.key == "upper") item.key = "UPPER";
    if (item.key == "twice") item.value += item.value;
    return item.value != "0";
  }
  std::vector<std::string> calls;
};

TEST(IniRead, AppliesTheHooksInOrder) {
  HookedFile doc;
  doc.ReadText("x=1\n[Old]\na=1\nb=0\n=skip\n[Drop]\nc=1\n[Keep]\nupper=1\nempty=1\n");
  EXPECT_EQ(doc.ToText(), "[Keep]\r\nUPPER=1\r\n\r\n[New]\r\na=1\r\n\r\n");
  EXPECT_EQ(doc.calls, (std::vector<std::string>{"map Old", "filter a", "filter b", "map Drop",
                                                 "map Keep", "filter upper", "filter empty"}));
}

// A text of several megabytes, in the ways real logs come: sections in and out of key order,
// repeated under headers in other cases, keys again in other cases, comments, blank lines,
// both line ends, one line longer than the reader's blocks.
std::string LargeText(unsigned seed) {
  std::mt19937 random(seed);
  const auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
  std::string text = "; generated\n";
  for (int section = 0; section < 400; ++section) {
    const size_t cSection = pick(40);
    std::string name = "Comp" + std::to_string(cSection) + (pick(3) == 0 ? "_FILES" : "");
    if (pick(20) == 0) name = pick(2) ? "Old" : "Drop";  // renamed or dropped by the hook
    if (pick(2)) initext::MakeLower(name);
    text += pick(2) ? "[" + name + "]\r\n" : "  [" + name + "]\n";
    const bool bSorted = pick(2) == 0;
    const size_t cItems = 50 + pick(400);
    for (size_t i = 0; i < cItems; ++i) {
      const size_t n = bSorted ? i : pick(cItems);
      std::string key = "C:\\Program Files\\Korvane\\Comp" + std::to_string(cSection) +
                        "\\bin\\file" + std::to_string(10000 + n) + ".dll";
      if (pick(5) == 0) initext::MakeUpper(key);
      if (pick(50) == 0) {
        static const char* const kChanged[] = {"Upper", "Empty", "Twice"};
        key = kChanged[pick(3)];  // the hook changes these
      }
      const std::string value = pick(20) == 0 ? "0" : std::to_string(pick(3));
      text += key + (pick(4) ? "=" : " = ") + value + (pick(2) ? "\r\n" : "\n");
      if (pick(30) == 0) text += pick(2) ? "; note\n" : "\n";
    }
  }
  text += "[Long]\nkey=" + std::string(1536 * 1024, 'v') + "\nlast=1";
  return text;
}

// What Read must do, one line at a time through the public operations.
void ReadLineByLine(BaseIniFile& doc, std::string_view text) {
  BaseIniSection* pSection = nullptr;
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    const std::string_view line = initext::Trim(text.substr(0, lf));
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (line.empty() || line.front() == ';') continue;
    if (initext::IsSectionHeader(line)) {
      std::string name(line.substr(1, line.size() - 2));
      doc.MapSectionName(name);
      pSection = name.empty() ? nullptr : doc.FindOrCreateSection(name);
      continue;
    }
    BaseIniItem item = BaseIniItem::FromLine(line);
    if (!pSection || item.key.empty() || !doc.FilterItem(item)) continue;
    pSection->SetItem(item);
  }
}

TEST(IniRead, TakesInLargeTextsExactlyLineByLine) {
  for (const bool bDoubleByte : {false, true}) {
    SCOPED_TRACE(bDoubleByte ? "double-byte code page" : "single-byte code page");
    FakeIniPlatform platform;
    if (bDoubleByte) platform.UseDoubleByteCodePage();
    const std::string text = LargeText(bDoubleByte ? 2 : 1);
    HookedFile expected;
    ReadLineByLine(expected, text);
    HookedFile fromText;
    fromText.ReadText(text);
    HookedFile fromFile;
    ReadAsFile(fromFile, text);
    const std::string normal = expected.ToText();
    ASSERT_GT(normal.size(), 2000000u);
    EXPECT_TRUE(fromText.ToText() == normal);  // not printed: too large
    EXPECT_TRUE(fromFile.ToText() == normal);
    EXPECT_TRUE(fromText.calls == expected.calls);
    EXPECT_TRUE(fromFile.calls == expected.calls);
    EXPECT_EQ(fromFile.GetValue("Long", "LAST"), "1");
  }
}

TEST(IniRead, CreatesAMissingFileEmpty) {
  ScratchDir dir;
  BaseIniFile doc;
  doc.SetValue("S", "k", "1");
  ASSERT_TRUE(doc.Read(dir.Path("missing.log")));
  EXPECT_TRUE(std::filesystem::exists(dir.Path("missing.log")));
  EXPECT_EQ(std::filesystem::file_size(dir.Path("missing.log")), 0u);
  EXPECT_EQ(doc.ToText(), "[S]\r\nk=1\r\n\r\n");
}

TEST(IniRead, FailsWhereNoFileCanBeOpenedOrRead) {
  ScratchDir dir;
  BaseIniFile doc;
  EXPECT_FALSE(doc.Read(dir.Path("no-such-dir/x.log")));
  EXPECT_FALSE(doc.Read(dir.Root().string()));  // a directory: no read succeeds
  EXPECT_TRUE(doc.IsEmpty());
}

// Every testdata/NAME.ini read and saved gives testdata/NAME.expected byte for byte.
TEST(IniRead, GoldenFilesComeOutInNormalForm) {
  ScratchDir dir;
  int cFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(KOR_TESTDATA)) {
    if (entry.path().extension() != ".ini") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++cFiles;
    auto expectedPath = entry.path();
    expectedPath.replace_extension(".expected");
    const std::string expected = ReadBytes(expectedPath.string());
    BaseIniFile doc;
    ASSERT_TRUE(doc.Read(entry.path().string()));
    const std::string out = dir.Path("out.log");
    EXPECT_EQ(doc.Save(out), !expected.empty());
    EXPECT_EQ(ReadBytes(out), expected);
  }
  EXPECT_GE(cFiles, 5);
}

// Logs made by tests/tools/genlog.py at build time (the target ini_genlog_s): a missing one
// fails here, it is never skipped.
const char* const kGeneratedLogs[] = {"s-sorted.log", "s-shuffled.log", "s-dups.log"};

std::string GeneratedLog(const char* name) { return std::string(KOR_GENLOG_DIR) + "/" + name; }

TEST(IniRead, GeneratedLogsComeOutAsTheirCanonicalForm) {
  ScratchDir dir;
  for (const char* name : kGeneratedLogs) {
    SCOPED_TRACE(name);
    const std::string log = GeneratedLog(name);
    const std::string canon = ReadBytes(log + ".canon");
    ASSERT_FALSE(canon.empty()) << "no " << log << ".canon: build the target ini_genlog_s";
    ASSERT_TRUE(std::filesystem::exists(log)) << "no " << log;
    BaseIniFile doc;
    ASSERT_TRUE(doc.Read(log));
    ASSERT_TRUE(doc.Save(dir.Path(name)));
    EXPECT_TRUE(ReadBytes(dir.Path(name)) == canon);  // not printed: too large
  }
}

// Each line of NAME.qi names a section and a key in scrambled case and the value that the
// last write of that key left.
TEST(IniRead, GeneratedLogsAnswerLookupsInAnyCase) {
  for (const char* name : kGeneratedLogs) {
    SCOPED_TRACE(name);
    const std::string log = GeneratedLog(name);
    const std::string lookups = ReadBytes(log + ".qi");
    ASSERT_FALSE(lookups.empty()) << "no " << log << ".qi: build the target ini_genlog_s";
    BaseIniFile doc;
    ASSERT_TRUE(doc.Read(log));
    size_t cLookups = 0, cWrong = 0;
    std::string firstWrong;
    std::string_view rest = lookups;
    while (!rest.empty()) {
      const size_t eol = rest.find('\n');
      const std::string_view line = rest.substr(0, eol);
      rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
      const size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
      ASSERT_NE(t2, std::string_view::npos) << "not section<TAB>key<TAB>value: " << line;
      ++cLookups;
      const std::string_view section = line.substr(0, t1), key = line.substr(t1 + 1, t2 - t1 - 1);
      if (doc.GetValue(section, key) != line.substr(t2 + 1) && cWrong++ == 0) firstWrong = line;
    }
    EXPECT_GE(cLookups, 1000u);
    EXPECT_EQ(cWrong, 0u) << "first wrong lookup: " << firstWrong;
  }
}

}  // namespace
