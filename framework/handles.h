// RAII owners for the Windows handles the programs hold. Each is
// non-copyable and movable; a default-constructed owner holds nothing.
#pragma once

#include <windows.h>
#include <wincrypt.h>
#include <wininet.h>
#define SECURITY_WIN32
#include <security.h>

#include <utility>

// Base for owners of a single handle value with a release function.
template <typename Handle, typename Traits>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(Handle h) : m_h(h) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_h(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return m_h; }
    explicit operator bool() const { return Traits::IsValid(m_h); }

    Handle release() { return std::exchange(m_h, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid()) {
        if (Traits::IsValid(m_h))
            Traits::Close(m_h);
        m_h = h;
    }

private:
    Handle m_h = Traits::Invalid();
};

// Traits of the handles whose "none" is null (or 0, for the CryptoAPI's
// integer handles), with the function that releases them.
template <typename Handle, auto Release> struct NullHandleTraits {
    static Handle Invalid() { return Handle{}; }
    static bool IsValid(Handle h) { return h != Handle{}; }
    static void Close(Handle h) { Release(h); }
};

// Kernel objects: events, threads, processes, file mappings. Files opened
// with CreateFile report failure as INVALID_HANDLE_VALUE; both count as none.
struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

// Searches of FindFirstFile, which reports failure as INVALID_HANDLE_VALUE.
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;

// GDI objects: fonts, brushes, pens, bitmaps, regions.
template <typename Gdi> using GdiObject = UniqueResource<Gdi, NullHandleTraits<Gdi, DeleteObject>>;
using UniqueFont = GdiObject<HFONT>;
using UniqueBrush = GdiObject<HBRUSH>;
using UniquePen = GdiObject<HPEN>;
using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueRegion = GdiObject<HRGN>;

// Memory device contexts made with CreateCompatibleDC.
using MemoryDC = UniqueResource<HDC, NullHandleTraits<HDC, DeleteDC>>;

using UniqueLibrary = UniqueResource<HMODULE, NullHandleTraits<HMODULE, FreeLibrary>>;

// Icons and cursors made by CopyIcon/CreateIcon (not shared resource icons).
using UniqueIcon = UniqueResource<HICON, NullHandleTraits<HICON, DestroyIcon>>;

// Movable or fixed global memory blocks (GlobalAlloc).
using UniqueGlobal = UniqueResource<HGLOBAL, NullHandleTraits<HGLOBAL, GlobalFree>>;

// WinINet sessions and requests (InternetOpen, InternetOpenUrl).
using UniqueInternet = UniqueResource<HINTERNET, NullHandleTraits<HINTERNET, InternetCloseHandle>>;

// Automation strings (SysAllocString*).
using UniqueBstr = UniqueResource<BSTR, NullHandleTraits<BSTR, SysFreeString>>;

// Open registry keys (RegOpenKeyEx, RegCreateKeyEx); not the predefined roots.
using UniqueRegKey = UniqueResource<HKEY, NullHandleTraits<HKEY, RegCloseKey>>;

// Views of file mappings (MapViewOfFile). Unmap a view before its mapping
// is closed: declare the owner after the mapping's.
using UniqueMappedView = UniqueResource<void*, NullHandleTraits<void*, UnmapViewOfFile>>;

// CryptoAPI providers, hashes and keys. Destroy keys and hashes before the
// provider they were made on.
inline BOOL ReleaseCryptProvider(HCRYPTPROV provider) {
    return CryptReleaseContext(provider, 0);
}
using UniqueCryptProvider = UniqueResource<HCRYPTPROV, NullHandleTraits<HCRYPTPROV, ReleaseCryptProvider>>;
using UniqueCryptHash = UniqueResource<HCRYPTHASH, NullHandleTraits<HCRYPTHASH, CryptDestroyHash>>;
using UniqueCryptKey = UniqueResource<HCRYPTKEY, NullHandleTraits<HCRYPTKEY, CryptDestroyKey>>;

// Certificate stores, certificates and certificate chains of the CryptoAPI.
inline BOOL CloseCertStore(HCERTSTORE store) {
    return CertCloseStore(store, 0);
}
using UniqueCertStore = UniqueResource<HCERTSTORE, NullHandleTraits<HCERTSTORE, CloseCertStore>>;
using UniqueCertContext =
    UniqueResource<PCCERT_CONTEXT, NullHandleTraits<PCCERT_CONTEXT, CertFreeCertificateContext>>;
using UniqueCertChain =
    UniqueResource<PCCERT_CHAIN_CONTEXT, NullHandleTraits<PCCERT_CHAIN_CONTEXT, CertFreeCertificateChain>>;

// Memory a security package hands out (FreeContextBuffer).
using UniqueContextBuffer = UniqueResource<void*, NullHandleTraits<void*, FreeContextBuffer>>;

// SSPI handles, a pair of values rather than a pointer: credentials
// (AcquireCredentialsHandle, released by FreeCredentialsHandle) and security
// contexts (InitializeSecurityContext, DeleteSecurityContext).
template <SECURITY_STATUS(SEC_ENTRY* Release)(PSecHandle)> class UniqueSecHandle {
public:
    UniqueSecHandle() { SecInvalidateHandle(&m_h); }
    ~UniqueSecHandle() { reset(); }
    UniqueSecHandle(const UniqueSecHandle&) = delete;
    UniqueSecHandle& operator=(const UniqueSecHandle&) = delete;
    UniqueSecHandle(UniqueSecHandle&& other) noexcept : m_h(other.m_h) { SecInvalidateHandle(&other.m_h); }
    UniqueSecHandle& operator=(UniqueSecHandle&& other) noexcept {
        if (this != &other) {
            reset();
            m_h = other.m_h;
            SecInvalidateHandle(&other.m_h);
        }
        return *this;
    }

    // The handle, or null while there is none (the first call that makes a context).
    PSecHandle get() { return *this ? &m_h : nullptr; }
    // Where a call that makes the handle stores it; the one held is released first.
    PSecHandle receive() {
        reset();
        return &m_h;
    }
    explicit operator bool() const { return SecIsValidHandle(&m_h); }
    void reset() {
        if (SecIsValidHandle(&m_h))
            Release(&m_h);
        SecInvalidateHandle(&m_h);
    }

private:
    SecHandle m_h;
};
using UniqueCredentials = UniqueSecHandle<FreeCredentialsHandle>;
using UniqueSecurityContext = UniqueSecHandle<DeleteSecurityContext>;

// Locks a global memory block for the scope, or until Unlock.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL hGlobal) : m_hGlobal(hGlobal), m_pData(GlobalLock(hGlobal)) {}
    ~GlobalLockScope() { Unlock(); }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;

    // The block's memory; null when it could not be locked.
    void* get() const { return m_pData; }
    void Unlock() {
        if (m_pData)
            GlobalUnlock(m_hGlobal);
        m_pData = nullptr;
    }

private:
    HGLOBAL m_hGlobal;
    void* m_pData;
};

// A window's client-area device context (GetDC/ReleaseDC).
class WindowDC {
public:
    explicit WindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(GetDC(hWnd)) {}
    ~WindowDC() {
        if (m_hDC)
            ReleaseDC(m_hWnd, m_hDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return m_hDC; }
    explicit operator bool() const { return m_hDC != nullptr; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The BeginPaint/EndPaint bracket of WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = BeginPaint(hWnd, &m_ps); }
    ~PaintDC() { EndPaint(m_hWnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC get() const { return m_hDC; }
    const PAINTSTRUCT& info() const { return m_ps; }

private:
    HWND m_hWnd;
    HDC m_hDC;
    PAINTSTRUCT m_ps{};
};

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectObjectScope {
public:
    SelectObjectScope(HDC hDC, HGDIOBJ obj) : m_hDC(hDC), m_old(obj ? SelectObject(hDC, obj) : nullptr) {}
    ~SelectObjectScope() {
        if (m_old)
            SelectObject(m_hDC, m_old);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_old;
};

// SaveDC/RestoreDC around drawing that changes a DC's state.
class SavedDCState {
public:
    explicit SavedDCState(HDC hDC) : m_hDC(hDC), m_nSaved(SaveDC(hDC)) {}
    ~SavedDCState() {
        if (m_nSaved)
            RestoreDC(m_hDC, m_nSaved);
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC m_hDC;
    int m_nSaved;
};

// OLE initialisation of the calling thread (OleInitialize/OleUninitialize).
class OleInitScope {
public:
    OleInitScope() : m_ok(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleInitScope() {
        if (m_ok)
            OleUninitialize();
    }
    OleInitScope(const OleInitScope&) = delete;
    OleInitScope& operator=(const OleInitScope&) = delete;

private:
    bool m_ok;
};

// Holds one reference to a COM interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : m_p(other.m_p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComPtr() {
        if (m_p)
            m_p->Release();
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Releases what is held and gives the out-parameter slot of a call that
    // hands over a new reference.
    T** put() {
        *this = ComPtr();
        return &m_p;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

private:
    T* m_p = nullptr;
};
