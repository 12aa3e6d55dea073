// The class factory and the object base in-process, with a test object and a lifetime whose
// close-down step is recorded: the creation order, null out-pointers on every failure, the
// object count and the lock arithmetic that Wine's proxy never lets a client reach.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "com/CFactory.h"
#include "com/CServerLifetime.h"
#include "com/CUnknown.h"
#include "com/ComPtr.h"

namespace {

// What the close-down step saw each time it ran: the object and lock counts.
struct CloseDownSeen {
  LONG cObjects;
  LONG cLocks;
  bool operator==(const CloseDownSeen& o) const {
    return cObjects == o.cObjects && cLocks == o.cLocks;
  }
};

// An object of the base alone, whose Init answers what the test says.
class CTestObject : public CUnknown {
 public:
  CTestObject(CServerLifetime& lifetime, HRESULT hrInit)
      : CUnknown(nullptr, lifetime), m_hrInit(hrInit) {}
  HRESULT Init() override { return m_hrInit; }

 private:
  HRESULT m_hrInit;
};

class CFactoryTest : public testing::Test {
 protected:
  // The factory with a creation function that makes a CTestObject whose Init gives hrInit,
  // or fails with hrCreate.
  ComPtr<CFactory> MakeFactory(HRESULT hrInit = S_OK, HRESULT hrCreate = S_OK) {
    return ComPtr<CFactory>(new CFactory(
        [this, hrInit, hrCreate](IUnknown*, CUnknown** ppResult) {
          ++m_cCreations;
          if (FAILED(hrCreate)) return hrCreate;
          *ppResult = new CTestObject(m_lifetime, hrInit);
          return S_OK;
        },
        m_lifetime));
  }

  std::vector<CloseDownSeen> m_closeDowns;
  // Runs inside each close-down step, when set.
  std::function<void()> m_onCloseDown;
  CServerLifetime m_lifetime{[this](bool bSave) {
    EXPECT_TRUE(bSave);
    if (m_onCloseDown) m_onCloseDown();
    m_closeDowns.push_back({m_lifetime.Objects(), m_lifetime.Locks()});
  }};
  int m_cCreations = 0;
};

IUnknown* const kGarbage = reinterpret_cast<IUnknown*>(static_cast<UINT_PTR>(0x1234));

TEST_F(CFactoryTest, CreatesAnObjectWhoseOnlyReferenceTheClientHolds) {
  ComPtr<CFactory> factory = MakeFactory();
  IUnknown* p = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&p)));
  EXPECT_EQ(1, m_lifetime.Objects());
  EXPECT_TRUE(m_closeDowns.empty());
  EXPECT_EQ(0u, p->Release());
  EXPECT_EQ(0, m_lifetime.Objects());
  EXPECT_EQ((std::vector<CloseDownSeen>{{0, 0}}), m_closeDowns);
}

TEST_F(CFactoryTest, EveryFailureLeavesANullOutPointer) {
  struct Row {
    const char* name;
    HRESULT hrInit;
    HRESULT hrCreate;
    bool bOuter;
    const IID* iid;
    HRESULT expected;
    int cCreations;  // calls of the creation function
    size_t cClosed;  // objects made and destroyed again
  };
  const Row rows[] = {
      {"aggregation", S_OK, S_OK, true, &IID_IClassFactory, CLASS_E_NOAGGREGATION, 0, 0},
      {"creation refused", S_OK, CO_E_SERVER_STOPPING, false, &IID_IUnknown, CO_E_SERVER_STOPPING,
       1, 0},
      {"failed Init", E_ACCESSDENIED, S_OK, false, &IID_IUnknown, E_ACCESSDENIED, 1, 1},
      {"unknown interface", S_OK, S_OK, false, &IID_IClassFactory, E_NOINTERFACE, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    m_cCreations = 0;
    m_closeDowns.clear();
    ComPtr<CFactory> factory = MakeFactory(row.hrInit, row.hrCreate);
    IUnknown* p = kGarbage;
    EXPECT_EQ(row.expected, factory->CreateInstance(row.bOuter ? kGarbage : nullptr, *row.iid,
                                                    reinterpret_cast<void**>(&p)));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(row.cCreations, m_cCreations);
    EXPECT_EQ(row.cClosed, m_closeDowns.size());
    EXPECT_EQ(0, m_lifetime.Objects());
  }
  ComPtr<CFactory> factory = MakeFactory();
  EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
  void* p = kGarbage;
  EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IDispatch, &p));
  EXPECT_EQ(nullptr, p);
}

TEST_F(CFactoryTest, LockServerCountsThenRunsTheCloseDownStep) {
  ComPtr<CFactory> factory = MakeFactory();
  // The close-down step drops a lock of its own afterwards: a lock nets 0, an unlock -2.
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  m_lifetime.DropLock();
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  m_lifetime.DropLock();
  EXPECT_EQ((std::vector<CloseDownSeen>{{0, 1}, {0, -1}}), m_closeDowns);
  EXPECT_EQ(-2, m_lifetime.Locks());
}

TEST_F(CFactoryTest, AStrayReferenceDuringDestructionDoesNotDestroyTwice) {
  ComPtr<CFactory> factory = MakeFactory();
  IUnknown* p = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&p)));
  // The close-down step calls back into the dying object, as a save through it could.
  m_onCloseDown = [p] {
    p->AddRef();
    p->Release();
  };
  EXPECT_EQ(0u, p->Release());
  EXPECT_EQ((std::vector<CloseDownSeen>{{0, 0}}), m_closeDowns);
}

}  // namespace
