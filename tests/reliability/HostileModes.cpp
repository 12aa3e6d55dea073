// Hostile text through the automation interface: a seeded random driver calls every method
// with awkward item types and strings, checks each answer against LogModel, then saves,
// restarts the server and checks that the file and the answers read back as the model says
// the format carries them.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "installlog/tests/LogModel.h"
#include "tests/reliability/RelModes.h"
#include "tests/reliability/RelSupport.h"

namespace {

const std::wstring kTokens[] = {
    L"",
    L"=",
    L";",
    L"[",
    L"]",
    L"%s",
    L"%n",
    L"%d%s%n",
    L"\t",
    L" ",
    L"a",
    L"B",
    L"Comp",
    L"comp",
    L"x=y",
    L"=v",
    L"[h]",
    L"0",
    L"1",
    L"2",
    L"-1",
    L" 7",
    L"99999999999999999999",
    L"Install",
    L"\u00e9",
    L"\u00dc",
    L"\u4e2d",
    L"\u00df",
    L"\U0001F600",
    L"\xd800",
    L"\r",
    L"\n",
    L"\r\n",
    std::wstring(1, L'\0'),
    L"_FILES",
    L"_",
    L"\\",
    L"\"",
    L"portwell",
    L"PortWell",
    L"#",
    L"[x=y]",
    L"\x7f",
    L"\x1b",
};

// Components: a fixed pool so that calls meet each other's sections, names that are hostile
// themselves among them; none is a legacy title or begins with "Uninstaller".
const std::wstring kComponents[] = {
    L"Comp", L"comp",  L"Install",   L"",     L" lead",     L"trail ",
    L"a=b",  L";semi", L"[br]",      L"%s%n", L"tab\there", L"\u00fcn\u00efcode",
    L"A_B",  L"x\0y",  L"Comp\r\nX",
};

class HostileDriver {
 public:
  HostileDriver(uint64_t seed, size_t maxLen) : m_rng(seed), m_maxLen(maxLen) {}

  LONG Type() {
    static const LONG kOdd[] = {INT_MIN, INT_MIN + 1, -1, 8, 9, INT_MAX, INT_MAX - 1, 1000000};
    const uint32_t r = m_rng.Below(100);
    if (r < 80) return static_cast<LONG>(m_rng.Below(8));
    if (r < 95) return kOdd[m_rng.Below(std::size(kOdd))];
    return static_cast<LONG>(static_cast<uint32_t>(m_rng.Next()));
  }

  std::wstring Component() {
    if (m_rng.Below(10) == 0) return Text();
    return kComponents[m_rng.Below(std::size(kComponents))];
  }

  std::wstring Text() {
    if (m_maxLen > 0 && m_rng.Below(400) == 0) return Long();
    // Reuse an earlier item now and then, so that removals and queries find something.
    if (!m_used.empty() && m_rng.Below(3) == 0) return m_used[m_rng.Below(m_used.size())];
    std::wstring text;
    for (uint32_t n = 1 + m_rng.Below(4); n > 0; --n) {
      text += kTokens[m_rng.Below(std::size(kTokens))];
    }
    if (m_used.size() < 400) m_used.push_back(text);
    return text;
  }

  // Up to the maximum length, some exactly that long; a few hostile tokens inside.
  std::wstring Long() {
    const size_t len =
        m_rng.Below(4) == 0 ? m_maxLen : 1 + m_rng.Below(static_cast<uint32_t>(m_maxLen));
    std::wstring text(len, L'L');
    for (int i = 0; i < 8; ++i) {
      const std::wstring& t = kTokens[m_rng.Below(std::size(kTokens))];
      const size_t at = m_rng.Below(static_cast<uint32_t>(len));
      text.replace(at, std::min(t.size(), len - at), t.substr(0, len - at));
    }
    if (m_rng.Below(2)) text.insert(0, L"c=");  // a long special value
    return text;
  }

  // A null BSTR for an empty text now and then; both must mean the empty string.
  UniqueBstr Arg(const std::wstring& text) {
    if (text.empty() && m_rng.Below(2)) return UniqueBstr();
    return rel::Bstr(text);
  }

  rel::Rng& Rng() { return m_rng; }

 private:
  rel::Rng m_rng;
  size_t m_maxLen;
  std::vector<std::wstring> m_used;
};

struct Tally {
  long calls = 0;
  long mismatches = 0;
  long failedCalls = 0;
  void Mismatch(const char* method, const std::wstring& component, LONG type) {
    if (++mismatches <= 20) {
      std::printf("MISMATCH %s type %ld component '%ls' (call %ld)\n", method,
                  static_cast<long>(type), component.c_str(), calls);
    }
  }
};

std::wstring Answer(BSTR b, bool& isNull) {
  isNull = b == nullptr;
  return rel::Wide(b);
}

// One random call, checked against the model.
void RandomCall(ILogComponent* log, HostileDriver& d, LogModel& model, Tally& t) {
  const uint32_t method = d.Rng().Below(100);
  const LONG type = d.Type();
  const std::wstring comp = d.Component();
  const std::wstring item = d.Text();
  const std::string nComp = rel::ServerNarrow(comp), nItem = rel::ServerNarrow(item);
  UniqueBstr bComp = d.Arg(comp), bItem = d.Arg(item);
  LONG result = -7;
  UniqueBstr text;
  HRESULT hr = S_OK;
  ++t.calls;
  const auto checkLong = [&](const char* name, bool expected) {
    if (FAILED(hr)) ++t.failedCalls;
    if (hr != S_OK || result != (expected ? 1 : 0)) t.Mismatch(name, comp, type);
  };
  const auto checkText = [&](const char* name, const std::string& expected) {
    if (FAILED(hr)) ++t.failedCalls;
    bool isNull = false;
    const std::wstring got = Answer(text.Get(), isNull);
    if (hr != S_OK || isNull || got != rel::ServerWide(expected)) t.Mismatch(name, comp, type);
  };
  if (method < 30) {
    hr = log->AddItem(type, bComp.Get(), bItem.Get(), &result);
    checkLong("AddItem", model.AddItem(type, nComp, nItem));
  } else if (method < 42) {
    hr = log->RemoveItem(type, bComp.Get(), bItem.Get(), &result);
    checkLong("RemoveItem", model.RemoveItem(type, nComp, nItem));
  } else if (method < 45) {
    hr = log->RemoveComponent(bComp.Get(), &result);
    checkLong("RemoveComponent", model.RemoveComponent(nComp));
  } else if (method < 53) {
    hr = log->IsInstalled(bComp.Get(), &result);
    checkLong("IsInstalled", model.IsInstalled(nComp));
  } else if (method < 65) {
    hr = log->HasItem(type, bComp.Get(), bItem.Get(), &result);
    checkLong("HasItem", model.HasItem(type, nComp, nItem));
  } else if (method < 75) {
    hr = log->GetMatchingItem(type, bComp.Get(), bItem.Get(), text.Put());
    checkText("GetMatchingItem", model.GetMatchingItem(type, nComp, nItem));
  } else if (method < 83) {
    hr = log->GetSpecialItem(bComp.Get(), bItem.Get(), text.Put());
    checkText("GetSpecialItem", model.GetSpecialItem(7, nComp, nItem));
  } else if (method < 91) {
    hr = log->GetParent(bComp.Get(), text.Put());
    checkText("GetParent", model.GetParent(nComp));
  } else {
    hr = log->GetAllItems(type, bComp.Get(), text.Put());
    checkText("GetAllItems", model.GetAllItems(type, nComp));
  }
}

// Every query over every pool component and type, and over the items used: the answers a
// reloaded log must give. Returns the number of mismatches.
void QueryAll(ILogComponent* log, HostileDriver& d, const LogModel& model, Tally& t) {
  for (const std::wstring& comp : kComponents) {
    const std::string nComp = rel::ServerNarrow(comp);
    UniqueBstr bComp = rel::Bstr(comp);
    LONG result = 0;
    UniqueBstr text;
    ++t.calls;
    if (log->IsInstalled(bComp.Get(), &result) != S_OK ||
        result != (model.IsInstalled(nComp) ? 1 : 0)) {
      t.Mismatch("IsInstalled", comp, 0);
    }
    ++t.calls;
    if (log->GetParent(bComp.Get(), text.Put()) != S_OK ||
        rel::Wide(text.Get()) != rel::ServerWide(model.GetParent(nComp))) {
      t.Mismatch("GetParent", comp, 0);
    }
    for (LONG type = -1; type <= 8; ++type) {
      ++t.calls;
      if (log->GetAllItems(type, bComp.Get(), text.Put()) != S_OK ||
          rel::Wide(text.Get()) != rel::ServerWide(model.GetAllItems(type, nComp))) {
        t.Mismatch("GetAllItems", comp, type);
      }
    }
    for (int i = 0; i < 40; ++i) {
      const std::wstring item = d.Text();
      const std::string nItem = rel::ServerNarrow(item);
      UniqueBstr bItem = rel::Bstr(item);
      const LONG type = static_cast<LONG>(d.Rng().Below(8));
      ++t.calls;
      if (log->HasItem(type, bComp.Get(), bItem.Get(), &result) != S_OK ||
          result != (model.HasItem(type, nComp, nItem) ? 1 : 0)) {
        t.Mismatch("HasItem", comp, type);
      }
      ++t.calls;
      if (log->GetSpecialItem(bComp.Get(), bItem.Get(), text.Put()) != S_OK ||
          rel::Wide(text.Get()) != rel::ServerWide(model.GetSpecialItem(7, nComp, nItem))) {
        t.Mismatch("GetSpecialItem", comp, 7);
      }
    }
  }
}

// The server's path as ShutDown answers it, so that it can be registered again.
const wchar_t kServerPath[] = L"C:\\Program Files\\KorLog\\KorLogServer.exe";

}  // namespace

int RunHostile(const Args& args) {
  if (args.size() < 3) return 2;
  const uint64_t seed = std::stoull(args[0]);
  const long calls = std::stol(args[1]);
  HostileDriver d(seed, std::stoul(args[2]));
  LogModel model;
  Tally t;
  std::printf("hostile: seed %llu, code page %u\n", static_cast<unsigned long long>(seed),
              GetACP());
  {
    ComPtr<ILogComponent> log = rel::CreateLog();
    if (!log) return 1;
    for (long i = 0; i < calls; ++i) RandomCall(log.Get(), d, model, t);
    UniqueBstr exe;
    if (log->ShutDown(1, exe.Put()) != S_OK || rel::Wide(exe.Get()) != kServerPath) {
      t.Mismatch("ShutDown", L"", 1);
    }
  }
  const long randomCalls = t.calls, randomMismatches = t.mismatches;
  if (!rel::WaitServerGone(10000)) std::printf("FAIL: the server did not end after ShutDown\n");

  // What the save wrote, byte for byte, and what a restarted server reads from it.
  const std::string saved = rel::ReadBytes(rel::LogPath());
  const bool sameText = saved == model.Text();
  if (!sameText) {
    std::printf("FAIL: the saved file differs from the model's text (%zu vs %zu bytes)\n",
                saved.size(), model.Text().size());
  }
  const LogModel reloaded = model.Reloaded();
  const bool lossless = reloaded.Text() == model.Text();
  rel::RunAndWait(L"\"" + std::wstring(kServerPath) + L"\" /RegServer", 30000);
  {
    ComPtr<ILogComponent> log = rel::CreateLog();
    if (!log) return 1;
    QueryAll(log.Get(), d, reloaded, t);
  }
  const bool ended = rel::WaitServerGone(10000);
  std::printf(
      "hostile: %ld random calls, %ld mismatches; %ld read-back queries, %ld mismatches; "
      "%ld failed calls; file %s model text; reload %s\n",
      randomCalls, randomMismatches, t.calls - randomCalls, t.mismatches - randomMismatches,
      t.failedCalls, sameText ? "equals" : "DIFFERS from",
      lossless ? "lossless" : "within the format's limits");
  if (!ended) std::printf("FAIL: the server did not end after the last release\n");
  return sameText && ended && t.mismatches == 0 && t.failedCalls == 0 ? 0 : 1;
}

// A special item whose key begins with "[" and whose value ends with "]" is written as a
// line that reads back as a section header: every later entry of that section moves into
// a forged section. Such an item must be refused, or stored so that it reads back.
int RunBracketItem(const Args&) {
  ComPtr<ILogComponent> log = rel::CreateLog();
  if (!log) return 1;
  UniqueBstr comp = rel::Bstr(L"Victim");
  LONG result = 0;
  for (const wchar_t* item : {L"BaseDir=C:\\Victim", L"zeta=kept"}) {
    UniqueBstr b = rel::Bstr(item);
    log->AddItem(7, comp.Get(), b.Get(), &result);
  }
  UniqueBstr forged = rel::Bstr(L"[Install=x]");
  log->AddItem(7, comp.Get(), forged.Get(), &result);
  const bool accepted = result == 1;
  log.Reset();
  rel::WaitServerGone(10000);
  log = rel::CreateLog();
  if (!log) return 1;
  UniqueBstr key = rel::Bstr(L"zeta"), value;
  log->GetSpecialItem(comp.Get(), key.Get(), value.Put());
  const bool kept = rel::Wide(value.Get()) == L"kept";
  UniqueBstr all;
  log->GetAllItems(-1, rel::Bstr(L"Install=x").Get(), all.Put());
  log.Reset();
  rel::WaitServerGone(10000);
  std::printf("bracket-item: forged item %s; 'zeta' after reload: %s; forged section holds '%ls'\n",
              accepted ? "accepted" : "refused", kept ? "kept" : "LOST",
              rel::Wide(all.Get()).c_str());
  return kept ? 0 : 1;
}
