#include "skin/skin_button.h"

#include "framework/win_app.h"
#include "skin/color_offset.h"
#include "skin/resource_bitmap.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr UINT kRightClickMessage = WM_USER + 104;
// Right-clicks report the command id relative to this base.
constexpr int kCommandBase = 2000;

void FillSolid(HDC hDC, int x, int y, int cx, int cy, COLORREF color) {
    UniqueBrush brush(::CreateSolidBrush(color));
    RECT rect{x, y, x + cx, y + cy};
    ::FillRect(hDC, &rect, brush.get());
}

void Draw3dRect(HDC hDC, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    FillSolid(hDC, rect.left, rect.top, width - 1, 1, topLeft);
    FillSolid(hDC, rect.left, rect.top, 1, height - 1, topLeft);
    FillSolid(hDC, rect.right - 1, rect.top, 1, height, bottomRight);
    FillSolid(hDC, rect.left, rect.bottom - 1, width, 1, bottomRight);
}

// A 1-bit mask with 1 where the bitmap has the key colour; those pixels of
// the bitmap are blackened so that it can be ORed over a masked background.
UniqueBitmap CreateMask(HBITMAP bitmap, int width, int height, COLORREF key) {
    UniqueBitmap mask(::CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask)
        return mask;
    MemoryDC imageDC(::CreateCompatibleDC(nullptr));
    MemoryDC maskDC(::CreateCompatibleDC(nullptr));
    SelectObjectScope selectImage(imageDC.get(), bitmap);
    SelectObjectScope selectMask(maskDC.get(), mask.get());
    ::SetBkColor(imageDC.get(), key);
    ::BitBlt(maskDC.get(), 0, 0, width, height, imageDC.get(), 0, 0, SRCCOPY);
    ::SetTextColor(imageDC.get(), RGB(255, 255, 255));
    ::SetBkColor(imageDC.get(), RGB(0, 0, 0));
    ::BitBlt(imageDC.get(), 0, 0, width, height, maskDC.get(), 0, 0, SRCAND);
    return mask;
}

}  // namespace

CSkinButton::CSkinButton() {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    for (int i = 0; i < 6; i += 2) {
        m_colors[i] = face;
        m_colors[i + 1] = text;
    }
}

void CSkinButton::SetSkin(UINT nHoverID, UINT nNormalID, int nCommandID) {
    m_nCommandID = nCommandID;
    SetBitmaps(LoadResourceBitmap(nHoverID), kMagenta, LoadResourceBitmap(nNormalID), kMagenta);
    m_bDrawTransparent = true;
    DropBackgroundCache();
    m_bDrawBorder = false;
    OffsetColor(0, 30, TRUE);
}

int CSkinButton::SetBitmaps(UniqueBitmap in, COLORREF inKey, UniqueBitmap out, COLORREF outKey) {
    ReleaseImages();
    if (!in) {
        Invalidate();
        return 0;
    }
    int result = SetImage(m_in, std::move(in), inKey);
    if (result == 0 && out)
        result = SetImage(m_out, std::move(out), outKey);
    if (result != 0) {
        ReleaseImages();
        return result;
    }
    Invalidate(TRUE);
    return 0;
}

int CSkinButton::SetImage(Image& image, UniqueBitmap bitmap, COLORREF key) {
    BITMAP bm;
    if (!::GetObjectA(bitmap.get(), sizeof bm, &bm))
        return 1;
    image.mask = CreateMask(bitmap.get(), bm.bmWidth, bm.bmHeight, key);
    if (!image.mask)
        return 2;
    image.bitmap = std::move(bitmap);
    image.width = bm.bmWidth;
    image.height = bm.bmHeight;
    return 0;
}

void CSkinButton::ReleaseImages() {
    m_in = Image();
    m_out = Image();
}

int CSkinButton::OffsetColor(int nIndex, int nOffset, BOOL bRepaint) {
    if (nIndex < 0 || nIndex > 5)
        return 3;
    if (nOffset < -255 || nOffset > 255)
        return 5;
    m_colors[nIndex] = OffsetColorBytes(m_colors[nIndex], nOffset);
    if (bRepaint)
        Invalidate();
    return 0;
}

BOOL CSkinButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        *pResult = TRUE;
        return TRUE;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        // Nothing is erased under the button: it draws its own background.
        *pResult = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        ::SetFocus(m_hWnd);
        if (m_bIsCheckBox) {
            m_nCheck = !m_nCheck;
            Invalidate(TRUE);
        }
    }
    return CButton::OnChildNotify(message, wParam, lParam, pResult);
}

void CSkinButton::PreSubclassWindow() {
    const DWORD style = GetStyle();
    m_bIsCheckBox = (style & 2) != 0;
    m_bIsDefault = (style & 0xF) == BS_DEFPUSHBUTTON;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>((style & ~0xFu) | BS_OWNERDRAW));
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    CButton::PreSubclassWindow();
}

LRESULT CSkinButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_MOUSELEAVE:
        Invalidate(TRUE);
        CancelHover();
        return 0;
    case WM_RBUTTONUP: {
        CWnd* main = AfxGetMainWnd();
        if (!main)
            return 0;
        return ::SendMessageA(main->m_hWnd, kRightClickMessage, static_cast<WPARAM>(m_nCommandID - kCommandBase), 0);
    }
    case BM_SETCHECK:
        if (m_bIsCheckBox) {
            m_nCheck = (wParam == BST_CHECKED || wParam == BST_INDETERMINATE) ? 1 : 0;
            Invalidate();
        }
        return 0;
    case BM_GETCHECK:
        return m_nCheck;
    case BM_SETSTYLE: {
        const WPARAM type = wParam & 0xF;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            m_bIsDefault = type == BS_DEFPUSHBUTTON;
        // The dialog manager moves the default state this way; the button
        // stays owner-drawn.
        return CButton::WindowProc(message, (wParam & ~static_cast<WPARAM>(4)) | BS_OWNERDRAW, lParam);
    }
    case WM_GETDLGCODE:
        return CButton::WindowProc(message, wParam, lParam) |
               (m_bIsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    }

    const LRESULT result = CButton::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_SYSCOLORCHANGE:
        DropBackgroundCache();
        break;
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
        CancelHover();
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            CancelHover();
        break;
    case WM_ENABLE:
        OnEnable(static_cast<BOOL>(wParam));
        break;
    }
    return result;
}

// A double click counts as two clicks: the button sees a second press.
LRESULT CSkinButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CSkinButton::OnMouseMove(WPARAM keys, LPARAM point) {
    CButton::WindowProc(WM_MOUSEMOVE, keys, point);
    POINT screen{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ::ClientToScreen(m_hWnd, &screen);
    const HWND under = ::WindowFromPoint(screen);
    // A press that started elsewhere does not light the button.
    if ((keys & MK_LBUTTON) && !m_bMouseOnButton)
        return;
    if (under != m_hWnd) {
        CancelHover();
        return;
    }
    if (m_bMouseOnButton)
        return;
    m_bMouseOnButton = true;
    Invalidate(TRUE);
    TRACKMOUSEEVENT request{sizeof request, TME_LEAVE, m_hWnd, 0};
    ::_TrackMouseEvent(&request);
}

// A disabled button gives its focus to the next control, so that the dialog
// keys keep working.
void CSkinButton::OnEnable(BOOL bEnable) {
    if (!bEnable && ::GetFocus() == m_hWnd) {
        const HWND parent = GetParent();
        HWND next = ::GetNextDlgTabItem(parent, m_hWnd, FALSE);
        ::SetFocus(next && next != m_hWnd ? next : parent);
    }
    CancelHover();
}

void CSkinButton::CancelHover() {
    if (!m_bMouseOnButton)
        return;
    m_bMouseOnButton = false;
    Invalidate(TRUE);
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& dis) {
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    ItemState state;
    state.pressed = m_bIsCheckBox ? (selected || m_nCheck == 1) : selected;
    state.focused = (dis.itemState & ODS_FOCUS) != 0;
    state.disabled = (dis.itemState & ODS_DISABLED) != 0;

    const HDC hDC = dis.hDC;
    ::SetBkMode(hDC, TRANSPARENT);
    if (m_bDrawTransparent)
        PaintBackgroundCache(hDC);
    else
        DrawBackground(hDC, dis.rcItem, state);
    if (m_bDrawBorder && (state.pressed || m_bMouseOnButton))
        DrawBorder(hDC, dis.rcItem, state);

    const std::string title = GetWindowText();
    RECT titleRect = dis.rcItem;
    if (m_in.bitmap) {
        ::SetBkColor(hDC, RGB(255, 255, 255));
        DrawImage(hDC, dis.rcItem, state, !title.empty(), &titleRect);
    }
    if (!title.empty())
        DrawTitle(hDC, title, state, titleRect);
    // Always flat: no focus rectangle and no default-button frame.
}

void CSkinButton::DrawBackground(HDC hDC, const RECT& rect, const ItemState& state) {
    COLORREF color = m_colors[2];
    if (m_bMouseOnButton || state.pressed)
        color = m_colors[0];
    else if (state.focused)
        color = m_colors[4];
    FillSolid(hDC, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, color);
}

void CSkinButton::DrawBorder(HDC hDC, const RECT& rect, const ItemState& state) {
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    if (state.pressed)
        Draw3dRect(hDC, rect, shadow, light);
    else
        Draw3dRect(hDC, rect, light, shadow);
}

void CSkinButton::DrawImage(HDC hDC, const RECT& item, const ItemState& state, bool hasTitle, RECT* title) {
    const bool showIn = m_bIsCheckBox ? state.pressed : (state.pressed || m_bMouseOnButton);
    const Image& image = (showIn || !m_out.bitmap) ? m_in : m_out;

    const int itemWidth = item.right - item.left;
    const int itemHeight = item.bottom - item.top;
    int left = item.left + (itemWidth - image.width) / 2;
    const int top = item.top + (itemHeight - image.height) / 2;
    if (hasTitle) {
        left = item.left + 3;
        title->left += image.width + 3;
    }
    const int shift = (state.pressed && !m_bIsCheckBox) ? 1 : 0;
    left += shift;
    const int y = top + shift;

    MemoryDC source(::CreateCompatibleDC(hDC));
    if (state.disabled) {
        // The picture over white, embossed grey by the system.
        UniqueBitmap composed(::CreateCompatibleBitmap(hDC, image.width, image.height));
        {
            SelectObjectScope selectComposed(source.get(), composed.get());
            ::PatBlt(source.get(), 0, 0, image.width, image.height, WHITENESS);
            MemoryDC part(::CreateCompatibleDC(hDC));
            {
                SelectObjectScope selectMask(part.get(), image.mask.get());
                ::BitBlt(source.get(), 0, 0, image.width, image.height, part.get(), 0, 0, SRCAND);
            }
            SelectObjectScope selectBitmap(part.get(), image.bitmap.get());
            ::BitBlt(source.get(), 0, 0, image.width, image.height, part.get(), 0, 0, SRCPAINT);
        }
        ::DrawStateA(hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(composed.get()), 0, left, y, image.width,
                     image.height, DST_BITMAP | DSS_DISABLED);
        return;
    }
    // The mask clears the opaque pixels (black text colour for 0 bits, white
    // background for 1 bits), then the blackened picture is ORed in.
    ::SetTextColor(hDC, RGB(0, 0, 0));
    {
        SelectObjectScope selectMask(source.get(), image.mask.get());
        ::BitBlt(hDC, left, y, image.width, image.height, source.get(), 0, 0, SRCAND);
    }
    SelectObjectScope selectBitmap(source.get(), image.bitmap.get());
    ::BitBlt(hDC, left, y, image.width, image.height, source.get(), 0, 0, SRCPAINT);
}

void CSkinButton::DrawTitle(HDC hDC, const std::string& text, const ItemState& state, RECT title) {
    if (state.pressed && !m_bIsCheckBox)
        ::OffsetRect(&title, 1, 1);
    RECT measured = title;
    ::DrawTextA(hDC, text.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    ::OffsetRect(&measured, ((title.right - title.left) - (measured.right - measured.left)) / 2,
                 ((title.bottom - title.top) - (measured.bottom - measured.top)) / 2);
    if (state.disabled) {
        ::OffsetRect(&measured, 1, 1);
        ::SetTextColor(hDC, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextA(hDC, text.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER);
        ::OffsetRect(&measured, -1, -1);
        ::SetTextColor(hDC, ::GetSysColor(COLOR_BTNSHADOW));
    } else if (m_bMouseOnButton || state.pressed) {
        ::SetTextColor(hDC, m_colors[1]);
        ::SetBkColor(hDC, m_colors[0]);
    } else {
        ::SetTextColor(hDC, m_colors[3]);
        ::SetBkColor(hDC, m_colors[2]);
    }
    ::DrawTextA(hDC, text.c_str(), -1, &measured, DT_WORDBREAK | DT_CENTER);
}

// The parent's pixels under the button, copied on the first draw and reused
// until the system colours or the skin change.
void CSkinButton::PaintBackgroundCache(HDC hDC) {
    RECT client;
    GetClientRect(&client);
    const int width = client.right;
    const int height = client.bottom;
    MemoryDC cacheDC(::CreateCompatibleDC(hDC));
    if (!m_bmpBackground) {
        const HWND parent = GetParent();
        WindowDC parentDC(parent);
        RECT place;
        GetWindowRect(&place);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
        m_bmpBackground.reset(::CreateCompatibleBitmap(parentDC.get(), width, height));
        SelectObjectScope select(cacheDC.get(), m_bmpBackground.get());
        ::BitBlt(cacheDC.get(), 0, 0, width, height, parentDC.get(), place.left, place.top, SRCCOPY);
    }
    SelectObjectScope select(cacheDC.get(), m_bmpBackground.get());
    ::BitBlt(hDC, 0, 0, width, height, cacheDC.get(), 0, 0, SRCCOPY);
}

void CSkinButton::DropBackgroundCache() {
    m_bmpBackground.reset();
}
