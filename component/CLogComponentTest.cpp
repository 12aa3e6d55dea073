// The log component in-process, made by the class factory over a fake host: what it answers
// and traces where the server's own log cannot reach (no log at all, null out-pointers), and
// that ShutDown leaves the policy to its host.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "LogComponent_h.h"
#include "com/CFactory.h"
#include "com/ComPtr.h"
#include "com/UniqueBstr.h"
#include "component/CLogComponent.h"
#include "component/tests/FakeLogComponentHost.h"

namespace {

class CLogComponentTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  void TearDown() override { CoUninitialize(); }

  // A new object over host, made as the server makes it.
  ComPtr<ILogComponent> Create(FakeLogComponentHost& host) {
    ComPtr<CFactory> factory(new CFactory(
        [&](IUnknown* pOuter, CUnknown** ppResult) {
          return CLogComponent::CreateInstance(pOuter, host, m_lifetime, ppResult);
        },
        m_lifetime));
    ComPtr<ILogComponent> p;
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ILogComponent,
                                            reinterpret_cast<void**>(p.Put())));
    return p;
  }

  CServerLifetime m_lifetime{nullptr};
};

UniqueBstr B(const wchar_t* text) { return UniqueBstr(SysAllocString(text)); }

// One log method, called with the long or the BSTR retval it has (the other stays unused).
struct Method {
  const char* name;
  std::function<HRESULT(ILogComponent&, LONG*, BSTR*)> call;
  const char* noLogLine;  // traced when there is no log, or null
};

std::vector<Method> Methods() {
  static const UniqueBstr c = B(L"Alpha"), i = B(L"C:\\alpha.dll");
  return {
      {"AddItem",
       [](ILogComponent& l, LONG* r, BSTR*) { return l.AddItem(1, c.Get(), i.Get(), r); }, nullptr},
      {"RemoveItem",
       [](ILogComponent& l, LONG* r, BSTR*) { return l.RemoveItem(1, c.Get(), i.Get(), r); },
       nullptr},
      {"RemoveComponent",
       [](ILogComponent& l, LONG* r, BSTR*) { return l.RemoveComponent(c.Get(), r); }, nullptr},
      {"IsInstalled", [](ILogComponent& l, LONG* r, BSTR*) { return l.IsInstalled(c.Get(), r); },
       "IsInstalled: No log file found."},
      {"HasItem",
       [](ILogComponent& l, LONG* r, BSTR*) { return l.HasItem(1, c.Get(), i.Get(), r); }, nullptr},
      {"GetMatchingItem",
       [](ILogComponent& l, LONG*, BSTR* s) { return l.GetMatchingItem(1, c.Get(), i.Get(), s); },
       nullptr},
      {"GetSpecialItem",
       [](ILogComponent& l, LONG*, BSTR* s) { return l.GetSpecialItem(c.Get(), i.Get(), s); },
       nullptr},
      {"GetParent", [](ILogComponent& l, LONG*, BSTR* s) { return l.GetParent(c.Get(), s); },
       "GetParent: No log file found."},
      {"GetAllItems", [](ILogComponent& l, LONG*, BSTR* s) { return l.GetAllItems(1, c.Get(), s); },
       "GetAllItems: No log file found."},
  };
}

TEST_F(CLogComponentTest, WithoutALogEveryMethodAnswersZeroOrNullAndThreeSayWhy) {
  FakeLogComponentHost host(false);
  ComPtr<ILogComponent> log = Create(host);
  ASSERT_TRUE(log);
  for (const Method& method : Methods()) {
    SCOPED_TRACE(method.name);
    host.m_lines.clear();
    LONG result = 7;
    BSTR text = reinterpret_cast<BSTR>(static_cast<UINT_PTR>(0x1234));
    EXPECT_EQ(S_OK, method.call(*log.Get(), &result, &text));
    // Only the method's own retval is written.
    EXPECT_TRUE(result == 0 || result == 7);
    EXPECT_EQ(result == 7, text == nullptr);
    const std::vector<std::string> expected =
        method.noLogLine ? std::vector<std::string>{method.noLogLine} : std::vector<std::string>{};
    EXPECT_EQ(expected, host.m_lines);
  }
}

TEST_F(CLogComponentTest, RefusesNullOutPointersWithoutTouchingTheLog) {
  FakeLogComponentHost host;
  ComPtr<ILogComponent> log = Create(host);
  ASSERT_TRUE(log);
  host.m_lines.clear();
  for (const Method& method : Methods()) {
    SCOPED_TRACE(method.name);
    EXPECT_EQ(E_POINTER, method.call(*log.Get(), nullptr, nullptr));
  }
  EXPECT_EQ(E_POINTER, log->ShutDown(1, nullptr));
  EXPECT_TRUE(host.m_lines.empty());
  EXPECT_TRUE(host.m_endServices.empty());
  EXPECT_TRUE(host.GetLog()->IsEmpty());
}

TEST_F(CLogComponentTest, ShutDownLeavesThePolicyToTheHostAndAnswersTheExecutable) {
  FakeLogComponentHost host;
  ComPtr<ILogComponent> log = Create(host);
  ASSERT_TRUE(log);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  for (LONG keep : {0, 1, 2}) {
    UniqueBstr exe;
    ASSERT_EQ(S_OK, log->ShutDown(keep, exe.Put()));
    EXPECT_STREQ(path, exe.Get());
  }
  EXPECT_EQ((std::vector<long>{0, 1, 2}), host.m_endServices);
  EXPECT_EQ(std::vector<std::string>{"CreateInstance: Created a component."}, host.m_lines);
}

}  // namespace
