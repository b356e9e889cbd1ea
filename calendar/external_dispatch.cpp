#include "calendar/external_dispatch.h"

// Names compare as the locale sees them, ignoring width differences (a
// full-width "ｘｘｙｙｚｚ" matches) but not case.
STDMETHODIMP CExternalDispatch::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                              DISPID* rgDispId) {
    if (cNames > 0 && (!rgszNames || !rgDispId))
        return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < cNames; ++i) {
        const bool known = rgszNames[i] &&
                           ::CompareStringW(lcid, NORM_IGNOREWIDTH, rgszNames[i], -1, L"xxyyzz", -1) == CSTR_EQUAL;
        rgDispId[i] = known ? kPropertyId : DISPID_UNKNOWN;
        if (!known)
            result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

// Reading the property gives "Wibble"; every other call does nothing and
// still succeeds.
STDMETHODIMP CExternalDispatch::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*,
                                       VARIANT* pVarResult, EXCEPINFO*, UINT*) {
    if (dispIdMember == kPropertyId && (wFlags & DISPATCH_PROPERTYGET) && pVarResult) {
        ::VariantInit(pVarResult);
        pVarResult->vt = VT_BSTR;
        pVarResult->bstrVal = ::SysAllocString(L"Wibble");
    }
    return S_OK;
}
