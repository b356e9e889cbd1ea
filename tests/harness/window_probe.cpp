#include "tests/harness/window_probe.h"

#include "framework/handles.h"

namespace harness {

namespace {

struct WindowSearch {
    DWORD processId;
    const std::string* title;
    bool userWindowsOnly;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hWnd, &processId);
    if (processId != search->processId)
        return TRUE;
    char text[256] = "";
    ::GetWindowTextA(hWnd, text, sizeof text);
    const bool matches = search->userWindowsOnly
                             ? (text[0] != '\0' && std::string(text) != "Default IME") || ::IsWindowVisible(hWnd)
                             : search->title->empty() || *search->title == text;
    if (!matches)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const std::string& title) {
    WindowSearch search{processId, &title, false, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const std::string& title, DWORD timeoutMs) {
    HWND hWnd = nullptr;
    WaitUntil(
        [&] {
            hWnd = FindProcessWindow(processId, title);
            return hWnd && ::IsWindowVisible(hWnd);
        },
        timeoutMs);
    return hWnd && ::IsWindowVisible(hWnd) ? hWnd : nullptr;
}

bool HasUserWindow(DWORD processId) {
    const std::string any;
    WindowSearch search{processId, &any, true, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
}

RECT WindowRect(HWND hWnd) {
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    return rect;
}

RECT ChildRect(HWND hChild) {
    RECT rect = WindowRect(hChild);
    ::MapWindowPoints(nullptr, ::GetParent(hChild), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::vector<RECT> RegionRects(HWND hWnd) {
    std::vector<RECT> rects;
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (::GetWindowRgn(hWnd, region.get()) == ERROR)
        return rects;
    const DWORD size = ::GetRegionData(region.get(), 0, nullptr);
    std::vector<BYTE> data(size);
    auto* header = reinterpret_cast<RGNDATA*>(data.data());
    if (size < sizeof(RGNDATAHEADER) || !::GetRegionData(region.get(), size, header))
        return rects;
    const RECT* first = reinterpret_cast<const RECT*>(header->Buffer);
    rects.assign(first, first + header->rdh.nCount);
    return rects;
}

LayeredAttributes ReadLayeredAttributes(HWND hWnd) {
    LayeredAttributes attributes;
    attributes.bLayered = (::GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    if (attributes.bLayered)
        ::GetLayeredWindowAttributes(hWnd, &attributes.crKey, &attributes.bAlpha, &attributes.dwFlags);
    return attributes;
}

}  // namespace harness
