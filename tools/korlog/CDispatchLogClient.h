// The running server's log, reached exactly as installers reach it: the component created
// by its ProgID "KorLog.Component" as a local server and called late bound through
// IDispatch (names looked up with GetIDsOfNames, calls made with Invoke).
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <string>

#include "com/ComPtr.h"
#include "tools/korlog/ILogClient.h"

class CDispatchLogClient final : public ILogClient {
 public:
  // Creates the component; null, with the HRESULT and its message in error, on failure.
  // The object system must be initialised on the calling thread.
  static std::unique_ptr<CDispatchLogClient> Connect(std::string& error);

  std::optional<long> AddItem(int type, const std::string& component,
                              const std::string& item) override;
  std::optional<long> RemoveItem(int type, const std::string& component,
                                 const std::string& item) override;
  std::optional<long> RemoveComponent(const std::string& component) override;
  std::optional<long> IsInstalled(const std::string& component) override;
  std::optional<long> HasItem(int type, const std::string& component,
                              const std::string& item) override;
  std::optional<std::string> GetMatchingItem(int type, const std::string& component,
                                             const std::string& substring) override;
  std::optional<std::string> GetSpecialItem(const std::string& component,
                                            const std::string& name) override;
  std::optional<std::string> GetParent(const std::string& component) override;
  std::optional<std::string> GetAllItems(int type, const std::string& component) override;
  std::optional<std::string> ShutDown(long keepFile) override;
  std::string ErrorText() const override;

  // "0x80040154 Class not registered": the code and the system's message for it.
  static std::string DescribeHresult(HRESULT hr);

 private:
  class CArgs;

  explicit CDispatchLogClient(ComPtr<IDispatch> pDispatch) : m_pDispatch(std::move(pDispatch)) {}

  // Calls method with the arguments (in declaration order); the retval converted to vt.
  bool Call(const wchar_t* pszMethod, CArgs& args, VARTYPE vt, VARIANT& result);
  std::optional<long> CallLong(const wchar_t* pszMethod, CArgs& args);
  std::optional<std::string> CallString(const wchar_t* pszMethod, CArgs& args);

  ComPtr<IDispatch> m_pDispatch;
  HRESULT m_hrLast = S_OK;
  std::string m_strException;  // the description of an automation exception, if any
};
