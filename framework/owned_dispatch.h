// COwnedDispatch: base of the IDispatch objects that belong to a C++ owner
// rather than to their references: the owner keeps the object for as long
// as COM may call it, and the reference count, kept for COM's sake, never
// frees it. Without type information; a derived class answers
// GetIDsOfNames and Invoke.
#pragma once

#include <windows.h>
#include <oleauto.h>

class COwnedDispatch : public IDispatch {
public:
    virtual ~COwnedDispatch() = default;
    COwnedDispatch(const COwnedDispatch&) = delete;
    COwnedDispatch& operator=(const COwnedDispatch&) = delete;

    // IUnknown, IDispatch and the events interface given at construction.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;

protected:
    // riidEvents: the dispatch interface of a connection point this object
    // sinks; IID_IDispatch when none.
    explicit COwnedDispatch(REFIID riidEvents = IID_IDispatch) : m_iidEvents(riidEvents) {}

private:
    IID m_iidEvents;
    LONG m_cRef = 0;
};
