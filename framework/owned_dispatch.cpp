#include "framework/owned_dispatch.h"

STDMETHODIMP COwnedDispatch::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, m_iidEvents)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COwnedDispatch::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) COwnedDispatch::Release() {
    return static_cast<ULONG>(::InterlockedDecrement(&m_cRef));
}

STDMETHODIMP COwnedDispatch::GetTypeInfoCount(UINT*) {
    return E_NOTIMPL;
}

STDMETHODIMP COwnedDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
