// The suite library wxbcomm.dll as the calendar calls it.
//
// Calling convention: __cdecl, exported under the plain C names "IsRun" and
// "CheakMainWndRun".
//
// Argument: one WxbText, passed by value (8 bytes on the stack: the text
// pointer, then the length). The caller allocates the text with
// LocalAlloc(LMEM_FIXED, nLength + 1), zero-terminated; from the call on it
// belongs to the callee, which frees it with LocalFree before returning.
// LocalAlloc rather than new or malloc: each module links its own C
// runtime, and their heaps differ.
//
// Results: "IsRun" answers a one-byte bool, "CheakMainWndRun" a 32-bit BOOL;
// non-zero lets the caller go on.
#pragma once

#include <windows.h>

#include <cstring>

struct WxbText {
    char* pszText;  // null when the caller could not allocate it
    int nLength;    // bytes, without the terminating zero
};

using WxbIsRunProc = bool(__cdecl*)(WxbText strName);
using WxbCheakMainWndRunProc = BOOL(__cdecl*)(WxbText strTitle);

// A copy of text for handing to the library.
inline WxbText WxbTextAlloc(const char* text) {
    const size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(::LocalAlloc(LMEM_FIXED, length + 1));
    if (!copy)
        return {nullptr, 0};
    std::memcpy(copy, text, length + 1);
    return {copy, static_cast<int>(length)};
}
