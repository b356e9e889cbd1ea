// CExternalDispatch: the object a page script sees as window.external. Its
// one property "xxyyzz" reads "Wibble". The application object owns the one
// instance.
#pragma once

#include "framework/owned_dispatch.h"

class CExternalDispatch : public COwnedDispatch {
public:
    static constexpr DISPID kPropertyId = 12345;

    CExternalDispatch() = default;

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
};
