#include "skin/layered_window.h"

#include "framework/handles.h"

bool SetLayeredAttributes(HWND hWnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags) {
    using SetLayeredWindowAttributesProc = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    UniqueLibrary user32(::LoadLibraryA("User32.DLL"));
    if (!user32)
        return false;
    auto setAttributes = reinterpret_cast<SetLayeredWindowAttributesProc>(
        reinterpret_cast<void*>(::GetProcAddress(user32.get(), "SetLayeredWindowAttributes")));
    if (!setAttributes)
        return false;
    setAttributes(hWnd, crKey, bAlpha, dwFlags);
    return true;
}

void MakeWindowLayered(HWND hWnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags) {
    ::SetWindowLongA(hWnd, GWL_EXSTYLE, ::GetWindowLongA(hWnd, GWL_EXSTYLE) ^ WS_EX_LAYERED);
    SetLayeredAttributes(hWnd, crKey, bAlpha, dwFlags);
}
