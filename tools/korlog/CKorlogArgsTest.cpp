// korlog's command line: what is accepted, what is refused with one line, and how.

#include <gtest/gtest.h>

#include "tools/korlog/CKorlogArgs.h"

using Command = CKorlogArgs::Command;

TEST(KorlogArgs, ParsesCommandsWithTypesAndOptionsAnywhere) {
  CKorlogArgs args;
  std::string error;
  ASSERT_TRUE(args.Parse({"has", "--json", "files2", "Comp", "--file", "x.log", "C:\\a"}, error))
      << error;
  EXPECT_EQ(args.command, Command::kHas);
  EXPECT_EQ(args.nType, 2);
  EXPECT_TRUE(args.bJson);
  EXPECT_TRUE(args.bOffline);
  EXPECT_EQ(args.strFile, "x.log");
  EXPECT_EQ(args.args, (std::vector<std::string>{"Comp", "C:\\a"}));
}

TEST(KorlogArgs, TakesEverythingAfterDoubleDashAsArguments) {
  CKorlogArgs args;
  std::string error;
  ASSERT_TRUE(args.Parse({"MATCH", "--", "reg", "--json", "/?"}, error)) << error;
  EXPECT_EQ(args.command, Command::kMatch);
  EXPECT_EQ(args.nType, 3);
  EXPECT_FALSE(args.bJson);
  EXPECT_FALSE(args.bHelp);
  EXPECT_EQ(args.args, (std::vector<std::string>{"--json", "/?"}));
}

TEST(KorlogArgs, ReadsShutdownKeepWithOneAsDefault) {
  CKorlogArgs args;
  std::string error;
  ASSERT_TRUE(args.Parse({"shutdown"}, error));
  EXPECT_EQ(args.nKeep, 1);
  CKorlogArgs keep;
  ASSERT_TRUE(keep.Parse({"shutdown", "-5"}, error)) << error;
  EXPECT_EQ(keep.nKeep, -5);
}

TEST(KorlogArgs, HelpSwitchesNeedNoArguments) {
  for (const char* pszSwitch : {"/?", "-?", "-h", "--help"}) {
    SCOPED_TRACE(pszSwitch);
    CKorlogArgs program;
    std::string error;
    ASSERT_TRUE(program.Parse({pszSwitch}, error));
    EXPECT_TRUE(program.bHelp);
    EXPECT_EQ(program.command, Command::kNone);
    CKorlogArgs command;
    ASSERT_TRUE(command.Parse({"add", pszSwitch}, error));
    EXPECT_TRUE(command.bHelp);
    EXPECT_EQ(command.command, Command::kAdd);
  }
}

TEST(KorlogArgs, RefusesBadInputWithOneLineNamingTheProblem) {
  const struct {
    std::vector<std::string> argv;
    const char* pszNamed;  // a text the message must hold
  } rows[] = {
      {{}, "no command"},
      {{"frobnicate"}, "frobnicate"},
      {{"installed"}, "korlog installed COMPONENT"},
      {{"installed", "a", "b"}, "korlog installed COMPONENT"},
      {{"add", "files", "C"}, "korlog add TYPE COMPONENT ITEM"},
      {{"add", "file", "C", "x"}, "unknown item type file"},
      {{"items", "8", "C"}, "unknown item type 8"},
      {{"shutdown", "yes"}, "KEEP"},
      {{"shutdown", "99999999999"}, "KEEP"},
      {{"tree", "extra"}, "korlog tree"},
      {{"--file"}, "--file needs a path"},
      {{"--file=", "tree"}, "--file needs a path"},
      {{"--verbose", "tree"}, "--verbose"},
      {{"--file", "x.log", "add", "files", "C", "x"}, "needs the server"},
      {{"--file", "x.log", "remove-component", "C"}, "needs the server"},
      {{"--file", "x.log", "shutdown"}, "needs the server"},
      {{"--file", "x.log", "normalize", "a", "b"}, "not --file"},
      {{"--file", "x.log", "uninstall", "C", "--dry-run"}, "needs the server"},
      {{"uninstall", "--yes"}, "korlog uninstall COMPONENT [--dry-run] [--yes]"},
      {{"remove-component", "C", "--yes"}, "--yes belongs to uninstall"},
      {{"--dry-run", "tree"}, "--dry-run belongs to uninstall"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pszNamed);
    CKorlogArgs args;
    std::string error;
    EXPECT_FALSE(args.Parse(row.argv, error));
    EXPECT_NE(error.find(row.pszNamed), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(KorlogArgs, ProgramHelpListsEveryCommandAndCommandHelpItsUsage) {
  const std::string program = CKorlogArgs::HelpText(Command::kNone);
  for (const char* pszCommand :
       {"add TYPE COMPONENT ITEM", "remove TYPE", "remove-component", "installed", "has TYPE",
        "match TYPE", "special COMPONENT", "parent", "items TYPE", "shutdown [KEEP]", "tree",
        "check", "normalize IN OUT", "uninstall COMPONENT", "--file PATH", "--json", "/?"}) {
    SCOPED_TRACE(pszCommand);
    EXPECT_NE(program.find(pszCommand), std::string::npos);
  }
  const std::string add = CKorlogArgs::HelpText(Command::kAdd);
  EXPECT_NE(add.find("Usage: korlog [--file PATH] [--json] add TYPE COMPONENT ITEM"),
            std::string::npos);
  EXPECT_NE(add.find("7 special"), std::string::npos);
  EXPECT_NE(add.find("not available with --file"), std::string::npos);
  EXPECT_EQ(CKorlogArgs::HelpText(Command::kTree).find("not available with --file"),
            std::string::npos);
}
