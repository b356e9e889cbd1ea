// COleControlSite: the client site of one ActiveX control in a dialog. It
// creates the control in place at its item's rectangle, answers the
// control's questions about its surroundings (window, position, ambient
// properties) and tears the control down again. One reference count covers
// every interface of the site; the container holds one reference.
#pragma once

#include "framework/handles.h"

#include <ocidl.h>
#include <ole2.h>

class COleControlContainer;
class CWnd;

class COleControlSite : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite, public IDispatch {
public:
    explicit COleControlSite(COleControlContainer* pCtrlCont);
    virtual ~COleControlSite();
    COleControlSite(const COleControlSite&) = delete;
    COleControlSite& operator=(const COleControlSite&) = delete;

    // Creates control clsid in place as child nID of the container's window
    // at rect (client pixels). The control's window gets the id, so that
    // GetDlgItem finds it, and WS_TABSTOP when style has it.
    HRESULT CreateControl(REFCLSID clsid, int nID, const RECT& rect, DWORD style);
    // Closes the control and lets go of it, its wrapper and the container.
    void DestroyControl();

    // Attaches the wrapper object of a DDX_Control binding to this control.
    void BindWrapper(CWnd* pWnd);
    // The wrapper's SetWindowPos: moves the control through its in-place
    // object, so that the control lays itself out anew.
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT flags);
    // Another interface of the control itself.
    HRESULT QueryControl(REFIID riid, void** ppv);

    HWND m_hWnd = nullptr;  // the control's window, owned by the control
    int m_nID = 0;
    COleControlContainer* m_pCtrlCont;  // null once the control is gone
    CWnd* m_pWndCtrl = nullptr;         // the bound wrapper, if any

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL fShow) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE scrollExtant) override;
    STDMETHODIMP OnUIDeactivate(BOOL fUndoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL fLock) override;
    STDMETHODIMP GetExtendedControl(IDispatch** ppDisp) override;
    STDMETHODIMP TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override;
    STDMETHODIMP TranslateAccelerator(MSG* pMsg, DWORD grfModifiers) override;
    STDMETHODIMP OnFocus(BOOL fGotFocus) override;
    STDMETHODIMP ShowPropertyFrame() override;

    // IDispatch: the ambient properties of the container.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

private:
    void MoveControl(const RECT& rect);

    LONG m_cRef = 1;
    RECT m_rect{};  // position of the control in the container's client area
    ComPtr<IOleObject> m_pObject;
};
