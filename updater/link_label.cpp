#include "updater/link_label.h"

#include "updater/browser_command.h"
#include "updater/link_error_text.h"

#include <shellapi.h>

#include <optional>

namespace {

constexpr UINT_PTR kToolId = 1;
// The hand cursor among winhlp32's resources.
constexpr WORD kHandCursorId = 106;
// Registry values are read through a buffer of this size.
constexpr LONG kRegistryValueSize = 260;

// The default value of a key under HKEY_CLASSES_ROOT; nothing when the key
// cannot be opened or its value cannot be read whole.
std::optional<std::string> ClassesRootDefault(const std::string& subKey) {
    HKEY opened;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueRegKey key(opened);
    char value[kRegistryValueSize] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(key.get(), nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value, strnlen(value, sizeof value));
}

std::string ProgramName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.rfind('.'));
}

} // namespace

CLinkLabel::CLinkLabel() : m_crHover(GetSysColor(COLOR_HIGHLIGHT)) {}

void CLinkLabel::SetURL(const std::string& address) {
    m_strUrl = address;
    if (!m_hWnd)
        return;
    FitToText();
    m_toolTip.UpdateTipText(m_strUrl.c_str(), this, kToolId);
}

void CLinkLabel::SetVisited(bool visited) {
    m_bVisited = visited;
    if (m_hWnd)
        Invalidate(TRUE);
}

COLORREF CLinkLabel::TextColour() const {
    if (m_bHovering)
        return m_crHover;
    return m_bVisited ? m_crVisited : m_crUnvisited;
}

INT_PTR CLinkLabel::OpenAddress(const std::string& address, int showCommand) {
    const auto shellResult = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
    if (static_cast<UINT_PTR>(shellResult) > 32)
        return shellResult;

    // The shell could not: start the browser registered for web pages.
    const std::optional<std::string> pageClass = ClassesRootDefault(".htm");
    if (!pageClass)
        return shellResult;
    const std::optional<std::string> openCommand = ClassesRootDefault(*pageClass + "\\shell\\open\\command");
    if (!openCommand)
        return shellResult;
    const std::optional<std::string> commandLine = BuildBrowserCommand(*openCommand, address);
    if (!commandLine)
        return shellResult;
    return static_cast<INT_PTR>(WinExec(commandLine->c_str(), static_cast<UINT>(showCommand)));
}

BOOL CLinkLabel::PreTranslateMessage(MSG* pMsg) {
    if (m_toolTip.m_hWnd)
        m_toolTip.RelayEvent(pMsg);
    return CStatic::PreTranslateMessage(pMsg);
}

void CLinkLabel::PreSubclassWindow() {
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | SS_NOTIFY));
    if (m_strUrl.empty())
        m_strUrl = GetWindowText();
    if (GetWindowText().empty())
        SetWindowText(m_strUrl);

    LOGFONTA description{};
    GetObjectA(GetFont(), sizeof description, &description);
    description.lfUnderline = m_bUnderline ? TRUE : FALSE;
    m_linkFont.reset(CreateFontIndirectA(&description));
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.get()), TRUE);

    FitToText();
    LoadLinkCursor();

    m_toolTip.Create(this);
    RECT client;
    GetClientRect(&client);
    m_toolTip.AddTool(this, m_strUrl.c_str(), client, kToolId);
}

BOOL CLinkLabel::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        OnClicked();
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_CTLCOLORSTATIC) {
        const auto hDC = reinterpret_cast<HDC>(wParam);
        SetTextColor(hDC, TextColour());
        SetBkMode(hDC, TRANSPARENT);
        *pResult = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return TRUE;
    }
    return CStatic::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CLinkLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: {
        const LRESULT result = CStatic::WindowProc(message, wParam, lParam);
        // The capture tells us when the mouse has left.
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT client;
        GetClientRect(&client);
        if (!m_bHovering) {
            m_bHovering = true;
            Redraw();
            SetCapture(m_hWnd);
        } else if (!PtInRect(&client, point)) {
            m_bHovering = false;
            ReleaseCapture();
            Redraw();
        }
        return result;
    }
    case WM_SETCURSOR:
        if (!m_linkCursor)
            return FALSE;
        SetCursor(m_linkCursor.get());
        return TRUE;
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

void CLinkLabel::FitToText() {
    if (!m_bFitToText || !m_hWnd)
        return;
    RECT rect;
    GetWindowRect(&rect);
    MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&rect), 2);

    const std::string text = GetWindowText();
    SIZE extent{};
    {
        WindowDC dc(m_hWnd);
        SelectObjectScope font(dc.get(), m_linkFont.get());
        GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    }

    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        const int inset = (rect.bottom - rect.top - extent.cy) / 2;
        rect.top += inset;
        rect.bottom -= inset;
    } else {
        rect.bottom = rect.top + extent.cy;
    }
    // SS_CENTER and SS_RIGHT are values of the alignment field, not flags.
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: {
        const int inset = (rect.right - rect.left - extent.cx) / 2;
        rect.left += inset;
        rect.right -= inset;
        break;
    }
    case SS_RIGHT:
        rect.left = rect.right - extent.cx;
        break;
    default:
        rect.right = rect.left + extent.cx;
        break;
    }
    SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLinkLabel::LoadLinkCursor() {
    if (m_linkCursor)
        return;
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    const std::string helpProgram = std::string(directory) + "\\winhlp32.exe";
    UniqueLibrary module(LoadLibraryA(helpProgram.c_str()));
    if (!module)
        return;
    if (HCURSOR hand = LoadCursorA(module.get(), MAKEINTRESOURCEA(kHandCursorId)))
        m_linkCursor.reset(CopyIcon(hand));
}

void CLinkLabel::Redraw() {
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
}

void CLinkLabel::OnClicked() {
    const INT_PTR result = OpenAddress(m_strUrl, SW_SHOW);
    m_bVisited = result > 32;
    if (m_bVisited) {
        SetVisited(true);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    ReportError(result);
}

void CLinkLabel::ReportError(INT_PTR result) {
    const std::string text = LinkErrorText(static_cast<int>(result));
    MessageBoxA(GetParent(), text.c_str(), ProgramName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}
