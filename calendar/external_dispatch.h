// CExternalDispatch: the object a page script sees as window.external. Its
// one property "xxyyzz" reads "Wibble". The application object owns the one
// instance; the reference count is kept for COM's sake but never frees it.
#pragma once

#include <windows.h>
#include <oleauto.h>

class CExternalDispatch : public IDispatch {
public:
    static constexpr DISPID kPropertyId = 12345;

    CExternalDispatch() = default;
    virtual ~CExternalDispatch() = default;
    CExternalDispatch(const CExternalDispatch&) = delete;
    CExternalDispatch& operator=(const CExternalDispatch&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

private:
    LONG m_cRef = 0;
};
