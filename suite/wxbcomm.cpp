// Stand-in for the suite's common library, for running and testing the
// calendar without the suite. "IsRun" keeps one instance per program name;
// "CheakMainWndRun" looks for a top-level window with the given title.
//
// Build variants for tests: WXBCOMM_REFUSE answers "IsRun" with false;
// WXBCOMM_WITHOUT_ISRUN and WXBCOMM_WITHOUT_CHECK leave an export out.
// When the environment variable WXBCOMM_LOG names a file, every call is
// appended to it as "<export> <argument>" on a line of its own.
#include "suite/wxbcomm.h"

#include "framework/handles.h"

#include <string>

namespace {

// Takes over the caller's text.
std::string TakeText(WxbText text) {
    if (!text.pszText)
        return {};
    std::string copy(text.pszText, static_cast<size_t>(text.nLength > 0 ? text.nLength : 0));
    ::LocalFree(text.pszText);
    return copy;
}

void LogCall(const char* exportName, const std::string& argument) {
    char path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableA("WXBCOMM_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    UniqueHandle file(::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    const std::string line = std::string(exportName) + " " + argument + "\r\n";
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

extern "C" {

#ifndef WXBCOMM_WITHOUT_ISRUN
__declspec(dllexport) bool __cdecl IsRun(WxbText strName) {
    const std::string name = TakeText(strName);
    LogCall("IsRun", name);
#ifdef WXBCOMM_REFUSE
    return false;
#else
    // The first caller of a name creates its mutex and keeps it open on
    // purpose until the process ends, also after this library is unloaded;
    // later callers find it and are refused.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, ("Wexbury.IsRun." + name).c_str());
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return false;
    }
    return true;
#endif
}
#endif

#ifndef WXBCOMM_WITHOUT_CHECK
__declspec(dllexport) BOOL __cdecl CheakMainWndRun(WxbText strTitle) {
    const std::string title = TakeText(strTitle);
    LogCall("CheakMainWndRun", title);
    return ::FindWindowA(nullptr, title.c_str()) != nullptr;
}
#endif

}  // extern "C"
