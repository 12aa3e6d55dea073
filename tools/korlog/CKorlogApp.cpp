// Each command: one call (or a walk of calls) on the log, the answer printed as text or
// JSON, and the exit status that scripts test.

#include "tools/korlog/CKorlogApp.h"

#include "tools/korlog/CComponentTree.h"
#include "tools/korlog/COfflineLogClient.h"
#include "tools/korlog/COrphanCheck.h"
#include "tools/korlog/CUninstallPlan.h"

namespace {

using Command = CKorlogArgs::Command;

void TreeToJson(const CComponentNode& node, CJsonWriter& json) {
  json.BeginObject();
  json.Key("name");
  json.String(node.name);
  if (node.mark != CComponentNode::Mark::kNone) {
    json.Key(node.mark == CComponentNode::Mark::kCycle ? "cycle" : "repeat");
    json.Bool(true);
    json.EndObject();
    return;
  }
  const std::pair<const char*, size_t> counts[] = {{"files", node.cFiles},
                                                   {"reg", node.cReg},
                                                   {"start", node.cStart},
                                                   {"special", node.cSpecial},
                                                   {"childCount", node.cChildren}};
  for (const auto& [pszName, n] : counts) {
    json.Key(pszName);
    json.Number(static_cast<long long>(n));
  }
  json.Key("children");
  json.BeginArray();
  for (const CComponentNode& child : node.children) TreeToJson(child, json);
  json.EndArray();
  json.EndObject();
}

void ReportToJson(const CCheckReport& report, CJsonWriter& json) {
  json.BeginObject();
  json.Key("orphans");
  json.BeginArray();
  for (const COrphan& orphan : report.orphans) {
    json.BeginObject();
    json.Key("kind");
    json.String(orphan.kind == COrphan::Kind::kFile ? "file" : "registry");
    json.Key("component");
    json.String(orphan.component);
    json.Key("item");
    json.String(orphan.item);
    json.EndObject();
  }
  json.EndArray();
  json.Key("components");
  json.BeginArray();
  for (const std::string& component : report.missingComponents) json.String(component);
  json.EndArray();
  json.EndObject();
}

}  // namespace

int CKorlogApp::Fail(int status, const std::string& message) {
  m_strErr += "korlog: " + message + "\n";
  return status;
}

int CKorlogApp::Main(const std::vector<std::string>& argv) {
  CKorlogArgs args;
  std::string error;
  if (!args.Parse(argv, error)) return Fail(kExitUsage, error);
  if (args.bHelp) {
    m_strOut += CKorlogArgs::HelpText(args.command);
    return kExitYes;
  }
  if (args.command == Command::kNormalize) return Normalize(args.args[0], args.args[1]);

  std::unique_ptr<ILogClient> client;
  if (args.bOffline) {
    client = COfflineLogClient::Open(args.strFile, error);
    if (!client) return Fail(kExitUsage, error);
  } else {
    client = m_connect(error);
    if (!client) return Fail(kExitUnreachable, "cannot reach the log server: " + error);
  }
  return Run(args, *client);
}

int CKorlogApp::Yes(bool bJson, std::optional<long> result, const ILogClient& client) {
  if (!result) return Fail(kExitUnreachable, "the log server failed: " + client.ErrorText());
  if (bJson) {
    CJsonWriter json(m_toUtf8);
    json.BeginObject();
    json.Key("result");
    json.Number(*result);
    json.EndObject();
    m_strOut += json.Text();
  } else {
    m_strOut += std::to_string(*result) + "\n";
  }
  return *result != 0 ? kExitYes : kExitNo;
}

int CKorlogApp::Text(bool bJson, const std::optional<std::string>& result,
                     const ILogClient& client) {
  if (!result) return Fail(kExitUnreachable, "the log server failed: " + client.ErrorText());
  if (bJson) {
    CJsonWriter json(m_toUtf8);
    json.BeginObject();
    json.Key("result");
    json.String(*result);
    json.EndObject();
    m_strOut += json.Text();
  } else if (!result->empty()) {
    m_strOut += *result + "\n";
  }
  return result->empty() ? kExitNo : kExitYes;
}

int CKorlogApp::Lines(bool bJson, const std::optional<std::string>& result,
                      const ILogClient& client) {
  if (!result) return Fail(kExitUnreachable, "the log server failed: " + client.ErrorText());
  const std::vector<std::string> lines = CComponentTree::SplitLines(*result);
  if (bJson) {
    CJsonWriter json(m_toUtf8);
    json.BeginObject();
    json.Key("result");
    json.BeginArray();
    for (const std::string& line : lines) json.String(line);
    json.EndArray();
    json.EndObject();
    m_strOut += json.Text();
  } else {
    for (const std::string& line : lines) m_strOut += line + "\n";
  }
  return lines.empty() ? kExitNo : kExitYes;
}

int CKorlogApp::Run(const CKorlogArgs& args, ILogClient& client) {
  const std::vector<std::string>& a = args.args;
  const int type = args.nType;
  const bool bJson = args.bJson;
  const CComponentTree::ItemSource source = [&client](int t, const std::string& component) {
    return client.GetAllItems(t, component);
  };
  switch (args.command) {
    case Command::kAdd:
      return Yes(bJson, client.AddItem(type, a[0], a[1]), client);
    case Command::kRemove:
      return Yes(bJson, client.RemoveItem(type, a[0], a[1]), client);
    case Command::kRemoveComponent:
      return Yes(bJson, client.RemoveComponent(a[0]), client);
    case Command::kInstalled:
      return Yes(bJson, client.IsInstalled(a[0]), client);
    case Command::kHas:
      return Yes(bJson, client.HasItem(type, a[0], a[1]), client);
    case Command::kMatch:
      return Text(bJson, client.GetMatchingItem(type, a[0], a[1]), client);
    case Command::kSpecial:
      return Text(bJson, client.GetSpecialItem(a[0], a[1]), client);
    case Command::kParent:
      return Text(bJson, client.GetParent(a[0]), client);
    case Command::kItems:
      return Lines(bJson, client.GetAllItems(type, a[0]), client);
    case Command::kShutdown: {
      const int status = Text(bJson, client.ShutDown(args.nKeep), client);
      return status == kExitUnreachable ? status : kExitYes;
    }
    case Command::kTree: {
      const std::optional<CComponentNode> tree = CComponentTree::Build(source);
      if (!tree) return Fail(kExitUnreachable, "the log server failed: " + client.ErrorText());
      if (bJson) {
        CJsonWriter json(m_toUtf8);
        TreeToJson(*tree, json);
        m_strOut += json.Text();
      } else {
        m_strOut += CComponentTree::ToText(*tree);
      }
      return kExitYes;
    }
    case Command::kCheck: {
      const std::optional<CCheckReport> report = COrphanCheck::Run(source, m_machine);
      if (!report) return Fail(kExitUnreachable, "the log server failed: " + client.ErrorText());
      if (bJson) {
        CJsonWriter json(m_toUtf8);
        ReportToJson(*report, json);
        m_strOut += json.Text();
      } else {
        m_strOut += COrphanCheck::ToText(*report);
      }
      return report->IsClean() ? kExitYes : kExitNo;
    }
    case Command::kUninstall:
      return Uninstall(args, client);
    case Command::kNormalize:
    case Command::kNone:
      break;
  }
  return Fail(kExitUsage, "no command given; \"korlog /?\" lists the commands");
}

// The plan is printed in every case; only --yes without --dry-run carries it out, and then
// the result is printed instead.
int CKorlogApp::Uninstall(const CKorlogArgs& args, ILogClient& client) {
  const std::string& component = args.args[0];
  if (!m_pUninstall) return Fail(kExitUsage, "uninstall cannot change this machine");
  std::string error;
  std::optional<CUninstallPlan> plan =
      CUninstallPlan::Make(client, *m_pUninstall, component, error);
  if (!plan) return Fail(kExitUnreachable, error);
  if (plan->IsUnknown()) return Fail(kExitNo, component + " is not installed");
  const bool bGo = args.bYes && !args.bDryRun;
  const bool bExecuted = !bGo || plan->Execute(client, *m_pUninstall, error);
  if (args.bJson) {
    CJsonWriter json(m_toUtf8);
    plan->ToJson(json);
    m_strOut += json.Text();
  } else {
    m_strOut += plan->ToText();
  }
  if (!bExecuted) return Fail(kExitUnreachable, error);
  if (!args.bDryRun && !args.bYes) {
    return Fail(kExitUsage, "uninstall changes this machine: add --yes to go ahead, or --dry-run");
  }
  return plan->IsComplete() ? kExitYes : kExitNo;
}

int CKorlogApp::Normalize(const std::string& in, const std::string& out) {
  std::string text;
  std::string error;
  if (!ReadWholeFile(in, text, error)) return Fail(kExitUsage, error);
  std::unique_ptr<COfflineLogClient> log = COfflineLogClient::FromText(text);
  if (!log->Log().Save(out)) {
    // An empty log is written as an empty file and reported as false by the store.
    std::string written;
    if (!log->Log().IsEmpty() || !ReadWholeFile(out, written, error) || !written.empty()) {
      return Fail(kExitUsage, "cannot write " + out);
    }
  }
  return kExitYes;
}
