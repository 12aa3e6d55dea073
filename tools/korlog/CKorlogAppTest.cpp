// korlog end to end without Windows: golden logs read offline, a fake server behind the
// connector, and every way a command can fail.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/korlog/CInertInstallPlatform.h"
#include "tools/korlog/CKorlogApp.h"
#include "tools/korlog/COfflineLogClient.h"

namespace {

const std::string kData = KOR_TESTDATA;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// A server that keeps its log in memory, through LogFile's own operations; it stops
// answering after a given number of calls.
class CFakeServer final : public ILogClient {
 public:
  explicit CFakeServer(int cCallsBeforeFailure = 1 << 30) : m_cLeft(cCallsBeforeFailure) {}

  std::optional<long> AddItem(int t, const std::string& c, const std::string& i) override {
    return Answer<long>(m_log.AddItem(t, c, i));
  }
  std::optional<long> RemoveItem(int t, const std::string& c, const std::string& i) override {
    return Answer<long>(m_log.RemoveItem(t, c, i));
  }
  std::optional<long> RemoveComponent(const std::string& c) override {
    return Answer<long>(m_log.RemoveComponent(c));
  }
  std::optional<long> IsInstalled(const std::string& c) override {
    return Answer<long>(m_log.IsInstalled(c));
  }
  std::optional<long> HasItem(int t, const std::string& c, const std::string& i) override {
    return Answer<long>(m_log.HasItem(t, c, i));
  }
  std::optional<std::string> GetMatchingItem(int t, const std::string& c,
                                             const std::string& s) override {
    return Answer(m_log.GetMatchingItem(t, c, s));
  }
  std::optional<std::string> GetSpecialItem(const std::string& c, const std::string& n) override {
    return Answer(m_log.GetSpecialItem(7, c, n));
  }
  std::optional<std::string> GetParent(const std::string& c) override {
    return Answer(m_log.GetParent(c));
  }
  std::optional<std::string> GetAllItems(int t, const std::string& c) override {
    return Answer(m_log.GetAllItems(t, c));
  }
  std::optional<std::string> ShutDown(long keep) override {
    m_nKeep = keep;
    return Answer(std::string("C:\\KorLogServer.exe"));
  }
  std::string ErrorText() const override { return "0x800706BA The RPC server is unavailable"; }

  LogFile& Log() { return m_log; }
  long m_nKeep = -100;

 private:
  template <class T>
  std::optional<T> Answer(T value) {
    if (m_cLeft-- <= 0) return std::nullopt;
    return value;
  }

  CInertInstallPlatform m_platform;
  LogFile m_log{m_platform};
  int m_cLeft;
};

// Hands the connector a client without giving up the test's own fake.
class CForwarder final : public ILogClient {
 public:
  explicit CForwarder(ILogClient& target) : m_target(target) {}
  std::optional<long> AddItem(int t, const std::string& c, const std::string& i) override {
    return m_target.AddItem(t, c, i);
  }
  std::optional<long> RemoveItem(int t, const std::string& c, const std::string& i) override {
    return m_target.RemoveItem(t, c, i);
  }
  std::optional<long> RemoveComponent(const std::string& c) override {
    return m_target.RemoveComponent(c);
  }
  std::optional<long> IsInstalled(const std::string& c) override { return m_target.IsInstalled(c); }
  std::optional<long> HasItem(int t, const std::string& c, const std::string& i) override {
    return m_target.HasItem(t, c, i);
  }
  std::optional<std::string> GetMatchingItem(int t, const std::string& c,
                                             const std::string& s) override {
    return m_target.GetMatchingItem(t, c, s);
  }
  std::optional<std::string> GetSpecialItem(const std::string& c, const std::string& n) override {
    return m_target.GetSpecialItem(c, n);
  }
  std::optional<std::string> GetParent(const std::string& c) override {
    return m_target.GetParent(c);
  }
  std::optional<std::string> GetAllItems(int t, const std::string& c) override {
    return m_target.GetAllItems(t, c);
  }
  std::optional<std::string> ShutDown(long keep) override { return m_target.ShutDown(keep); }
  std::string ErrorText() const override { return m_target.ErrorText(); }

 private:
  ILogClient& m_target;
};

class CNoMachine final : public IMachineState {
 public:
  Presence FileState(const std::string&) override { return Presence::kUnknown; }
  Presence RegistryState(const std::string&) override { return Presence::kUnknown; }
};

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome RunWith(ILogClient* pServer, const std::vector<std::string>& argv) {
  CNoMachine machine;
  CKorlogApp app(
      [pServer](std::string& error) -> std::unique_ptr<ILogClient> {
        if (pServer) return std::make_unique<CForwarder>(*pServer);
        error = "0x80040154 Class not registered";
        return nullptr;
      },
      machine);
  const int status = app.Main(argv);
  return {status, app.Out(), app.Err()};
}

}  // namespace

struct QueryRow {
  const char* pszLog;
  std::vector<std::string> argv;
  const char* pszOut;
  int status;
};

TEST(KorlogOffline, AnswersQueriesOnGoldenLogs) {
  const QueryRow rows[] = {
      {"current.log", {"installed", "HEXALOOM"}, "1\n", 0},
      {"current.log", {"installed", "Nothing"}, "0\n", 1},
      {"current.log", {"installed", "Retired"}, "0\n", 1},
      {"current.log", {"parent", "ZenTara"}, "hexaloom\n", 0},
      {"current.log", {"parent", "Tunedeck"}, "Install\n", 0},
      {"current.log", {"parent", "Nothing"}, "", 1},
      {"current.log",
       {"has", "files", "Hexaloom", "C:\\PROGRAM FILES\\KORVANE\\HEXALOOM\\README.TXT"},
       "1\n",
       0},
      {"current.log", {"has", "reg", "Hexaloom", "software\\korvane\\nothing"}, "0\n", 1},
      {"current.log",
       {"match", "files", "hexaloom", "ReadMe"},
       "c:\\program files\\korvane\\hexaloom\\readme.txt\n",
       0},
      {"current.log", {"match", "files2", "hexaloom", "ReadMe"}, "", 1},
      {"current.log",
       {"special", "Hexaloom", "BASEDIR"},
       "C:\\Program Files\\Korvane\\Hexaloom\n",
       0},
      {"current.log", {"special", "Hexaloom", "flags"}, "a=b\n", 0},
      {"current.log", {"special", "Hexaloom", "none"}, "", 1},
      {"current.log",
       {"items", "files", "Hexaloom"},
       "c:\\program files\\korvane\\hexaloom\\hexaloom.exe\n"
       "c:\\program files\\korvane\\hexaloom\\readme.txt\n",
       0},
      {"current.log",
       {"items", "2", "Hexaloom"},
       "c:\\program files\\korvane\\hexaloom\\data\n",
       0},
      {"current.log",
       {"items", "special", "Hexaloom"},
       "basedir=C:\\Program Files\\Korvane\\Hexaloom\nflags=a=b\n",
       0},
      {"current.log", {"items", "child", "Install"}, "Driver\nhexaloom\nphantom\ntunedeck\n", 0},
      {"current.log", {"items", "start", "Hexaloom"}, "", 1},
      {"current.log", {"--json", "installed", "Hexaloom"}, "{\"result\":1}\n", 0},
      {"current.log", {"parent", "--json", "zentara"}, "{\"result\":\"hexaloom\"}\n", 0},
      {"current.log", {"parent", "--json", "Nothing"}, "{\"result\":\"\"}\n", 1},
      {"current.log",
       {"items", "reg", "Hexaloom", "--json"},
       "{\"result\":[\"hkey_local_machine\\\\software\\\\korvane\\\\hexaloom\"]}\n",
       0},
      {"legacy.log",
       {"items", "files", "Hexaloom"},
       "c:\\program files\\korvane\\hexaloom\\ding.wav\n"
       "c:\\program files\\korvane\\hexaloom\\hexaloom.exe\n",
       0},
      {"legacy.log", {"items", "reg", "hexaloom"}, "software\\korvane\\hexaloom\n", 0},
      {"legacy.log",
       {"special", "Hexaloom", "BaseDir"},
       "C:\\Program Files\\Korvane\\Hexaloom\n",
       0},
      {"legacy.log", {"items", "start", "Hexaloom"}, "C:\\Menu\\Korvane\\Read Me.lnk\n", 0},
      {"legacy.log", {"items", "start", "Uninstaller"}, "C:\\Menu\\Korvane\\Tool.lnk\n", 0},
      {"legacy.log", {"special", "Uninstaller", "BaseGroup"}, "C:\\Menu\\Korvane\n", 0},
      {"legacy.log",
       {"items", "special", "Scheduler"},
       "BaseDir=C:\\Scheduler\nSchedulerType=weekly\n",
       0},
      {"legacy.log", {"parent", "Driver Alpha"}, "Driver\n", 0},
      {"legacy.log", {"installed", "driver alpha"}, "1\n", 0},
      {"legacy.log",
       {"items", "child", "Install"},
       "Driver\nhexaloom\nscheduler\nuninstaller\n",
       0},
  };
  for (const QueryRow& row : rows) {
    std::vector<std::string> argv = {"--file", kData + "/" + row.pszLog};
    argv.insert(argv.end(), row.argv.begin(), row.argv.end());
    std::string trace = row.pszLog;
    for (const std::string& arg : row.argv) trace += " " + arg;
    SCOPED_TRACE(trace);
    const Outcome outcome = RunWith(nullptr, argv);
    EXPECT_EQ(outcome.out, row.pszOut);
    EXPECT_EQ(outcome.status, row.status);
    EXPECT_EQ(outcome.err, "");
  }
}

TEST(KorlogOffline, DrawsTheTreesOfTheGoldenLogs) {
  for (const char* pszLog : {"current", "legacy"}) {
    SCOPED_TRACE(pszLog);
    const std::string path = kData + "/" + pszLog;
    const Outcome text = RunWith(nullptr, {"--file", path + ".log", "tree"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, Slurp(path + ".tree.txt"));
    const Outcome json = RunWith(nullptr, {"--file", path + ".log", "tree", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, Slurp(path + ".tree.json"));
  }
}

TEST(KorlogOffline, NeverChangesTheFileItReads) {
  const std::string path = kData + "/legacy.log";
  const std::string before = Slurp(path);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  for (const std::vector<std::string>& command : {std::vector<std::string>{"tree"},
                                                  {"check"},
                                                  {"items", "start", "Uninstaller"},
                                                  {"add", "files", "X", "y"},
                                                  {"remove-component", "Hexaloom"}}) {
    std::vector<std::string> argv = {"--file", path};
    argv.insert(argv.end(), command.begin(), command.end());
    RunWith(nullptr, argv);
  }
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(Slurp(path), before);
  EXPECT_EQ(after.st_mtime, st.st_mtime);
}

TEST(KorlogOffline, RefusesAMissingFileWithoutCreatingIt) {
  const std::string path = ::testing::TempDir() + "korlog-missing.log";
  std::remove(path.c_str());
  const Outcome outcome = RunWith(nullptr, {"--file", path, "installed", "A"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err.rfind("korlog: cannot read " + path, 0), 0u) << outcome.err;
  EXPECT_FALSE(Exists(path));
}

TEST(KorlogOffline, RefusesADirectory) {
  const Outcome outcome = RunWith(nullptr, {"--file", kData, "tree"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("cannot read"), std::string::npos);
}

TEST(KorlogNormalize, WritesTheLegacyLogInNormalForm) {
  const std::string out = ::testing::TempDir() + "korlog-normal.log";
  std::remove(out.c_str());
  const std::string before = Slurp(kData + "/legacy.log");
  const Outcome outcome = RunWith(nullptr, {"normalize", kData + "/legacy.log", out});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Slurp(out), Slurp(kData + "/legacy.normal.log"));
  EXPECT_EQ(Slurp(kData + "/legacy.log"), before);
  std::remove(out.c_str());
}

TEST(KorlogNormalize, RefusesAMissingInputAndWritesNothing) {
  const std::string in = ::testing::TempDir() + "korlog-none.log";
  const std::string out = ::testing::TempDir() + "korlog-none-out.log";
  std::remove(in.c_str());
  std::remove(out.c_str());
  const Outcome outcome = RunWith(nullptr, {"normalize", in, out});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_FALSE(Exists(in));
  EXPECT_FALSE(Exists(out));
}

TEST(KorlogServer, ChangesAndQueriesGoToTheServer) {
  CFakeServer server;
  EXPECT_EQ(RunWith(&server, {"add", "child", "Install", "Alpha"}).out, "1\n");
  const Outcome add = RunWith(&server, {"add", "files", "Alpha", "C:\\alpha.dll"});
  EXPECT_EQ(add.status, 0);
  EXPECT_EQ(server.Log().GetAllItems(1, "Alpha"), "C:\\alpha.dll\n");
  const Outcome refused = RunWith(&server, {"add", "child", "", "x"});
  EXPECT_EQ(refused.out, "0\n");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(RunWith(&server, {"installed", "alpha"}).status, 0);
  EXPECT_EQ(RunWith(&server, {"remove", "files2", "Alpha", "C:\\alpha.dll"}).status, 1);
  EXPECT_EQ(RunWith(&server, {"remove", "files", "Alpha", "C:\\alpha.dll"}).status, 0);
  EXPECT_EQ(RunWith(&server, {"remove-component", "Alpha"}).out, "1\n");
  EXPECT_EQ(RunWith(&server, {"installed", "alpha"}).status, 1);
  const Outcome shutdown = RunWith(&server, {"shutdown", "2", "--json"});
  EXPECT_EQ(shutdown.out, "{\"result\":\"C:\\\\KorLogServer.exe\"}\n");
  EXPECT_EQ(shutdown.status, 0);
  EXPECT_EQ(server.m_nKeep, 2);
}

TEST(KorlogServer, ReportsAnUnreachableServerWithItsCode) {
  const Outcome outcome = RunWith(nullptr, {"installed", "A"});
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "korlog: cannot reach the log server: 0x80040154 Class not registered\n");
}

TEST(KorlogServer, ReportsAServerThatFailsDuringAWalk) {
  CFakeServer server(5);
  server.Log().AddItem(0, "Install", "A");
  const Outcome outcome = RunWith(&server, {"tree"});
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err,
            "korlog: the log server failed: 0x800706BA The RPC server is unavailable\n");
}

TEST(KorlogUsage, BadInputExitsTwoWithOneLineAndCallsNothing) {
  CFakeServer server(0);  // any call would fail with status 3
  for (const std::vector<std::string>& argv : {std::vector<std::string>{},
                                               {"bogus"},
                                               {"add", "bad", "C", "x"},
                                               {"has", "files", "C"},
                                               {"--nope", "tree"}}) {
    SCOPED_TRACE(argv.empty() ? std::string("(none)") : argv[0]);
    const Outcome outcome = RunWith(&server, argv);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("korlog: ", 0), 0u);
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1);
  }
}

TEST(KorlogUsage, HelpGoesToStandardOutputWithStatusZero) {
  const Outcome program = RunWith(nullptr, {"/?"});
  EXPECT_EQ(program.status, 0);
  EXPECT_EQ(program.out, CKorlogArgs::HelpText(CKorlogArgs::Command::kNone));
  const Outcome command = RunWith(nullptr, {"tree", "--help"});
  EXPECT_EQ(command.status, 0);
  EXPECT_EQ(command.out, CKorlogArgs::HelpText(CKorlogArgs::Command::kTree));
}
