// The unknown interface of an object that does not forward to an outer object: the
// object's own identity, even when it is part of an aggregate.
#pragma once

#include <windows.h>

#include <unknwn.h>

struct INondelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NondelegatingQueryInterface(REFIID iid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE NondelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NondelegatingRelease() = 0;
};
